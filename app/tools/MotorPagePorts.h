#pragma once
// What every polling page of a motor view does on its Poll button: open the motor's port when it
// is closed.

#include <string>

class CMotor;

namespace tools {

// "" when the port is open (or was opened now), else the error text to show.
std::string OpenMotorPort(CMotor* motor);
// Whether the motor's port is open.
bool MotorPortOpen(const CMotor* motor);

} // namespace tools
