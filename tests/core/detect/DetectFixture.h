#pragma once
// A port on a fake line with test motors behind it, headless dialogs and a manual clock.

#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeSerialLine.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/detect/TestMotors.h"
#include "tests/core/port/FakePort.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class DetectFixture : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void Build(CTestMotors::Topology topology, uint8_t commType, int portBaud)
    {
        static int serial = 0;
        line = platform::FakeSerialLine::Create("fake:detect" + std::to_string(++serial));
        motors = std::make_unique<CTestMotors>(line, topology);
        context.Options().ResponseTimeout = 60;
        context.Options().EchoTimeout = 40;
        port = MakeDetectPort(context, line->Name(), "Bench", 3, commType, portBaud);
    }

    CMotor* Listed(int index) const { return port->motors.GetAt(index); }
    std::string Wire() const
    {
        auto w = line->HostWritten();
        return std::string(w.begin(), w.end());
    }
    // Whether the host sent "WAKE" (or "WAKE1") to all after the last "SLEEP"/"SLEEP1".
    bool EndsAwake() const
    {
        const std::string w = Wire();
        const size_t sleep = w.rfind("SLEEP");
        if (sleep == std::string::npos)
            return true;
        const size_t wake = w.rfind("\x80WAKE");
        return wake != std::string::npos && wake > sleep;
    }
    bool AnyAsleep() const
    {
        for (size_t i = 0; i < motors->Size(); ++i)
            if ((*motors)[i].asleep)
                return true;
        return false;
    }
    // Every listed motor sits in the table at its address, in list order with its index.
    void ExpectListConsistent() const
    {
        for (int i = 0; i < port->motors.GetCount(); ++i) {
            CMotor* m = port->motors.GetAt(i);
            EXPECT_EQ(m->GetListIndex(), i);
            EXPECT_EQ(port->GetMotor(m->Address), m) << m->Name;
            EXPECT_EQ(m->Name, DetectedMotorName(m->Address, *port));
        }
        int entries = 0;
        for (CMotor* e : port->addressTable)
            entries += e != nullptr;
        EXPECT_EQ(entries, port->motors.GetCount());
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::shared_ptr<platform::FakeSerialLine> line;
    std::unique_ptr<CTestMotors> motors;
    std::unique_ptr<CCommPort> port;
};
