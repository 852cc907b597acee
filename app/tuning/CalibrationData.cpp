#include "app/tuning/CalibrationData.h"

#include "platform/registry/Profile.h"

#include <cctype>
#include <cstdio>
#include <fstream>

namespace tuning {
namespace {

// atoi's reading (blanks, a sign, digits up to the first other character, empty gives 0), without
// its undefined overflow: the digits are taken modulo 2^32, of which the caller keeps 16 bits.
uint16_t FieldValue(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<uint16_t>(negative ? 0u - value : value);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

uint8_t BlockSum(const CalibrationBlock& block)
{
    unsigned sum = 0;
    for (int i = 0; i < kBlockSum; ++i)
        sum += block[static_cast<size_t>(i)];
    return static_cast<uint8_t>(sum);
}

bool IsValidBlock(const CalibrationBlock& block) { return block[kBlockSum] == BlockSum(block); }

void Resum(CalibrationBlock& block) { block[kBlockSum] = BlockSum(block); }

uint16_t BlockWord(const CalibrationBlock& block, int at)
{
    return static_cast<uint16_t>(block[static_cast<size_t>(at)] << 8 | block[static_cast<size_t>(at) + 1]);
}

void SetBlockWord(CalibrationBlock& block, int at, uint16_t value)
{
    block[static_cast<size_t>(at)] = static_cast<uint8_t>(value >> 8);
    block[static_cast<size_t>(at) + 1] = static_cast<uint8_t>(value);
}

void RebuildBlock(CalibrationBlock& block, uint16_t st11User)
{
    SetBlockWord(block, kBlockUser, st11User);
    for (int i = 4; i <= 12; ++i)
        block[static_cast<size_t>(i)] = 0xFF;
}

bool ParseCalibrationSettings(std::string_view entry, uint16_t& KP, uint16_t& KD, uint16_t& KI, uint16_t& KL,
                              uint16_t& st11Default, uint16_t& st11User, uint16_t& st11Max)
{
    size_t comma = entry.find(',');
    if (comma == std::string_view::npos || comma == 0)
        return false;
    uint16_t* fields[6] = {&KP, &KD, &KI, &KL, &st11Default, &st11User};
    for (uint16_t* field : fields) {
        const size_t next = entry.find(',', comma + 1);
        if (next == std::string_view::npos)
            return false;
        *field = FieldValue(entry.substr(comma + 1, next - comma - 1));
        comma = next;
    }
    st11Max = FieldValue(entry.substr(comma + 1));
    return true;
}

bool ParseCalibrationSize(std::string_view entry, CCalibrationSize& size)
{
    size.name = CalibrationSizeName(entry);
    return ParseCalibrationSettings(entry, size.KP, size.KD, size.KI, size.KL, size.ST11Default, size.ST11User,
                                    size.ST11Max) &&
           size.ST11Max != 0;
}

std::string CalibrationSizeName(std::string_view entry)
{
    const size_t comma = entry.find(',');
    return comma == std::string_view::npos ? std::string() : std::string(entry.substr(0, comma));
}

int NumberOfSizes(platform::Profile& profile)
{
    const int n = profile.GetInt(kFactoryCalSection, "NoOfSizes", 0);
    return n > 0 ? n : 0;
}

std::vector<std::string> ReadCalibrationSizes(platform::Profile& profile)
{
    std::vector<std::string> entries;
    const int n = NumberOfSizes(profile);
    for (int i = 0; i < n; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "Size%02d", i);
        std::string entry = profile.GetString(kFactoryCalSection, key, "");
        if (CalibrationSizeName(entry).empty())
            break;
        entries.push_back(std::move(entry));
    }
    return entries;
}

int MatchCalibrationSize(const std::vector<std::string>& entries, std::string_view modelText,
                         std::string_view modelRecordName)
{
    int match = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string name = CalibrationSizeName(entries[i]);
        const bool fits = !modelText.empty()
                              ? modelText.size() >= name.size() && EqualNoCase(modelText.substr(0, name.size()), name)
                              : !modelRecordName.empty() && EqualNoCase(modelRecordName, name);
        if (fits)
            match = static_cast<int>(i);
    }
    return match;
}

CalibrationSizeChoice FindCalibrationSize(platform::Profile& profile, std::string_view modelText,
                                          std::string_view modelRecordName)
{
    CalibrationSizeChoice choice;
    choice.entries = ReadCalibrationSizes(profile);
    for (const std::string& entry : choice.entries)
        choice.names.push_back(CalibrationSizeName(entry));
    choice.match = MatchCalibrationSize(choice.entries, modelText, modelRecordName);
    return choice;
}

std::vector<std::string> ReadShippedCalibrationSizes(const std::string& path)
{
    std::vector<std::string> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        CCalibrationSize size;
        if (ParseCalibrationSize(line, size))
            entries.push_back(line);
    }
    return entries;
}

int InstallCalibrationSizes(platform::Profile& profile, const std::vector<std::string>& entries)
{
    if (!ReadCalibrationSizes(profile).empty() || entries.empty())
        return 0;
    platform::Profile::Batch batch(profile);
    for (size_t i = 0; i < entries.size(); ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "Size%02d", static_cast<int>(i));
        profile.WriteString(kFactoryCalSection, key, entries[i]);
    }
    profile.WriteInt(kFactoryCalSection, "NoOfSizes", static_cast<int32_t>(entries.size()));
    return batch.Commit() ? static_cast<int>(entries.size()) : 0;
}

int PowerPercent(uint16_t value, uint16_t st11Max)
{
    if (st11Max == 0)
        return -1;
    return static_cast<int>(static_cast<uint32_t>(value) * 100u / st11Max);
}

uint16_t PowerValue(int percent, uint16_t st11Max)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(percent < 0 ? 0 : percent) * st11Max / 100u);
}

} // namespace tuning
