#pragma once
// What a detection test sets up: the headless dialogs and information view (in place for the
// lifetime of a fixture that derives from this), and a serial port on a test line.

#include "core/port/CommPort.h"
#include "core/ui/Services.h"

#include <memory>
#include <string>

struct HeadlessDetectServices {
    ui::CHeadlessQuestions questions;
    ui::CHeadlessProgress progress{&questions};
    ui::CHeadlessInfoView info;
    ui::ScopedServices services{&progress, &questions, &info};
};

// A serial port of the given type and rate on the device `device`, named `name` (the motors'
// names end with it), with the test's policy.
inline std::unique_ptr<CCommPort> MakeDetectPort(CPortPolicy& policy, const std::string& device,
                                                 const std::string& name, int id, uint8_t type, int baud)
{
    auto port = std::make_unique<CCommPort>();
    port->SetPolicy(&policy);
    port->PortName = device;
    port->Name = name;
    port->id = id;
    port->CommType = type;
    port->BitPerSec = port->savedBitPerSec = baud;
    port->Echo = type == COMM_RS232 ? 1 : 0;
    port->CalcTimeouts(port->MaxMotors);
    return port;
}
