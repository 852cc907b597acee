#include "core/port/CommPort.h"

// The number of motors in the port's list. Until the port keeps its own motor list, the motors
// are those its Ethernet/USB links describe (none on a serial port).
int CCommPort::MotorCount() const { return m_motorLinks ? m_motorLinks->Count() : 0; }
