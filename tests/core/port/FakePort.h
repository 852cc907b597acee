#pragma once
// A port on an in-process fake line with a scripted motor side, its own operation context (own
// settings, a visible analyzer), all on a manual clock.

#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "tests/common/CodeOf.h"
#include "tests/common/ScriptedReplies.h"
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
        motors.echo = true;
        motors.Attach(*line, false);
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
    CScriptedReplies motors; // every byte echoed, replies given with their terminator
    std::unique_ptr<CCommPort> port;
};

