#include "app/tools/MotorVariablesForm.h"

#include "app/tools/MotorPagePorts.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"

#include <cstdlib>

namespace tools {

using namespace variables;

namespace {

std::string Letters(int n, int times)
{
    return std::string(static_cast<size_t>(times), static_cast<char>('a' + n % 26));
}

int ClampRange(int range) { return range >= 0 && range < kRanges ? range : 0; }

// The firmware number: the text's first three characters read as a decimal number.
int FirmwareNumber(const std::string& firmware)
{
    return std::atoi(firmware.substr(0, 3).c_str());
}

} // namespace

VariableCell CellOf(int n, int layoutCount)
{
    const int rows = (layoutCount + 1) / 2;
    VariableCell c;
    if (rows <= 0)
        return c;
    c.row = n % rows;
    c.nameColumn = (n / rows) * 2;
    c.valueColumn = c.nameColumn + 1;
    return c;
}

int LayoutCount(int range)
{
    static constexpr int counts[kRanges] = {26, 78, 26, 52, 26, 51, 102, 204};
    return counts[ClampRange(range)];
}

int PolledCount(int range, const std::string& firmware)
{
    range = ClampRange(range);
    const bool old = FirmwareNumber(firmware) < 467;
    if (range == 6 && old)
        return 101;
    if (range == 7 && old)
        return 201;
    return LayoutCount(range);
}

std::string VariableName(int range, int n)
{
    switch (ClampRange(range)) {
    case 0: return Letters(n, 1);
    case 1: return Letters(n, n < 26 ? 1 : n < 52 ? 2 : 3);
    case 2: return Letters(n, 2);
    case 3: return Letters(n, n < 26 ? 2 : 3);
    case 4: return Letters(n, 3);
    case 5: return "al[" + std::to_string(n) + "]";
    case 6: return "aw[" + std::to_string(n) + "]";
    default: return "ab[" + std::to_string(n) + "]";
    }
}

CMotorVariablesForm::CMotorVariablesForm(MotorViewLink& link) : m_target(link)
{
    SetRange(0);
}

void CMotorVariablesForm::SerializeState(CTagArchive& ar)
{
    if (!ar.OpenGroup(kSection))
        return;
    ar.SerializeBool("IsPolled", IsPolled, false);
    ar.SerializeBool("Hex", Hex, false);
    int32_t range = CurParam;
    ar.SerializeInt("CurParam", range, 0);
    ar.CloseGroup();
    if (ar.IsLoading())
        SetRange(range);
}

void CMotorVariablesForm::SetRange(int range)
{
    CurParam = ClampRange(range);
    m_values.assign(static_cast<size_t>(LayoutCount(CurParam)), std::string());
    m_next = 0;
}

void CMotorVariablesForm::SetPolling(bool on)
{
    IsPolled = on;
    m_next = 0;
    if (!on)
        m_link = -1;
}

std::string CMotorVariablesForm::StartPolling()
{
    return StartPagePolling(*this, m_target.motor);
}

bool CMotorVariablesForm::PollStep()
{
    m_lastRead = -1;
    if (!IsPolled || !m_target.motor) {
        m_next = 0;
        return false;
    }
    const int polled = PolledCount(CurParam, m_target.motor->Version);
    if (m_next >= polled)
        m_next = 0;
    const int n = m_next;
    std::string report = "R";
    report += VariableName(CurParam, n);
    const PageQueryResult result = RunPageQuery(m_target, report);
    switch (result.outcome) {
    case PageQuery::Answered:
        m_link = 1;
        m_values[static_cast<size_t>(n)] = Hex ? HexText(ReplyNumber(result.reply)) : result.reply;
        m_lastRead = n;
        m_next = n + 1 < polled ? n + 1 : 0;
        break;
    case PageQuery::Offline: m_link = 0; break;
    case PageQuery::Kept:
    case PageQuery::Gone: break;
    case PageQuery::Stopped: SetPolling(false); break;
    }
    return true;
}

std::string CMotorVariablesForm::Refresh()
{
    const std::string error = StartPolling();
    if (!error.empty())
        return error;
    // One pass over the range at most: a variable that keeps failing ends it.
    for (int step = 0; step < Count(); ++step) {
        if (!m_target.motor || !PollStep() || !IsPolled || m_link != 1 || m_next == 0)
            break;
    }
    if (m_target.motor)
        SetPolling(false);
    return {};
}

} // namespace tools
