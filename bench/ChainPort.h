#pragma once
// The PC's port to a simulated RS-232 chain in the benchmarks: named "Bench", the chain's device,
// the line rate, the time-outs for that many motors.

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
