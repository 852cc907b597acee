#pragma once
// A recording stand-in for the engine: every call is logged as one line ("DefaultMotor=2",
// "WriteCommand P=100"), replies come from a function of the command, and any call can be made to
// fail with an engine code.

#include "samples/common/EngineLink.h"

#include <functional>
#include <string>
#include <vector>

class FakeEngine : public vqxclient::EngineLink {
public:
    std::vector<std::string> calls;
    std::function<std::string(const std::string& command)> reply = [](const std::string&) { return std::string("0"); };
    // A call whose log line starts with this text fails (code 5, "No response").
    std::string failOn;
    int32_t chain = 3;
    double sampleRate = 4069.0;
    int32_t slots = 19, needed = 0, free = 19;
    std::function<void(const std::string& line)> onCall;

    // The calls since the last Take, joined with "|".
    std::string Take()
    {
        std::string out;
        for (const auto& c : calls)
            out += (out.empty() ? "" : "|") + c;
        calls.clear();
        return out;
    }

    void OpenPort(const std::string& name) override { Log("OpenPort " + name); }
    void ClosePort() override { Log("ClosePort"); }
    void ClearBuffer() override { Log("ClearBuffer"); }
    void SetBaudRate(int32_t baud) override { Log("BaudRate=" + std::to_string(baud)); }
    int32_t AddressMotorChain() override
    {
        Log("AddressMotorChain");
        return chain;
    }
    void SetDefaultMotor(int32_t a) override { Log("DefaultMotor=" + std::to_string(a)); }
    void SetEcho(bool on) override { Log(on ? "Echo=1" : "Echo=0"); }
    void WriteCommand(const std::string& c) override
    {
        Log("WriteCommand " + c);
        last = c;
    }
    std::string ReadResponse() override
    {
        Log("ReadResponse");
        return reply(last);
    }
    std::string GetResponseOf(const std::string& c) override
    {
        Log("GetResponseOf " + c);
        return reply(c);
    }
    void Wait(int32_t ms) override { Log("Wait " + std::to_string(ms)); }
    double SampleRate(int32_t a) override
    {
        Log("SampleRate " + std::to_string(a));
        return sampleRate;
    }
    void Initialize(int32_t n) override { Log("Initialize " + std::to_string(n)); }
    void WritePosition(int32_t m, int32_t p) override { Log("WritePosition " + std::to_string(m) + "," + std::to_string(p)); }
    void WriteClock(int32_t m, int32_t c) override { Log("WriteClock " + std::to_string(m) + "," + std::to_string(c)); }
    int32_t TrajectorySlots() override { return slots; }
    int32_t SlotsNeeded(int32_t) override { return needed; }
    void Run() override { Log("Run"); }
    int32_t CheckStatus(int32_t m) override
    {
        Log("CheckStatus " + std::to_string(m));
        return free;
    }

    std::string last;

private:
    void Log(const std::string& line)
    {
        calls.push_back(line);
        if (onCall)
            onCall(line);
        if (!failOn.empty() && line.rfind(failOn, 0) == 0)
            throw vqxclient::EngineFailure(5, "No response from motor!");
    }
};
