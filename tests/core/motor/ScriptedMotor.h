#pragma once
// A motor on the peer end of a fake serial line, answering just the commands that the motor's
// data access sends: identity, report variables, transfer variables and the data EEPROM.
// It answers synchronously from the host's write, so tests run on a manual clock.
// Written from the wire protocol, not from the host code.

#include "tests/support/platform/FakeSerialLine.h"

#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CScriptedMotor {
public:
    CScriptedMotor(std::shared_ptr<platform::FakeSerialLine> line, int address)
        : eeprom(32768, 0xFF), m_line(std::move(line)), m_address(address)
    {
        for (int i = 0; i < 10; ++i)
            vars[std::string(3, static_cast<char>('a' + i))] = 1000 + i;
        vars["ab[0]"] = -7;
        vars["aw[0]"] = -300;
        vars["a"] = 42;
        m_line->SetHostWriteHook([this](platform::FakeSerialLine&, const std::vector<uint8_t>& bytes) {
            for (uint8_t b : bytes)
                Take(b);
            return true;
        });
    }
    ~CScriptedMotor() { m_line->SetHostWriteHook(nullptr); }

    // --- what the motor is ---
    std::vector<uint8_t> eeprom;
    bool hasEEPROM = true;       // without, writes are ignored
    bool version5 = false;       // addresses carry 0x0D000000 and alias the same 32 KB
    bool pProtocol = false;      // ignores "R..." and answers "P..."
    bool eepromStuck = false;    // reports its EEPROM busy for ever
    std::string version = "450";
    int sampleNumber = 24576;
    std::string checksumReply = "000000 00ABCD P";
    uint32_t serialNumber = 0;   // "Rdd" after "LSA"
    std::map<std::string, int32_t> vars;

    // --- what it heard, and faults ---
    std::vector<std::string> commands;
    // Commands whose reply is lost once (matched exactly).
    std::vector<std::string> dropReplyOnce;
    // From the n-th command on (counted from 0), nothing more is answered or stored.
    int deadAfter = -1;
    // Called for each command before it is acted on.
    std::function<void(const std::string&)> onCommand;

    void PutBE(int address, uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            eeprom[static_cast<size_t>((address + i) & 0x7FFF)] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
    }
    uint32_t GetBE(int address, int bytes) const
    {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | eeprom[static_cast<size_t>((address + i) & 0x7FFF)];
        return v;
    }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& c : commands)
            n += c.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }

private:
    void Take(uint8_t b)
    {
        if (b >= 0x80) {
            m_selected = b - 0x80;
            return;
        }
        if (b != ' ') {
            m_text += static_cast<char>(b);
            return;
        }
        const std::string command = m_text;
        m_text.clear();
        if (command.empty() || (m_selected != m_address && m_selected != 0))
            return;
        commands.push_back(command);
        if (onCommand)
            onCommand(command);
        if (deadAfter >= 0 && static_cast<int>(commands.size()) > deadAfter)
            return;
        std::string reply;
        if (!Act(command, reply))
            return;
        for (auto it = dropReplyOnce.begin(); it != dropReplyOnce.end(); ++it) {
            if (*it == command) {
                dropReplyOnce.erase(it);
                return;
            }
        }
        m_line->PeerWrite(reply + "\r");
    }

    int Pointer(long value) const { return static_cast<int>(value & 0x7FFF); }

    // Returns whether the command has a reply.
    bool Act(const std::string& c, std::string& reply)
    {
        const char report = pProtocol ? 'P' : 'R';
        if (c == "RSP" || c == "PSP") {
            if ((c[0] == 'P') != pProtocol)
                return false;
            reply = std::to_string(sampleNumber) + "/" + version;
            return true;
        }
        if (c == std::string(1, report) + "CKS") {
            reply = checksumReply;
            return true;
        }
        if (c == "LSA")
            return false;
        if (c == std::string(1, report) + "dd") {
            reply = std::to_string(serialNumber);
            return true;
        }
        if (c == "RBs" || c == "PFs") {
            reply = eepromStuck ? "1" : "0";
            return true;
        }
        if (c == "RBo" || c == "PFo") {
            reply = "1";
            return true;
        }
        if (c.rfind("EPTR=", 0) == 0) {
            const long value = std::stol(c.substr(5));
            m_pointerBits = value & ~0x7FFFL;
            m_pointer = Pointer(value);
            return false;
        }
        if (c.rfind("VLD(", 0) == 0 || c.rfind("VST(", 0) == 0) {
            Transfer(c.rfind("VST(", 0) == 0, c.substr(4, c.find(',') - 4), std::stoi(c.substr(c.find(',') + 1)));
            return false;
        }
        const size_t eq = c.find('=');
        if (eq != std::string::npos) {
            const std::string name = c.substr(0, eq);
            const std::string rhs = c.substr(eq + 1);
            const bool number = !rhs.empty() && (std::isdigit(static_cast<unsigned char>(rhs[0])) || rhs[0] == '-');
            long value = number ? std::stol(rhs) : vars[rhs];
            if (name == "ab[0]")
                value = static_cast<int8_t>(value);
            if (name == "aw[0]")
                value = static_cast<int16_t>(value);
            vars[name] = static_cast<int32_t>(value);
            return false;
        }
        if (c[0] == report) {
            const auto it = vars.find(c.substr(1));
            reply = std::to_string(it == vars.end() ? 0 : it->second);
            return true;
        }
        return false;
    }

    void Transfer(bool store, const std::string& var, int count)
    {
        // A 5-series motor takes single accesses with its address bits; others would not.
        if (m_pointerBits != 0 && !version5)
            return;
        if (var == "ab[0]" || var == "aw[0]") {
            const int size = var == "ab[0]" ? 1 : 2;
            if (store && hasEEPROM)
                PutBE(m_pointer, static_cast<uint32_t>(vars[var]), size);
            else if (!store)
                vars[var] = size == 1 ? static_cast<int8_t>(GetBE(m_pointer, 1)) : static_cast<int16_t>(GetBE(m_pointer, 2));
            m_pointer += size;
            return;
        }
        for (int i = 0; i < count; ++i) {
            const std::string name(3, static_cast<char>('a' + i));
            if (store && hasEEPROM)
                PutBE(m_pointer, static_cast<uint32_t>(vars[name]), 4);
            else if (!store)
                vars[name] = static_cast<int32_t>(GetBE(m_pointer, 4));
            m_pointer += 4;
        }
    }

    std::shared_ptr<platform::FakeSerialLine> m_line;
    int m_address;
    int m_selected = -1;
    std::string m_text;
    int m_pointer = 0;
    long m_pointerBits = 0;
};
