// The questions before a download to one motor: version, servoing, program memory, calibration.

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/TransferSteps.h"
#include "core/ui/Questions.h"

#include <cstdio>

using namespace transfer;

namespace {

constexpr int kAnswer1 = 100, kAnswer2 = 101, kAnswer3 = 102, kAnswer4 = 103;

// The choice box with the single-motor answer, and with the "all" answers of a run.
ui::ChoiceReply Ask(CMotor& m, const std::string& text, uint32_t flags, const std::array<std::string, 4>& labels,
                    const std::array<int, 4>& values, uint32_t extraFlags = 0)
{
    ui::ChoiceRequest request;
    request.text = text;
    request.flags = extraFlags;
    const bool several = (flags & DL_SEVERAL) != 0;
    for (size_t i = 0; i < 4; ++i) {
        if (labels[i].empty() || (!several && i != 0))
            continue;
        request.values[i] = values[i];
        request.labels[i] = labels[i];
    }
    return ui::ChoiceBox(m.Context().Questions(), request);
}

uint32_t MotorData(const CMotor& m) { return MakeMotorDataWord(m.port ? m.port->id : -1, m.Address); }

std::string CalibrationText(CMotor& m)
{
    if (m.IsVersion462())
        return "WARNING:\nThe Quintaloc(TM) motor behavior and usability depends upon the Quintaloc(TM) calibration "
               "program.\n\nAre you sure you want to download Quintaloc(TM) calibration program to \"" +
               m.Name + "\"?";
    return "The motor \"" + m.Name +
           "\" does not support calibration programs.\n\nAre you sure you want to download Quintaloc(TM) "
           "calibration program to the motor?";
}

bool VersionCheck(CMotor& m, const std::string& fileVersion, uint32_t& flags)
{
    if (m.Version.empty())
        m.ReadVersion();
    if (m.IsFirmwareCompatible(fileVersion))
        return true;
    if (flags & DL_FAIL_VERSION)
        throw CVQXException(CVQXException::MajorVersionDifference, MotorData(m));
    if (!(flags & DL_SKIP_VERSION)) {
        if (!(flags & DL_SEVERAL))
            throw CVQXException(CVQXException::MajorVersionDifference, MotorData(m));
        const ui::ChoiceReply r = Ask(m, "Error:\nFile Version and motor version are different.", flags,
                                      {"Skip this motor", "Skip all motors with different version", "", ""},
                                      {kAnswer1, kAnswer2, 0, 0});
        if (r.value == kAnswer2)
            flags |= DL_SKIP_VERSION;
        else if (r.value != kAnswer1)
            throw CVQXException(CVQXException::MajorVersionDifference, MotorData(m));
    }
    AddErrorLine(m, flags, "File version has a major difference with motor version!");
    return false;
}

void TurnOff(CMotor& m)
{
    m.SendCommand("END");
    m.SendCommand("OFF");
}

bool ServoCheck(CMotor& m, uint32_t& flags)
{
    if (!m.IsMotorOn())
        return true;
    if (flags & DL_TURN_OFF_SERVOING) {
        TurnOff(m);
        return true;
    }
    if (flags & DL_FAIL_SERVOING)
        throw CVQXException(CVQXException::MotorIsOn, MotorData(m));
    if (!(flags & DL_SKIP_SERVOING)) {
        const ui::ChoiceReply r =
            Ask(m, "Cannot download to a motor that is servoing.", flags,
                {"Turn off and download", "Turn off all and download", "Skip this motor", "Skip all motors that are servoing"},
                {kAnswer1, kAnswer2, kAnswer3, kAnswer4});
        switch (r.value) {
        case kAnswer2:
            flags |= DL_TURN_OFF_SERVOING;
            [[fallthrough]];
        case kAnswer1:
            TurnOff(m);
            return true;
        case kAnswer4:
            flags |= DL_SKIP_SERVOING;
            break;
        case kAnswer3:
            break;
        default:
            throw CVQXException(CVQXException::MotorIsOn, MotorData(m));
        }
    }
    AddErrorLine(m, flags, "Cannot download programs while motor is on!");
    return false;
}

bool MemoryCheck(CMotor& m, uint32_t& flags)
{
    if ((flags & DL_NO_MEMORY_CHECK) || m.EnsureValidProgram())
        return true;
    if (flags & DL_FAIL_NO_MEMORY)
        throw CVQXException(CVQXException::NoEEPROM, MotorData(m));
    if (!(flags & DL_SKIP_NO_MEMORY)) {
        const ui::ChoiceReply r =
            Ask(m, "The motor has no EEPROM.", flags,
                {"Download anyway", "Download to all", "Skip this motor", "Skip all motors with no EEPROM"},
                {kAnswer1, kAnswer2, kAnswer3, kAnswer4});
        switch (r.value) {
        case kAnswer2:
            flags |= DL_NO_MEMORY_CHECK;
            [[fallthrough]];
        case kAnswer1:
            return true;
        case kAnswer4:
            flags |= DL_SKIP_NO_MEMORY;
            break;
        case kAnswer3:
            break;
        default:
            throw CVQXException(CVQXException::NoEEPROM, MotorData(m));
        }
    }
    AddErrorLine(m, flags, "The motor has no EEPROM!");
    return false;
}

bool Cancelled(CMotor& m, uint32_t& flags)
{
    flags |= DL_CANCELLED;
    AddInfoLine(m, flags, kCancelledText);
    return false;
}

bool CalibrationCheck(CMotor& m, uint32_t& flags)
{
    if (!(flags & DL_CALIBRATION) || (flags & DL_NO_CAL_WARNING) || ui::GetRememberedAnswer("DownloadCal") == 6)
        return true;
    const std::string text = CalibrationText(m);
    if (!(flags & DL_SEVERAL)) {
        const int answer = ui::OptionMessageBox(m.Context().Questions(), text, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::kRememberAnswer,
                                                "VQX", ui::kCheckToDisable, "DownloadCal");
        return answer == ui::IDYES ? true : Cancelled(m, flags);
    }
    const ui::ChoiceReply r = Ask(m, text, flags, {"Download anyway", "Download to all", "Skip this motor", ""},
                                  {kAnswer1, kAnswer2, kAnswer3, 0}, ui::kChoiceCheckBox);
    if (r.value == kAnswer1 || r.value == kAnswer2) {
        if (r.checked)
            ui::SetRememberedAnswer("DownloadCal", 6);
        if (r.value == kAnswer2)
            flags |= DL_NO_CAL_WARNING;
        return true;
    }
    if (r.value == kAnswer3)
        return false;
    return Cancelled(m, flags);
}

} // namespace

bool CMotor::CheckDownload(const std::string& fileVersion, uint32_t& flags)
{
    if (flags & DL_BLIND)
        return true;
    return VersionCheck(*this, fileVersion, flags) && ServoCheck(*this, flags) && MemoryCheck(*this, flags) &&
           CalibrationCheck(*this, flags);
}
