#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace factory {

namespace {
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
}

uint8_t Sum8(const uint8_t* bytes, int first, int last)
{
    unsigned sum = 0;
    for (int i = first; i <= last; ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(sum);
}

std::string BoundedText(const uint8_t* p, int size)
{
    int n = 0;
    while (n < size && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
}

std::string StoredFileName(const uint8_t* p, int size)
{
    std::string name = GetFileNamePart(BoundedText(p, size));
    return name == "." || name == ".." ? std::string() : name;
}

void PutProgramRecord(uint8_t* p, const std::string& path, const SystemTime& date, uint32_t size)
{
    std::memset(p, 0, FACTORY_PROGRAM_RECORD);
    const std::string name = GetFileNamePart(path).substr(0, kNameSize - 1);
    std::memcpy(p, name.data(), name.size());
    if (date.wMonth != 0) {
        p[24] = static_cast<uint8_t>(date.wYear % 100);
        p[25] = static_cast<uint8_t>(date.wMonth);
        p[26] = static_cast<uint8_t>(date.wDay);
        p[27] = static_cast<uint8_t>(date.wHour);
        p[28] = static_cast<uint8_t>(date.wMinute);
        p[29] = static_cast<uint8_t>(date.wSecond);
    }
    PutBE32(p + 30, size);
}

void GetProgramRecord(const uint8_t* p, std::string& name, SystemTime& date, uint32_t& size)
{
    name = StoredFileName(p, kNameSize);
    date = SystemTime{};
    if (p[25] != 0) {
        date.wYear = static_cast<uint16_t>(2000 + p[24]);
        date.wMonth = p[25];
        date.wDay = p[26];
        date.wHour = p[27];
        date.wMinute = p[28];
        date.wSecond = p[29];
    }
    size = GetBE32(p + 30);
}

void PutPackedDate(uint8_t* p, uint32_t packed)
{
    const uint32_t year = packed >> 16;
    p[0] = static_cast<uint8_t>(year >= 2000 ? year - 2000 : 0);
    p[1] = static_cast<uint8_t>(packed >> 8);
    p[2] = static_cast<uint8_t>(packed);
    if (p[1] == 0 && p[2] == 0)
        p[0] = 0;
}

uint32_t GetPackedDate(const uint8_t* p)
{
    if (p[1] == 0 && p[2] == 0)
        return 0;
    return ((2000u + p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}

void PutVersion(uint8_t* p, const std::string& v)
{
    std::memset(p, 0, 4);
    if (v.rfind("4621", 0) == 0) {
        p[0] = 4;
        p[1] = '>';  // 62: printed as a number it restores the "62"
        p[2] = '1';
        p[3] = v.size() > 4 ? static_cast<uint8_t>(v[4]) : 0;
        return;
    }
    size_t digits = 0;
    while (digits < v.size() && IsDigit(v[digits]))
        ++digits;
    const std::string run = v.substr(0, digits);
    if (run.size() > 2)
        p[0] = static_cast<uint8_t>(std::stoul(run.substr(0, std::min<size_t>(run.size() - 2, 9))));
    if (!run.empty())
        p[1] = static_cast<uint8_t>(std::stoul(run.size() > 2 ? run.substr(run.size() - 2) : run));
    for (size_t i = 0; i < 2 && digits + i < v.size(); ++i)
        p[2 + i] = static_cast<uint8_t>(v[digits + i]);
}

std::string GetVersion(const uint8_t* p)
{
    if (p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0)
        return {};
    // The second number stands for the last two digits: keep its leading zero ("400", not "40").
    std::string v = std::to_string(p[1]);
    if (p[0] != 0)
        v = std::to_string(p[0]) + (p[1] < 10 ? "0" : "") + v;
    if (p[2] != 0) {
        v += static_cast<char>(p[2]);
        v += p[3] != 0 ? static_cast<char>(p[3]) : ' ';
    }
    while (!v.empty() && v.back() == ' ')
        v.pop_back();
    return v;
}

void PutModel(uint8_t* p, const std::string& model)
{
    std::memset(p, 0, 3 + 4 + kModelRestSize);
    size_t i = 0;
    while (i < model.size() && i < 3 && !IsDigit(model[i])) {
        p[i] = static_cast<uint8_t>(model[i]);
        ++i;
    }
    uint64_t number = 0;
    while (i < model.size() && IsDigit(model[i]) && number * 10 + (model[i] - '0') <= 0xFFFFFFFFu) {
        number = number * 10 + static_cast<uint64_t>(model[i] - '0');
        ++i;
    }
    PutBE32(p + 3, static_cast<uint32_t>(number));
    const std::string rest = model.substr(i, kModelRestSize);
    std::memcpy(p + 7, rest.data(), rest.size());
}

std::string GetModel(const uint8_t* p)
{
    std::string model = BoundedText(p, 3);
    const uint32_t number = GetBE32(p + 3);
    // The number's own digits are not kept: 0 cannot be told from "no number", so it is left out.
    if (number != 0)
        model += std::to_string(number);
    return model + BoundedText(p + 7, kModelRestSize);
}

} // namespace factory

namespace factory {
SystemTime UnpackProgramDate(uint32_t v)
{
    SystemTime t;
    if (v > 634399) {
        t.wYear = static_cast<uint16_t>(2000 + v / 634400);
        t.wMonth = static_cast<uint16_t>((v / 48800) % 13);
        t.wDay = static_cast<uint16_t>((v / 1525) % 32);
        t.wHour = static_cast<uint16_t>((v / 61) % 25);
        t.wMinute = static_cast<uint16_t>(v % 61);
    }
    return t;
}
} // namespace factory
