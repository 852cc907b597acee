#pragma once
// Coordinated-motion files (".syn"): TAB-separated text, one data line per time step with the
// target position of each column and the absolute time in motor clock units. Lines beginning
// with '*' are comments. ReadMotionFile turns a file into a MotionTable; ValidateMotion refuses
// tables the motors cannot follow and motor maps that are not an arrangement of 1..6.
//
// Both throw CSynmoveException with the text the user sees and, where a line is at fault, its
// 1-based number in the file (comment lines counted).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace synmove {

// Synmove's one error type. An empty text aborts silently (the user said No, or pressed Stop).
class CSynmoveException {
public:
    CSynmoveException() = default;
    explicit CSynmoveException(std::string text) : m_text(std::move(text)) {}
    const std::string& Text() const { return m_text; }
    bool Silent() const { return m_text.empty(); }

private:
    std::string m_text;
};

// One data line: its absolute time and the file line it came from. Its positions are kept in the
// table, Columns() of them per record.
struct MotionRecord {
    int32_t time = 0;
    int32_t line = 0;
};

struct MotionTable {
    int32_t columns = 0;               // position columns: the TABs of the first data line
    std::vector<MotionRecord> records; // in file order
    std::vector<int32_t> positions;    // records.size() x columns, row by row

    size_t Count() const { return records.size(); }
    // column is 0-based.
    int32_t Position(size_t record, int column) const { return positions[record * size_t(columns) + size_t(column)]; }
    void Clear()
    {
        columns = 0;
        records.clear();
        positions.clear();
    }
};

// The longest line a motion file may have (without its line break), and the most records.
inline constexpr size_t kMaxLineLength = 255;
inline constexpr size_t kMaxRecords = 1u << 20;

// Reads the file into `table` (cleared first). On failure the table holds what was read so far.
void ReadMotionFile(const std::string& path, MotionTable& table);

// Motor address of file column 1..6, as typed in the "Column 1".."Column 6" fields.
using MotorMap = std::array<int32_t, 6>;

// Checks the map, then the table: at least two records, position steps of at most 2^23 and time
// steps that are powers of two from 32 to 32768.
void ValidateMotion(const MotorMap& map, const MotionTable& table);

} // namespace synmove
