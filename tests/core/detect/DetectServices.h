#pragma once
// What a detection test sets up: an operation context with the headless dialogs and information
// view, and a serial port on a test line that uses it.

#include "core/port/CommPort.h"
#include "tests/common/HeadlessContext.h"

#include <memory>
#include <string>

using HeadlessDetectServices = HeadlessContext;

// A serial port of the given type and rate on the device `device`, named `name` (the motors'
// names end with it), in the test's context.
inline std::unique_ptr<CCommPort> MakeDetectPort(ui::COperationContext& context, const std::string& device,
                                                 const std::string& name, int id, uint8_t type, int baud)
{
    auto port = std::make_unique<CCommPort>();
    port->SetContext(&context);
    port->PortName = device;
    port->Name = name;
    port->id = id;
    port->CommType = type;
    port->BitPerSec = port->savedBitPerSec = baud;
    port->Echo = type == COMM_RS232 ? 1 : 0;
    port->CalcTimeouts(port->MaxMotors);
    return port;
}
