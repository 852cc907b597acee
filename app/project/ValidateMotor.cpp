#include "app/project/ValidateMotor.h"

#include "app/project/CommandSurroundings.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

#include <memory>

ValidateResult ValidateMotor(CProject& project, CMotor& motor, ICommandSurroundings& around)
{
    ui::COperationContext& context = project.Context();
    ui::CInfoView& info = context.Info();
    ui::IProgress& progress = context.Progress();
    const std::string quoted = "\"" + motor.Name + "\"";
    info.Show(true);
    info.AddInfo("Validating the motor " + quoted + "...");
    progress.Show("Validating the motor " + quoted, std::nullopt);
    // The copy borrows the motor's back ends: reading through it never disconnects the motor.
    auto read = std::make_unique<CMotor>();
    read->shared = true;
    *read = motor;
    ProgramTag tag(motor.GetPort());
    progress.SetCancelVisible(false);
    progress.SetText("Getting Motor Information...", std::nullopt);
    progress.Notify(1, -1);
    info.AddInfo("Getting Motor Information...");
    ValidateResult result = ValidateResult::Failed;
    try {
        read->ReadVersion();
        if (read->eepromPresent) {
            int mask = motor.CompareWith(*read);
            const bool noProgram = motor.ProgName.empty() || motor.ProgName == "<END>";
            // The program is compared with the file the project knows by its full path (the motor
            // itself keeps only the file's name).
            if (!(read->diffMask & MOTOR_DIFF_CHECKSUM) && !noProgram && !motor.CompareProgram(true, true)) {
                mask |= MOTOR_DIFF_PROGRAM;
                motor.diffMask |= MOTOR_DIFF_PROGRAM;
                read->diffMask |= MOTOR_DIFF_PROGRAM;
            }
            const bool differs = mask != 0;
            if (differs) {
                info.AddError("The information in " + quoted + " does not match the Project settings.");
            } else {
                info.AddInfo("The information in " + quoted + " matches the Project settings.");
                around.RebuildTree(false);
            }
            progress.Close();
            info.ShowSummary(true, true, context.Questions());
            if (!differs || project.isDefault)
                motor = *read;
            else
                around.ResolveMotor(motor, *read);
            result = differs ? ValidateResult::Differs : ValidateResult::Matches;
        } else {
            progress.Close();
            info.AddError("The motor " + quoted + " does not have a Data EEPROM.");
            info.ShowSummary(true, true, context.Questions());
            motor.eepromPresent = false;
            result = ValidateResult::NoEEPROM;
        }
    } catch (const CVQXException& e) {
        progress.Close();
        info.AddException(e);
        if (IsRecoverableCode(e.GetCode())) {
            around.CommError(commerror::kMotorOperationFailed | static_cast<uint32_t>(e.GetCode()),
                             commerror::Target::Motor(read.get()));
            // The answer may have detected the port again and replaced its motors, this one
            // included: it is not touched any more.
            return result;
        }
    }
    motor.linked = nullptr;
    return result;
}
