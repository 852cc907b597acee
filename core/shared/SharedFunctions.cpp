#include "core/shared/SharedFunctions.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string::size_type LastSeparator(std::string_view path)
{
    for (auto i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string::npos;
}

bool IsPrintable(unsigned c) { return c >= 0x20 && c <= 0x7E; }

char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// The "C" locale: dialog number texts always use a decimal point, whatever locale the GUI toolkit
// switched the process to, so that what is shown reads back as the same number.
locale_t CLocale()
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return cLocale;
}

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

} // namespace

// ---- Text lines ------------------------------------------------------------------------------

std::string GetTextLine(std::string_view text, int n)
{
    if (n < 0)
        return {};
    std::string_view::size_type start = 0;
    for (int i = 0; i < n; ++i) {
        const auto nl = text.find('\n', start);
        if (nl == std::string_view::npos)
            return {};
        start = nl + 1;
    }
    const auto end = text.find('\n', start);
    return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

void GetTextLine(std::string& text, int n) { text = GetTextLine(std::string_view(text), n); }

std::string HelpTopicOf(std::string_view resourceText) { return GetTextLine(resourceText, 2); }

std::string HelpTopicPath(std::string_view helpFile, std::string_view topic)
{
    std::string result(helpFile);
    if (!topic.starts_with("::/"))
        result += "::/";
    result += topic;
    return result;
}

// ---- Paths -----------------------------------------------------------------------------------

std::string GetFileNamePart(std::string_view path)
{
    const auto pos = LastSeparator(path);
    return std::string(pos == std::string::npos ? path : path.substr(pos + 1));
}

std::string GetFolderPart(std::string_view path)
{
    const auto pos = LastSeparator(path);
    if (pos == std::string::npos || pos == 0)
        return std::string(path);
    return std::string(path.substr(0, pos));
}

std::string GetCompiledFileName(std::string_view sourcePath)
{
    bool calibration = false;
    if (sourcePath.size() >= 4) {
        const auto tail = sourcePath.substr(sourcePath.size() - 4);
        calibration = tail[0] == '.' && ToLower(tail[1]) == 't' && ToLower(tail[2]) == 'q' &&
                      ToLower(tail[3]) == 'c';
    }
    std::string result(sourcePath);
    const std::string name = GetFileNamePart(sourcePath);
    if (name.size() > 1 && name.find('.', 1) != std::string::npos)
        result.erase(result.rfind('.'));
    result += calibration ? ".scx" : ".tqx";
    return result;
}

std::string CombinePath(std::string_view relative, std::string_view base)
{
    const bool backslashes =
        base.find('\\') != std::string_view::npos && base.find('/') == std::string_view::npos;
    const char sep = backslashes ? '\\' : '/';
    std::string folder(base);
    while (relative.size() >= 3 && relative[0] == '.' && relative[1] == '.' && IsSeparator(relative[2])) {
        relative.remove_prefix(3);
        folder = GetFolderPart(folder);
    }
    std::string rest(relative);
    for (char& c : rest) {
        if (IsSeparator(c))
            c = sep;
    }
    return folder + sep + rest;
}

// ---- Dates and times -------------------------------------------------------------------------

std::string FormatSystemTime(const SystemTime& utc)
{
    const int year = utc.wYear, month = utc.wMonth, day = utc.wDay;
    // The platform's conversion fails on fields out of range; the year range is the platform's.
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        utc.wHour > 23 || utc.wMinute > 59 || utc.wSecond > 59 || utc.wMilliseconds > 999)
        return "N/A";
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = utc.wHour;
    tm.tm_min = utc.wMinute;
    tm.tm_sec = utc.wSecond;
    const time_t t = timegm(&tm);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return "N/A";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}

std::string FormatPackedDate(uint32_t packed)
{
    if ((packed & 0xFFFFu) == 0)
        return "N/A";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", static_cast<int>((packed >> 8) & 0xFFu),
                  static_cast<int>(packed & 0xFFu), static_cast<int>(packed >> 16));
    return buf;
}

// ---- Serial numbers --------------------------------------------------------------------------

std::string FormatSerialNumber(uint32_t serial)
{
    const unsigned letter = serial >> 24;
    if (serial == 0 || serial == kNoSerialNumber || !IsPrintable(letter))
        return "N/A";
    return static_cast<char>(letter) + std::to_string(serial & 0xFFFFFFu);
}

uint32_t ParseSerialNumber(std::string_view text)
{
    if (text.size() < 2 || text == "N/A")
        return kNoSerialNumber;
    const auto letter = static_cast<unsigned char>(text[0]);
    if (!IsPrintable(letter))
        return kNoSerialNumber;
    uint32_t number = 0;
    for (char c : text.substr(1)) {
        if (c < '0' || c > '9')
            return kNoSerialNumber;
        number = number * 10 + static_cast<uint32_t>(c - '0');
        if (number > 0xFFFFFFu)
            return kNoSerialNumber;
    }
    if (number == 0)
        return kNoSerialNumber;
    return (static_cast<uint32_t>(letter) << 24) + number;
}

// ---- Status bits -----------------------------------------------------------------------------

std::string GetStatusBitText(int bit, bool isVersion5, bool isVersion46Plus)
{
    auto pick = [isVersion5](const char* first, const char* second) { return isVersion5 ? first : second; };
    switch (bit) {
    case 0: return "Trajectory In Progress";
    case 1: return "Right (+ or Positive) Limit Occurred";
    case 2: return "Left (- or Negative) Limit Occurred";
    case 3: return "Index Report Available";
    case 4: return "Wraparound Occurred";
    case 5:
        return (isVersion5 || isVersion46Plus) ? "Excessive Position Error Occurred" : "Excessive Position Error";
    case 6: return "Excessive Temperature Occurred";
    case 7: return "Motor Is Off";
    case 8: return pick("Input 0 Asserted", "Hardware Index Input Asserted");
    case 9: return "Right Limit (+ or Positive) Asserted";
    case 10: return "Left Limit (- or Negative) Asserted";
    case 11: return pick("Physical Brake Engaged", "User Math Overflow Occurred");
    case 12: return pick("Torque Brake Engaged", "User Array Index Range Error Occurred");
    case 13: return "Syntax Error Occurred";
    case 14: return pick("At Slew Velocity", "Over Current State Occurred");
    case 15: return pick("Drive Enable Input 7 Asserted", "User Program Checksum Error");
    case 16: return pick("Drive Fault Occurred", "Calibration Fault Occurred");
    case 17: return "Position<Negative Soft Limit";
    case 18: return "Position>Positive Soft Limit";
    case 19: return "Position<Negative Soft Limit Occurred";
    case 20: return "Position>Positive Soft Limit Occurred";
    case 21: return "Position<Negative Soft Domain Occurred";
    case 22: return "Position>Positive Soft Domain Occurred";
    default: return {};
    }
}

// ---- Numbers in dialogs ----------------------------------------------------------------------

std::string FormatDouble(double value, int decimals, bool trim)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > 20)
        decimals = 20;
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", decimals);
    const locale_t previous = uselocale(CLocale());
    const int needed = std::snprintf(nullptr, 0, format, value);
    std::string text(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, value);
    uselocale(previous);
    if (trim && decimals > 0 && text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    return text;
}

bool DlgTextDiffers(std::string_view current, std::string_view wanted)
{
    return current.substr(0, 48) != wanted.substr(0, 48);
}

double ParseDouble(std::string_view text)
{
    // atof semantics in the "C" locale, so that a decimal comma locale cannot change the result.
    const std::string copy(text);
    return strtod_l(copy.c_str(), nullptr, CLocale());
}

// ---- System error text -----------------------------------------------------------------------

std::string GetErrorText(int errorNumber)
{
    char buf[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorNumber, buf, sizeof buf);
    return text ? text : "";
}

std::string GetLastErrorText() { return GetErrorText(errno); }

// ---- Dotted quad -----------------------------------------------------------------------------

bool ParseIPAddress(std::string_view text, std::array<uint8_t, 4>* out)
{
    if (text.empty())
        return false;
    std::array<uint8_t, 4> numbers{};
    int dots = 0;
    int value = 0;
    int digits = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (value <= 255)
                value = value * 10 + (c - '0');
            ++digits;
            continue;
        }
        if (c != '.' || digits == 0 || value > 255 || dots >= 3)
            return false;
        numbers[static_cast<size_t>(dots)] = static_cast<uint8_t>(value);
        ++dots;
        value = 0;
        digits = 0;
    }
    if (dots != 3 || digits == 0 || value > 255)
        return false;
    numbers[3] = static_cast<uint8_t>(value);
    if (out)
        *out = numbers;
    return true;
}
