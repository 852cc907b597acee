#pragma once
// The motors' end of a fake line as plain scripted exchanges: every host write kept as it came,
// an optional echo of each write, replies to whole commands (the text between an address byte or
// the previous blank and the next blank) from a table or a function, and, when asked, a motor's
// load mode: after "LOAD" or "LOADC" raw bytes are taken as a program until FF FF 20.
// Answers synchronously from the host's write, so tests run on a manual clock.

#include "tests/common/CommandReader.h"
#include "tests/support/platform/FakeSerialLine.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct CScriptedReplies {
    bool echo = false;
    bool takesLoad = false;
    std::string terminator;                    // added to every reply
    std::vector<std::vector<uint8_t>> writes;  // host writes, as they came
    std::vector<std::string> heard;            // commands
    std::string loaded;                        // raw bytes of the last load, terminator removed
    std::map<std::string, std::string> replies;
    // Replies that depend on how often the command was heard (1 = first time); empty: none, and
    // the table answers.
    std::function<std::string(const std::string& command, int times)> reply;

    // Answers the line's host writes from now on. consume: the writes are not also queued for
    // the line's TakeHostBytes.
    void Attach(platform::FakeSerialLine& line, bool consume)
    {
        line.SetHostWriteHook([this, consume](platform::FakeSerialLine& l, const std::vector<uint8_t>& bytes) {
            writes.push_back(bytes);
            if (echo)
                l.PeerWrite(bytes.data(), bytes.size());
            for (uint8_t b : bytes)
                Take(l, b);
            return consume;
        });
    }

    int Count(const std::string& c) const { return static_cast<int>(std::count(heard.begin(), heard.end(), c)); }
    std::vector<size_t> WriteSizes() const
    {
        std::vector<size_t> sizes;
        for (const auto& w : writes)
            sizes.push_back(w.size());
        return sizes;
    }

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
        if (m_reader.Take(b) != CCommandReader::Got::Command)
            return;
        const std::string command = m_reader.Command();
        heard.push_back(command);
        if (takesLoad && (command == "LOAD" || command == "LOADC")) {
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
            l.PeerWrite(answer + terminator);
    }

    CCommandReader m_reader;
    bool m_loading = false;
    std::string m_raw;
};
