#pragma once
// What the set-up dialogs reach outside the project or port they edit, handed in by whoever opens
// them: the program's context (questions, file choosers, web pages), the firmware versions the
// main frame knows, the query that detects a port's motors, and the serial devices to list.

#include <functional>
#include <string>

namespace commerror {
class ICommErrorHandler;
}
namespace platform {
class ISerialPortProbe;
}
namespace shell {
class CAppContext;
}

namespace setup {

struct SetupServices {
    shell::CAppContext& app;
    // The known firmware versions, "name-" each and "name@" for the default one (none: no list).
    std::function<std::string()> knownVersions;
    // Where Detect on a port's Motors page asks the main frame to detect them (null: Detect only
    // closes the port again).
    commerror::ICommErrorHandler* detect = nullptr;
    // The serial devices to list (null: the machine's).
    platform::ISerialPortProbe* probe = nullptr;
};

} // namespace setup
