#include "app/tools/MotorPagePorts.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

namespace tools {

bool MotorPortOpen(const CMotor* motor)
{
    return motor && motor->GetPort() && motor->GetPort()->isOpen != 0;
}

std::string OpenMotorPort(CMotor* motor)
{
    if (!motor || !motor->GetPort())
        return CVQXException::TextOf(CVQXException::PortNotOpen);
    if (MotorPortOpen(motor))
        return {};
    try {
        motor->GetPort()->OpenPort();
    } catch (const CVQXException& e) {
        return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
    }
    return MotorPortOpen(motor) ? std::string() : CVQXException::TextOf(CVQXException::CannotOpenPort);
}

} // namespace tools
