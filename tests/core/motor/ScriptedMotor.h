#pragma once
// A motor on the peer end of a fake serial line, answering just the commands that the motor's
// data access sends: identity, report variables, transfer variables and the data EEPROM.
// It answers synchronously from the host's write, so tests run on a manual clock.
// Written from the wire protocol, not from the host code.

#include "tests/common/CommandReader.h"
#include "tests/common/MotorMemory.h"
#include "tests/support/platform/FakeSerialLine.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CScriptedMotor : public CMotorMemory {
public:
    CScriptedMotor(std::shared_ptr<platform::FakeSerialLine> line, int address)
        : m_line(std::move(line)), m_address(address)
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

    // --- what the motor is (and its variables and EEPROM) ---
    bool version5 = false;       // addresses carry 0x0D000000 and alias the same 32 KB
    bool pProtocol = false;      // ignores "R..." and answers "P..."
    bool eepromStuck = false;    // reports its EEPROM busy for ever
    std::string version = "450";
    int sampleNumber = 24576;
    std::string checksumReply = "000000 00ABCD P";
    uint32_t serialNumber = 0;   // "Rdd" after "LSA"

    // --- what it heard, and faults ---
    std::vector<std::string> commands;
    // Commands whose reply is lost once (matched exactly).
    std::vector<std::string> dropReplyOnce;
    // From the n-th command on (counted from 0), nothing more is answered or stored.
    int deadAfter = -1;
    // Called for each command before it is acted on.
    std::function<void(const std::string&)> onCommand;

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
        if (m_reader.Take(b) != CCommandReader::Got::Command)
            return;
        const std::string command = m_reader.Command();
        if (m_reader.Address() != m_address && m_reader.Address() != 0)
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
        if (DataCommand(c, version5))
            return false;
        if (c[0] == report) {
            const auto it = vars.find(c.substr(1));
            reply = std::to_string(it == vars.end() ? 0 : it->second);
            return true;
        }
        return false;
    }

    std::shared_ptr<platform::FakeSerialLine> m_line;
    int m_address;
    CCommandReader m_reader;
};
