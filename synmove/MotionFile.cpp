#include "synmove/MotionFile.h"

#include "samples/common/Numbers.h"

#include <cstdio>
#include <limits>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace synmove {
namespace {

std::string Format(const char* format, long long a, long long b = 0)
{
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

[[noreturn]] void Fail(const char* format, long long line)
{
    throw CSynmoveException(Format(format, line));
}

// Reads a file line by line without holding more than one line: a line longer than the limit is
// reported as such (its length) and its bytes beyond the limit are skipped, so that a hostile file
// (binary, no line breaks, one huge line) costs no memory.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : m_file(file) {}

    // False at the end of the file. `line` holds at most kMaxLineLength + 2 bytes (with its break);
    // `length` is the full length of the line read.
    bool Next(std::string& line, size_t& length)
    {
        line.clear();
        length = 0;
        bool any = false;
        for (;;) {
            if (m_pos == m_end && !Fill())
                return any;
            any = true;
            const char c = m_buffer[m_pos++];
            if (c == '\n')
                return true;
            ++length;
            if (line.size() <= kMaxLineLength + 1)
                line += c;
        }
    }

    bool Failed() const { return std::ferror(m_file) != 0; }

private:
    bool Fill()
    {
        m_pos = 0;
        m_end = std::fread(m_buffer, 1, sizeof m_buffer, m_file);
        return m_end > 0;
    }

    std::FILE* m_file;
    char m_buffer[1 << 16];
    size_t m_pos = 0;
    size_t m_end = 0;
};

// A field: empty (or blanks only) is "no value"; otherwise a whole number within 32 bits.
enum class Field { Empty, Number, Invalid };
Field ParseField(std::string_view text, int32_t& value)
{
    if (text.find_first_not_of(' ') == std::string_view::npos)
        return Field::Empty;
    const auto number = vqxclient::ParseInt32(text);
    if (!number)
        return Field::Invalid;
    value = *number;
    return Field::Number;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

void ReadMotionFile(const std::string& path, MotionTable& table)
{
    table.Clear();
    struct stat info {};
    // Only a plain file: a folder, a pipe or a device would block or never end.
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw CSynmoveException("Cannot open the file!");
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw CSynmoveException("Cannot open the file!");

    LineReader reader(file.get());
    std::string line;
    size_t length = 0;
    int64_t lineNumber = 0;
    std::vector<std::string_view> fields;
    std::vector<int32_t> row;
    while (reader.Next(line, length)) {
        if (++lineNumber > std::numeric_limits<int32_t>::max())
            throw CSynmoveException("The file has too many lines!");
        // Comments may be of any length; they are skipped whole.
        if (!line.empty() && line[0] == '*')
            continue;
        // A CR LF file keeps its CR on this side: it is part of the line break.
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
            --length;
        }
        if (length > kMaxLineLength)
            Fail("Line %lld is too long!", lineNumber);
        if (table.records.size() >= kMaxRecords)
            throw CSynmoveException(Format("The file has more than %lld records!", (long long)kMaxRecords));

        fields.clear();
        std::string_view rest(line);
        for (size_t tab; (tab = rest.find('\t')) != std::string_view::npos; rest.remove_prefix(tab + 1))
            fields.push_back(rest.substr(0, tab));
        fields.push_back(rest);

        if (table.records.empty() && table.columns == 0) {
            table.columns = int32_t(fields.size()) - 1;
            if (table.columns == 0)
                Fail("Too few fields in line %lld!", lineNumber);
        }
        const size_t columns = size_t(table.columns);
        // Positions only (the time is then extrapolated), or positions and the time.
        if (fields.size() > columns + 1)
            Fail("Too many fields in line %lld!", lineNumber);
        if (fields.size() < columns)
            Fail("Too few fields in line %lld!", lineNumber);

        const size_t n = table.records.size();
        row.clear();
        for (size_t c = 0; c < columns; ++c) {
            int32_t value = 0;
            switch (ParseField(fields[c], value)) {
            case Field::Empty:
                value = n > 0 ? table.Position(n - 1, int(c)) : 0;
                break;
            case Field::Invalid:
                Fail("Invalid number in line %lld!", lineNumber);
            case Field::Number:
                break;
            }
            row.push_back(value);
        }
        MotionRecord record;
        record.line = int32_t(lineNumber);
        Field time = fields.size() == columns + 1 ? ParseField(fields[columns], record.time) : Field::Empty;
        if (time == Field::Invalid)
            Fail("Invalid number in line %lld!", lineNumber);
        if (time == Field::Empty) {
            // The time step of the two records before goes on.
            if (n < 2)
                Fail("Too few records in line %lld!", lineNumber);
            const int64_t t = 2 * int64_t(table.records[n - 1].time) - int64_t(table.records[n - 2].time);
            if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max())
                Fail("Invalid time delta in line %lld!", lineNumber);
            record.time = int32_t(t);
        }
        table.records.push_back(record);
        table.positions.insert(table.positions.end(), row.begin(), row.end());
    }
    if (reader.Failed())
        throw CSynmoveException("Cannot open the file!");
}

void ValidateMotion(const MotorMap& map, const MotionTable& table)
{
    for (size_t j = 0; j < map.size(); ++j) {
        if (map[j] > 6 || map[j] < 1)
            throw CSynmoveException(Format("Invalid motor address!(%lld)", map[j]));
        for (size_t k = 0; k < j; ++k)
            if (map[k] == map[j])
                throw CSynmoveException(Format("Duplicate motor address!(%lld and %lld)", (long long)k + 1, (long long)j + 1));
    }
    // One record gives the run nothing to stream and its progress nothing to divide by.
    if (table.Count() < 2)
        throw CSynmoveException("The file has fewer than two records!");
    for (size_t r = 0; r + 1 < table.Count(); ++r) {
        const int line = table.records[r].line;
        for (int c = 0; c < table.columns; ++c) {
            const int64_t delta = int64_t(table.Position(r, c)) - int64_t(table.Position(r + 1, c));
            if (delta > 8388608 || delta < -8388608)
                Fail("Invalid position delta in line %lld!", line);
        }
        const int64_t step = int64_t(table.records[r + 1].time) - int64_t(table.records[r].time);
        if (step < 32 || step > 32768 || (step & (step - 1)) != 0)
            Fail("Invalid time delta in line %lld!", line);
    }
    // The run closes the motion with slots up to 4096 clock units after the last record.
    const MotionRecord& last = table.records.back();
    if (int64_t(last.time) + 4096 > std::numeric_limits<int32_t>::max())
        Fail("Invalid time delta in line %lld!", last.line);
}

} // namespace synmove
