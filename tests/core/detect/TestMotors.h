#pragma once
// Motors on the peer end of a fake serial line, wired as an RS-232 daisy chain (each motor passes
// on what it receives while its echo is on, then acts on it) or as an RS-485 bus (every motor
// hears the computer; replies that differ collide). Each motor listens only at its own rate.
// Written from the wire protocol, not from the host code; answers synchronously from the host's
// write, so tests run on a manual clock.

#include "tests/common/CommandReader.h"
#include "tests/common/MotorMemory.h"
#include "tests/support/platform/FakeSerialLine.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct CTestMotor : CMotorMemory {
    int address = 0;              // 0: none (answers at 114)
    uint32_t serial = 0;
    std::string version = "450";
    int sampleFigure = 24576;
    int baud = 9600;
    bool echo = true;
    bool asleep = false;
    bool wrongEcho = false;       // passes on every letter 'E' as 'F'
    bool answersRP = true;
    std::map<std::string, std::string> flags; // "Be" -> "0" ...
    std::vector<std::string> heard;   // commands acted on

    // internal
    CCommandReader reader{true};
    bool selected = false;
    bool compare = false;
    char mode = 0;                // 0, 'T' or 'F' (IFT / IFF)
    bool pendingCmp = false;

    bool Version5() const { return !version.empty() && version[0] == '5'; }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& c : heard)
            n += c.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }
};

class CTestMotors {
public:
    enum class Topology { Chain, Bus };
    enum class Collision { Garbage, FramingError, And };

    CTestMotors(std::shared_ptr<platform::FakeSerialLine> line, Topology topology)
        : m_line(std::move(line)), m_topology(topology)
    {
        m_line->SetHostWriteHook([this](platform::FakeSerialLine&, const std::vector<uint8_t>& bytes) {
            for (uint8_t b : bytes)
                Take(b);
            return true;
        });
    }
    ~CTestMotors() { m_line->SetHostWriteHook(nullptr); }

    CTestMotor& Add(int address, uint32_t serial = 0, const std::string& version = "450")
    {
        auto m = std::make_unique<CTestMotor>();
        m->address = address;
        m->serial = serial;
        m->version = version;
        for (int i = 0; i < 6; ++i)
            m->eeprom[static_cast<size_t>(32256 + i)] = 0;
        for (int i = 0; i < 4; ++i)
            m->eeprom[static_cast<size_t>(32256 + i)] = static_cast<uint8_t>(serial >> (24 - 8 * i));
        m->eeprom[32262] = static_cast<uint8_t>(address);
        m_motors.push_back(std::move(m));
        return *m_motors.back();
    }
    CTestMotor& operator[](size_t i) { return *m_motors[i]; }
    size_t Size() const { return m_motors.size(); }
    Collision collision = Collision::Garbage;
    int collisions = 0;

private:
    int HostBaud() const { return m_line->HostLine().baud; }

    void Take(uint8_t b)
    {
        if (m_topology == Topology::Bus) {
            std::vector<std::string> replies;
            for (auto& m : m_motors) {
                std::string reply;
                if (m->baud == HostBaud() && Receive(*m, b, reply))
                    replies.push_back(reply);
            }
            Deliver(replies);
            return;
        }
        // Chain: the byte goes from motor to motor while each passes it on.
        std::vector<std::string> replies;
        uint8_t byte = b;
        size_t i = 0;
        for (; i < m_motors.size(); ++i) {
            CTestMotor& m = *m_motors[i];
            if (m.baud != HostBaud())
                return; // a motor at another rate hears noise and passes nothing on
            const bool passes = m.echo;
            std::string reply;
            if (Receive(m, byte, reply)) {
                // The reply travels through the motors behind, as far as their echo is on.
                bool through = true;
                for (size_t k = i + 1; k < m_motors.size(); ++k)
                    through = through && m_motors[k]->echo && m_motors[k]->baud == HostBaud();
                if (through)
                    replies.push_back(reply);
            }
            if (!passes)
                break;
            if (m.wrongEcho && byte == 'E')
                byte = 'F';
        }
        if (i == m_motors.size())
            m_line->PeerWrite(&byte, 1);
        if (replies.size() == 1) {
            m_line->PeerWrite(replies[0]);
        } else if (replies.size() > 1) {
            // Replies that meet interleave byte by byte.
            std::string mixed;
            for (size_t k = 0; k < 64; ++k)
                for (const std::string& r : replies)
                    if (k < r.size())
                        mixed += r[k];
            m_line->PeerWrite(mixed);
        }
    }

    void Deliver(const std::vector<std::string>& replies)
    {
        if (replies.empty())
            return;
        bool same = true;
        for (const std::string& r : replies)
            same = same && r == replies[0];
        if (same) {
            m_line->PeerWrite(replies[0]);
            return;
        }
        ++collisions;
        if (collision == Collision::And) {
            // Open-collector drivers: a 0 bit of any motor wins.
            std::string mixed;
            for (size_t k = 0;; ++k) {
                uint8_t b = 0xFF;
                bool any = false;
                for (const std::string& r : replies)
                    if (k < r.size()) {
                        b &= static_cast<uint8_t>(r[k]);
                        any = true;
                    }
                if (!any)
                    break;
                mixed += static_cast<char>(b);
            }
            m_line->PeerWrite(mixed);
        } else if (collision == Collision::FramingError)
            m_line->PeerWrite("\x7f\r", platform::kLineFrame);
        else
            m_line->PeerWrite("#?\r");
    }

    // Returns true with a reply (CR included) when the byte ends a command that answers.
    static bool Receive(CTestMotor& m, uint8_t b, std::string& reply)
    {
        switch (m.reader.Take(b)) {
        case CCommandReader::Got::Address: {
            const int sel = m.reader.Address();
            m.selected = sel == 0 || (m.address != 0 && sel == m.address) || (m.address == 0 && sel == 114);
            return false;
        }
        case CCommandReader::Got::Nothing:
            return false;
        case CCommandReader::Got::Command:
            break;
        }
        const std::string& token = m.reader.Command();
        if (!m.selected)
            return false;
        if (m.asleep && token != "WAKE" && token != "WAKE1")
            return false;
        return Act(m, token, reply);
    }

    static bool Act(CTestMotor& m, const std::string& c, std::string& reply)
    {
        if (m.pendingCmp) {
            m.pendingCmp = false;
            const size_t eq = c.find("==");
            if (eq != std::string::npos)
                m.compare = m.Evaluate(c.substr(0, eq)) == m.Evaluate(c.substr(eq + 2));
            return false;
        }
        if (c == "IFX") {
            m.mode = 0;
            return false;
        }
        if (c == "IFT" || c == "IFF") {
            m.mode = c[2];
            return false;
        }
        if (m.mode == 'T' && !m.compare)
            return false;
        if (m.mode == 'F' && m.compare)
            return false;
        m.heard.push_back(c);
        if (c == "CMP") {
            m.pendingCmp = true;
            return false;
        }
        if (c == "WAKE" || c == "WAKE1")
            m.asleep = false;
        else if (c == "SLEEP" || c == "SLEEP1")
            m.asleep = true;
        else if (c == "ECHO" || c == "ECHO1")
            m.echo = true;
        else if (c == "ECHO_OFF" || c == "ECHO_OFF1")
            m.echo = false;
        else if (c.rfind("BAUD", 0) == 0)
            m.baud = std::stoi(c.substr(4));
        else if (c.rfind("OCHN(", 0) == 0) {
            size_t p = 0;
            for (int k = 0; k < 3; ++k)
                p = c.find(',', p) + 1;
            m.baud = std::stoi(c.substr(p));
        } else if (c.rfind("SADDR", 0) == 0)
            m.address = std::stoi(c.substr(5));
        else if (c.rfind("ADDR=", 0) == 0)
            m.address = m.Evaluate(c.substr(5));
        else if (c == "LSA") {
            if (m.Version5())
                m.vars["dd"] = static_cast<int32_t>(m.serial);
        } else if (m.DataCommand(c, m.Version5())) {
            return false;
        } else if (c == "RSP") {
            reply = std::to_string(m.sampleFigure) + "/" + m.version + "\r";
            return true;
        } else if (c == "RCKS") {
            reply = "000000 00ABCD P\r";
            return true;
        } else if (c == "RP") {
            if (!m.answersRP)
                return false;
            reply = "0\r";
            return true;
        } else if (c.size() == 3 && c[0] == 'R' && c[1] == 'B') {
            const auto it = m.flags.find(c.substr(1));
            reply = (it == m.flags.end() ? std::string(c == "RBo" ? "1" : "0") : it->second) + "\r";
            return true;
        } else if (c[0] == 'R' && c.size() > 1) {
            reply = std::to_string(m.Value(c.substr(1))) + "\r";
            return true;
        }
        return false;
    }

    std::shared_ptr<platform::FakeSerialLine> m_line;
    Topology m_topology;
    std::vector<std::unique_ptr<CTestMotor>> m_motors;
};
