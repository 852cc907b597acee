#pragma once
// What a simulated motor is when it leaves the factory: firmware, identity, channel settings and
// the contents of its data EEPROM.

#include "tests/sim/motor/SimTypes.h"

#include <array>
#include <cstdint>
#include <string>

namespace vqxsim {

// EEPROM addresses the host reads and writes (decimal, as the host uses them).
namespace eeaddr {
constexpr int kSize = 32768;
constexpr int kSerial = 32256;
constexpr int kAddress = 32262;
constexpr int kFactory = 32468;
constexpr int kProgramRecord = 32548;
constexpr int kCalibrationRecord = 32582;
constexpr int kGains = 32646;
constexpr int kGainSum = 32654;
constexpr int kOldMarker = 32764;
constexpr int kOldLength = 32767;
} // namespace eeaddr

enum class FactoryLayout {
    Block,        // the 200-byte block with magic 0xADB4 and its sum byte
    LengthByte,   // older: a length byte, zero-terminated texts, a sum byte
    OldestRecord, // oldest: a record ending at the top of the EEPROM, marker word and length byte
    None,         // nothing written: the EEPROM is as it came (0xFF)
};

struct MotorProfile {
    std::string firmware = "450";   // "410", "450", "461", "461h", "462", "462ah", "463", "5xx"
    int sampleFigure = 24576;       // sample period in units of 10 ns, reported by RSP
    bool pProtocol = false;         // reports are asked with "P" instead of "R"
    uint32_t serial = (uint32_t('A') << 24) | 1000;
    int address = 0;                // power-up address kept in EEPROM byte 32262; 0 = unaddressed
    bool hasEeprom = true;          // false: RCKS answers " P" and writes do not stick
    bool blankEeprom = false;       // every EEPROM byte 0xFF, as a new motor
    FactoryLayout layout = FactoryLayout::Block;
    std::string model = "TX23-61";
    uint32_t modelIndex = 0;        // the factory block's model index (0: none recorded)
    uint32_t encoderResolution = 4000;
    std::array<uint16_t, 4> gains{120, 800, 4, 1000}; // KP, KD, KI, KL kept by 462 motors
    LineSettings channel[2];        // power-up speed and parity of channels 0 and 1
    bool echo[2] = {false, false};  // power-up echo of channels 0 and 1
    std::string program;            // compiled image stored at creation; empty: the END program
    std::string calibrationProgram; // compiled calibration image; empty: none
    int supplyMeasure = 240;        // UJA

    bool IsVersion5() const { return !firmware.empty() && firmware[0] == '5'; }
    bool IsVersion462() const { return firmware.rfind("462", 0) == 0; }
};

// Fills a 32 KiB EEPROM image from the profile: serial number, address byte, factory data in the
// chosen layout and, on 462 motors, the calibration gains with their check word.
Bytes BuildEepromImage(const MotorProfile& profile);

// The 200-byte factory block alone (offsets from 32468), for tests that compare or corrupt it.
Bytes BuildFactoryBlock(const MotorProfile& profile);

// The compiled END program every motor can be given: "END" and a line feed, checksum 225.
std::string EndProgramImage(const std::string& headerVersion = "400");

} // namespace vqxsim
