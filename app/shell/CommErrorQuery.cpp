#include "app/shell/CommErrorQuery.h"

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"

#include <cstdio>
#include <vector>

namespace commerror {
namespace {

std::string Format(const char* format, const std::string& a)
{
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += a;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string FormatInt(const char* format, long long n)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, format, n);
    return buf;
}

const char* const kPleaseCheck =
    "Please check the power, connections, and port settings. Also please make sure all motors are using the "
    "same baud rate. The baud rate of a motor may be changed by a user program after the motor is reset, or the "
    "user program is run.\n\nDo you want VQX to re-establish communication with the motors?";

const char* const kErrorCommunicating =
    "Error communicating with the motors. Please check the power, connections, and port settings.\n\n"
    "Do you want to try again?";

const char* const kAutoAddressWarning =
    "WARNING!\n\nThis may change the address of motors to values other than what is set in the user program.\n\n"
    "Do you want to continue?";

const char* const kQuintalocHint =
    "\nYou can use \"Communication Setup Wizard\" to automatically assign address to Quintaloc motors.";

// The choice lists.
const std::vector<int> kListA{kTryAgain, kRunSetupWizard, kSearchRS232, kRunLockupWizard, kManualSettings};
const std::vector<int> kListB{kTryAgain, kOtherChannel, kRunSetupWizard, kRunLockupWizard, kManualSettings};
const std::vector<int> kListC{kTryAgain, kSearchRS485, kRunSetupWizard, kRunLockupWizard, kManualSettings};

constexpr int kGiveUp = 0;

// One run of the handler: the port, what it was at the start, and the request word as the
// actions change it.
class RecoveryRun {
public:
    RecoveryRun(CCommPort& port, uint32_t f, ICommErrorActions& actions, ui::IQuestions& questions)
        : m_port(port), m_f(f), m_actions(actions), m_questions(questions), m_startType(port.CommType),
          m_startMax(port.MaxMotors), m_startChannel(port.MotorChannel)
    {
    }

    uint32_t Run(uint32_t r)
    {
        for (;;) {
            const int choice = Choose(r);
            r = Act(choice);
            if (r & kGaveUp)
                RestoreAll();
            if ((r & kAnswerWorks) || (r & kGaveUp))
                return r;
        }
    }

    void RestoreAll()
    {
        m_port.CommType = m_startType;
        m_port.MotorChannel = m_startChannel;
        RestoreMax();
    }

private:
    bool YesNo(const std::string& text, uint32_t icon)
    {
        return ui::OptionMessageBox(m_questions, text, ui::MB_YESNO | icon) == ui::IDYES;
    }

    // The question, then the warning: automatic addressing only with Yes to both.
    int AskAutoAddress(const char* question)
    {
        return YesNo(question, ui::MB_ICONERROR) && YesNo(kAutoAddressWarning, ui::MB_ICONWARNING) ? kReassignAddresses
                                                                                                   : kGiveUp;
    }

    std::string ChoiceLabel(int value) const
    {
        switch (value) {
        case kTryAgain: return "Try again";
        case kSearchBeyondMax:
            return FormatInt("Search for all motors including motors addressed beyond %lld", m_port.MaxMotors);
        case kSearchRS232: return "Search for RS-232 daisy chain motors";
        case kRunSetupWizard: return "Run Communication Setup Wizard";
        case kRunLockupWizard: return "Run Communication Lockup Wizard";
        case kManualSettings: return "Manually define port and motors settings";
        case kSearchRS485: return "Search for RS-485 bus Motors/Quintalocs";
        case kOtherChannel:
            return FormatInt("Search for RS-485 motors connected to channel %lld", 1 - m_port.MotorChannel);
        case kReassignAddresses:
            return "Automatically re-assign addresses to the motors.\nWARNING: This will overwrite preset addresses.";
        }
        return {};
    }

    int ChoiceBox(const std::string& text, const std::vector<int>& values)
    {
        ui::ChoiceRequest request;
        request.text = text;
        request.caption = Format("Detecting motors on \"%s\"", m_port.Name);
        for (size_t i = 0; i < values.size() && i < request.values.size(); ++i) {
            request.values[i] = values[i];
            request.labels[i] = ChoiceLabel(values[i]);
        }
        const ui::ChoiceReply reply = ui::ChoiceBox(m_questions, request);
        for (int v : values)
            if (reply.value == v)
                return v;
        return kGiveUp;
    }

    void RestoreMax() { m_port.SetMaxMotors(m_startMax); }

    // Step 5: a recovery value from the last result and the port's present type.
    int Choose(uint32_t r)
    {
        switch (m_port.CommType) {
        case COMM_RS485:
            if (r & kResultUnaddressed)
                return ChoiceBox(std::string("VQX was not able to establish communication to all motors. Please make sure "
                                             "that each motors is assigned a unique address.") + kQuintalocHint,
                                 kListA);
            if (r & kResultOnlyBroadcast)
                return ChoiceBox(std::string("VQX was not able to establish communication to motors. Please make sure that "
                                             "each motors is assigned a unique address.") + kQuintalocHint,
                                 kListA);
            if (r & kResultAboveMax) {
                const std::string text =
                    FormatInt("VQX has detected that there are some motors that their address is greater than the "
                              "\"Max. Motor Address\"=%lld specified for \"",
                              m_port.MaxMotors) +
                    m_port.Name +
                    FormatInt("\".\n\nDo you want to search for all motors including motors addressed beyond %lld?",
                              m_port.MaxMotors);
                return YesNo(text, ui::MB_ICONWARNING) ? kSearchBeyondMax : kGiveUp;
            }
            if (r & kResultDuplicates)
                return ChoiceBox(std::string("VQX has found one or more motors with the same address. Please make sure "
                                             "that each motors is assigned a unique address.") + kQuintalocHint,
                                 kListA);
            if (r & kResultCommError)
                return YesNo(kErrorCommunicating, ui::MB_ICONERROR) ? kTryAgain : kGiveUp;
            if (r & kResultNoLink) {
                m_port.CommType = COMM_RS232;
                m_port.MotorChannel = m_startChannel;
                RestoreMax();
                if (m_startType == COMM_RS485)
                    return kTryAgain; // the same detection once on RS-232
                return ChoiceBox({}, kListC);
            }
            return kGiveUp; // no case for this result: nothing to offer but Cancel
        case COMM_RS232:
            if (r & kResultUnaddressed)
                return AskAutoAddress("VQX has found some motors that are not addressed in the user program. To be "
                                      "able to communicate with the motors properly, you must assign a unique address "
                                      "to each motor.\n\nDo you want VQX to automatically assign addresses the "
                                      "motors?");
            if (r & kResultOnlyBroadcast)
                return kReassignAddresses;
            if (r & kResultDuplicates)
                return AskAutoAddress("VQX has found one or more motors with the same address. To be able to "
                                      "communicate with the motors properly, each motor must have a unique address."
                                      "\n\nDo you want VQX to automatically address the motors?");
            if (r & kResultCommError)
                return YesNo(kErrorCommunicating, ui::MB_ICONERROR) ? kTryAgain : kGiveUp;
            if (r & kResultAboveMax)
                return ChoiceBox(FormatInt("VQX has detected that there are some motors that their address is beyond "
                                           "\"Max. Motor Address\"=%lld specified for \"",
                                           m_port.MaxMotors) +
                                     m_port.Name + "\".",
                                 {kSearchBeyondMax, kReassignAddresses});
            if (r & kResultNoLink) {
                if (m_startType == COMM_RS485) {
                    m_port.CommType = COMM_RS485;
                    m_port.MotorChannel = m_startChannel;
                    RestoreMax();
                    return ChoiceBox("VQX was not able to establish communication to motors.\nPlease check the power, "
                                     "connections, and port settings and make sure that each motors is assigned a "
                                     "unique address.",
                                     kListB);
                }
                if (m_f & kAddressChain)
                    return ChoiceBox("VQX was not able to establish communication to motors.\nPlease check the power, "
                                     "connections, and port settings",
                                     kListC);
                m_port.CommType = COMM_RS485;
                m_port.MotorChannel = m_startChannel;
                RestoreMax();
                return kTryAgain; // the same detection once on RS-485
            }
            return kGiveUp;
        case COMM_ETHERNET:
            return YesNo(r & kResultNetwork ? "VQX could not communicate over the network. Please check your network "
                                              "settings.\n\nDo you want to try again?"
                                            : "VQX was not able to find any motors on the network. Please check the "
                                              "power, network connections, and port settings.\n\nDo you want to try "
                                              "again?",
                         ui::MB_ICONERROR)
                       ? kTryAgain
                       : kGiveUp;
        case COMM_USB:
            return YesNo(r & kResultNoUsb ? "VQX could not communicate with the USB motors. Please make sure the "
                                            "drivers are installed correctly and at least one USB Motor is connected "
                                            "and powered on.\n\nDo you want to try again?"
                                          : "VQX was not able to find any motors on the USB ports. Please check the "
                                            "power, connections, and port settings.\n\nDo you want to try again?",
                         ui::MB_ICONERROR)
                       ? kTryAgain
                       : kGiveUp;
        }
        return kGiveUp;
    }

    uint32_t Detect(uint32_t flags) { return m_actions.DetectAllMotors(m_port, flags); }

    // "The port settings changed to ..." after a detection that worked on another bus type.
    void ReportTypeChange(uint32_t r)
    {
        if ((r & kAnswerWorks) && m_port.CommType != m_startType && (m_f & kToInfoView))
            m_actions.AddInfoWarning(Format("The port settings changed to %s.",
                                            m_port.CommType == COMM_RS485 ? "RS-485" : "RS-232"));
    }

    // Step 6.
    uint32_t Act(int choice)
    {
        uint32_t r = kGaveUp;
        switch (choice) {
        case kTryAgain:
            r = Detect((m_f & kAddressChain) | 0x10C0000);
            ReportTypeChange(r);
            break;
        case kSearchBeyondMax:
            m_f |= kSearchTo100;
            r = Detect((m_f & kAddressChain) | 0x18C0000);
            ReportTypeChange(r);
            break;
        case kSearchRS232:
            m_port.CommType = COMM_RS232;
            m_port.MotorChannel = 0;
            RestoreMax();
            m_f &= ~kAddressChain;
            r = Detect(0x10C0000);
            ReportTypeChange(r);
            break;
        case kRunSetupWizard:
        case kRunLockupWizard:
        case kManualSettings:
            // The port goes back to what it was before the command sees it.
            RestoreAll();
            m_actions.RunRecoveryCommandFor(choice, m_port);
            r = kGaveUp;
            break;
        case kSearchRS485:
            ui::OptionMessageBox(m_questions,
                                 "If there are version 4.xx motors other than Quintalocs, please power cycle the motors "
                                 "and press OK to continue.",
                                 ui::MB_OK | ui::MB_ICONWARNING);
            m_port.CommType = COMM_RS485;
            m_port.MotorChannel = m_startChannel;
            RestoreMax();
            r = Detect(0x10C0000);
            ReportTypeChange(r);
            break;
        case kOtherChannel:
            m_port.MotorChannel = 1 - m_port.MotorChannel;
            r = Detect(0x10C0000);
            if ((r & kAnswerWorks) && (m_f & kToInfoView)) {
                ReportTypeChange(r);
                if (m_port.MotorChannel != m_startChannel)
                    m_actions.AddInfoWarning(
                        FormatInt("The port settings changed to RS485 Motor Channel %lld.", m_port.MotorChannel));
            }
            break;
        case kReassignAddresses:
            m_port.CommType = COMM_RS232;
            m_port.MotorChannel = 0;
            RestoreMax();
            m_f |= kAddressChain;
            r = Detect(0x14C0000);
            ReportTypeChange(r);
            break;
        default:
            r = kGaveUp;
        }
        return r;
    }

    CCommPort& m_port;
    uint32_t m_f;
    ICommErrorActions& m_actions;
    ui::IQuestions& m_questions;
    const uint8_t m_startType;
    const int m_startMax;
    const int m_startChannel;
};

} // namespace

std::string CCommErrorQuery::QueryTitle(uint32_t code)
{
    switch (code) {
    case 1005: return "No response received!";
    case 1006: return "No echo response received!";
    case 1007: return "Invalid echo response received!";
    case 1011: return "The hardware detected a parity error!";
    case 1012: return "The hardware detected a framing error!";
    case 1013: return "The hardware detected a break condition!";
    }
    return "Communication Error!";
}

std::string CCommErrorQuery::QueryText(uint32_t code, bool motor, const std::string& name)
{
    const char* const kCheckAddress =
        "Please check the power, connections, and port settings. Also please make sure the motor address is "
        "correct. The motor address may be changed by a user program after the motor is reset, or the user program "
        "is run.\n\nDo you want VQX to re-establish communication with the motors?";
    switch (code) {
    case 1005:
        return Format(motor ? "A response was expected from the motor \"%s\", but was not received.\n\n"
                            : "A response was expected from a motor on the port \"%s\", but was not received.\n\n",
                      name) +
               kCheckAddress;
    case 1006:
        return motor ? Format("No echo response was received from the motor \"%s\".\n\nPlease check the power, "
                              "connections, and port settings. Also please make sure echo is on. The \"ECHO\" state of "
                              "a motor may be changed by a user program after the motor is reset, or the user program "
                              "is run.\n\nDo you want VQX to re-establish communication with the motors?",
                              name)
                     : Format("No echo response was received from the motor(s) in the port \"%s\".\n\nPlease check "
                              "the power, connections, and port settings. Also please make sure echo is on. The "
                              "\"ECHO\" state of a motor may be change by a user program after the motor is reset, or "
                              "the user program is run.\n\nDo you want VQX to re-establish communication with the "
                              "motors?",
                              name);
    case 1007:
        return motor ? Format("An Invalid echo response was received from the motor \"%s\". Please check the power, "
                              "connections, and port settings. \n\nDo you want VQX to re-establish communication with "
                              "the motors?",
                              name)
                     : Format("An Invalid echo response was received from the motor(s) in the port \"%s\". Please "
                              "check the power, connections, and port settings.\n\nDo you want VQX to re-establish "
                              "communication with the motors?",
                              name);
    case 1011:
        return Format("A parity error was detected while communicating over the port \"%s\".\n\n", name) + kPleaseCheck;
    case 1012:
        return Format("A framing error was detected while communicating over the port \"%s\".\n\n", name) + kPleaseCheck;
    case 1013:
        return Format("A break condition error was detected while communicating over the port \"%s\".\n\n", name) +
               kPleaseCheck;
    }
    return motor ? Format("A communication error occured when communicating with the motor \"%s\". Please check the "
                          "power, connections, and port settings. \n\nDo you want VQX to re-establish communication "
                          "with the motors?",
                          name)
                 : Format("A communication error occured when communicating over the port \"%s\". Please check the "
                          "power, connections, and port settings.\n\nDo you want VQX to re-establish communication "
                          "with the motors?",
                          name);
}

uint32_t CCommErrorQuery::OnCommError(uint32_t request, Target target)
{
    CMotor* motor = (request & kPortTarget) ? nullptr : target.motor;
    CCommPort* port = (request & kPortTarget) ? target.port : (motor ? motor->port : nullptr);
    if (!port)
        return kGaveUp; // nothing to recover

    if (request & kAskFirst) {
        const uint32_t code = request & kCodeMask;
        const bool lineError = code >= 1011 && code <= 1013; // always named after the port
        const bool forMotor = motor && !lineError;
        uint32_t style = ui::MB_YESNO | ui::MB_ICONERROR | ui::kRememberAnswer;
        if (platform::AppProfile().GetInt(ui::kOptionBoxesSection, "YesDefault", 1) == 0)
            style |= ui::MB_DEFBUTTON2;
        const int answer = ui::OptionMessageBox(m_questions, QueryText(code, forMotor, forMotor ? motor->Name : port->Name),
                                                style, QueryTitle(code), ui::kCheckToDisable, "OnCommError");
        if (answer != ui::IDYES)
            return kGaveUp;
    }

    // What the port was when the request came is what an abandoned recovery puts back.
    RecoveryRun recovery(*port, request, m_actions, m_questions);
    uint32_t r = m_actions.DetectAllMotors(*port, request);
    if (!(r & kAnswerWorks) && !(r & kGaveUp))
        r = recovery.Run(r);
    else if (r & kGaveUp)
        recovery.RestoreAll();
    if (request & kShowSummary)
        m_actions.ShowInfoSummary();
    return r;
}

} // namespace commerror
