#include "app/tools/MotorFlagsForm.h"

#include "app/tools/MotorPagePorts.h"
#include "core/archive/TagArchive.h"

namespace tools {

using namespace flags;

namespace {

struct RowText {
    const char* name;
    const char* flag;
    const char* toClear;
    const char* related;
};

constexpr RowText kOlder[] = {
    {"Trajectory In Progress", "Bt", "", "G,TWAIT"},
    {"Right (+ or Positive) Limit Occurred", "Br", "RW,RS,Zr,ZS", "UCI,UCO,UC,UCP"},
    {"Left (- or Negative) Limit Occurred", "Bl", "RW,RS,Zl,ZS", "UDI,UDO,UD,UDM"},
    {"Index Report Available", "Bi", "RI,=I", "Bx"},
    {"Wraparound Occurred", "Bw", "G,MT,Zw,ZS", "O,MF0,MS0"},
    {"Excessive Position Error", "Be", "G", "E"},
    {"Excessive Temperature Occurred", "", "RW,RS", "THD,TH"},
    {"Motor Is Off", "Bo", "", "G,OFF"},
    {"Hardware Index Input Asserted", "Bx", "", "RI,I,Bi"},
    {"Right Limit (+ or Positive) Asserted", "Bp", "", "UCI,UCO,UC,UCP"},
    {"Left Limit (- or Negative) Asserted", "Bm", "", "UDI,UDO,UD,UDM"},
    {"User Math Overflow Occurred", "Bd", "Zd,ZS", ""},
    {"User Array Index Range Error Occurred", "Bu", "Zu,ZS", "ab[],aw[],al[]"},
    {"Syntax Error Occurred", "Bs", "Zs,ZS", ""},
    {"Over Current State Occurred", "Ba", "Za,ZS", ""},
    {"User Program Checksum Error", "Bk", "", "RCKS"},
    {"Communications Parity Error Occurred", "Bb", "Zb,ZS", "CHN,CHN0,CHN1"},
    {"Communications Rx Overflow Occurred", "Bc", "Zc", "CHN,CHN0,CHN1"},
    {"Communications Framing Error Occurred", "Bf", "Zf", "CHN,CHN0,CHN1"},
    {"Real-time Overheat Flag", "Bh", "", "THD,TH"},
};

constexpr RowText kVersion5[] = {
    {"Trajectory In Progress", "Bt", "", "G,TWAIT"},
    {"Right (+ or Positive) Limit Occurred", "Br", "Zr,ZS", "G,LPE,LPD"},
    {"Left (- or Negative) Limit Occurred", "Bl", "Zl,ZS", "G,LNE,LND"},
    {"Index Report Available", "Bi", "IR=,I,R", "IR,I,R"},
    {"Wraparound Occurred", "Bw", "Zw,ZS", "O,OS"},
    {"Excessive Position Error Occurred", "Be", "Ze,ZS", "E"},
    {"Excessive Temperature Occurred", "Bh", "Zh,ZS", "G,THD,TH"},
    {"Motor Is Off", "Bo", "", "G,OFF"},
    {"Input 0 Asserted", "I0", "", "IR"},
    {"Right Limit (+ or Positive) Asserted", "Bp", "", "G,LPE,LPD"},
    {"Left Limit (- or Negative) Asserted", "Bm", "", "G,LNE,LND"},
    {"Physical Brake Engaged", "BP", "", "BRKSRV,BRKTRJ,..."},
    {"Torque Brake Engaged", "BT", "", "MTA,MTB,MTR,MBT"},
    {"Syntax Error Occurred", "Bs", "Zs,ZS", ""},
    {"At Slew Velocity", "Bv", "", "MP,MV,V"},
    {"Drive Enable Input 7 Asserted", "I7", "", ""},
    {"Drive Fault Occurred", "Bg", "", "Be,Bh,Bl,Br"},
    {"Position<Negative Soft Limit", "Bb", "", "SLE,SLD,SDD,SDE"},
    {"Position>Positive Soft Limit", "Bc", "", "SLE,SLD,SDD,SDE"},
    {"Position<Negative Soft Limit Occurred", "Sl", "ZSl,ZS", "SLE,SLD,SLN"},
    {"Position>Positive Soft Limit Occurred", "Sr", "ZSr,ZS", "SLE,SLD,SLP"},
    {"Position<Negative Soft Domain Occurred", "Sb", "ZSb,ZS", "SLE,SLD,SLN"},
    {"Position>Positive Soft Domain Occurred", "Sc", "ZSc,ZS", "SLE,SLD,SLP"},
    {"User Program Counter Exceeded Range", "Ba", "Za,ZS", ""},
    {"Math Overflow Error Occurred", "Bd", "Zd,ZS", ""},
    {"Position Within Software Limits", "Bf", "", "SLP,SLN"},
    {"Encoder Bus Direction In", "Bj", "", "MFW,MF0..4,MFR,MS,MS0,MSR"},
    {"EEPROM Data Error", "Bk", "Zk,ZS", "LOAD,VST,VLD"},
    {"Input 7 Drive Enable Loss Occurred", "Bn", "Zn.ZS", "IR"},
    {"User Global Interrupts Enabled", "Bq", "", ""},
    {"User Array Index Error Occurred", "Bu", "Zu,ZS", "ab[],aw[],al[]"},
    {"G Sync Control Enabled", "Bx", "", ""},
    {"User Program RUN Command Issued", "By", "", "GSE,GSD"},
    {"User Program Executing", "Bz", "", "RUN"},
};

template <size_t N>
void Fill(FlagTable& t, const RowText (&rows)[N], size_t count)
{
    t.rows.clear();
    for (size_t i = 0; i < count && i < N; ++i) {
        FlagRow r{rows[i].name, rows[i].flag, "", rows[i].toClear, rows[i].related, ""};
        if (static_cast<int>(i) < t.wRows) {
            r.bit = std::to_string(i);
            r.wValue = std::to_string(1u << i);
        }
        t.rows.push_back(std::move(r));
    }
}

} // namespace

FlagTable BuildFlagTable(const FamilyTraits& family)
{
    FlagTable t;
    if (family.IsV5()) {
        t.wRows = 23;
        Fill(t, kVersion5, std::size(kVersion5));
        return t;
    }
    t.wRows = 16;
    if (!family.Is46Plus()) {
        Fill(t, kOlder, std::size(kOlder));
        return t;
    }
    Fill(t, kOlder, family.begins462 ? std::size(kOlder) : 19);
    t.rows[5] = {"Excessive Position Error Occurred", "Be", "5", "G,Ze,ZS", "E", "32"};
    t.rows[6] = {"Excessive Temperature Occurred", "Bh", "6", "Zh,ZS", "THD,TH", "64"};
    if (family.begins462)
        t.rows.push_back({"Calibration Fault", "Bn", "", "", "RBn", ""});
    return t;
}

CMotorFlagsForm::CMotorFlagsForm(MotorViewLink& link) : m_target(link)
{
    m_table = BuildFlagTable({});
}

void CMotorFlagsForm::SerializeState(CTagArchive& ar)
{
    if (!ar.OpenGroup(kSection))
        return;
    ar.SerializeBool("IsPolled", IsPolled, false);
    ar.SerializeBool("IncludeNotInW", IncludeNotInW, false);
    ar.CloseGroup();
}

void CMotorFlagsForm::BuildTable()
{
    m_table = m_target.motor ? BuildFlagTable(FamilyOf(*m_target.motor)) : BuildFlagTable({});
    m_notInW = 0;
    m_next = 0;
}

std::vector<FlagListRow> CMotorFlagsForm::ListRows() const
{
    std::vector<FlagListRow> out;
    out.push_back({{kInWTitle}, -1});
    const int count = static_cast<int>(m_table.rows.size());
    auto status = [&](int row) -> std::string {
        if (row < m_table.wRows) {
            if (!m_wKnown)
                return "N/A";
            return (static_cast<uint32_t>(m_w) >> row) & 1u ? kAsserted : "";
        }
        return (static_cast<uint32_t>(m_notInW) >> (row - m_table.wRows)) & 1u ? kAsserted : "";
    };
    for (int r = 0; r < count && r < m_table.wRows; ++r) {
        const FlagRow& f = m_table.rows[static_cast<size_t>(r)];
        out.push_back({{f.name, f.flag, status(r), f.bit, f.toClear, f.related, f.wValue}, r});
    }
    if (IncludeNotInW) {
        out.push_back({{}, -1});
        out.push_back({{kNotInWTitle}, -1});
        for (int r = m_table.wRows; r < count; ++r) {
            const FlagRow& f = m_table.rows[static_cast<size_t>(r)];
            out.push_back({{f.name, f.flag, status(r), f.bit, f.toClear, f.related, ""}, r});
        }
    }
    return out;
}

std::string CMotorFlagsForm::WText() const
{
    return m_wKnown ? std::to_string(m_w) : "N/A";
}

void CMotorFlagsForm::ShowValues(int32_t w, int32_t notInW, bool known)
{
    m_wKnown = known && w != -1;
    if (m_wKnown)
        m_w = w;
    m_notInW = notInW;
}

bool CMotorFlagsForm::TypeW(const std::string& text)
{
    if (IsPolled || !ReplyHasNumber(text))
        return false;
    ShowValues(ReplyNumber(text), m_notInW, true);
    return true;
}

bool CMotorFlagsForm::ToggleListRow(int listRow)
{
    if (IsPolled || listRow < 1 || listRow > m_table.wRows || !m_wKnown)
        return false;
    ShowValues(static_cast<int32_t>(static_cast<uint32_t>(m_w) ^ (1u << (listRow - 1))), m_notInW, true);
    return true;
}

std::string CMotorFlagsForm::CommandOf(int k) const
{
    if (k <= 0 || k >= static_cast<int>(m_table.rows.size()))
        return "RW";
    return "R" + m_table.rows[static_cast<size_t>(k)].flag;
}

void CMotorFlagsForm::SetPolling(bool on)
{
    IsPolled = on;
    m_next = 0;
    if (!on)
        m_link = -1;
}

std::string CMotorFlagsForm::StartPolling()
{
    return StartPagePolling(*this, m_target.motor);
}

bool CMotorFlagsForm::PollStep()
{
    if (!IsPolled) {
        m_next = 0;
        return false;
    }
    if (!IncludeNotInW)
        m_next = 0;
    const int k = m_next;
    const PageQueryResult result = RunPageQuery(m_target, CommandOf(k));
    switch (result.outcome) {
    case PageQuery::Answered: {
        m_link = 1;
        const int32_t a = ReplyNumber(result.reply);
        if (k == 0 && !ReplyHasNumber(result.reply))
            ShowValues(m_w, m_notInW, false); // garbage is no value of W
        else if (a < 0)
            ShowValues(-1, m_notInW, false);
        else if (k > 0) {
            const uint32_t bit = 1u << (k - m_table.wRows);
            ShowValues(m_w, static_cast<int32_t>(a ? (m_notInW | bit) : (m_notInW & ~bit)), m_wKnown);
        } else {
            ShowValues(a, m_notInW, true);
        }
        break;
    }
    case PageQuery::Offline:
        m_link = 0;
        break;
    case PageQuery::Kept:
    case PageQuery::Gone:
        return true;
    case PageQuery::Stopped:
        // Also when the user declined recovery: asking again on every tick would bring the
        // error back endlessly.
        SetPolling(false);
        return true;
    }
    const int count = static_cast<int>(m_table.rows.size());
    if (!IncludeNotInW)
        m_next = 0;
    else if (k == 0)
        m_next = m_table.wRows < count ? m_table.wRows : 0;
    else
        m_next = k + 1 < count ? k + 1 : 0;
    return true;
}

std::string CMotorFlagsForm::Refresh()
{
    const std::string error = StartPolling();
    if (!error.empty())
        return error;
    const int bound = static_cast<int>(m_table.rows.size()) + 1;
    for (int step = 0; step < bound; ++step) {
        if (!m_target.motor || !PollStep() || !IsPolled || m_link != 1 || m_next == 0)
            break;
    }
    if (m_target.motor)
        SetPolling(false);
    return {};
}

} // namespace tools
