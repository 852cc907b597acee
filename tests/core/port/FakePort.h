#pragma once
// A port on an in-process fake line with a scripted motor side, its own operation context (own
// settings, a visible analyzer), all on a manual clock.

#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "tests/common/CodeOf.h"
#include "tests/support/platform/FakeSerialLine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

class VisibleView : public IAnalyzerView {
public:
    bool IsVisible() const override { return true; }
    void PageAppended(int, int, bool) override {}
};

// The motors' end, as plain scripted byte exchanges: optional echo of every byte, and replies to
// whole commands (text between the address byte and the blank).
struct ScriptedMotors {
    bool echo = true;
    std::vector<size_t> writes;          // size of every host write
    std::map<std::string, std::string> replies;
    std::string pending;                 // command text collected so far

    void Attach(platform::FakeSerialLine& line)
    {
        line.SetHostWriteHook([this](platform::FakeSerialLine& l, const std::vector<uint8_t>& bytes) {
            writes.push_back(bytes.size());
            if (echo)
                l.PeerWrite(bytes.data(), bytes.size());
            for (uint8_t b : bytes) {
                if (b >= 0x80) {
                    pending.clear();
                } else if (b == ' ') {
                    auto it = replies.find(pending);
                    if (it != replies.end())
                        l.PeerWrite(it->second);
                    pending.clear();
                } else {
                    pending += static_cast<char>(b);
                }
            }
            return false;
        });
    }
};

class FakePortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        line = platform::FakeSerialLine::Create("fake:port" + std::to_string(++serial));
        analyzer.SetView(&view);
        context.SetTrafficLog(&analyzer);
                port = std::make_unique<CCommPort>();
        port->SetContext(&context);
        port->PortName = line->Name();
        port->id = 2;
        motors.Attach(*line);
    }

    void Open()
    {
        port->OpenPort();
        port->currentAddress = -2;
        line->ClearHostWritten();
        motors.writes.clear();
    }

    std::string Wire() const
    {
        auto w = line->HostWritten();
        return std::string(w.begin(), w.end());
    }
    void ClearWire()
    {
        line->ClearHostWritten();
        motors.writes.clear();
    }
    const CSdaPage& Page() const { return analyzer.Page(port->id); }
    // The analyzer entries of the port's page as (flags, bytes).
    std::vector<std::pair<uint32_t, std::string>> Logged() const
    {
        std::vector<std::pair<uint32_t, std::string>> out;
        for (int k = 0; k < Page().EntryCount(); ++k) {
            const CSdaEntry& e = Page().EntryAt(k);
            out.emplace_back(e.flags, std::string(reinterpret_cast<const char*>(e.data), e.length));
        }
        return out;
    }

    platform::ManualClock clock;
    platform::ScopedClock scope{clock};
    std::shared_ptr<platform::FakeSerialLine> line;
    CSerialDataAnalyzer analyzer;
    VisibleView view;
    ui::COperationContext context;
    ScriptedMotors motors;
    std::unique_ptr<CCommPort> port;
};

