#include "app/tools/MotorStatusForm.h"

#include "app/tools/MotorPagePorts.h"
#include "app/tools/PollTraffic.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/shared/MotorModels.h"

#include <algorithm>
#include <cctype>

namespace tools {

using namespace status;

namespace {

constexpr const char* kBaseLabels[kStatusBits] = {
    "Bt:   Busy Trajectory", "Br:   Historical (+) Limit", "Bl:   Historical (-) Limit",
    "Bi:   Index Report Available", "Bw: Wrap Around Occurred", "Be:  Excessive Position Error",
    "       Excessive Temperature", "Bo:  Motor (Drive) Off", "Bx:  Index Input Active", "Bp:  (+) Limit Active",
    "Bm: (-) Limit Active", "Bd:  Math Overflow", "Bu:  Array Index Error", "Bs:  Syntax Error",
    "Ba:  Peak Over Current", "Bk:  Prog. Checksum Error", "Bg:  Drive Fault", "Bb:  @P < Soft (-) Limit",
    "Bc:  @P > Soft (+) Limit", "Sl:    Historical Soft (-) Limit", "Sr:   Historical Soft (+) Limit",
    "Sb:  Soft (-) Domain Latch", "Sc:  Soft (+) Domain Latch"};

struct ExtraEntry {
    const char* name;
    const char* command;
};
constexpr ExtraEntry kExtraTable[kExtras] = {
    {"None", ""},      {"Indx Avlbl", "RBi"}, {"Index", "RI"},  {"Temp.", "z=TEMP Rz"}, {"Accel.", "RA"},
    {"Pos Wrap", "RBw"}, {"Voltage", "z=UJA Rz"}, {"Current", "z=UIA Rz"}, {"Ext Encdr", "RCTR"},
    {"Clock", "RCLK"}, {"W", "RW"},          {"S", "RS"},     {"CHN", "RCHN"},     {"a", "Ra"},
    {"b", "Rb"},       {"c", "Rc"},           {"d", "Rd"},     {"e", "Re"},         {"f", "Rf"},
    {"g", "Rg"},       {"xxx", "Rxxx"},       {"yyy", "Ryyy"}, {"zzz", "Rzzz"}};

constexpr int kExtraIndex = 2, kExtraAccel = 4, kExtraChn = 12;
constexpr int kLedGrey = kLedOff;
// How value fields are scaled.
constexpr int kPlain = 0, kAsPosition = 1, kAsVelocity = 2, kAsAcceleration = 3;
// No cycle has more states than this; Refresh never runs longer.
constexpr int kLongestCycle = 14;

int ClampExtra(int index) { return index >= 0 && index < kExtras ? index : 0; }

} // namespace

const char* CMotorStatusForm::BaseLabel(int bit)
{
    return bit >= 0 && bit < kStatusBits ? kBaseLabels[bit] : "";
}

std::string CMotorStatusForm::ModeText(const std::string& reply)
{
    static const std::pair<const char*, const char*> modes[] = {
        {"C", "CAM"},       {"E", "ERROR"},    {"F", "FOLLOW"},    {"O", "SERVO OFF"},  {"P", "ABSOLUTE"},
        {"R", "RELATIVE"},  {"S", "STEP"},     {"T", "TORQUE"},    {"X", "RATIO"},      {"V", "VELOCITY"},
        {"A", "DATA"},      {"B", "TORQUE BRK"}, {"D", "DRIVE DISABLED"}};
    for (const auto& [letter, name] : modes)
        if (reply == letter)
            return name;
    return reply;
}

CMotorStatusForm::CMotorStatusForm(MotorViewLink& link) : m_target(link)
{
    for (int i = 0; i < kStatusBits; ++i) {
        StatusLed[i] = kLedGrey;
        StatusLabel[i] = kBaseLabels[i];
    }
    InputLed.fill(kLedGrey);
    IoLed.fill(kLedGrey);
}

void CMotorStatusForm::SerializeState(CTagArchive& ar)
{
    if (!ar.OpenGroup(kSection))
        return;
    ar.SerializeBool("IsPolled", IsPolled, false);
    ar.SerializeBool("Scaled", Scaled, false);
    ar.SerializeBool("Hex", Hex, false);
    ar.CloseGroup();
}

void CMotorStatusForm::UpdateForMotor()
{
    CMotor* motor = m_target.motor;
    if (!motor)
        return;
    m_family = FamilyOf(*motor);
    const bool v5 = m_family.IsV5();

    for (int n = 0; n < kIoPins; ++n) {
        IoShown[n] = !v5 || n < 3;
        IoLabel[n] = v5 ? std::string(1, static_cast<char>('0' + n)) : std::string(1, static_cast<char>('A' + n));
    }
    InputsShown = v5;
    IoTitle = v5 ? "Outputs:" : "Input/Output:";
    IoNote = v5 ? " Red 24v, Grey 0v " : " Red 5v, Grey 0v ";

    for (int i = 0; i < kStatusBits; ++i)
        StatusLabel[i] = kBaseLabels[i];
    if (v5) {
        StatusLabel[6] = "Bh:  Excessive Temperature";
        StatusLabel[8] = "I0:    Input 0 Asserted";
        StatusLabel[11] = "BP:  Physical Brake Engaged";
        StatusLabel[12] = "BT:  Torque Brake Engaged";
        StatusLabel[14] = "Bv:  At Slew Velocity";
        StatusLabel[15] = "I7:    Drive Enable (Input 7)";
    } else {
        // The older texts differ from the 4.6 ones only in bit 6's flag letter.
        if (m_family.Is46Plus())
            StatusLabel[6] = "Bh:  Excessive Temperature";
        StatusLabel[8] = "Bx:  Index Input Active";
        StatusLabel[11] = "Bd:  Math Overflow";
        StatusLabel[12] = "Bu:  Array Index Error";
        StatusLabel[14] = "Ba:  Peak Over Current";
        StatusLabel[15] = "Bk:  Prog. Checksum Error";
    }
    const bool calibration = m_family.Is46Plus() && m_family.begins462;
    if (calibration)
        StatusLabel[16] = "Bn:  Calibration Fault";
    for (int i = 0; i < kStatusBits; ++i)
        StatusShown[i] = i < 16 || v5 || (i == 16 && calibration);

    Picture.SetModel(ModelRecord(), PictureLedCount(v5));

    AddressText = std::to_string(motor->Address);
    FirmwareText = "Ver: " + motor->Version;
    ModelText = "Model: " + (motor->Model.empty() ? MotorModelName(motor->MotorType) : motor->Model);

    m_scaledEnabled = motor->UseConversionFactor;
    if (!m_scaledEnabled)
        Scaled = false;
}

const CMotorModel* CMotorStatusForm::ModelRecord() const
{
    return m_target.motor ? GetMotorModels().Get(m_target.motor->MotorType) : nullptr;
}

int CMotorStatusForm::Extra(int which) const
{
    const CMotor* motor = m_target.motor;
    return motor && (which == 0 || which == 1) ? ClampExtra(motor->UParamIndex[which]) : 0;
}

std::string CMotorStatusForm::ExtraName(int index) const
{
    index = ClampExtra(index);
    if (index == kExtraChn && m_family.begins46)
        return "CHN (N/A)";
    return kExtraTable[index].name;
}

std::string CMotorStatusForm::ExtraTip(int which) const
{
    const int extra = Extra(which);
    return extra == 0 ? std::string() : "Current Value of \"" + ExtraName(extra) + "\"";
}

void CMotorStatusForm::ChooseExtras(int first, int second)
{
    if (CMotor* motor = m_target.motor) {
        motor->UParamIndex[0] = ClampExtra(first);
        motor->UParamIndex[1] = ClampExtra(second);
    }
    Extra1Text.clear();
    Extra2Text.clear();
}

std::string CMotorStatusForm::CommandOf(int query) const
{
    const bool v5 = m_family.IsV5();
    auto extraCommand = [&](int index) -> std::string {
        if (v5 && index == 3)
            return "RTP";
        if (v5 && index == 6)
            return "RVLT";
        if (v5 && index == 7)
            return "RJ";
        if (index == kExtraChn && m_family.begins46)
            return "";
        return kExtraTable[index].command;
    };
    switch (query) {
    case 0: return "RW";
    case 1: return "RP";
    case 2: return "RPE";
    case 3: return "RV";
    case 4: return "RMODE";
    case 5: return extraCommand(Extra(0));
    case 6: return extraCommand(Extra(1));
    case 7: return v5 ? "RIN" : m_family.Is46Plus() ? "RU" : "z=UAI Rz";
    case 8: case 9: case 10: case 11: case 12: case 13:
        return std::string("z=U") + static_cast<char>('A' + query - 7) + "I Rz";
    case 20: return "ROUT";
    case 21: return "RBg";
    case 22: return "RI7";
    case 23: return "RBn";
    default: return "";
    }
}

int CMotorStatusForm::NextAfter(int query) const
{
    switch (query) {
    case 4: return Extra(0) >= 1 ? 5 : Extra(1) >= 1 ? 6 : 7;
    case 5: return Extra(1) >= 1 ? 6 : 7;
    case 7:
        if (m_family.IsV5())
            return 20;
        if (m_family.Is46Plus())
            return m_family.begins462 ? 23 : 0;
        return 8;
    case 13: return 0;
    case 22: return 0;
    case 23: return 0;
    default: return query + 1;
    }
}

void CMotorStatusForm::ShowStatusWord(int32_t word, bool known)
{
    if (!known || word == -1) {
        StatusLed.fill(kLedGrey);
        Picture.SetAll(kLedOff);
        return;
    }
    const int bits = m_family.IsV5() ? kStatusBits : 16;
    for (int i = 0; i < bits; ++i) {
        const bool on = (static_cast<uint32_t>(word) >> i) & 1u;
        StatusLed[i] = on ? 1 : 0;
        StatusBold[i] = on;
    }
    const bool busy = word & 1, off = (word >> 7) & 1;
    if (m_family.IsV5()) {
        Picture.SetLed(0, kLedGreen);
        Picture.SetLed(2, off ? kLedGrey : kLedGreen);
        Picture.SetLed(3, busy ? kLedGreen : kLedGrey);
    } else {
        Picture.SetLed(0, busy ? kLedGreen : kLedGrey);
        Picture.SetLed(1, off ? kLedRed : kLedGreen);
    }
}

// Its own entry point: a flag read apart from W must never be mistaken for a value of W.
void CMotorStatusForm::ShowCalibrationFault(bool on)
{
    StatusLed[16] = on ? 1 : 0;
    StatusBold[16] = on;
}

std::string CMotorStatusForm::ValueText(int32_t value, const std::string& reply, int kind) const
{
    const CMotor* motor = m_target.motor;
    if (Scaled && m_scaledEnabled && motor && kind != kPlain) {
        switch (kind) {
        case kAsPosition: return motor->FormatPosition(value);
        case kAsVelocity: return motor->FormatVelocity(value);
        case kAsAcceleration: return motor->FormatAcceleration(value);
        default: break;
        }
    }
    if (Hex)
        return HexText(value);
    return reply;
}

void CMotorStatusForm::TakeReply(int query, const std::string& reply)
{
    const int32_t n = ReplyNumber(reply);
    const std::string number = std::to_string(n);
    switch (query) {
    case 0: {
        // A reply without a number says nothing about W: shown as unknown, never as "all clear".
        ShowStatusWord(n, ReplyHasNumber(reply));
        break;
    }
    case 1: Position = ValueText(n, number, kAsPosition); break;
    case 2: PositionError = ValueText(n, number, kAsPosition); break;
    case 3: Velocity = ValueText(n, number, kAsVelocity); break;
    case 4: Mode = ModeText(reply); break;
    case 5:
    case 6: {
        const int extra = Extra(query - 5);
        const int kind = extra == kExtraIndex ? kAsPosition : extra == kExtraAccel ? kAsAcceleration : kPlain;
        (query == 5 ? Extra1Text : Extra2Text) = ValueText(n, reply, kind);
        break;
    }
    case 7:
        if (m_family.IsV5()) {
            for (int i = 0; i < kInputs; ++i)
                InputLed[i] = (n >> i) & 1;
        } else if (m_family.Is46Plus()) {
            for (int i = 0; i < kIoPins; ++i) {
                IoLed[i] = (n >> i) & 1;
                m_ioKnown[i] = true;
            }
        } else {
            IoLed[0] = n;
            m_ioKnown[0] = true;
        }
        break;
    case 8: case 9: case 10: case 11: case 12: case 13:
        IoLed[query - 7] = n;
        m_ioKnown[query - 7] = true;
        break;
    case 20:
        for (int i = 0; i < 3; ++i) {
            IoLed[i] = (n >> i) & 1;
            m_ioKnown[i] = true;
        }
        break;
    case 21: Picture.SetLed(4, n != 0 ? kLedRed : kLedGrey); break;
    case 22: Picture.SetLed(1, n != 0 ? kLedGreen : kLedGrey); break;
    case 23: ShowCalibrationFault(n != 0); break;
    default: break;
    }
}

void CMotorStatusForm::SetLinkState(int state)
{
    if (state == m_link)
        return;
    m_link = state;
    if (state != 0)
        return;
    StatusLed.fill(kLedGrey);
    InputLed.fill(kLedGrey);
    // Unknown again: the outputs are not clickable until they are read anew.
    IoLed.fill(kLedGrey);
    m_ioKnown.fill(false);
    Picture.SetAll(kLedOff);
    Position = PositionError = Velocity = Mode = "N/A";
    m_next = 0;
}

void CMotorStatusForm::SetPolling(bool on)
{
    IsPolled = on;
    m_next = 0;
    Picture.MarkAllChanged();
    if (!on)
        SetLinkState(-1);
}

std::string CMotorStatusForm::StartPolling()
{
    return StartPagePolling(*this, m_target.motor);
}

bool CMotorStatusForm::PollStep()
{
    if (!IsPolled) {
        m_next = 0;
        return false;
    }
    if (!MotorPortOpen(m_target.motor)) {
        SetLinkState(0);
        return false;
    }
    // States whose extra is "None" or has no command are passed without a query.
    if (m_next == 5 && CommandOf(5).empty())
        m_next = 6;
    if (m_next == 6 && CommandOf(6).empty())
        m_next = 7;
    if ((m_next > 13 && m_next < 20) || m_next > 23 || m_next < 0) {
        m_next = 0;
        return true;
    }
    const int query = m_next;
    const PageQueryResult result = RunPageQuery(m_target, CommandOf(query));
    switch (result.outcome) {
    case PageQuery::Answered:
        SetLinkState(1);
        TakeReply(query, result.reply);
        m_next = NextAfter(query);
        break;
    case PageQuery::Offline:
        SetLinkState(0);
        break;
    case PageQuery::Kept:
        break;
    case PageQuery::Stopped:
        SetPolling(false);
        break;
    case PageQuery::Gone:
        break;
    }
    return true;
}

std::string CMotorStatusForm::Refresh()
{
    const std::string error = StartPolling();
    if (!error.empty())
        return error;
    for (int step = 0; step < kLongestCycle; ++step) {
        if (!m_target.motor || !PollStep() || !IsPolled || m_link != 1 || m_next == 0)
            break;
    }
    if (m_target.motor)
        SetPolling(false);
    return {};
}

bool CMotorStatusForm::IoEnabled(int n) const
{
    if (n < 0 || n >= kIoPins || !IoShown[n] || !IsPolled)
        return false;
    if (m_family.IsV5())
        return n < 3 && m_ioKnown[0] && m_ioKnown[1] && m_ioKnown[2];
    return m_ioKnown[n];
}

bool CMotorStatusForm::Send(const std::string& command)
{
    CMotor* motor = m_target.motor;
    if (!motor)
        return false;
    PollTrafficScope traffic(*motor, TrafficKind::Tool);
    try {
        motor->SendCommand(command);
        return true;
    } catch (const CVQXException&) {
    } catch (const std::exception&) {
    }
    return false;
}

bool CMotorStatusForm::ClickIo(int n)
{
    if (!IoEnabled(n) || !MotorPortOpen(m_target.motor))
        return false;
    std::string command;
    if (m_family.IsV5()) {
        int bits = 0;
        for (int i = 0; i < 3; ++i)
            if (IoLed[i] != 0)
                bits |= 1 << i;
        bits ^= 1 << n;
        command = "OUT=" + std::to_string(bits);
    } else {
        command = std::string("U") + static_cast<char>('A' + n) + "=" + (IoLed[n] == 0 ? "1" : "0");
    }
    if (!Send(command)) {
        SetLinkState(0);
        return false;
    }
    // Only the version-5 write counts as an answer; a pin write is confirmed by query 7.
    if (m_family.IsV5()) {
        m_next = 20;
        SetLinkState(1);
    } else {
        m_next = 7;
    }
    return true;
}

bool CMotorStatusForm::ClearFlags()
{
    if (!Send("ZS"))
        return false;
    m_next = 0;
    return true;
}

} // namespace tools
