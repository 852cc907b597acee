#include "tests/sim/motor/MotorProfile.h"

#include <cctype>
#include <cstdio>

namespace vqxsim {
namespace {

void PutBE(Bytes& b, size_t at, uint32_t v, int n)
{
    for (int i = n - 1; i >= 0; --i) {
        b[at + i] = uint8_t(v & 0xFF);
        v >>= 8;
    }
}

void PutText(Bytes& b, size_t at, const std::string& s, size_t room)
{
    for (size_t i = 0; i < room; ++i)
        b[at + i] = i < s.size() ? uint8_t(s[i]) : 0;
}

// Firmware text as four bytes: "4621x" -> 4 '>' '1' x; otherwise the leading digits but the last
// two, the last two digits, then up to two characters that follow the digits.
void PutVersion(Bytes& b, size_t at, const std::string& fw)
{
    if (fw.rfind("4621", 0) == 0 && fw.size() >= 5) {
        b[at] = 4;
        b[at + 1] = '>';
        b[at + 2] = '1';
        b[at + 3] = uint8_t(fw[4]);
        return;
    }
    size_t digits = 0;
    while (digits < fw.size() && std::isdigit(uint8_t(fw[digits])))
        ++digits;
    int major = 0, minor = 0;
    for (size_t i = 0; i < digits; ++i) {
        if (i + 2 < digits)
            major = major * 10 + (fw[i] - '0');
        else
            minor = minor * 10 + (fw[i] - '0');
    }
    b[at] = uint8_t(major);
    b[at + 1] = uint8_t(minor);
    b[at + 2] = digits < fw.size() ? uint8_t(fw[digits]) : 0;
    b[at + 3] = digits + 1 < fw.size() ? uint8_t(fw[digits + 1]) : 0;
}

uint8_t Sum8(const Bytes& b, size_t from, size_t to)
{
    unsigned s = 0;
    for (size_t i = from; i < to; ++i)
        s += b[i];
    return uint8_t(s & 0xFF);
}

std::string SerialText(uint32_t serial)
{
    char text[16];
    std::snprintf(text, sizeof text, "%c%u", char(serial >> 24), unsigned(serial & 0xFFFFFF));
    return text;
}

void WriteLengthByteLayout(Bytes& ee, const MotorProfile& p)
{
    std::string texts;
    for (const std::string& t : {p.model, std::string("Rev A"), std::string("Factory"), SerialText(p.serial)})
        texts += t + '\0';
    size_t n = 1 + texts.size();
    if (n < 11)
        n = 11;
    ee[eeaddr::kFactory] = uint8_t(n);
    PutText(ee, eeaddr::kFactory + 1, texts, n - 1);
    ee[eeaddr::kFactory + n] = Sum8(ee, eeaddr::kFactory, eeaddr::kFactory + n);
}

// Forty bytes ending at the top of the EEPROM: model index, program size, packed date, program
// name; the last four bytes hold the marker word, the 8-bit sum of the 36 before and the length.
void WriteOldestLayout(Bytes& ee)
{
    const size_t start = eeaddr::kSize - 40;
    PutBE(ee, start, 1, 4);
    PutBE(ee, start + 4, 4, 4);
    PutBE(ee, start + 8, 0, 4);
    PutText(ee, start + 12, "OLD.TQX", 24);
    PutBE(ee, eeaddr::kOldMarker, 0x2003, 2);
    ee[eeaddr::kOldMarker + 2] = Sum8(ee, start, start + 36);
    ee[eeaddr::kOldLength] = 10;
}

} // namespace

Bytes BuildFactoryBlock(const MotorProfile& p)
{
    Bytes b(200, 0);
    b[0] = 0xAD;
    b[1] = 0xB4;
    PutBE(b, 2, 200, 2);
    size_t i = 0;
    while (i < p.model.size() && i < 3 && !std::isdigit(uint8_t(p.model[i])))
        ++i;
    PutText(b, 6, p.model.substr(0, i), 3);
    uint32_t number = 0;
    size_t j = i;
    while (j < p.model.size() && std::isdigit(uint8_t(p.model[j])) && j - i < 9)
        number = number * 10 + uint32_t(p.model[j++] - '0');
    PutBE(b, 9, number, 4);
    PutText(b, 13, p.model.substr(j), 18);
    PutBE(b, 44, p.serial, 4);
    PutBE(b, 48, p.encoderResolution, 4);
    PutVersion(b, 52, p.firmware);
    PutBE(b, 150, p.modelIndex, 4);
    if (p.IsVersion462()) {
        unsigned sum = 0;
        for (int g = 0; g < 4; ++g) {
            PutBE(b, 178 + 2 * g, p.gains[g], 2);
            sum += p.gains[g];
        }
        PutBE(b, 186, sum & 0xFFFF, 2);
    }
    b[199] = Sum8(b, 4, 199);
    return b;
}

Bytes BuildEepromImage(const MotorProfile& p)
{
    Bytes ee(eeaddr::kSize, 0xFF);
    if (p.blankEeprom || !p.hasEeprom)
        return ee;
    if (!p.IsVersion5())
        PutBE(ee, eeaddr::kSerial, p.serial, 4);
    if (p.address > 0 && p.address < 128)
        ee[eeaddr::kAddress] = uint8_t(p.address);
    switch (p.layout) {
    case FactoryLayout::Block: {
        Bytes block = BuildFactoryBlock(p);
        std::copy(block.begin(), block.end(), ee.begin() + eeaddr::kFactory);
        break;
    }
    case FactoryLayout::LengthByte:
        WriteLengthByteLayout(ee, p);
        break;
    case FactoryLayout::OldestRecord:
        WriteOldestLayout(ee);
        break;
    case FactoryLayout::None:
        break;
    }
    return ee;
}

std::string EndProgramImage(const std::string& headerVersion)
{
    return "$" + headerVersion + "0" + "0000E1" + "000004" + "000000" + "0004" + "0000000000000000" + "END\n";
}

} // namespace vqxsim
