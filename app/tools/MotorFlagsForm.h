#pragma once
// The Flags page of a motor view without widgets: the flag table of the motor's family (the bits
// of the status word W, then the flags W does not carry), the decoding of a W value into the
// Status column, and the poll cycle ("RW", then "R" and each flag not in W when asked to).

#include "app/tools/MotorFamily.h"
#include "app/tools/MotorPageQuery.h"

#include <array>
#include <string>
#include <vector>

class CTagArchive;

namespace tools {

namespace flags {
inline constexpr int kPoll = 1168, kStop = 1169, kRefresh = 1351, kIndicator = 1355, kWValue = 1000;
inline constexpr int kIncludeNotInW = 1371, kList = 1003;
inline constexpr const char* kSection = "PgW";
inline constexpr const char* kAsserted = "Asserted";
inline constexpr const char* kInWTitle = "Bits in the Status Word (W):";
inline constexpr const char* kNotInWTitle = "Bits not in the Status Word (W):";
} // namespace flags

struct FlagRow {
    std::string name, flag, bit, toClear, related, wValue;
};

// The table of a family: its rows and how many of them are bits of W.
struct FlagTable {
    std::vector<FlagRow> rows;
    int wRows = 16;
};
FlagTable BuildFlagTable(const FamilyTraits& family);

// One row of the list as shown (titles, W rows with seven columns, not-in-W rows with six).
struct FlagListRow {
    std::array<std::string, 7> columns;
    int tableRow = -1; // -1 for a title or the empty row
};

class CMotorFlagsForm {
public:
    explicit CMotorFlagsForm(MotorViewLink& link);

    bool IsPolled = false;
    bool IncludeNotInW = false;
    void SerializeState(CTagArchive& ar);

    // Takes the table of the motor's family (older motors' without a motor).
    void BuildTable();
    const FlagTable& Table() const { return m_table; }
    // The list rows as shown now, with the Status column filled.
    std::vector<FlagListRow> ListRows() const;

    int32_t W() const { return m_w; }
    int32_t NotInW() const { return m_notInW; }
    bool WKnown() const { return m_wKnown; }
    // The W field's text ("N/A" for an unknown W).
    std::string WText() const;
    // The W field typed while not polling: shows what that value asserts. False when the text is
    // no number (nothing changes).
    bool TypeW(const std::string& text);
    // A double click on the Status cell of list row r (1..W rows) while not polling: that bit of
    // W is inverted.
    bool ToggleListRow(int listRow);

    bool Polling() const { return IsPolled; }
    int NextFlag() const { return m_next; }
    int Link() const { return m_link; }
    std::string StartPolling();
    void SetPolling(bool on);
    bool PollStep();
    // One cycle (RW and, when included, each flag not in W); ends at the first failure.
    std::string Refresh();
    // The query of cycle state k.
    std::string CommandOf(int k) const;

private:
    void ShowValues(int32_t w, int32_t notInW, bool known);

    MotorViewLink& m_target;
    FlagTable m_table;
    int32_t m_w = 0;
    int32_t m_notInW = 0;
    bool m_wKnown = true;
    int m_next = 0;
    int m_link = -1;
};

} // namespace tools
