#pragma once
// Which device a port name opens.

#include <string>

namespace platform {

// A registered fake line's name and an absolute path are used as they are. "Com<n>" (any letter
// case, n >= 1) is looked up as value "Com<n>" of Software\Korvessan\Ports (user, then machine)
// and else stands for /dev/ttyS<n-1>. Any other name is a device under /dev.
std::string ResolveSerialPortName(const std::string& name);

// The number n of a name "Com<n>", or 0 when the name has another form.
int ComPortNumber(const std::string& name);

} // namespace platform
