#include "core/port/CommPort.h"

// The number of motors in the port's list.
int CCommPort::MotorCount() const { return motors.GetCount(); }
