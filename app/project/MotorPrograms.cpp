#include "app/project/MotorPrograms.h"

#include "app/project/CommandSurroundings.h"
#include "app/project/ProgramTag.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/transfer/PrivateTemp.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

#include <cstdio>

namespace {

constexpr uint32_t kClearUserProgram = 8;

// Errors of both actions: into the information view, and to the error query when the link may
// come back.
void ReportFailure(CMotor& motor, const CVQXException& e, ICommandSurroundings& around)
{
    motor.Context().Info().AddException(e);
    if (IsRecoverableCode(e.GetCode()))
        around.CommError(commerror::kMotorOperationFailed | static_cast<uint32_t>(e.GetCode()),
                         commerror::Target::Motor(&motor));
}

int& UntitledUploads()
{
    static int counter = 1;
    return counter;
}

} // namespace

std::string UploadTitle(const std::string& programName, int& untitledCounter)
{
    std::string name = programName;
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string::npos)
        name = name.substr(slash + 1);
    if (!name.empty() && name.front() == '<')
        name.erase(0, 1);
    if (!name.empty() && name.back() == '>')
        name.pop_back();
    if (const size_t dot = name.find('.'); dot != std::string::npos)
        name = name.substr(0, dot);
    if (name.empty())
        name = "Upload" + std::to_string(untitledCounter++);
    return name;
}

bool UploadMotorProgram(CMotor& motor, bool calibration, ICommandSurroundings& around)
{
    ui::COperationContext& context = motor.Context();
    ProgramTag tag(motor.GetPort());
    context.Info().Show(true);
    const std::string text = "Uploading program from \"" + motor.Name + "\"";
    context.Info().AddInfo(text);
    bool done = false;
    try {
        const std::string file = transfer::PrivateTempFile(calibration ? "Uploaded.tqc" : "Uploaded.tqs");
        motor.ReadVersion();
        context.Progress().Show(text, std::nullopt);
        context.Progress().SetCancelVisible(false);
        struct CloseProgress {
            ui::IProgress& p;
            ~CloseProgress() { p.Close(); }
        } closer{context.Progress()};
        motor.UploadProgram(file, true, false);
        const std::string title = UploadTitle(calibration ? motor.CalProgName : motor.ProgName, UntitledUploads());
        done = around.OpenUploadedProgram(file, title, calibration);
        if (done)
            std::remove(file.c_str());
        else
            context.Info().AddWarning("The uploaded program was kept in \"" + file + "\".");
    } catch (const CVQXException& e) {
        context.Progress().Close();
        ReportFailure(motor, e, around);
    }
    context.Info().ShowSummary(true, true, context.Questions());
    return done;
}

bool ClearMotorEEPROM(CMotor& motor, ICommandSurroundings& around)
{
    ui::COperationContext& context = motor.Context();
    ProgramTag tag(motor.GetPort());
    context.Info().Show(true);
    context.Info().AddInfo("Clearing the EEPROM in \"" + motor.Name + "\"...");
    bool done = false;
    try {
        motor.ClearProgram(kClearUserProgram);
        done = true;
    } catch (const CVQXException& e) {
        ReportFailure(motor, e, around);
    }
    context.Info().ShowSummary(true, true, context.Questions());
    around.RebuildTree(false);
    return done;
}
