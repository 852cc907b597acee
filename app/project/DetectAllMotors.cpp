#include "app/project/DetectAllMotors.h"

#include "app/project/DifferentSettings.h"
#include "app/project/PollingHeld.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "app/shell/CommError.h"
#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/NetDetection.h"
#include "core/detect/RS232Chain.h"
#include "core/detect/RS485Bus.h"
#include "core/detect/USBDetection.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"

#include <memory>

namespace {

std::string Quoted(const char* text, const std::string& name) { return std::string(text) + "\"" + name + "\""; }

const char* PaneStartText(const CCommPort& port, uint32_t flags)
{
    switch (port.CommType) {
    case COMM_RS232:
        return flags & kDetectAddressChain ? "\n  Addressing the Motors (RS232)..." : "\n  Detecting the Motors (RS232)...";
    case COMM_RS485: return "\n  Detecting the Motors (RS485)...";
    case COMM_ETHERNET: return "\n  Detecting the Motors (Ethernet)...";
    case COMM_USB: return "\n  Detecting the USB Motors ...";
    }
    return "";
}

std::string InfoStartText(const CCommPort& port, uint32_t flags)
{
    switch (port.CommType) {
    case COMM_RS232:
        return flags & kDetectAddressChain ? Quoted("Addressing the motors connected to port: ", port.Name)
                                           : Quoted("Detecting Tessaraxons on RS-232 daisy chain: ", port.Name);
    case COMM_RS485: return Quoted("Detecting Quintalocs/Tessaraxons on RS-485 bus: ", port.Name);
    case COMM_ETHERNET: return "Detecting Quintalocs/Tessaraxons on the network";
    case COMM_USB: return "Detecting USB motors";
    }
    return {};
}

// The failure codes and their texts ("occured" as the program has always written it).
const char* FailureText(int code)
{
    switch (code) {
    case DETECT_UNADDRESSED: return "Some motors are not addressed in their user program.";
    case DETECT_ABOVE_MAX: return "The address of some motors is bigger than the specified Max. Motor Address.";
    case DETECT_LINE_GARBAGE: return "Duplicate motor addresses found.";
    case DETECT_FAILED: return "A communication error occured.";
    case DETECT_NONE: return "Cannot establish a link to Motors!";
    case DETECT_NO_SOCKET: return "A network error occurred!";
    case DETECT_NO_USB_LIBRARY: return "Cannot communicate with any USB motor!";
    case DETECT_CANCELLED: return "Canceled by the user!";
    }
    return nullptr;
}

std::string DetectedCountText(int n)
{
    return n == 1 ? "One motor was detected." : std::to_string(n) + " motors were detected.";
}

void MarkNotAvailable(CCommPort& port)
{
    for (int i = 0; i < port.MotorCount(); ++i)
        port.motors.GetAt(i)->IsAvailable = 0;
}

int RunDetection(CCommPort& copy, const CCommPort& reference, uint32_t flags)
{
    const int f = static_cast<int>(flags & ~commerror::kCodeMask); // the request's error code is no flag
    switch (copy.CommType) {
    case COMM_RS232: return flags & kDetectAddressChain ? AddressServos(copy, f) : DetectRS232Chain(copy, f);
    case COMM_RS485: return ScanRS485Addresses(copy, f);
    case COMM_ETHERNET: return DetectNetMotors(copy, &reference, f);
    case COMM_USB: return DetectUSBMotors(copy, &reference, f);
    }
    return DETECT_NONE;
}

// The project's port becomes the detected one (settings and motors), keeping its place.
void Replace(CCommPort& port, const CCommPort& detected)
{
    const int id = port.id;
    CPortPolicy& policy = port.Policy();
    port = detected;
    port.id = id;
    port.SetPolicy(&policy);
    port.RebuildAddressTable();
}

} // namespace

void AllMotorsChanging(CProject& project, IDetectionSurroundings& surroundings)
{
    for (int i = 0; i < project.PortCount(); ++i)
        if (CCommPort* port = project.Port(i))
            surroundings.MotorsChanging(*port);
}

bool MergeDetectedMotors(CCommPort& port, const CCommPort& detected, int answer)
{
    if (answer == kMergeReplace) {
        Replace(port, detected);
        return true;
    }
    if (answer != kMergeAddNew && answer != kMergeAddAndUpdate)
        return false;
    bool changed = false;
    if (detected.MaxMotors > port.MaxMotors) {
        port.SetMaxMotors(detected.MaxMotors);
        changed = true;
    }
    for (int i = 0; i < detected.MotorCount(); ++i) {
        const CMotor* d = detected.motors.GetAt(i);
        if (d->Address < 1 || d->Address > MAX_MOTOR_ADDRESS)
            continue; // never beyond the address table
        if (CMotor* existing = port.GetMotor(d->Address)) {
            if (answer == kMergeAddAndUpdate) {
                *existing = *d;
                existing->port = &port;
                changed = true;
            }
            continue;
        }
        auto made = std::make_unique<CMotor>(*d);
        made->port = &port;
        try {
            OrderByAddress(port, EnterDetectedMotor(port, d->Address, std::move(made)));
            changed = true;
        } catch (const CVQXException&) {
            // The list is full (120 motors): the rest is left out.
        }
    }
    return changed;
}

uint32_t DetectAllMotors(CProject& project, CCommPort& port, uint32_t flags, IDetectionSurroundings& s)
{
    ProgramTag tag(&port);
    // The copy holds the project's port closed until the end: no window polls it meanwhile.
    PollingHeld held(project);
    const int pane = port.id;
    const bool toPane = flags & kDetectToPane;
    const bool toInfo = flags & kDetectToInfo;
    const bool wasOpen = port.isOpen != 0;
    auto reopen = [&] {
        if (wasOpen && !port.isOpen)
            try {
                port.OpenPort();
            } catch (const CVQXException&) {
            }
    };
    if (toPane)
        s.ShowPortText(pane, PaneStartText(port, flags));

    // The copy: a failed or refused detection leaves the project's port as it was.
    auto copy = std::make_unique<CCommPort>();
    *copy = port; // closes the project's port, which the copy now uses
    copy->SetPolicy(&port.Policy());
    copy->SetContext(&port.Context());
    EmptyMotorList(*copy);
    if (flags & kDetectTo100)
        copy->SetMaxMotors(100);
    if (toInfo)
        port.Context().Info().AddInfo(InfoStartText(port, flags));

    int result;
    try {
        copy->OpenPort();
        result = RunDetection(*copy, port, flags);
        copy->ClosePort();
    } catch (const CVQXException& e) {
        copy->ClosePort();
        const std::string text = e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
        if (toPane)
            s.ShowPortError(pane, text);
        if (toInfo)
            port.Context().Info().AddError(text);
        MarkNotAvailable(port);
        s.PortsChanged();
        reopen();
        if (flags & kDetectThrow)
            throw;
        return DETECT_NONE;
    }

    if (const char* failure = FailureText(result)) {
        if (toPane)
            s.ShowPortText(pane, std::string("\n  ") + failure + "\n");
        if (toInfo)
            port.Context().Info().AddError(failure);
        if (result == DETECT_FAILED || result == DETECT_NONE || result == DETECT_NO_SOCKET ||
            result == DETECT_NO_USB_LIBRARY) {
            MarkNotAvailable(port);
            s.PortsChanged();
        }
        reopen();
        return static_cast<uint32_t>(result);
    }
    if (result == DETECT_ONLY_BROADCAST) {
        reopen();
        return DETECT_ONLY_BROADCAST;
    }

    // A finished detection.
    const int found = copy->MotorCount();
    uint32_t answer;
    if (port.MotorCount() == 0 || (flags & kDetectTakeAsFound)) {
        s.MotorsChanging(port);
        Replace(port, *copy);
        project.modified = true;
        if (toInfo)
            port.Context().Info().AddInfo(DetectedCountText(found));
        answer = commerror::kPortReplaced;
    } else {
        port.calibrationWarnings = copy->calibrationWarnings;
        if (project.isDefault && toInfo)
            port.Context().Info().AddInfo(DetectedCountText(found));
        const bool differs = copy->MergeDetected(port);
        if (!differs) {
            if (!project.isDefault && toInfo)
                port.Context().Info().AddInfo(DetectedCountText(found));
            answer = commerror::kPortUnchanged;
        } else if (project.isDefault) {
            s.MotorsChanging(port);
            Replace(port, *copy);
            project.modified = true;
            answer = commerror::kPortReplaced;
        } else {
            const int choice = DoModalOrRemembered([&] { return s.AskDifferentSettings(port, *copy); });
            if (choice == kMergeIgnore) {
                answer = commerror::kAnswerWorks;
            } else if (choice == kMergeReplace || choice == kMergeAddNew || choice == kMergeAddAndUpdate) {
                s.MotorsChanging(port);
                const bool changed = MergeDetectedMotors(port, *copy, choice);
                if (changed)
                    project.modified = true;
                answer = changed || choice != kMergeAddNew ? commerror::kPortReplaced : commerror::kPortUnchanged;
            } else {
                answer = commerror::kPortUnchanged; // resolved motor by motor in the dialog
            }
        }
    }
    if (toPane)
        s.ShowPortText(pane, " Done\n");
    copy.reset();
    try {
        port.OpenPort();
    } catch (const CVQXException&) {
    }
    // The port addresses the motor its terminal tab talks to again (before the tabs are shown
    // again: they follow the motor the port addresses).
    if (const int target = s.TargetAddress(pane); target >= 0 && port.isOpen) {
        try {
            port.SelectMotor(target);
        } catch (const CVQXException&) {
        }
    }
    s.PortsChanged();
    return answer;
}

uint32_t CProjectRecoveryActions::DetectAllMotors(CCommPort& port, uint32_t flags)
{
    return ::DetectAllMotors(m_project, port, flags, m_surroundings);
}

void CProjectRecoveryActions::RunRecoveryCommand(int choice)
{
    if (m_runCommand)
        m_runCommand(choice);
}

void CProjectRecoveryActions::RunRecoveryCommandFor(int choice, CCommPort& port)
{
    if (!runCommandFor) {
        RunRecoveryCommand(choice);
        return;
    }
    int index = -1;
    for (int i = 0; i < m_project.PortCount(); ++i)
        if (m_project.Port(i) == &port)
            index = i;
    runCommandFor(choice, index);
}

void CProjectRecoveryActions::AddInfoWarning(const std::string& text) { m_project.Context().Info().AddWarning(text); }

void CProjectRecoveryActions::ShowInfoSummary()
{
    ui::COperationContext& context = m_project.Context();
    context.Info().ShowSummary(true, true, context.Questions());
}
