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

// A page's Poll button: the page polls when its motor's port is open or could be opened now;
// returns the error text otherwise.
template <class Page>
std::string StartPagePolling(Page& page, CMotor* motor)
{
    const std::string error = OpenMotorPort(motor);
    page.SetPolling(error.empty());
    return error;
}

} // namespace tools
