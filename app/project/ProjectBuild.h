#pragma once
// Building the project's programs and putting them into the motors: Compile Project (every
// associated file of every motor), Compile and Download Project (each motor's main file, then the
// downloads when nothing had an error), and the transmission of a compiled file to chosen motors.

#include <cstdint>
#include <string>

class CMotor;
class CProject;
class CScanner;
class ICommandSurroundings;
namespace ui {
class CInfoView;
}

struct BuildResult {
    int files = 0;      // files compiled
    int errors = 0;     // compiler errors over all files
    int written = 0;    // compiled files written
    int downloads = 0;  // motors downloaded to
    bool cancelled = false;
    bool failed = false; // an exception ended the command
};

// Compiles one source for a firmware version, reports it in the information view and writes the
// compiled file when the file had no error. Returns the file's error count; throws CVQXException.
int BuildSourceFile(CScanner& scanner, const std::string& file, const std::string& version, ui::CInfoView& info,
                    ICommandSurroundings& around);

BuildResult CompileProject(CProject& project, CScanner& scanner, ICommandSurroundings& around);
BuildResult CompileAndDownloadProject(CProject& project, CScanner& scanner, ICommandSurroundings& around);

// Transmit a compiled program: portIndex -1 is every port; address 0 all motors of a port at
// once, -1 every motor of the port in turn, else the motor at that address (a temporary motor
// named after the address when the port has none there). A single motor's download that was not
// cancelled ends with the download-done box (Run sends "RUN", Reset "Z").
BuildResult TransmitCompiled(CProject& project, const std::string& file, int portIndex, int address, bool noVerify,
                             ICommandSurroundings& around);
