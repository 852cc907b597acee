#pragma once
// Readable names for the cases of parameterised chain tests: "Chains/X.Y/3Motors_At38400_PortAt9600"
// instead of "Chains/X.Y/1", and the same words when a case is printed.

#include <cstddef>
#include <string>

inline std::string ChainCaseName(size_t motors, int motorBaud, int portBaud)
{
    return std::to_string(motors) + "Motors_At" + std::to_string(motorBaud) + "_PortAt" + std::to_string(portBaud);
}

inline std::string ChainCaseText(size_t motors, int motorBaud, int portBaud)
{
    return std::to_string(motors) + " motors at " + std::to_string(motorBaud) + " Bd, the port at " +
           std::to_string(portBaud) + " Bd";
}
