#include "app/shell/MotorLookup.h"

#include "core/port/CommPort.h"

namespace shell {

CMotor* GetMotorByIndex(const MotorLookupState& s, int portIndex, int address, bool firstMotorFallback)
{
    if (portIndex >= 0 && portIndex < static_cast<int>(s.ports.size()) && s.ports[portIndex])
        return s.ports[portIndex]->GetMotor(address);
    if (!s.currentPort)
        return nullptr;
    CMotor* found = nullptr;
    if (s.currentAddress >= 0)
        found = s.currentPort->GetMotor(s.currentAddress);
    else
        found = s.currentPort->motors.GetAt(0);
    if (found || !firstMotorFallback)
        return found;
    for (CCommPort* port : s.ports)
        if (port && port->MotorCount() > 0)
            return port->motors.GetAt(0);
    return nullptr;
}

} // namespace shell
