#include "app/setup/WizardFlow.h"

#include "app/project/Project.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "platform/serial/SerialProbe.h"

#include <algorithm>
#include <cctype>

namespace setup {

namespace {

bool SameDevice(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

CCommPort* PartnerOf(const CProject& project, const CCommPort& port)
{
    for (int i = 0; i < project.PortCount(); ++i)
        if (SameDevice(project.Port(i)->PortName, port.PortName))
            return project.Port(i);
    return nullptr;
}

// The probe with more candidates: the devices the project used.
class WithDevices final : public platform::ISerialPortProbe {
public:
    WithDevices(platform::ISerialPortProbe& probe, std::vector<std::string> more) : m_probe(probe), m_more(std::move(more)) {}
    std::vector<std::string> Candidates() override
    {
        std::vector<std::string> names = m_probe.Candidates();
        for (const std::string& name : m_more)
            if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameDevice(n, name); }))
                names.push_back(name);
        return names;
    }
    platform::SerialPresence Probe(const std::string& name) override { return m_probe.Probe(name); }

private:
    platform::ISerialPortProbe& m_probe;
    std::vector<std::string> m_more;
};

} // namespace

bool ListWizardPorts(CProject& working, platform::ISerialPortProbe& probe)
{
    std::vector<std::string> used;
    for (int i = 0; i < working.PortCount(); ++i)
        if (working.Port(i)->IsSerial() && !working.Port(i)->PortName.empty() && working.Port(i)->PortName[0] == '/')
            used.push_back(working.Port(i)->PortName);
    while (working.PortCount() > 0)
        working.RemovePort(working.PortCount() - 1);
    WithDevices all(probe, used);
    working.EnumSerialPorts(all);
    for (int i = working.PortCount(); i-- > 0;)
        if (working.Port(i)->IsSerial() && probe.Probe(working.Port(i)->PortName) != platform::SerialPresence::Present)
            working.RemovePort(i);
    return working.PortCount() > 0;
}

ConnectionRow ConnectionRowFor(const CCommPort& port)
{
    ConnectionRow row;
    row.name = port.Name;
    row.choices = {"RS-232", "RS-485 Motor Ch 0", "RS-485 Motor Ch 1", kNoConnection};
    if (port.CommType == COMM_ETHERNET) {
        row.device = "Network";
        row.choices.push_back("Ethernet");
        row.selected = 4;
        row.enabled = false;
    } else if (port.CommType == COMM_USB) {
        row.device = "USB";
        row.choices.push_back("Ethernet");
        row.choices.push_back("USB");
        row.selected = 5;
        row.enabled = false;
    } else {
        row.device = port.PortName;
        row.selected = port.CommType == COMM_RS485 ? (port.MotorChannel == 1 ? 2 : 1) : 0;
    }
    return row;
}

void ApplyConnections(CProject& working, const std::vector<std::string>& choices)
{
    int row = 0;
    for (int i = 0; i < working.PortCount();) {
        const std::string choice = row < static_cast<int>(choices.size()) && row < kMaxWizardRows
                                       ? choices[static_cast<size_t>(row)]
                                       : std::string(kNoConnection);
        ++row;
        CCommPort& port = *working.Port(i);
        if (choice == kNoConnection) {
            working.RemovePort(i);
            continue;
        }
        if (choice == "RS-232") {
            port.CommType = COMM_RS232;
            port.MotorChannel = 0;
        } else if (choice == "RS-485 Motor Ch 0" || choice == "RS-485 Motor Ch 1") {
            port.CommType = COMM_RS485;
            port.MotorChannel = choice.back() == '1' ? 1 : 0;
        } else if (choice == "Ethernet") {
            port.CommType = COMM_ETHERNET;
            port.MotorChannel = 1;
        } else if (choice == "USB") {
            port.CommType = COMM_USB;
            port.MotorChannel = 0;
        }
        // Only the motors of an RS-232 chain echo what they hear.
        port.Echo = port.CommType == COMM_RS232 ? 1 : 0;
        ++i;
    }
}

PortOutcome DetectRS232Port(CCommPort& port, ui::IQuestions& questions, const ChainDetector& detect)
{
    const std::string title = "Detecting Motors on " + port.Name;
    auto yes = [&](const char* text) {
        return ui::OptionMessageBox(questions, text, ui::MB_YESNO | ui::MB_ICONQUESTION, title) == ui::IDYES;
    };
    bool address = false;
    bool raised = false;
    int silent = 0;
    for (;;) {
        const int flags = raised ? 0x1800000 : 0x1000000;
        const int result = detect(port, address ? 0x1000000 : flags, address);
        address = false;
        if (result & 1)
            return PortOutcome::Done;
        bool repeatSilently = false;
        if (result & 2) {
            if (!yes("VQX has found some motors that are not addressed in the user program. To be able to communicate "
                     "with the motors properly, each motor must have a unique address.\n\nDo you want VQX to "
                     "automatically assign addresses the motors?") ||
                !yes("WARNING!\n\nThis may change the address of motors to values other than what is set in the user "
                     "program. Do you want to continue?Click \"Yes\" to automatically assign address to all motors.\n"
                     "Click \"No\" to skip this port and continue"))
                return PortOutcome::Skipped;
            address = true;
        } else if (result & 0x10) {
            address = true;
            repeatSilently = true;
        } else if (result & 8) {
            if (!yes("VQX has found one or more motors with the same address. To be able to communicate with the "
                     "motors properly, each motor must have a unique address.\n\nDo you want VQX to automatically "
                     "address the motors?") ||
                !yes("WARNING!\n\nThis may change the address of motors to values other than what is et in the user "
                     "program. Do you want to continue?\n\nClick \"Yes\" to automatically assign address to all "
                     "motors.\nClick \"No\" to skip this port and continue"))
                return PortOutcome::Skipped;
            address = true;
        } else if (result & 0x20) {
            if (!yes("Error communicating with the motors. Please check the power, connections, and port settings.\n\n"
                     "Do you want to try again?"))
                return PortOutcome::Skipped;
        } else if (result & 4) {
            port.SetMaxMotors(100);
            raised = true;
            repeatSilently = true;
        } else if (result & 0x40) {
            if (!yes("VQX was not able to establish communication to motors.\n\nPlease check the power, "
                     "connections, and port settings.\n\nDo you want to try again?"))
                return PortOutcome::Skipped;
        } else if (result & 0x40000) {
            return yes("Do you want continue with the next RS-232 port?") ? PortOutcome::Skipped : PortOutcome::StopAll;
        } else {
            // Any other result leaves the port as it is.
            return PortOutcome::Skipped;
        }
        silent = repeatSilently ? silent + 1 : 0;
        if (silent > kMaxSilentRepeats)
            return PortOutcome::Skipped;
    }
}

std::optional<std::string> BusMaxAddressProblem(const std::string& text)
{
    size_t i = 0;
    int value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && value <= 100; ++i)
        value = value * 10 + (text[i] - '0');
    if (text.empty() || i != text.size() || value < 1 || value > 100)
        return std::string("Please enter a number between 1 and 100 for the highest address used in the RS485 bus.");
    return std::nullopt;
}

bool CompareDetectedConfiguration(CProject& project, CProject& working)
{
    bool differs = false;
    auto markAll = [&](CCommPort& port) {
        for (int m = 0; m < port.motors.GetCount(); ++m) {
            port.motors.GetAt(m)->diffMask = MOTOR_DIFF_UNMATCHED;
            port.motors.GetAt(m)->linked = nullptr;
            differs = true;
        }
    };
    for (int i = 0; i < working.PortCount(); ++i) {
        CCommPort& w = *working.Port(i);
        if (CCommPort* p = PartnerOf(project, w)) {
            w.Name = p->Name;
            differs = w.MergeDetected(*p) || differs;
        } else {
            markAll(w);
        }
    }
    for (int i = 0; i < project.PortCount(); ++i)
        if (!PartnerOf(working, *project.Port(i)))
            markAll(*project.Port(i));
    return differs;
}

void ReplaceConfiguration(CProject& project, const CProject& working)
{
    while (project.PortCount() > 0)
        project.RemovePort(project.PortCount() - 1);
    for (int i = 0; i < working.PortCount(); ++i) {
        auto copy = std::make_unique<CCommPort>();
        *copy = *working.Port(i);
        project.AddPort(std::move(copy));
    }
    project.modified = true;
}

int AddDetectedConfiguration(CProject& project, const CProject& working)
{
    int leftOut = 0;
    for (int i = 0; i < working.PortCount(); ++i) {
        const CCommPort& w = *working.Port(i);
        CCommPort* p = PartnerOf(project, w);
        if (!p) {
            auto copy = std::make_unique<CCommPort>();
            *copy = w;
            if (!project.AddPort(std::move(copy)))
                leftOut += w.motors.GetCount();
            continue;
        }
        if (w.MaxMotors > p->MaxMotors)
            p->SetMaxMotors(w.MaxMotors);
        for (int m = 0; m < w.motors.GetCount(); ++m) {
            const CMotor& d = *w.motors.GetAt(m);
            if (d.Address < 1 || d.Address > p->MaxMotors) {
                ++leftOut;
                continue;
            }
            CMotor* bySerial = p->FindMotorByUid(d.SerialNumber);
            CMotor* atAddress = p->GetMotor(d.Address);
            // The address decides when the serial number's motor would land on another's address.
            CMotor* target = bySerial && (!atAddress || atAddress == bySerial) ? bySerial : atAddress;
            if (target) {
                const int index = target->GetListIndex();
                *target = d;
                target->SetPort(p);
                target->SetListIndex(index);
            } else if (p->motors.GetCount() < CMotorList::Capacity) {
                auto* made = new CMotor(d);
                made->SetPort(p);
                p->motors.Add(made);
            } else {
                ++leftOut;
                continue;
            }
            p->RebuildAddressTable();
        }
    }
    project.modified = true;
    return leftOut;
}

} // namespace setup
