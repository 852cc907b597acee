#include "app/tuning/CalibrationWizard.h"

#include "app/tuning/CalibrationVerdict.h"
#include "app/project/ProgramTag.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "platform/paths/Paths.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace tuning {
namespace {

using namespace calwizard;

constexpr const char* kRegistryError = "\nError: Cannot find intial tuning and calibration data in registry.\n";
constexpr const char* kInvalidBlock = "\nError: Invalid Calibration Data Block was found in the motor.\n";
// The END program the wizard puts back: no question may stop it (the motor may be servoing).
constexpr uint32_t kClearFlags = transfer::DL_TURN_OFF_SERVOING | transfer::DL_QUIET;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Message(const CVQXException& e)
{
    return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
}

std::string WithoutLineFeeds(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\n' && c != '\r')
            out += c;
    return out;
}

// A reply read as atol reads it.
long Number(const std::string& reply) { return std::atol(reply.c_str()); }

class WaitCursorScope {
public:
    explicit WaitCursorScope(ICalibrationWizardView& view) : m_view(view) { m_view.WaitCursor(true); }
    ~WaitCursorScope() { m_view.WaitCursor(false); }

private:
    ICalibrationWizardView& m_view;
};

} // namespace

CCalibrationWizard::CCalibrationWizard(CMotor& motor, Mode mode, platform::Profile& profile,
                                       ui::IQuestions& questions, ICalibrationWizardView& view,
                                       std::string programFolder)
    : m_motor(&motor), m_projectMotor(motor), m_mode(mode), m_profile(profile), m_questions(questions), m_view(view),
      m_folder(std::move(programFolder))
{
}

CCalibrationWizard::~CCalibrationWizard() { Cleanup(); }

std::string CCalibrationWizard::Title() const
{
    return (Verifying() ? "Verifying Index Calibration - " : "Quintaloc Index Re-Calibration - ") +
           m_projectMotor.Name;
}

std::string CCalibrationWizard::Description() const
{
    return Verifying() ? "Welcome to Quintaloc Index Calibration Verification Tool!\n\nTo verify current index "
                         "calibration value in the Quintaloc click the 'Start' button.\n\nDuring the process you may "
                         "click the 'Stop' button to stop verification."
                       : "Welcome to Quintaloc Re-Calibration Tool.\n\nTo re-calibrate the Quintaloc click the "
                         "'Start' button.\n\nDuring the process you may click the 'Stop' button to stop "
                         "re-calibration.";
}

const char* CCalibrationWizard::HelpTopic() const { return Verifying() ? kVerifyHelp : kRecalibrateHelp; }

int CCalibrationWizard::PortIndex() const { return m_projectPort ? m_projectPort->id : -1; }

void CCalibrationWizard::EnableControls(bool on)
{
    m_controlsEnabled = on;
    m_view.Refresh();
}

void CCalibrationWizard::ReportError(const std::string& text, bool toLog, bool toStatus, bool box)
{
    if (toLog)
        Log(text, LogFormat::Error);
    if (toStatus)
        m_view.SetStatus(WithoutLineFeeds(text));
    if (box)
        ui::OptionMessageBox(m_questions, WithoutLineFeeds(text), ui::MB_OK | ui::MB_ICONERROR, "Error");
}

// ---- start-up ----

void CCalibrationWizard::Init()
{
    m_sizeVisible = false;
    if (!ReadSizeData()) {
        m_controlsEnabled = false;
        m_stopEnabled = false;
        m_view.Refresh();
        return;
    }
    OnDefault();
    Log("\nChecking communication...");
    try {
        m_projectPort = m_projectMotor.GetPort();
        if (!m_projectPort)
            throw CVQXException(CVQXException::PortNotOpen);
        m_portWasOpen = m_projectPort->isOpen != 0;
        m_projectPort->ClosePort();
        m_copy = std::make_unique<CCommPort>();
        m_copy->SetContext(&m_projectPort->Context());
        m_copy->SetPolicy(&m_projectPort->Policy());
        *m_copy = *m_projectPort;
        // The motor the wizard was opened for, in the copy: the copy's own by address, or (a motor
        // the port does not list) a copy of it.
        m_motor = m_copy->GetMotor(m_projectMotor.Address);
        if (!m_motor) {
            auto own = std::make_unique<CMotor>(m_projectMotor);
            own->SetPort(m_copy.get());
            if (!m_copy->motors.Add(own.get()))
                throw CVQXException(CVQXException::OutOfMemory);
            m_motor = own.release();
            m_copy->RebuildAddressTable();
        }
        m_copy->OpenPort();
        m_copyOpen = true;
        m_calibrationFlag = (m_motor->ReadEEPROMByte(kCalibrationFlagAddress) & 1) == 0;
        Log("Done.\n");
        m_view.SetTimer(kStartTimer, kTimerMs);
    } catch (const CVQXException& e) {
        ReportError(Format("\nError: %s\n", Message(e).c_str()), true, true, false);
        m_controlsEnabled = false;
        m_stopEnabled = false;
    }
    m_view.Refresh();
}

bool CCalibrationWizard::ReadSizeData()
{
    Log("\nReading calibration data from registry...");
    CalibrationSizeChoice choice =
        FindCalibrationSize(m_profile, m_projectMotor.Model, MotorModelName(m_projectMotor.MotorType));
    if (choice.entries.empty()) {
        ReportError(kRegistryError, true, true, false);
        return false;
    }
    m_entries = std::move(choice.entries);
    m_names = std::move(choice.names);
    if (choice.match >= 0) {
        Log("Done.\n");
        m_selected = choice.match;
    } else {
        ui::OptionMessageBox(m_questions,
                             Format("VQX cannot find the calibration data for the motor in the registry. Please "
                                    "select the motor size before starting %s.",
                                    Verifying() ? "verification" : "re-calibration"),
                             ui::MB_OK | ui::MB_ICONERROR);
        m_sizeVisible = true;
        m_selected = 0;
        Log("Done.\n");
    }
    ParseSelected();
    return true;
}

bool CCalibrationWizard::ParseSelected()
{
    CCalibrationSize size;
    m_sizeUsable = m_selected >= 0 && m_selected < static_cast<int>(m_entries.size()) &&
                   ParseCalibrationSize(m_entries[static_cast<size_t>(m_selected)], size);
    if (!m_sizeUsable) {
        // A refused entry (no name, a missing field, ST11 max 0) gives no values at all.
        m_size = CCalibrationSize{};
        ReportError(kRegistryError, true, true, false);
        return false;
    }
    m_size = size;
    Log(Format("\nSettings for '%s':\n    KP:%d\n    KD:%d\n    KI:%d\n    KL:%d\n    ST11 Default Value:%d\n"
               "    ST11 User Value:%d\n    ST11 Max Value:%d\n",
               m_size.name.c_str(), m_size.KP, m_size.KD, m_size.KI, m_size.KL, m_size.ST11Default,
               m_size.ST11User, m_size.ST11Max));
    return true;
}

void CCalibrationWizard::SelectSize(int index)
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return;
    m_selected = index;
    ParseSelected();
    m_view.Refresh();
}

void CCalibrationWizard::SetPowerPercent(int percent)
{
    if (IsPowerPercent(percent))
        m_powerPercent = percent;
}

void CCalibrationWizard::OnDefault()
{
    if (m_sizeUsable)
        m_powerPercent = tuning::PowerPercent(m_size.ST11Default, m_size.ST11Max);
    m_view.Refresh();
}

void CCalibrationWizard::OnClearLog() { m_view.ClearLog(); }

uint16_t CCalibrationWizard::PowerValueNow() const { return PowerValue(m_powerPercent, m_size.ST11Max); }

void CCalibrationWizard::ReadBlock(CalibrationBlock& block)
{
    m_motor->ReadEEPROM(kCalibrationBlockAddress, block.data(), kCalibrationBlockSize);
}

void CCalibrationWizard::WriteBlock(const CalibrationBlock& block)
{
    m_motor->WriteEEPROM(kCalibrationBlockAddress, block.data(), kCalibrationBlockSize);
}

// ---- Get Motor Info ----

bool CCalibrationWizard::OnGetMotorInfo()
{
    if (!PortCopyInUse())
        return false;
    ProgramTag tag(m_copy.get());
    WaitCursorScope cursor(m_view);
    Log("\nGetting motor information...\n");
    m_view.SetStatus("Getting motor information...");
    try {
        m_motor->ReadVersion();
        Log(Format("    KP:%d\n    KD:%d\n    KI:%d\n    KL:%d\n    Original Calibration Value:%d\n", m_motor->KP,
                   m_motor->KD, m_motor->KI, m_motor->KL, m_motor->CalV));
        CalibrationBlock block{};
        ReadBlock(block);
        if (!IsValidBlock(block)) {
            ReportError(kInvalidBlock, true, true, false);
            return true;
        }
        const uint16_t power = BlockWord(block, kBlockPower);
        if (m_powerAtStart == kUnknownValue) {
            m_powerAtStart = power;
            if (m_sizeUsable && IsPowerPercent(tuning::PowerPercent(power, m_size.ST11Max)))
                m_powerPercent = tuning::PowerPercent(power, m_size.ST11Max);
        }
        if (m_size.ST11User == kUnknownValue)
            m_size.ST11User = BlockWord(block, kBlockUser);
        Log(Format("    ST11 Value:%d (%%%d)\n    ST11 User Value:%d\n    Current Calibration Value:%d\n", power,
                   m_sizeUsable ? tuning::PowerPercent(power, m_size.ST11Max) : 0, BlockWord(block, kBlockUser),
                   block[kBlockValue]));
        m_view.SetStatus("Motor information received successfully.");
        m_view.Refresh();
        return true;
    } catch (const CVQXException& e) {
        ReportError(Format("Error: %s\n", Message(e).c_str()), true, true, false);
        return false;
    }
}

// ---- Start ----

void CCalibrationWizard::OnStart()
{
    if (!PortCopyInUse())
        return;
    const char* caption = Verifying() ? kVerifyTitle : kRecalibrateTitle;
    if (ui::OptionMessageBox(m_questions, "WARNING:\n\nAre you SURE violent motion of the motor is safe?",
                             ui::MB_YESNO | ui::MB_ICONEXCLAMATION, caption) != ui::IDYES)
        return;
    if (!m_sizeUsable) {
        ReportError(kRegistryError, true, true, false);
        return;
    }
    {
        WaitCursorScope cursor(m_view);
        if (!OnGetMotorInfo() || !CheckFactoryData() || !Download() || !Prepare() || !Restart())
            return;
    }
    const char* text = Verifying() ? "Now Verifying Index Calibration...\n" : "Now Re-Calibrating the motor...\n";
    Log(text);
    m_view.SetStatus(WithoutLineFeeds(text));
    try {
        m_motor->SendCommand(Verifying() ? "uuu=3" : "uuu=2");
    } catch (const CVQXException& e) {
        ReportError(Format("Error: %s\n", Message(e).c_str()), true, true, false);
        return;
    }
    m_stopRequested = false;
    EnableControls(false);
    m_view.SetTimer(kRunTimer, kTimerMs);
}

bool CCalibrationWizard::CheckFactoryData()
{
    const CMotor& m = *m_motor;
    if (m.KP != kUnknownValue && m.KI != kUnknownValue && m.KD != kUnknownValue && m.KL != kUnknownValue &&
        m_powerAtStart != kUnknownValue && m_size.ST11User != kUnknownValue)
        return true;
    if (Verifying()) {
        const int answer = ui::OptionMessageBox(
            m_questions,
            "VQX has detected that the factory setting data in the motor is corrupted. You need to re-calibrate the "
            "motor before it can be used.\n\nDo you want to re-calibrate the motor now?",
            ui::MB_YESNO | ui::MB_ICONERROR);
        m_ended = true;
        m_view.EndDialog(2);
        if (answer == ui::IDYES)
            m_view.PostRecalibrate(PortIndex(), m_projectMotor.Address);
        return false;
    }
    if (m_sizeVisible)
        return true;
    ui::OptionMessageBox(m_questions,
                         "WARNING!\n\nVQX has detected that the factory setting data in the motor is corrupted. Please "
                         "select the motor size before starting the calibration.",
                         ui::MB_OK | ui::MB_ICONEXCLAMATION);
    m_sizeVisible = true;
    m_view.Refresh();
    return false;
}

bool CCalibrationWizard::DownloadFile(const std::string& path, uint32_t flags, bool recordInfo)
{
    m_copy->ClearBuffer();
    long length = -1;
    {
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        if (file)
            length = static_cast<long>(file.tellg());
    }
    if (length < 0) {
        Log(Format("\nError: Cannot open the file specified. (%s)\n", path.c_str()), LogFormat::Error);
        return false;
    }
    ui::IProgress& wait = m_motor->Context().Progress();
    try {
        wait.Show(Format("Transmitting \"%s\" (%ld bytes) to \"%s\"", path.c_str(), length, m_motor->Name.c_str()),
                  std::nullopt);
        wait.SetCancelVisible(false);
        m_motor->DownloadProgram(path, true, flags, recordInfo);
        wait.Close();
        return true;
    } catch (const CVQXException& e) {
        wait.Close();
        ReportError(Format("\nError downloading the file '%s': %s\n", path.c_str(), Message(e).c_str()), true, true,
                    true);
        return false;
    }
}

bool CCalibrationWizard::Download()
{
    m_downloaded = true;
    WaitCursorScope cursor(m_view);
    Log("Downloading Korvessan Standard Calibration Program...");
    if (!DownloadFile(platform::JoinPath(m_folder, "Cal/StdCal.scx"), kStdCalFlags, true))
        return false;
    Log(Verifying() ? "Done.\nDownloading the Calibration Verification Program..."
                    : "Done.\nDownloading the Index Re-Calibration Program...");
    if (!DownloadFile(platform::JoinPath(m_folder, "Cal/ReCal.tqx"), kReCalFlags, false))
        return false;
    Log("Done.\n");
    return true;
}

bool CCalibrationWizard::Prepare()
{
    m_blockWritten = true;
    try {
        CalibrationBlock block{};
        if (Verifying()) {
            Log("Preparing to Verify Index Calibration...");
            ReadBlock(block);
            if (!IsValidBlock(block)) {
                ReportError(kInvalidBlock, true, true, true);
                return false;
            }
            SetBlockWord(block, kBlockPower, PowerValueNow());
            block[kBlockRun] = m_calibrationFlag ? 2 : 0;
        } else {
            Log("Preparing to Calibrate the motor...");
            ReadBlock(block);
            SetBlockWord(block, kBlockPower, PowerValueNow());
            if (m_powerAtStart == kUnknownValue)
                m_powerAtStart = BlockWord(block, kBlockPower);
            const bool wasValid = IsValidBlock(block);
            if (m_sizeVisible) {
                const CCalibrationSize& s = m_size;
                if (s.KP == kUnknownValue || s.KD == kUnknownValue || s.KI == kUnknownValue ||
                    s.KL == kUnknownValue || s.ST11User == kUnknownValue) {
                    ReportError("\nError: Invalid registry values.\n", true, true, true);
                    return false;
                }
                uint16_t* gains[4] = {&m_motor->KP, &m_motor->KD, &m_motor->KI, &m_motor->KL};
                const uint16_t wanted[4] = {s.KP, s.KD, s.KI, s.KL};
                for (int g = 0; g < 4; ++g)
                    if (*gains[g] != wanted[g]) {
                        m_motor->StoreFactoryWord(kFactoryGainAddress[g], wanted[g]);
                        *gains[g] = wanted[g];
                    }
                m_motor->StoreFactoryWord(kFactoryGainSumAddress,
                                          static_cast<uint16_t>(s.KP + s.KD + s.KI + s.KL));
                RebuildBlock(block, s.ST11User);
                block[kBlockValue] = m_motor->CalV > kMaxCalibrationValue ? 80 : m_motor->CalV;
            } else if (!wasValid) {
                // A block whose sum is wrong holds nothing to keep: built anew, never re-summed.
                RebuildBlock(block, m_size.ST11User);
                block[kBlockValue] = m_motor->CalV > kMaxCalibrationValue ? 80 : m_motor->CalV;
            }
            block[kBlockRun] = m_calibrationFlag ? 3 : 1;
            m_expected = block[kBlockValue];
        }
        Resum(block);
        WriteBlock(block);
        m_motor->WriteEEPROMByte(kCalibrationFlagAddress, 1);
        Log("Done.\n");
        return true;
    } catch (const CVQXException& e) {
        ReportError(Format("\nError: %s\n", Message(e).c_str()), true, true, true);
        return false;
    }
}

bool CCalibrationWizard::Restart()
{
    Log("Restarting the motor...");
    try {
        if (!m_motor->Restart(true)) {
            ReportError("\nError: Cannot communicate with the motor.\n", true, true, true);
            return false;
        }
    } catch (const CVQXException& e) {
        ReportError(Format("\nError: Cannot reset motor. (%s)\n", Message(e).c_str()), true, true, true);
        return false;
    }
    Log("Done.\n");
    return true;
}

// ---- the running test ----

void CCalibrationWizard::OnStop()
{
    if (!m_stopRequested) {
        m_stopRequested = true;
        return;
    }
    try {
        m_motor->SendCommand("END OFF");
    } catch (const CVQXException& e) {
        ReportError(Format("\nError: Cannot stop calibration: %s\n", Message(e).c_str()), true, true, true);
    }
}

void CCalibrationWizard::OnTimer(int id)
{
    m_view.KillTimer(id);
    if (id == kStartTimer) {
        OnGetMotorInfo();
        return;
    }
    if (id == kEvaluateTimer) {
        Evaluate();
        return;
    }
    if (id != kRunTimer || !PortCopyInUse())
        return;
    if (m_stopRequested) {
        try {
            m_motor->SendCommand("END OFF");
            m_motor->ClearProgram(kClearFlags);
            EnableControls(true);
            Log("Calibration Stopped.\n");
            m_view.SetStatus("Calibration Stopped.");
        } catch (const CVQXException& e) {
            ReportError(Format("Error: Cannot stop calibration: %s\n", Message(e).c_str()), true, true, false);
        }
        return;
    }
    try {
        uint8_t buffer[256];
        size_t got = 0;
        m_motor->Read(buffer, 255, got, 0);
        if (got == 0) {
            m_view.SetTimer(kRunTimer, kTimerMs);
            return;
        }
        const std::string text(reinterpret_cast<const char*>(buffer), got);
        Log(text, LogFormat::Output);
        m_view.SetTimer(text.find('\x08') != std::string::npos ? kEvaluateTimer : kRunTimer, kTimerMs);
    } catch (const CVQXException& e) {
        ReportError(Format("Error: %s\n", Message(e).c_str()), true, true, false);
        m_view.SetTimer(kRunTimer, kTimerMs);
        m_stopRequested = true;
    }
}

void CCalibrationWizard::Evaluate()
{
    WaitCursorScope cursor(m_view);
    EnableControls(true);
    if (Verifying()) {
        try {
            const long w = Number(m_motor->SendAndReceive("Rwww"));
            const long x = Number(m_motor->SendAndReceive("Rxxx"));
            const long y = Number(m_motor->SendAndReceive("Ryyy"));
            const long z = Number(m_motor->SendAndReceive("Rzzz"));
            const CalibrationVerdict verdict = VerifyVerdict(w, x, y, z);
            Log(verdict.text + "\n", verdict.error ? LogFormat::Error : LogFormat::Normal);
            m_view.SetStatus(verdict.text);
            ui::OptionMessageBox(m_questions, verdict.text, ui::MB_OK | ui::MB_ICONINFORMATION, kVerifyTitle);
        } catch (const CVQXException& e) {
            ReportError(Format("Error: Cannot get verification results. (%s)\n", Message(e).c_str()), true, true,
                        true);
        }
        return;
    }
    try {
        const long v = Number(m_motor->SendAndReceive("Ryyy"));
        switch (JudgeRecalibration(v, m_expected)) {
        case RecalibrationOutcome::Failed:
            Log("Error: Re-Calibration was NOT successful.\n", LogFormat::Error);
            m_view.SetStatus("Error: Re-Calibration was NOT successful");
            ui::OptionMessageBox(m_questions, "Re-Calibration was NOT successful.", ui::MB_OK | ui::MB_ICONERROR,
                                 kRecalibrateTitle);
            return;
        case RecalibrationOutcome::Unchanged:
            Log("Re-Calibration Finished successfully.\n");
            m_view.SetStatus("Re-Calibration Finished successfully.");
            ui::OptionMessageBox(m_questions, "Re-Calibration Finished successfully.",
                                 ui::MB_OK | ui::MB_ICONINFORMATION, kRecalibrateTitle);
            m_motor->ClearProgram(kClearFlags);
            Restart();
            return;
        case RecalibrationOutcome::NewValue: {
            m_expected = static_cast<int>(v);
            const std::string done = Format("Re-Calibration Finished successfully. (Calibration Value:%ld)", v);
            Log(done + "\n");
            m_view.SetStatus(done);
            const std::string question = Format("Re-Calibration Finished successfully. (Calibration "
                                                "Value:%ld).\n\nAre you SURE you want to update the motor "
                                                "calibration data?\n",
                                                v);
            if (ui::OptionMessageBox(m_questions, question, ui::MB_YESNO | ui::MB_ICONEXCLAMATION,
                                     kRecalibrateTitle) == ui::IDYES &&
                StoreCalibration())
                Restart();
            return;
        }
        }
    } catch (const CVQXException& e) {
        ReportError(Format("Error: Cannot get calibration results. (%s)\n", Message(e).c_str()), true, true, true);
    }
}

bool CCalibrationWizard::StoreCalibration()
{
    WaitCursorScope cursor(m_view);
    Log("Now storing the calibration information in the motor...");
    m_view.SetStatus("Now storing the calibration information in the motor...");
    try {
        CalibrationBlock block{};
        ReadBlock(block);
        if (!IsValidBlock(block))
            RebuildBlock(block, m_size.ST11User);
        SetBlockWord(block, kBlockPower, PowerValueNow());
        SetBlockWord(block, kBlockUser, m_size.ST11User);
        block[kBlockValue] = static_cast<uint8_t>(m_expected);
        Resum(block);
        WriteBlock(block);
        m_motor->ClearProgram(kClearFlags);
        Log("Done.\n");
        const char* stored = "RE-CALIBRATION FINISHED.  New calibration data stored in the motor successfully.";
        m_view.SetStatus(stored);
        ui::OptionMessageBox(m_questions, stored, ui::MB_OK | ui::MB_ICONINFORMATION, kRecalibrateTitle);
        return true;
    } catch (const CVQXException& e) {
        ReportError(Format("Error: Cannot store calibration data in motor. (%s)\n", Message(e).c_str()), true, true,
                    true);
        return false;
    }
}

// ---- the end ----

void CCalibrationWizard::OnClose()
{
    if (m_blockWritten && PortCopyInUse()) {
        WaitCursorScope cursor(m_view);
        try {
            CalibrationBlock block{};
            ReadBlock(block);
            // Only a known power goes back, and only over a block that holds good data.
            if (m_powerAtStart != kUnknownValue && IsValidBlock(block) && m_sizeUsable &&
                BlockWord(block, kBlockPower) != m_powerAtStart) {
                const std::string question = Format(
                    "The new value of calibration power (%d%%) is different from your original value (%d%%). Do you "
                    "want to restore the original value?\n\nClick 'Yes' to restore your original value.\nClick 'No' "
                    "to keep the new value.",
                    tuning::PowerPercent(BlockWord(block, kBlockPower), m_size.ST11Max),
                    tuning::PowerPercent(m_powerAtStart, m_size.ST11Max));
                if (ui::OptionMessageBox(m_questions, question, ui::MB_YESNO | ui::MB_ICONQUESTION,
                                         kRecalibrateTitle) == ui::IDYES) {
                    SetBlockWord(block, kBlockPower, m_powerAtStart);
                    Resum(block);
                    WriteBlock(block);
                }
            }
        } catch (const CVQXException& e) {
            ui::OptionMessageBox(m_questions,
                                 Format("Error: Cannot store calibration data in motor. (%s)\n", Message(e).c_str()),
                                 ui::MB_OK | ui::MB_ICONERROR, kRecalibrateTitle);
        }
    }
    m_ended = true;
    m_view.EndDialog(0);
}

void CCalibrationWizard::Cleanup()
{
    if (PortCopyInUse()) {
        m_view.WaitCursor(true);
        // Nothing of this may stop the port from being given back.
        try {
            m_motor->SendCommand("END OFF");
        } catch (...) {
        }
        if (m_downloaded)
            try {
                m_motor->ClearProgram(kClearFlags);
            } catch (...) {
            }
        if (m_calibrationFlag)
            try {
                const uint8_t flag = m_motor->ReadEEPROMByte(kCalibrationFlagAddress);
                m_motor->WriteEEPROMByte(kCalibrationFlagAddress, static_cast<uint8_t>(flag & ~1u));
            } catch (...) {
            }
        m_view.WaitCursor(false);
    }
    if (m_copy) {
        try {
            m_copy->ClosePort();
        } catch (...) {
        }
        m_copyOpen = false;
        m_copy.reset();
        m_motor = &m_projectMotor;
    }
    if (m_projectPort && m_portWasOpen)
        try {
            m_projectPort->OpenPort();
        } catch (...) {
        }
    m_projectPort = nullptr;
}

} // namespace tuning
