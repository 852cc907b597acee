#pragma once
// GetMotorByIndex: the motor a command or a tool means, by port index and address, or else the
// terminal's current motor. The frame gives the project's ports and the terminal's choice
// (IFrameSite::MotorLookup).

#include <vector>

class CCommPort;
class CMotor;

namespace shell {

struct MotorLookupState {
    std::vector<CCommPort*> ports;    // the project's ports, in order
    CCommPort* currentPort = nullptr; // the terminal's current port; null when none
    int currentAddress = -1;          // its current target address; below 0 when none is set
};

// A valid port index: that port's motor at the address (none when there is none). Otherwise the
// current motor: none without a current port; the current port's motor at the current address when
// one is set and found; the current port's first motor when none is set. Failing that, with
// `firstMotorFallback`, the first motor of the first port that has motors. Tools that move motors
// pass false: a guess could aim motion at the wrong motor.
CMotor* GetMotorByIndex(const MotorLookupState& state, int portIndex, int address, bool firstMotorFallback = true);

} // namespace shell
