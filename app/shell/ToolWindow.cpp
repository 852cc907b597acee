#include "app/shell/ToolWindow.h"

#include "core/motor/Motor.h"

namespace shell {

bool SessionChange::Takes(const CMotor* shown) const
{
    if (!shown)
        return false;
    switch (kind) {
    case MotorGoing: return shown == motor;
    case PortGoing: return port && shown->GetPort() == port;
    case PortsChanged:
    case MotorsChanging: return false;
    }
    return false;
}

} // namespace shell
