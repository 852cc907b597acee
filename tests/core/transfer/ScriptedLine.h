#pragma once
// A motor (address 2) on an RS-485 fake line with a manual clock, answering from a table of
// replies, with every host write kept as it came so that tests see the chunks. After "LOAD" it
// takes raw bytes until FF FF 20, as a motor does. The port has a headless context of its own.

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeSerialLine.h"
#include "tests/common/HeadlessContext.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct CScriptedLine {
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::shared_ptr<platform::FakeSerialLine> line = platform::FakeSerialLine::Create(UniqueName());
    HeadlessContext headless;
    CCommPort port;
    CMotor* motor = new CMotor;
    std::vector<std::string> heard;           // commands
    std::vector<std::vector<uint8_t>> writes; // host writes, as they came
    std::string loaded;                       // raw bytes of the last load, terminator removed
    std::map<std::string, std::string> replies;
    // Replies that depend on how often the command was heard (1 = first time); empty: none.
    std::function<std::string(const std::string& command, int times)> reply;

    CScriptedLine()
    {
        line->SetHostWriteHook([this](platform::FakeSerialLine& l, const std::vector<uint8_t>& bytes) {
            writes.push_back(bytes);
            for (uint8_t b : bytes)
                Take(l, b);
            return true;
        });
        port.SetContext(&headless.context);
        port.PortName = line->Name();
        port.CommType = COMM_RS485;
        port.Echo = 0;
        motor->Address = 2;
        motor->Version = "450";
        port.motors.Add(motor);
        port.RebuildAddressTable();
        port.OpenPort();
    }
    ~CScriptedLine() { line->SetHostWriteHook(nullptr); }
    int Count(const std::string& c) const { return static_cast<int>(std::count(heard.begin(), heard.end(), c)); }

private:
    void Take(platform::FakeSerialLine& l, uint8_t b)
    {
        if (m_loading) {
            m_raw.push_back(static_cast<char>(b));
            const size_t n = m_raw.size();
            if (n >= 3 && static_cast<uint8_t>(m_raw[n - 3]) == 0xFF && static_cast<uint8_t>(m_raw[n - 2]) == 0xFF &&
                m_raw[n - 1] == ' ') {
                loaded = m_raw.substr(0, n - 3);
                m_loading = false;
            }
            return;
        }
        if (b >= 0x80)
            return;
        if (b != ' ') {
            m_text += static_cast<char>(b);
            return;
        }
        const std::string command = m_text;
        m_text.clear();
        if (command.empty())
            return;
        heard.push_back(command);
        if (command == "LOAD" || command == "LOADC") {
            m_loading = true;
            m_raw.clear();
            return;
        }
        std::string answer;
        if (reply)
            answer = reply(command, Count(command));
        if (answer.empty())
            if (auto it = replies.find(command); it != replies.end())
                answer = it->second;
        if (!answer.empty())
            l.PeerWrite(answer + "\r");
    }

    static std::string UniqueName()
    {
        static std::atomic<int> n{0};
        return "transfer-line-" + std::to_string(n++);
    }

    bool m_loading = false;
    std::string m_raw;
    std::string m_text;
};
