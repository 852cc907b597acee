#pragma once
// A motor (address 2) on an RS-485 fake line with a manual clock, answering from a table of
// replies, with every host write kept as it came so that tests see the chunks. After "LOAD" it
// takes raw bytes until FF FF 20, as a motor does. The port has a headless context of its own.

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeSerialLine.h"
#include "tests/common/HeadlessContext.h"
#include "tests/common/ScriptedReplies.h"

#include <atomic>
#include <string>

struct CScriptedLine : CScriptedReplies {
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::shared_ptr<platform::FakeSerialLine> line = platform::FakeSerialLine::Create(UniqueName());
    HeadlessContext headless;
    CCommPort port;
    CMotor* motor = new CMotor;

    CScriptedLine()
    {
        takesLoad = true;
        terminator = '\r';
        Attach(*line, true);
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

private:
    static std::string UniqueName()
    {
        static std::atomic<int> n{0};
        return "transfer-line-" + std::to_string(n++);
    }
};
