#pragma once
// The User Variables page of a motor view without widgets: the eight ranges of user variables,
// where each variable sits in the two-pair list, its query, and the poll cycle over the range.

#include "app/tools/MotorPageQuery.h"

#include <string>
#include <vector>

class CTagArchive;

namespace tools {

namespace variables {
inline constexpr int kPoll = 1168, kStop = 1169, kRefresh = 1351, kIndicator = 1355, kMemMap = 1365;
inline constexpr int kHex = 1067, kRangeLabel = 1364, kRangeList = 1363, kList = 1003;
inline constexpr int kRanges = 8;
inline constexpr const char* kSection = "PgVar";
inline constexpr const char* kRangeTexts[kRanges] = {"a-z", "a-zzz", "aa-zz", "aa-zzz", "aaa-zzz", "al", "aw", "ab"};
} // namespace variables

// Where variable n of a range of `count` names is shown: rows = count / 2 rounded up.
struct VariableCell {
    int row = 0;
    int nameColumn = 0;
    int valueColumn = 1;
};
VariableCell CellOf(int n, int layoutCount);
// The name of variable n of range `range` ("a", "nn", "al[3]").
std::string VariableName(int range, int n);
// How many names range `range` lists, and how many of them the motor is asked for (fewer "aw"
// and "ab" entries on firmware below 467).
int LayoutCount(int range);
int PolledCount(int range, const std::string& firmware);

class CMotorVariablesForm {
public:
    explicit CMotorVariablesForm(MotorViewLink& link);

    bool IsPolled = false;
    bool Hex = false;
    int CurParam = 0;
    void SerializeState(CTagArchive& ar);

    // A new range: the names are listed afresh with empty values.
    void SetRange(int range);
    int Rows() const { return (LayoutCount(CurParam) + 1) / 2; }
    int Count() const { return LayoutCount(CurParam); }
    const std::string& Value(int n) const { return m_values[static_cast<size_t>(n)]; }

    bool Polling() const { return IsPolled; }
    int NextVariable() const { return m_next; }
    int Link() const { return m_link; }
    std::string StartPolling();
    void SetPolling(bool on);
    // One variable per step; the variable read is `LastRead()` (-1 none).
    bool PollStep();
    int LastRead() const { return m_lastRead; }
    // Reads the range once; ends at the first failure.
    std::string Refresh();

private:
    MotorViewLink& m_target;
    std::vector<std::string> m_values;
    int m_next = 0;
    int m_link = -1;
    int m_lastRead = -1;
};

} // namespace tools
