#pragma once
// What a scripted motor keeps, and the commands that move data in it: its variables, its 32 KB
// data EEPROM, the EEPROM pointer ("EPTR="), "VLD("/"VST(" between them, and assignments of
// simple expressions. Written from the wire protocol, not from the host code; shared by the
// in-process motor doubles of the tests.

#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct CMotorMemory {
    std::vector<uint8_t> eeprom = std::vector<uint8_t>(32768, 0xFF);
    std::map<std::string, int32_t> vars;
    bool hasEEPROM = true; // without, stores are ignored
    int pointer = 0;

    void PutBE(int at, uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            eeprom[static_cast<size_t>((at + i) & 0x7FFF)] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
    }
    uint32_t GetBE(int at, int bytes) const
    {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | eeprom[static_cast<size_t>((at + i) & 0x7FFF)];
        return v;
    }

    // A number or a variable (0 when never set).
    int32_t Value(const std::string& term) const
    {
        if (term.empty())
            return 0;
        if (std::isdigit(static_cast<unsigned char>(term[0])) || term[0] == '-')
            return static_cast<int32_t>(std::stoll(term));
        const auto it = vars.find(term);
        return it == vars.end() ? 0 : it->second;
    }

    // Terms joined by + - * / &, worked from left to right.
    int32_t Evaluate(const std::string& expr) const
    {
        int64_t result = 0;
        char op = '+';
        std::string term;
        auto apply = [&]() {
            const int64_t v = Value(term);
            switch (op) {
            case '+': result += v; break;
            case '-': result -= v; break;
            case '*': result *= v; break;
            case '/': result = v ? static_cast<int64_t>(static_cast<int32_t>(result) / v) : 0; break;
            case '&': result &= v; break;
            }
            term.clear();
        };
        for (size_t i = 0; i < expr.size(); ++i) {
            const char c = expr[i];
            if ((c == '+' || c == '*' || c == '/' || c == '&' || (c == '-' && i > 0)) && !term.empty()) {
                apply();
                op = c;
            } else {
                term += c;
            }
        }
        apply();
        return static_cast<int32_t>(result);
    }

    // Acts on "EPTR=", "VLD(", "VST(" or an assignment; false for any other command. A 5-series
    // motor's pointer carries address bits (0x0D000000) and aliases the same 32 KB; another motor
    // ignores transfers at a pointer with such bits.
    bool DataCommand(const std::string& c, bool version5)
    {
        if (c.rfind("EPTR=", 0) == 0) {
            const long long value = std::stoll(c.substr(5));
            m_pointerBits = value & ~0x7FFFLL;
            pointer = static_cast<int>(value & 0x7FFF);
            return true;
        }
        if (c.rfind("VLD(", 0) == 0 || c.rfind("VST(", 0) == 0) {
            const size_t comma = c.find(',');
            if (m_pointerBits == 0 || version5)
                Transfer(c[1] == 'S', c.substr(4, comma - 4), std::stoi(c.substr(comma + 1)));
            return true;
        }
        const size_t eq = c.find('=');
        if (eq == std::string::npos || eq == 0 || c.compare(eq, 2, "==") == 0)
            return false;
        const std::string name = c.substr(0, eq);
        int32_t v = Evaluate(c.substr(eq + 1));
        if (name == "ab[0]")
            v = static_cast<int8_t>(v);
        if (name == "aw[0]")
            v = static_cast<int16_t>(v);
        vars[name] = v;
        return true;
    }

private:
    // Single accesses through ab[0] / aw[0]; blocks of count variables from var on ("aaa", "bbb",
    // ... or "dd" each time), four bytes each.
    void Transfer(bool store, const std::string& var, int count)
    {
        if (var == "ab[0]" || var == "aw[0]") {
            const int size = var == "ab[0]" ? 1 : 2;
            if (store && hasEEPROM)
                PutBE(pointer, static_cast<uint32_t>(vars[var]), size);
            else if (!store)
                vars[var] = size == 1 ? static_cast<int8_t>(GetBE(pointer, 1)) : static_cast<int16_t>(GetBE(pointer, 2));
            pointer += size;
            return;
        }
        for (int i = 0; i < count; ++i) {
            const std::string name = var == "dd" ? "dd" : std::string(3, static_cast<char>(var[0] + i));
            if (store && hasEEPROM)
                PutBE(pointer, static_cast<uint32_t>(vars[name]), 4);
            else if (!store)
                vars[name] = static_cast<int32_t>(GetBE(pointer, 4));
            pointer += 4;
        }
    }

    long long m_pointerBits = 0;
};
