#pragma once
// The PC's port to a simulated RS-232 chain in the benchmarks: named "Bench", the chain's device,
// the line rate, the time-outs for that many motors; and a motor of firmware 450 entered in it.

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/OperationContext.h"

#include <string>

inline void SetUpChainPort(CCommPort& port, ui::COperationContext& context, const std::string& device, int baud,
                           int motors)
{
    port.SetContext(&context);
    port.PortName = device;
    port.Name = "Bench";
    port.CommType = COMM_RS232;
    port.BitPerSec = port.savedBitPerSec = baud;
    port.SetMaxMotors(motors);
    port.CalcTimeouts(port.MaxMotors);
}

// A motor of firmware 450 at the address, entered in the port's list as the project holds it
// (its identity not read).
inline CMotor& AddBenchMotor(CCommPort& port, int address)
{
    auto* motor = new CMotor;
    motor->Address = address;
    motor->Name = "Motor " + std::to_string(address);
    motor->Version = "450";
    port.motors.Add(motor);
    port.RebuildAddressTable();
    return *motor;
}
