#pragma once
// What the two calibration tools share: the 16-byte calibration block of a Quintaloc's data EEPROM,
// the calibration flag byte, the factory gain words, the "FactoryCal" size entries of the profile
// with their parser and the choice of a motor's size, and the percent conversions of the
// calibration power. No widgets, no motor traffic: the tools read and write the bytes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Profile;
}

namespace tuning {

// ---- data EEPROM places ----
inline constexpr int kCalibrationBlockAddress = 32240;
inline constexpr int kCalibrationBlockSize = 16;
inline constexpr int kCalibrationFlagAddress = 32263;
inline constexpr int kFactoryGainAddress[4] = {32646, 32648, 32650, 32652}; // KP, KD, KI, KL
inline constexpr int kFactoryGainSumAddress = 32654;
// A value not known yet, or read from a corrupted place.
inline constexpr uint16_t kUnknownValue = 0xFFFF;
// The largest calibration value a motor keeps.
inline constexpr int kMaxCalibrationValue = 160;

using CalibrationBlock = std::array<uint8_t, kCalibrationBlockSize>;

// Byte places inside the block.
enum : int { kBlockPower = 0, kBlockUser = 2, kBlockRun = 13, kBlockValue = 14, kBlockSum = 15 };

uint8_t BlockSum(const CalibrationBlock& block); // bytes 0..14, modulo 256
bool IsValidBlock(const CalibrationBlock& block);
// Writes the sum into byte 15.
void Resum(CalibrationBlock& block);
uint16_t BlockWord(const CalibrationBlock& block, int at); // big-endian
void SetBlockWord(CalibrationBlock& block, int at, uint16_t value);
// Building a block anew: bytes 2-3 the size's ST11 user value, bytes 4..12 0xFF; the power, the
// run byte and the calibration value are the caller's, the sum is left to Resum.
void RebuildBlock(CalibrationBlock& block, uint16_t st11User);

// ---- "FactoryCal" ----
inline constexpr const char* kFactoryCalSection = "FactoryCal";

// One parsed "Size%02d" entry; every value unknown until parsed.
struct CCalibrationSize {
    std::string name;
    uint16_t KP = kUnknownValue, KD = kUnknownValue, KI = kUnknownValue, KL = kUnknownValue;
    uint16_t ST11Default = kUnknownValue, ST11User = kUnknownValue, ST11Max = kUnknownValue;
};

// "name,KP,KD,KI,KL,ST11 default,ST11 user,ST11 max": the seven numbers as atoi reads them, kept to
// their low 16 bits. False for a name of no character or a missing comma; the fields before the
// failing comma hold their new values.
bool ParseCalibrationSettings(std::string_view entry, uint16_t& KP, uint16_t& KD, uint16_t& KI, uint16_t& KL,
                              uint16_t& st11Default, uint16_t& st11User, uint16_t& st11Max);
// The same into a size record (the name too). Also false for an entry whose ST11 max is 0: no
// power can be shown in percent of it, so the tools refuse it.
bool ParseCalibrationSize(std::string_view entry, CCalibrationSize& size);
// The text before the first comma; empty when the entry has no name.
std::string CalibrationSizeName(std::string_view entry);

// "NoOfSizes" (0 when missing or below 0).
int NumberOfSizes(platform::Profile& profile);
// "Size00", "Size01", ... up to NoOfSizes, stopping at the first entry that is empty or has no name.
std::vector<std::string> ReadCalibrationSizes(platform::Profile& profile);
// The entry that fits a motor, or -1: with a model text, the last entry whose name begins the text
// (case ignored); without one, the last entry whose name equals the name of the motor's model
// record (none: nothing matches).
int MatchCalibrationSize(const std::vector<std::string>& entries, std::string_view modelText,
                         std::string_view modelRecordName);

// What a tool offers for a motor: every entry read, their names for the size box, and the entry
// that fits the motor (-1: none, the user chooses; the box then starts at entry 0).
struct CalibrationSizeChoice {
    std::vector<std::string> entries;
    std::vector<std::string> names;
    int match = -1;
};
CalibrationSizeChoice FindCalibrationSize(platform::Profile& profile, std::string_view modelText,
                                          std::string_view modelRecordName);

// The size entries the suite ships ("FactoryCal.txt" in the program folder: one entry a line,
// '#' comments), written into the profile when it holds none. Returns the number of entries
// written (0: the profile had its own, or the file is missing or holds no valid entry).
std::vector<std::string> ReadShippedCalibrationSizes(const std::string& path);
int InstallCalibrationSizes(platform::Profile& profile, const std::vector<std::string>& entries);

// ---- the calibration power in percent of ST11 max (integer arithmetic, truncating) ----
// -1 when max is 0 (nothing can be shown).
int PowerPercent(uint16_t value, uint16_t st11Max);
uint16_t PowerValue(int percent, uint16_t st11Max);
// The power a user may type: 0..100.
inline bool IsPowerPercent(long long percent) { return percent >= 0 && percent <= 100; }

} // namespace tuning
