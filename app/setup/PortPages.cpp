#include "app/setup/PortPages.h"

#include "app/project/Project.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "platform/serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

namespace setup {

namespace {

template <class... Args>
std::string Format(const char* format, Args... args)
{
    const int n = std::snprintf(nullptr, 0, format, args...);
    std::string text(static_cast<size_t>(std::max(n, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

bool Refuse(ui::IQuestions& questions, const std::string& text)
{
    ui::OptionMessageBox(questions, text, ui::MB_OK | ui::MB_ICONHAND);
    return false;
}

} // namespace

std::vector<SerialPortEntry> SerialPortEntries(platform::ISerialPortProbe& probe)
{
    std::vector<SerialPortEntry> entries;
    for (int n = 1; n <= kSerialPortSlots; ++n) {
        std::string name = "Com" + std::to_string(n);
        std::string text = name;
        const bool present = probe.Probe(name) != platform::SerialPresence::NotFound;
        if (!present)
            text += " (N/A)";
        entries.push_back({std::move(text), std::move(name), present});
    }
    const auto listed = [&](const std::string& name) {
        return std::any_of(entries.begin(), entries.end(), [&](const SerialPortEntry& e) { return e.portName == name; });
    };
    for (const platform::SerialDeviceInfo& d : probe.Devices())
        if (!listed(d.PortName()))
            entries.push_back({d.Label(), d.PortName()});
    for (const std::string& name : probe.Candidates())
        if (!name.empty() && name[0] == '/' && !listed(name))
            entries.push_back({name, name});
    return entries;
}

int SerialPortIndexOf(const std::vector<SerialPortEntry>& entries, const std::string& portName)
{
    if (const int n = platform::ComPortNumber(portName); n > 0)
        return n <= kSerialPortSlots && n <= static_cast<int>(entries.size()) ? n - 1 : -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (!portName.empty() && entries[i].portName == portName)
            return static_cast<int>(i);
    return -1;
}

SerialChoice ChooseSerialPort(const std::vector<SerialPortEntry>& entries, int index, const std::string& text,
                              platform::ISerialPortProbe& probe)
{
    if (index >= 0 && index < static_cast<int>(entries.size()) && entries[static_cast<size_t>(index)].text == text) {
        const SerialPortEntry& e = entries[static_cast<size_t>(index)];
        return {e.portName, e.text.find("N/A", 1) == std::string::npos};
    }
    // A typed name: an entry's text or port name, a "Com<n>" of the list, or a device path.
    size_t b = text.find_first_not_of(" \t");
    const size_t e = text.find_last_not_of(" \t");
    const std::string typed = b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
    for (const SerialPortEntry& entry : entries)
        if (!typed.empty() && (entry.text == typed || entry.portName == typed))
            return {entry.portName, entry.text.find("N/A", 1) == std::string::npos};
    if (const int n = platform::ComPortNumber(typed); n >= 1 && n <= kSerialPortSlots) {
        const std::string name = "Com" + std::to_string(n);
        return {name, probe.Probe(name) != platform::SerialPresence::NotFound};
    }
    if (typed.size() > 1 && typed[0] == '/')
        return {typed, probe.Probe(typed) != platform::SerialPresence::NotFound};
    return {};
}

int BaudIndexOf(int bitsPerSecond)
{
    const auto it = std::find(kBaudRates.begin(), kBaudRates.end(), bitsPerSecond);
    return it == kBaudRates.end() ? -1 : static_cast<int>(it - kBaudRates.begin());
}

int ParityIndexOf(int parity)
{
    const auto it = std::find(kParityValues.begin(), kParityValues.end(), parity);
    return it == kParityValues.end() ? -1 : static_cast<int>(it - kParityValues.begin());
}

PortTypeLayout LayoutForType(int checkedType, int storedType)
{
    const auto serial = [](int t) { return t == COMM_RS232 || t == COMM_RS485; };
    PortTypeLayout layout;
    layout.serialControls = serial(checkedType);
    layout.clearSelections = serial(checkedType) && !serial(storedType);
    layout.channelForcedTo0 = checkedType == COMM_RS232;
    layout.channelEnabled = checkedType == COMM_RS485;
    if (layout.serialControls)
        layout.labels = {"Serial Port:", "Baud:", "Parity:", "Motor Channel:"};
    return layout;
}

bool ValidatePortGeneral(CCommPort& port, const std::vector<const CCommPort*>& others,
                         const PortGeneralEntries& e, ui::IQuestions& questions)
{
    port.Name = e.name;
    if (port.Name.empty())
        return Refuse(questions, "You must enter a name for the port!");

    // The table of a port has MaxMotors + 1 entries: a number outside 1..120 never reaches it.
    const std::optional<int> m = FieldInteger(e.maxMotors);
    if (!m || *m < 1 || *m > MAX_MOTOR_ADDRESS)
        return Refuse(questions, "Please enter a value between 1 and 120 for \"Max. Motor Address\".");
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        if (port.motors.GetAt(i)->Address > *m)
            return Refuse(questions,
                          "The specified \"Max. Motor Address\" is smaller than the address of one or more motors "
                          "in this Port. Please enter a valid value for \"Max. Motor Address\".");
    }

    const bool serial = e.type == COMM_RS232 || e.type == COMM_RS485;
    if (serial) {
        if (e.serialPort.empty())
            return Refuse(questions, "Please select a Serial Port.");
        if (e.baudIndex < 0 || e.baudIndex >= static_cast<int>(kBaudRates.size()))
            return Refuse(questions, "Please select the Baudrate value for this port.");
        if (e.parityIndex < 0 || e.parityIndex >= static_cast<int>(kParityValues.size()))
            return Refuse(questions, "Please select the Parity setting for this port.");
        if (e.channelIndex < 0 || e.channelIndex >= static_cast<int>(kChannelNames.size()))
            return Refuse(questions, "Please select the Motor Channel for this port.");
    }

    if (e.type == COMM_ETHERNET || e.type == COMM_USB) {
        for (const CCommPort* other : others) {
            if (other == &port || (port.id >= 0 && other->id == port.id) || other->CommType != e.type)
                continue;
            return Refuse(questions,
                          e.type == COMM_ETHERNET
                              ? Format("Cannot define more than one Ethernet port. Port \"%s\" is already defined "
                                       "as an Ethernet port.",
                                       other->Name.c_str())
                              : Format("Cannot define more than one USB port. Port \"%s\" is already defined as a "
                                       "USB port.",
                                       other->Name.c_str()));
        }
    }
    port.CommType = static_cast<uint8_t>(e.type);

    if (serial) {
        if (!e.serialAvailable &&
            ui::OptionMessageBox(questions,
                                 "The selected communication port is not available on this computer. Do you still "
                                 "want to use the selected communication port?",
                                 ui::MB_YESNO | ui::MB_ICONEXCLAMATION) != ui::IDYES)
            return false;
        port.PortName = e.serialPort;
        port.BitPerSec = kBaudRates[static_cast<size_t>(e.baudIndex)];
        port.Parity = kParityValues[static_cast<size_t>(e.parityIndex)];
        port.SetMaxMotors(*m);
        port.MotorChannel = e.channelIndex;
        return true;
    }
    const bool ethernet = e.type == COMM_ETHERNET;
    port.SetMaxMotors(*m);
    port.BitPerSec = port.savedBitPerSec = ethernet ? 19200 : 38400;
    port.MotorChannel = ethernet ? 1 : 0;
    port.PortName = ethernet ? "ETHERNET" : "USB";
    port.Echo = 0;
    port.Parity = 0;
    return true;
}

std::vector<std::array<std::string, 5>> MotorRows(const CCommPort& port)
{
    std::vector<std::array<std::string, 5>> rows;
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        const CMotor& motor = *port.motors.GetAt(i);
        std::array<std::string, 5> row;
        row[0] = port.CommType == COMM_ETHERNET ? Format("%d(%s)", motor.Address, motor.EthernetAddress().c_str())
                                                : std::to_string(motor.Address);
        row[1] = motor.Name;
        // A model index outside the loaded table shows the model text the motor reported.
        row[2] = IsMotorModelIndex(motor.MotorType) ? MotorModelName(motor.MotorType) : motor.Model;
        row[3] = motor.UseConversionFactor && motor.ConversionFactor != 0
                     ? Format("%.3f %s/Rev", motor.ConversionFactor, motor.Unit.c_str())
                     : "N/A";
        row[4] = motor.Version;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<std::string> MotorListProblem(const CCommPort& port)
{
    const int n = port.motors.GetCount();
    for (int i = 0; i < n; ++i) {
        const CMotor& a = *port.motors.GetAt(i);
        for (int k = i + 1; k < n; ++k) {
            const CMotor& b = *port.motors.GetAt(k);
            if (a.Address == b.Address)
                return Format("Duplicate address for motors \"%s\" and \"%s\"", a.Name.c_str(), b.Name.c_str());
            if (a.Name == b.Name)
                return Format("Duplicate Names for motors \"%s\" and \"%s\"", a.Name.c_str(), b.Name.c_str());
        }
    }
    if (port.CommType != COMM_ETHERNET)
        return std::nullopt;
    for (int i = 0; i < n; ++i) {
        const CMotor& a = *port.motors.GetAt(i);
        for (int k = i + 1; k < n; ++k) {
            const CMotor& b = *port.motors.GetAt(k);
            if (a.EthernetAddress() == b.EthernetAddress())
                return Format("Duplicate IP address for motors \"%s\" and \"%s\"", a.Name.c_str(), b.Name.c_str());
        }
    }
    return std::nullopt;
}

std::optional<std::string> AddMotorToPort(CCommPort& port, std::unique_ptr<CMotor> motor)
{
    if (port.motors.GetCount() >= CMotorList::Capacity)
        return std::string(kTooManyMotors);
    if (motor->Address < 1 || motor->Address > port.MaxMotors)
        return Format("Please enter a motor address between 1 and %d!", port.MaxMotors);
    motor->SetPort(&port);
    CMotor* raw = motor.release();
    port.motors.Add(raw);
    port.RebuildAddressTable();
    return std::nullopt;
}

void DeleteMotorAt(CCommPort& port, int index)
{
    if (port.motors.RemoveAt(index))
        port.RebuildAddressTable();
}

void DeleteAllMotors(CCommPort& port)
{
    port.motors.Clear();
    port.RebuildAddressTable();
}

std::array<std::string, 4> PortRow(const CCommPort& port)
{
    std::array<std::string, 4> row;
    row[0] = port.Name;
    switch (port.CommType) {
    case COMM_RS232: row[1] = "RS-232"; break;
    case COMM_RS485: row[1] = "RS-485"; break;
    case COMM_ETHERNET: row[1] = "Ethernet"; break;
    case COMM_USB: row[1] = "USB"; break;
    default: break;
    }
    if (port.IsSerial()) {
        // Mark and space parity have no letter in the table; they are shown as the letters the
        // line settings use for them.
        static constexpr char kLetters[] = {'N', 'O', 'E', 'M', 'S'};
        const char letter = port.Parity < sizeof kLetters ? kLetters[port.Parity] : '?';
        row[2] = Format("%s,%d,Ch:%d,8%c1", port.PortName.c_str(), port.BitPerSec, port.MotorChannel, letter);
    } else {
        row[2] = '-';
    }
    row[3] = std::to_string(port.MaxMotors);
    return row;
}

std::optional<std::string> PortListProblem(const CProject& project)
{
    const int n = project.PortCount();
    for (int i = 0; i < n; ++i) {
        const CCommPort& a = *project.Port(i);
        for (int k = i + 1; k < n; ++k) {
            const CCommPort& b = *project.Port(k);
            if (a.Name == b.Name)
                return Format("Duplicate names (\"%s\") in ports number %d and %d.", a.Name.c_str(), i + 1, k + 1);
            if (a.IsSerial() && b.IsSerial() && a.PortName == b.PortName)
                return Format("Ports \"%s\" and \"%s\" use the same serial port!\nChange the port for one of them.",
                              a.Name.c_str(), b.Name.c_str());
        }
    }
    return std::nullopt;
}

} // namespace setup
