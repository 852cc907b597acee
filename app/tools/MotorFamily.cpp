#include "app/tools/MotorFamily.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"

namespace tools {

FamilyTraits FamilyOf(CMotor& motor)
{
    FamilyTraits t;
    // A motor whose version is unknown and cannot be read is shown as an older one.
    try {
        if (motor.IsVersion5())
            t.family = FirmwareFamily::V5;
        else if (motor.IsVersion46Plus())
            t.family = FirmwareFamily::V46;
    } catch (const CVQXException&) {
    }
    t.begins46 = t.family != FirmwareFamily::V5 && motor.IsVersion46();
    t.begins462 = t.family != FirmwareFamily::V5 && motor.IsVersion462();
    return t;
}

} // namespace tools
