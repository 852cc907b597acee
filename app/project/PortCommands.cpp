#include "app/project/PortCommands.h"

#include "app/project/CommandSurroundings.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "core/VQXException.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"

namespace {

constexpr const char* kEchoOnlyRS232 = "Echo is available only for RS-232 daisy chain configuration.";

constexpr const char* kOneMotorWarning =
    "Warning!\n\nCalibration has not finished successfully for the detected Quintaloc(TM) motor.";
constexpr const char* kSeveralMotorsWarning =
    "Warning!\n\nCalibration has not finished successfully for one or more Quintaloc(TM) motors. Please refer to "
    "the warning messages in the Information View for more information.";
constexpr const char* kVerifyWarning =
    "WARNING:\n\n1)  Motor will move at half-power for several seconds in both directions numerous times.  Motor "
    "body must be secured from rotating or moving and motor shaft must be disconnected from equipment.\n\n2)  "
    "Validity of the test depends on constant shaft conditions.  If the shaft is not free spinning, results will be "
    "affected by any external directional imbalance to shaft rotation.";
constexpr const char* kRecalibrateWarning =
    "WARNING:\n\n1)  INDEX CALIBRATION WAS SET IN THE FACTORY.  IF THE MOTOR HAS NOT BEEN DISASSEMBLED, "
    "RE-CALIBRATION IS NOT NECESSARY.\n\n2)  Motor will move at half-power for several seconds in both directions "
    "numerous times.  Motor body must be secured from rotating or moving and motor shaft must be disconnected from "
    "equipment.\n\n3)  Index calibration is determined by finding the value causing the optimum symmetry of "
    "movement in both directions.  Validity of the index calibration depends on constant shaft conditions.  If the "
    "shaft is not free spinning, results will be affected by any external directional imbalance to shaft "
    "rotation. ";
constexpr const char* kProgramWarning =
    "WARNING:\n\n1)  The user program in the motor will be overwritten.  Make sure you have a copy of your user "
    "program.  If you don't have a copy of the user program in the motor, click the \"Cancel\" button and upload "
    "the user program and save it before proceeding.\n\n2)  The calibration program in the motor will be "
    "overwritten by an Korvessan Standard Calibration Program.  If you have a customized calibration program in "
    "the motor, make sure you have a copy of it on your computer.  If you don't have a copy of your customized "
    "calibration program, click the \"Cancel\" button and upload the calibration program and save it before "
    "proceeding.\n\n";

std::string ErrorText(const CVQXException& e)
{
    return e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
}

} // namespace

bool CalibrationWarningsAccepted(ui::IQuestions& questions, bool verify)
{
    const uint32_t style = ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION;
    if (verify)
        return ui::OptionMessageBox(questions, kVerifyWarning, style, "Verify Quintaloc Index Calibration") == ui::IDOK &&
               ui::OptionMessageBox(questions, kProgramWarning, style, "Verify Quintaloc Index Calibration") == ui::IDOK;
    return ui::OptionMessageBox(questions, kRecalibrateWarning, style, "Quintaloc Index Re-Calibration") == ui::IDOK &&
           ui::OptionMessageBox(questions, kProgramWarning, style, "Quintaloc Index Recalibration") == ui::IDOK;
}

void SetPortEcho(CProject& project, int portIndex, bool on, ICommandSurroundings& around)
{
    CCommPort* port = project.Port(portIndex);
    if (!port)
        return;
    if (on && port->CommType != COMM_RS232) {
        around.ShowPortText(portIndex, kEchoOnlyRS232);
        return;
    }
    ProgramTag tag(port);
    try {
        port->SetEchoMode(on);
        around.ShowPortText(portIndex, on ? "Echo Turned On" : "Echo Turned Off");
    } catch (const CVQXException& e) {
        around.ShowPortError(portIndex, ErrorText(e));
        project.Context().Info().AddException(e);
        if (on)
            around.CommError(commerror::kTerminalOperationFailed | static_cast<uint32_t>(e.GetCode() & 0xFFFF),
                             commerror::Target::Port(port));
    }
}

void SetPortBaud(CProject& project, int portIndex, int baud, ICommandSurroundings& around)
{
    CCommPort* port = project.Port(portIndex);
    if (!port || !port->isOpen)
        return;
    ProgramTag tag(port);
    try {
        port->SetMotorsBaudRate(baud);
        around.ShowPortText(portIndex, "New Baudrate: " + std::to_string(baud));
        around.PortSettingsChanged(portIndex);
        around.RebuildTree(false);
    } catch (const CVQXException& e) {
        around.ShowPortError(portIndex, ErrorText(e));
        project.Context().Info().AddError(ErrorText(e));
    }
}

CalibrationChoice CalibrationFollowUp(CProject& project, int portIndex)
{
    CCommPort* port = project.Port(portIndex);
    if (!port || port->calibrationWarnings == 0)
        return CalibrationChoice::None;
    ui::IQuestions& questions = project.Context().Questions();
    if (port->MotorCount() == 1 && port->calibrationWarnings == 1000) {
        ui::MessageBoxRequest box;
        box.text = kOneMotorWarning;
        box.style = ui::kCustomButtons | ui::MB_ICONEXCLAMATION;
        box.buttonTexts = {"Verify Calibration", "ReCalibrate", "Close"};
        const int answer = ui::OptionMessageBox(questions, box);
        if (answer == ui::kLeftButton && CalibrationWarningsAccepted(questions, true))
            return CalibrationChoice::Verify;
        if (answer == ui::kMiddleButton && CalibrationWarningsAccepted(questions, false))
            return CalibrationChoice::Recalibrate;
        return CalibrationChoice::None;
    }
    ui::OptionMessageBox(questions, kSeveralMotorsWarning, ui::MB_OK | ui::MB_ICONEXCLAMATION);
    return CalibrationChoice::None;
}

uint32_t DetectMotorsCommand(CProject& project, int portIndex, bool address, bool ask, ICommandSurroundings& around,
                             CalibrationChoice* choice)
{
    if (choice)
        *choice = CalibrationChoice::None;
    CCommPort* port = project.Port(portIndex);
    if (!port)
        return 0;
    ui::COperationContext& context = project.Context();
    if (ask) {
        const std::string text = port->CommType == COMM_RS232
                                     ? "Do you want to detect/address the motors in \"" + port->Name +
                                           "\"?\n\n\nNote: User programs will end."
                                     : "Do you want to detect the motors in \"" + port->Name + "\"?";
        const uint32_t style = ui::kNeverRememberNo | ui::kRememberAnswer | ui::MB_ICONQUESTION | ui::MB_YESNO;
        if (ui::OptionMessageBox(context.Questions(), text, style, {}, ui::kCheckToDisable, "Address") != ui::IDYES)
            return 0;
        context.Info().Show(false);
    } else {
        context.Info().Show(true);
    }
    const uint32_t answer = around.CommError(address ? commerror::kDetectPortAddressing : commerror::kDetectPort,
                                             commerror::Target::Port(port));
    // The detection may have replaced the port's motors: find the port again by its place.
    if ((answer & commerror::kAnswerWorks) && project.Port(portIndex)) {
        const CalibrationChoice chosen = CalibrationFollowUp(project, portIndex);
        if (choice)
            *choice = chosen;
    }
    context.Info().ShowSummary(true, true, context.Questions());
    return answer;
}
