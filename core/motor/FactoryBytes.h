#pragma once
// Byte-level helpers of the motor's EEPROM records: big-endian numbers, 8-bit sums, program
// records, packed dates and the firmware-version field of the factory block.

#include "core/shared/SharedFunctions.h"

#include <cstdint>
#include <string>

namespace factory {

// Offsets inside the factory block.
enum : int {
    kMagic = 0, kLength = 2, kFlags = 4, kModelPrefix = 6, kModelNumber = 9, kModelRest = 13,
    kIPSl = 43, kSerial = 44, kEnRes = 48, kVersion = 52, kProdDates = 56, kNoRMA = 74, kRMANo = 75,
    kRMADt = 77, kProgram = 80, kCalProgram = 114, kCalV = 148, kTstRs = 149, kMotorType = 150,
    kHO = 154, kCommOptions = 162, kGains = 178, kGainsCheck = 186,
};
constexpr int kModelRestSize = 18;
constexpr int kNameSize = 24;
constexpr int kMinReadLength = 101;   // a block read from a motor or a file
constexpr int kMaxReadLength = 299;
constexpr int kMinStoreLength = 100;  // a block that single words are still written into
constexpr int kMaxStoreLength = 300;

inline uint16_t GetBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t GetBE32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline void PutBE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void PutBE32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// 8-bit sum of bytes first..last (inclusive).
uint8_t Sum8(const uint8_t* bytes, int first, int last);

// A text of at most size bytes that need not be terminated.
std::string BoundedText(const uint8_t* p, int size);
// A file name the motor keeps: only its file-name part counts ("." and ".." count as none), so a
// name read from a motor never reaches into another folder.
std::string StoredFileName(const uint8_t* p, int size);

// Program record of 34 bytes: file-name part in 24 bytes, year modulo 100, month, day, hour,
// minute, second, and the size.
void PutProgramRecord(uint8_t* p, const std::string& path, const SystemTime& date, uint32_t size);
void GetProgramRecord(const uint8_t* p, std::string& name, SystemTime& date, uint32_t& size);

// Packed date (year << 16) + (month << 8) + day as 3 bytes: year - 2000, month, day.
void PutPackedDate(uint8_t* p, uint32_t packed);
uint32_t GetPackedDate(const uint8_t* p);

// Firmware version text to and from the block's 4-byte version field.
void PutVersion(uint8_t* p, const std::string& version);
std::string GetVersion(const uint8_t* p);

// Model text to and from prefix (3 bytes), number (4 bytes) and rest (18 bytes).
void PutModel(uint8_t* p, const std::string& model);
std::string GetModel(const uint8_t* p);

} // namespace factory

namespace factory {
// The older packed program date: year 2000 + v / 634400, month (v / 48800) mod 13, day
// (v / 1525) mod 32, hour (v / 61) mod 25, minute v mod 61; values below 634400 mean no date.
SystemTime UnpackProgramDate(uint32_t v);
} // namespace factory
