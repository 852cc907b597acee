// A motor's position, velocity and acceleration counts in the user's units.

#include "core/motor/Motor.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr double kVelocityScale = 65536.0; // velocities and accelerations carry 16 fraction bits

std::string Plain(int32_t value) { return std::to_string(value); }

// "%0.3f" and the unit texts, each after a blank or a slash as given.
std::string Fixed3(double value, std::initializer_list<const std::string*> parts, const char* tail = "")
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%0.3f", value);
    std::string text = buffer;
    const char* separator = " ";
    for (const std::string* part : parts) {
        text += separator;
        text += *part;
        separator = "/";
    }
    text += tail;
    return text;
}

// Per second, per minute or per hour, by the first letter of the time unit.
double TimeFactor(const std::string& unit, double perMinute, double perHour)
{
    const char c = unit.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(unit[0])));
    return c == 'm' ? perMinute : c == 'h' ? perHour : 1.0;
}

bool IsPlainInteger(const std::string& text)
{
    if (text.empty() || text == "-")
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-')
            return false;
    return text.find('-', 1) == std::string::npos;
}

} // namespace

// An encoder resolution of 0 (a motor whose factory data was never read) has no user unit: the
// plain count is shown rather than a division by zero. Doubles throughout: EnRes x 65536 does not
// fit in 32 bits.
std::string CMotor::FormatPosition(int32_t value) const
{
    if (!UseConversionFactor || ConversionFactor == 0 || EnRes == 0)
        return Plain(value);
    return Fixed3(value * ConversionFactor / EnRes, {&Unit});
}

std::string CMotor::FormatVelocity(int32_t value) const
{
    if (!UseConversionFactor || ConversionFactor == 0 || EnRes == 0 || SamplePeriod == 0 || TimeUnit.empty())
        return Plain(value);
    const double v = value * ConversionFactor * 1000.0 / (SamplePeriod * (EnRes * kVelocityScale));
    return Fixed3(v * TimeFactor(TimeUnit, 60.0, 3600.0), {&Unit, &TimeUnit});
}

std::string CMotor::FormatAcceleration(int32_t value) const
{
    if (!UseConversionFactor || ConversionFactor == 0 || EnRes == 0 || SamplePeriod == 0 || TimeUnit.empty())
        return Plain(value);
    const double a = value * ConversionFactor * 1000000.0 / (SamplePeriod * (EnRes * kVelocityScale) * SamplePeriod);
    return Fixed3(a * TimeFactor(TimeUnit, 3600.0, 12960000.0), {&Unit, &TimeUnit}, "^2");
}

bool CMotor::FormatScaledValue(const std::string& item, std::string& text) const
{
    // The report command, without an address in front of it.
    size_t at = 0;
    while (at < item.size() && std::isdigit(static_cast<unsigned char>(item[at])))
        ++at;
    const std::string command = item.substr(at);
    if (!IsPlainInteger(text))
        return false;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    const int32_t value = static_cast<int32_t>(parsed);
    if (command == "RP" || command == "RPE" || command == "RI")
        text = FormatPosition(value);
    else if (command == "RV")
        text = FormatVelocity(value);
    else if (command == "RA")
        text = FormatAcceleration(value);
    else
        return false;
    return true;
}
