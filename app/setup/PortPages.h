#pragma once
// The rules of the port dialogs ("Port" and "Motors" pages of "Add New Port" / "Port Properties")
// and of the project's "Ports" page, without widgets: combo contents, the layout per
// communication type, the checks with their messages, the list rows, and the edits of a port's
// motor list. The pages write into a working copy of the port; the caller takes it over on OK.

#include "app/shell/SmallForms.h"
#include "platform/serial/SerialProbe.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
class CProject;
namespace ui { class IQuestions; }

namespace setup {

// ---- "Port" page -----------------------------------------------------------------------------
inline constexpr std::array<int, 7> kBaudRates{2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::array<const char*, 3> kParityNames{"None", "Even", "Odd"};
inline constexpr std::array<uint8_t, 3> kParityValues{0, 2, 1};
inline constexpr std::array<const char*, 2> kChannelNames{"Motor Ch 0", "Motor Ch 1"};
inline constexpr int kSerialPortSlots = 30;

// One line of the serial port list: what it shows and the port name it stands for.
struct SerialPortEntry {
    std::string text;
    std::string portName;
    bool present = true; // false for a "Com<n>" the machine does not have
};
// "Com1".."Com30" (a device that does not exist gets " (N/A)", one that is busy is listed plain),
// then the machine's other serial devices with their USB texts, then any other device path the
// probe knows of.
std::vector<SerialPortEntry> SerialPortEntries(platform::ISerialPortProbe& probe);
// The combo selections of a stored port: -1 where nothing matches (a device path not in the list
// is then shown as typed text).
int SerialPortIndexOf(const std::vector<SerialPortEntry>& entries, const std::string& portName);
// What the serial port field holds: the selected entry, or a typed "Com<n>" (1..30) or absolute
// device path. An empty port name when it is neither; `available` false for an entry marked
// "N/A" and for a typed device that does not exist.
struct SerialChoice {
    std::string portName;
    bool available = true;
};
SerialChoice ChooseSerialPort(const std::vector<SerialPortEntry>& entries, int index, const std::string& text,
                              platform::ISerialPortProbe& probe);
int BaudIndexOf(int bitsPerSecond);
int ParityIndexOf(int parity);

struct PortTypeLayout {
    bool serialControls = true;      // the four combo boxes shown
    bool channelEnabled = true;      // motor channel selectable (RS-485)
    bool channelForcedTo0 = false;   // RS-232 works on channel 0 only
    bool clearSelections = false;    // a serial type chosen for a port stored as Ethernet/USB
    std::array<std::string, 4> labels; // 1456..1459
};
PortTypeLayout LayoutForType(int checkedType, int storedType);
inline constexpr const char* kMaxMotorLabel = "Max Motor Address:";

struct PortGeneralEntries {
    std::string name;
    std::string maxMotors;      // the text of the Max. Motor Address field
    int type = 1;               // the checked radio: 1, 2, 6, 9
    std::string serialPort;     // the chosen serial port (ChooseSerialPort), empty: none
    bool serialAvailable = true;
    int baudIndex = -1;
    int parityIndex = -1;
    int channelIndex = -1;
};
// The page's checks in order; each failure is shown through `questions` and answers false. What
// passed is written into the port (a working copy). `others` are the project's ports (the port
// itself may be among them: it is recognised by its id, -1 for a new port).
bool ValidatePortGeneral(CCommPort& port, const std::vector<const CCommPort*>& others,
                         const PortGeneralEntries& entries, ui::IQuestions& questions);
using shell::FieldInteger;

// ---- "Motors" page ---------------------------------------------------------------------------
inline constexpr std::array<const char*, 5> kMotorColumns{"Address", "Name", "Model", "Scale Factor", "Firmware"};
inline constexpr std::array<int, 5> kMotorColumnWidths{80, 100, 70, 80, 60};
std::vector<std::array<std::string, 5>> MotorRows(const CCommPort& port);
// The first duplicate address, name, or (Ethernet) IP address; none when the list is sound.
std::optional<std::string> MotorListProblem(const CCommPort& port);
// Appends a motor edited in the motor settings dialog and enters it in the address table. A
// message when the port is full or the address lies outside 1..MaxMotors or is taken (the motor
// is then not taken).
std::optional<std::string> AddMotorToPort(CCommPort& port, std::unique_ptr<CMotor> motor);
// Deletes one motor (the following ones move up and are renumbered) or all of them; the address
// table follows.
void DeleteMotorAt(CCommPort& port, int index);
void DeleteAllMotors(CCommPort& port);

// ---- "Ports" page ----------------------------------------------------------------------------
inline constexpr std::array<const char*, 4> kPortColumns{"Name", "Comm. Type", "Settings", "Max Motor Address"};
inline constexpr std::array<int, 4> kPortColumnWidths{120, 80, 120, 110};
std::array<std::string, 4> PortRow(const CCommPort& port);
// The first duplicate port name or shared serial device; none when the list is sound.
std::optional<std::string> PortListProblem(const CProject& project);

// Messages shared by the pages.
inline constexpr const char* kSelectItem = "Please select an item from the list!";
inline constexpr const char* kDeleteMotorQuestion = "Are you sure you want to delete the selected motor?";
inline constexpr const char* kDeleteAllQuestion = "Are you sure you want to delete all motors?";
inline constexpr const char* kDetectQuestion = "This may overwrite motor(s) properties.\nDo you want to proceed?";
inline constexpr const char* kTooManyMotors = "Cannot add more motors.";
inline constexpr const char* kTooManyPorts = "Cannot add more channels.";
inline constexpr const char* kLastPort = "Cannot delete the last channel in a project?";
inline constexpr const char* kDeletePortQuestion = "Are you sure you want to delete the selected port?";

} // namespace setup
