#pragma once
// The communication setup wizard's decisions without widgets: the connection choices of the ports
// page, the RS-232 detection of one port as a loop over the detection results and the user's
// answers, the comparison of the detected configuration with the project's, and the two ways the
// project takes it over (replace, or add what is new).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CCommPort;
class CProject;
namespace ui { class IQuestions; }
namespace platform { class ISerialPortProbe; }

namespace setup {

// ---- Page 1: the ports to look at -------------------------------------------------------------
// The working project's ports become the ports of this computer that can be opened: the probe's
// devices and the device paths the project's own serial ports use (a pseudo-terminal, a device
// outside the machine's list), then the Ethernet and USB ports. False when there is none.
bool ListWizardPorts(CProject& working, platform::ISerialPortProbe& probe);

// ---- Page 2: what is connected to each port ----------------------------------------------------
inline constexpr const char* kNoConnection = "No Connection";
struct ConnectionRow {
    std::string name;
    std::string device;               // "Serial Port" column
    std::vector<std::string> choices; // "Connection Type"
    int selected = 0;
    bool enabled = true;
};
inline constexpr int kMaxWizardRows = 10;
ConnectionRow ConnectionRowFor(const CCommPort& port);
// Takes the rows' choices in order: "No Connection" removes the port, the others set its kind and
// motor channel. Ports beyond the rows shown are removed as well.
void ApplyConnections(CProject& working, const std::vector<std::string>& choices);

// ---- RS-232 detection of one port --------------------------------------------------------------
// detect(port, flags, address): the chain detection (address false) or addressing (true); returns
// the result bits.
using ChainDetector = std::function<int(CCommPort& port, int flags, bool address)>;
enum class PortOutcome { Done, Skipped, StopAll };
// Runs the detection until the port is done or the user leaves it; every question is titled
// "Detecting Motors on <name>". Repeats without a question are bounded, so a chain that keeps
// answering the same way cannot hold the wizard.
PortOutcome DetectRS232Port(CCommPort& port, ui::IQuestions& questions, const ChainDetector& detect);
inline constexpr int kMaxSilentRepeats = 5;

// ---- Page 3 --------------------------------------------------------------------------------------
// The highest address of an RS-485 bus scan: 1..100 (unaddressed motors wait at 114).
std::optional<std::string> BusMaxAddressProblem(const std::string& text);

// ---- End of detection ----------------------------------------------------------------------------
// Pairs the working ports with the project's by device name (any letter case); a paired working
// port takes the project port's name and is compared motor by motor; a port without a partner has
// all its motors marked different. True when anything differs.
bool CompareDetectedConfiguration(CProject& project, CProject& working);
// 1235 and page 4: the project's ports become copies of the working ports.
void ReplaceConfiguration(CProject& project, const CProject& working);
// 1237: each working port joins the project port of its device, or is appended. A detected motor
// overwrites the project's motor with its serial number, or else the one at its address; others
// are appended. A motor never takes an address another motor of the port holds, and a port never
// holds more than 120 motors. Returns the count of motors left out.
int AddDetectedConfiguration(CProject& project, const CProject& working);

} // namespace setup
