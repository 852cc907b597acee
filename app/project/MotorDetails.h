#pragma once
// "Motor detail information": the identity, programs, links and options of one motor as text
// lines (the name first, shown bold blue), and the hardware-option boxes. Widget-free.

#include <array>
#include <string>

class CMotor;

struct MotorDetails {
    static constexpr int kText = 1454;
    static constexpr int kFirstOption = 5100;
    static constexpr int kOptions = 14;
    static constexpr const char* kTitle = "Motor detail information";
    static constexpr const char* kNoEeprom = "This motor does not have a Data EEPROM.";
    static const std::array<const char*, kOptions>& OptionTexts();

    std::string name;  // shown bold blue; empty for a motor without factory data
    std::string lines; // tab-separated "label:\tvalue\n" lines, or kNoEeprom
    std::array<bool, kOptions> options{};
};

MotorDetails DescribeMotor(const CMotor& motor);
