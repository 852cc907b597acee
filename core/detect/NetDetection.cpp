// Detecting the motors of an Ethernet port, and the questions for a motor that cannot be reached.
#include "core/detect/NetDetection.h"

#include "core/VQXException.h"
#include "core/backends/MotorSocket.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/DetectionRun.h"
#include "core/motor/Motor.h"
#include "core/ui/OperationContext.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "platform/clock/Clock.h"
#include "platform/net/NetSettings.h"

#include <memory>

namespace {

constexpr int kConnectMs = 1000;

int Fail(CCommPort& port, CDetectionProgress& progress, int flags, int result, int code)
{
    progress.Close();
    port.AllVer5s = 0;
    if (flags & DETECT_THROW)
        throw CVQXException(code);
    return result;
}

void WarnLeftOut(const NetMotorRecord& record, const CCommPort& port)
{
    port.Context().Info().AddWarning("The Ethernet motor at " + record.Address() +
                          " was left out: no free address up to the port's Max Motor Address (" +
                          std::to_string(port.MaxMotors) + ").");
}

std::string HostOf(const CMotor& m) { return m.Socket ? m.Socket->IPAddress : std::string(); }

enum class Outcome { Next, Again, Stop };

// One record: connect, enter, identify. Stop and Again end the pass.
Outcome HandleRecord(CCommPort& port, const CCommPort* reference, NetMotorRecord& record, bool& cancelled)
{
    const int k = LowestFreeAddress(port);
    if (k == 0) {
        WarnLeftOut(record, port);
        return Outcome::Next;
    }
    const int tcpPort = platform::net::GetNetSettings().tcpPort;
    auto motor = std::make_unique<CMotor>();
    motor->Address = k;
    motor->Name = DetectedMotorName(k, port);
    motor->SetPort(&port);
    motor->Socket = std::make_shared<CMotorSocket>(record.Address(), tcpPort);
    for (;;) {
        const std::string host = record.Address();
        if (motor->Socket->OpenTCP(&host, tcpPort, kConnectMs))
            break;
        motor->Socket->Close();
        switch (ConfigureNetMotor(port.Context(), record)) {
        case 1:
            continue; // the address changed: try again
        case 2:
            return Outcome::Next;
        case 3:
            return Outcome::Again;
        default:
            cancelled = true;
            return Outcome::Stop;
        }
    }
    CMotor* entered = EnterDetectedMotor(port, k, std::move(motor));
    entered->IsAvailable = true;
    try {
        ReadDetectedIdentity(*entered);
        MatchReferencePort(port, entered, reference, HostOf);
        SimpleCalibrationCheck(port, *entered);
    } catch (const CVQXException&) {
        RemoveDetectedMotor(port, entered);
        return Outcome::Next;
    }
    OrderByAddress(port, entered);
    return Outcome::Next;
}

} // namespace

int DetectNetMotors(CCommPort& port, const CCommPort* reference, int flags)
{
    if (port.CommType != COMM_ETHERNET)
        return DETECT_NONE;
    CDetectionProgress progress(port.Context().Progress(), (flags & DETECT_SHOW_PROGRESS) != 0);
    // Motors of an earlier run must never count as found by this one.
    EmptyMotorList(port);
    progress.Open("Detecting Quintalocs/Tessaraxons on the network", "Finding Ethernet Motors...", false);
    // "Detect again" repeats the whole run.
    for (;;) {
        progress.SubText("Finding Ethernet Motors...");
        progress.Total(10);
        std::vector<NetMotorRecord> records;
        const bool stepsBefore = port.Policy().CountsNetStepsBefore();
        if (!DiscoverNetMotors(port.Context(), records, progress.Shown(), stepsBefore))
            return Fail(port, progress, flags, DETECT_NO_SOCKET, CVQXException::NetworkError);
        progress.Total(static_cast<int64_t>(records.size()));
        progress.SubText("Getting motors information...");
        EmptyMotorList(port);
        if (!records.empty()) {
            port.AllVer5s = 1;
            if (!port.isOpen)
                port.OpenPort(); // no motors yet: opens without connecting anything
        }
        bool again = false;
        for (size_t i = 0; i < records.size() && !again; ++i) {
            if (!stepsBefore)
                progress.Step(static_cast<int64_t>(i));
            bool cancelled = false;
            const Outcome outcome = HandleRecord(port, reference, records[i], cancelled);
            if (cancelled) {
                EmptyMotorList(port);
                progress.Close();
                return DETECT_CANCELLED;
            }
            again = outcome == Outcome::Again;
            if (stepsBefore)
                progress.Step(static_cast<int64_t>(i + 1));
        }
        if (!again)
            break;
        EmptyMotorList(port);
    }
    return EndLinkDetection(port, progress, flags);
}

namespace {

ui::ChoiceRequest Choice(const std::string& text, int helpId, uint32_t flags, std::initializer_list<int> values,
                         std::initializer_list<const char*> labels)
{
    ui::ChoiceRequest r;
    r.text = text;
    r.helpId = helpId;
    r.flags = flags;
    size_t i = 0;
    for (int v : values)
        r.values[i++] = v;
    i = 0;
    for (const char* l : labels)
        r.labels[i++] = l;
    return r;
}

int Ask(ui::COperationContext& context, const ui::ChoiceRequest& r)
{
    const ui::ChoiceReply reply = ui::ChoiceBox(context.Questions(), r);
    return reply.value == ui::IDCANCEL ? 0 : reply.value;
}

const char* kNoteThisComputer =
    "NOTE:\nThe IP address you enter here for the motor must be in the same subnet of this computer.\n\n"
    "Typically the first three numbers must match to be in the same subnet. For more information click 'Help'.";
const char* kNoteNetwork =
    "NOTE:\nThe IP address you enter here for the motor must be in the same subnet of the computer/network.\n\n"
    "Typically the first three numbers must match to be in the same subnet. For more information click 'Help'.";

int StaticAddress(ui::COperationContext& context, NetMotorRecord& record, const char* note)
{
    std::string address = record.Address();
    if (!ui::MotorIPBox(context.Questions(), address, note))
        return 0;
    if (SetNetMotorIP(context, record, address))
        return 1;
    return ui::OptionMessageBox(context.Questions(), "Cannot set new IP Address. Do you want to try again.",
                                ui::MB_YESNO | ui::MB_ICONERROR) == ui::IDYES
               ? 3
               : 0;
}

int DynamicAddress(ui::COperationContext& context, NetMotorRecord& record)
{
    if (SetNetMotorIP(context, record, "0.0.0.0"))
        return 1;
    return ui::OptionMessageBox(context.Questions(), "Cannot communicate with the motor. Do you want to try again.",
                                ui::MB_YESNO | ui::MB_ICONERROR) == ui::IDYES
               ? 3
               : 0;
}

// "Configure the motor on power up to:": the first answer (dynamic) is `dynamic`, the static one
// follows it.
int PowerUpChoice(ui::COperationContext& context, NetMotorRecord& record, int helpId, int dynamic, const char* dynamicLabel, const char* note)
{
    const int answer = Ask(context, Choice("Configure the motor on power up to:", helpId, 0, {dynamic, dynamic + 1},
                                  {dynamicLabel, "Use a static IP address."}));
    if (answer == dynamic)
        return DynamicAddress(context, record);
    if (answer == dynamic + 1)
        return StaticAddress(context, record, note);
    return 0;
}

int ChangeThisComputer(ui::COperationContext& context, const NetMotorRecord& record)
{
    ui::ShowChangeIPHelp(context.Questions());
    ui::OptionMessageBox(context.Questions(), "The motor's IP address is:\n    " + record.Address() +
                             "\n\nUse the instruction provided to assign an IP address (in the motor's subnet) to "
                             "this computer.",
                         ui::MB_OK);
    return 0;
}

int WaitForServer(ui::COperationContext& context)
{
    ui::IProgress& progress = context.Progress();
    ui::CWaitStep wait(progress, std::string("Waiting for the motor to get a valid IP address"), std::string());
    progress.SetCancelVisible(true);
    progress.SetTotal(300);
    for (int step = 1; step <= 300; ++step) {
        platform::SleepMs(100);
        if (!progress.Step(step))
            return 0;
    }
    return 3;
}

} // namespace

int ConfigureNetMotor(ui::COperationContext& context, NetMotorRecord& record)
{
    const std::string a = "An Ethernet Motor was found with IP Address:\n    " + record.Address() +
                          "\n\nHowever VQX is not able to communicate with this motor. The motor's IP address may be "
                          "on a different subnet.\n";
    constexpr uint32_t next = ui::kChoiceNext;
    switch (Ask(context, Choice(a, 176, next, {101, 102},
                       {"Change settings of the motor or computer to communicate with the motor.",
                        "Ignore this motor and continue detecting other motors."}))) {
    case 102:
        return 2;
    case 101:
        break;
    default:
        return 0;
    }
    switch (Ask(context, Choice(a, 179, next, {103, 104},
                       {"Connect this computer to the motor.", "Configure the motor to be used with another Network/Computer"}))) {
    case 103:
        switch (Ask(context, Choice("Select one of the options below.\n\nIf you have a computer that is connected to a motor "
                           "with a cross-over cable, select the first option.",
                           181, next, {105, 106},
                           {"This computer is not on a network, or the network does not have a server.",
                            "This computer is on a network with a Server."}))) {
        case 105:
            switch (Ask(context, Choice("To be able to connect to the motor, you must change the IP address of either the motor "
                               "or this computer.",
                               183, 0, {107, 108},
                               {"Change the IP address of motor.", "Change the IP address of this computer."}))) {
            case 107:
                return StaticAddress(context, record, kNoteThisComputer);
            case 108:
                return ChangeThisComputer(context, record);
            default:
                return 0;
            }
        case 106:
            switch (Ask(context, Choice("If the motor is set to automatically get an IP address from a server, it may take some "
                               "time for the server to assign a valid IP address. You can wait for the motor to get "
                               "an IP address or continue this wizard.",
                               184, next, {109, 110},
                               {"Wait for the motor to get an IP address from the server.",
                                "Configure the nerwork settings to enable communication."}))) {
            case 109:
                return WaitForServer(context);
            case 110:
                switch (Ask(context, Choice("To be able to connect to the motor, you must change the IP address of either the "
                                   "motor or this computer.",
                                   187, next, {111, 112},
                                   {"Change the network settings of the motor (Recommended).",
                                    "Change the network settings of this computer."}))) {
                case 111:
                    return PowerUpChoice(context, record, 188, 113, "Get an IP address dynamically. (Recommended)",
                                         kNoteThisComputer);
                case 112:
                    return ChangeThisComputer(context, record);
                default:
                    return 0;
                }
            default:
                return 0;
            }
        default:
            return 0;
        }
    case 104:
        switch (Ask(context, Choice("Select one of the options below.", 182, next, {115, 116},
                           {"The network does not have a server. (typically single computer and motors)",
                            "The network has a server."}))) {
        case 115:
            return StaticAddress(context, record, kNoteNetwork);
        case 116:
            return PowerUpChoice(context, record, 189, 117, "Get an IP address dynamically.(Recommended)", kNoteNetwork);
        default:
            return 0;
        }
    default:
        return 0;
    }
}
