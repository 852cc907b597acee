#include "app/tuning/CalibrationPower.h"

#include "app/tools/PollTraffic.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"

#include <cerrno>
#include <cstdlib>

namespace tuning {
namespace {

std::string ErrorMessage(const CVQXException& e)
{
    return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
}

// A whole number typed into an edit (blanks around allowed); false for anything else.
bool ReadWholeNumber(const std::string& text, long long& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    return *end == '\0';
}

} // namespace

CCalibrationPower::CCalibrationPower(CMotor& motor, platform::Profile& profile, ui::IQuestions& questions)
    : m_motor(motor), m_profile(profile), m_questions(questions)
{
}

std::string CCalibrationPower::Title() const { return "Set Calibration Power - " + m_motor.Name; }
std::string CCalibrationPower::Caption() const { return Title(); }

void CCalibrationPower::Error(const std::string& text)
{
    ui::OptionMessageBox(m_questions, text, ui::MB_OK | ui::MB_ICONERROR, Caption());
}

bool CCalibrationPower::Init()
{
    CalibrationSizeChoice choice = FindCalibrationSize(m_profile, m_motor.Model, MotorModelName(m_motor.MotorType));
    if (choice.entries.empty()) {
        Error(calpower::kNoSizesText);
        return false;
    }
    m_entries = std::move(choice.entries);
    m_names = std::move(choice.names);
    m_sizeVisible = choice.match < 0;
    SelectSize(choice.match < 0 ? 0 : choice.match);

    CalibrationBlock block{};
    bool valid = false;
    if (!ReadBlock(block, valid))
        return false;
    if (!valid)
        Error(calpower::kInvalidBlockText);
    m_current = valid ? BlockWord(block, kBlockPower) : kUnknownValue;
    m_shownPercent = m_current == kUnknownValue ? -1 : PowerPercent(m_current, m_size.ST11Max);
    const uint16_t start = m_current == kUnknownValue ? m_size.ST11Default : m_current;
    OnSlider(m_sizeUsable ? PowerPercent(start, m_size.ST11Max) : 0);
    return true;
}

bool CCalibrationPower::ReadBlock(CalibrationBlock& block, bool& valid)
{
    tools::PollTrafficScope traffic(m_motor, tools::TrafficKind::Tool);
    try {
        valid = ReadFlagAndBlock(block);
        return true;
    } catch (const CVQXException& e) {
        traffic.End();
        Error(ErrorMessage(e));
        return false;
    }
}

bool CCalibrationPower::ReadFlagAndBlock(CalibrationBlock& block)
{
    CCommPort* port = m_motor.GetPort();
    if (port && !port->isOpen)
        port->OpenPort();
    m_calibrationFlag = (m_motor.ReadEEPROMByte(kCalibrationFlagAddress) & 1) == 0;
    m_motor.ReadEEPROM(kCalibrationBlockAddress, block.data(), kCalibrationBlockSize);
    return IsValidBlock(block);
}

std::string CCalibrationPower::CurrentText() const
{
    if (m_current == kUnknownValue || m_shownPercent < 0)
        return "N/A";
    return std::to_string(m_shownPercent);
}

int CCalibrationPower::SliderPosition() const
{
    long long value = 0;
    if (!ReadWholeNumber(m_newText, value))
        return 0;
    return static_cast<int>(value < 0 ? 0 : value > 100 ? 100 : value);
}

void CCalibrationPower::SelectSize(int index)
{
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        return;
    m_selected = index;
    CCalibrationSize size;
    m_sizeUsable = ParseCalibrationSize(m_entries[static_cast<size_t>(index)], size);
    m_size = size;
    // An entry that cannot give percentages is refused; the user may choose another size.
    if (!m_sizeUsable) {
        m_sizeVisible = true;
        Error(calpower::kBadSizeText);
    }
}

void CCalibrationPower::OnSlider(int position) { m_newText = std::to_string(position); }

void CCalibrationPower::OnSetDefault()
{
    if (m_sizeUsable)
        OnSlider(PowerPercent(m_size.ST11Default, m_size.ST11Max));
}

void CCalibrationPower::OnApply()
{
    if (!m_sizeUsable) {
        Error(calpower::kBadSizeText);
        return;
    }
    long long percent = 0;
    // Only what the slider can show is written: a typed -5 or 1000 would wrap into another power.
    if (!ReadWholeNumber(m_newText, percent) || !IsPowerPercent(percent)) {
        Error(calpower::kOutOfRangeText);
        return;
    }
    tools::PollTrafficScope traffic(m_motor, tools::TrafficKind::Tool);
    try {
        // The block as the motor holds it now, with its flag byte: the rebuild below needs both.
        CalibrationBlock block{};
        if (!ReadFlagAndBlock(block)) {
            RebuildBlock(block, m_size.ST11User);
            block[kBlockRun] = m_calibrationFlag ? static_cast<uint8_t>(block[kBlockRun] | 2) : 0;
            block[kBlockValue] = 0xFF;
            Error(calpower::kInvalidBlockText);
        }
        SetBlockWord(block, kBlockPower, PowerValue(static_cast<int>(percent), m_size.ST11Max));
        Resum(block);
        m_motor.WriteEEPROM(kCalibrationBlockAddress, block.data(), kCalibrationBlockSize);
        m_current = BlockWord(block, kBlockPower);
        m_shownPercent = static_cast<int>(percent);
        if (ui::OptionMessageBox(m_questions, calpower::kResetQuestion, ui::MB_YESNO | ui::MB_ICONQUESTION,
                                 Caption()) != ui::IDYES)
            return;
        if (!m_motor.Restart(false))
            throw CVQXException(CVQXException::NoResponse, calpower::kNoAnswerAfterReset);
        std::string bn = m_motor.GetVariable("Bn");
        while (!bn.empty() && (bn[0] == ' ' || bn[0] == '\t'))
            bn.erase(0, 1);
        if (!bn.empty() && bn[0] == '1') {
            traffic.End();
            Error(calpower::kUnfinishedText);
        }
    } catch (const CVQXException& e) {
        traffic.End();
        Error(ErrorMessage(e));
    }
}

} // namespace tuning
