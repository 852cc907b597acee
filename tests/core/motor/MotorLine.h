#pragma once
// One motor (address 3) on an RS-485 port over a fake line, with a scripted motor on the other
// end and a manual clock, for tests of the motor's data access.

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeSerialLine.h"
#include "tests/core/motor/ScriptedMotor.h"

#include <atomic>
#include <string>

struct CMotorLine {
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::shared_ptr<platform::FakeSerialLine> line = platform::FakeSerialLine::Create(UniqueName());
    CScriptedMotor sim{line, 3};
    CCommPort port;
    CMotor* motor = new CMotor;

    CMotorLine()
    {
        port.id = 2;
        port.PortName = line->Name();
        port.CommType = COMM_RS485;
        port.Echo = 0;
        motor->Address = 3;
        port.motors.Add(motor);
        port.RebuildAddressTable();
        port.OpenPort();
    }

    // Writes a factory block of the given length into the simulated EEPROM: magic, length, flags
    // 5, model "TQ3410", the given serial number, EnRes 4000, program "move.tqx" of 300 bytes, and
    // a correct sum unless told otherwise.
    void PutFactoryBlock(int length, uint32_t serial, bool goodSum = true)
    {
        const int at = 32468;
        for (int i = 0; i < length; ++i)
            sim.eeprom[static_cast<size_t>(at + i)] = 0;
        sim.PutBE(at, 0xADB4, 2);
        sim.PutBE(at + 2, static_cast<uint32_t>(length), 2);
        sim.PutBE(at + 4, 5, 2);
        sim.eeprom[at + 6] = 'T';
        sim.eeprom[at + 7] = 'Q';
        sim.PutBE(at + 9, 3410, 4);
        sim.PutBE(at + 44, serial, 4);
        sim.PutBE(at + 48, 4000, 4);
        const std::string prog = "move.tqx";
        for (size_t i = 0; i < prog.size(); ++i)
            sim.eeprom[at + 80 + i] = static_cast<uint8_t>(prog[i]);
        sim.PutBE(at + 110, 300, 4);
        if (length > 189) {
            sim.PutBE(at + 178, 10, 2);
            sim.PutBE(at + 180, 20, 2);
            sim.PutBE(at + 182, 30, 2);
            sim.PutBE(at + 184, 40, 2);
            sim.PutBE(at + 186, 100, 2);
        }
        FixSum(length);
        if (!goodSum)
            sim.eeprom[static_cast<size_t>(at + length - 1)] ^= 0x5A;
    }

    uint8_t BlockSum(int length) const
    {
        unsigned s = 0;
        for (int i = 4; i <= length - 2; ++i)
            s += sim.eeprom[static_cast<size_t>(32468 + i)];
        return static_cast<uint8_t>(s);
    }
    void FixSum(int length) { sim.eeprom[static_cast<size_t>(32468 + length - 1)] = BlockSum(length); }
    bool BlockSumIsRight(int length) const { return sim.eeprom[static_cast<size_t>(32468 + length - 1)] == BlockSum(length); }

    static std::string UniqueName()
    {
        static std::atomic<int> n{0};
        return "motor-test-line-" + std::to_string(n++);
    }
};
