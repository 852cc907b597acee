#include "app/project/ProjectBuild.h"

#include "app/project/CommandSurroundings.h"
#include "app/project/CompiledDownload.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "scanner/Scanner.h"

#include <filesystem>
#include <memory>
#include <vector>

using transfer::DL_CANCELLED;
using transfer::DL_SEVERAL;

namespace {

constexpr uint32_t kProjectDownloadFlags = 0xA808;
constexpr uint32_t kTransmitFlags = 0x4808;
constexpr uint32_t kTransmitBlindFlags = 0x4818;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// Every analyzer page of the project carries the program's tag while a command runs.
class AllPagesTag {
public:
    explicit AllPagesTag(CProject& project)
    {
        for (int p = 0; p < project.PortCount(); ++p)
            m_tags.push_back(std::make_unique<ProgramTag>(project.Port(p)));
    }

private:
    std::vector<std::unique_ptr<ProgramTag>> m_tags;
};

// A motor of a port at an address, or a temporary one borrowing nothing (serial ports only).
struct ChosenMotor {
    CMotor* motor = nullptr;
    std::unique_ptr<CMotor> temporary;
};
ChosenMotor MotorAt(CCommPort& port, int address)
{
    ChosenMotor chosen;
    chosen.motor = port.GetMotor(address);
    if (chosen.motor)
        return chosen;
    chosen.temporary = std::make_unique<CMotor>();
    chosen.temporary->Address = address;
    chosen.temporary->SetPort(&port);
    chosen.temporary->Name = "Motor Address=" + std::to_string(address) + " in port " + Quoted(port.Name);
    chosen.temporary->ReadVersion();
    chosen.motor = chosen.temporary.get();
    return chosen;
}

// Every motor of the project: ports in order, motors in list order.
template <class F>
void ForEachMotor(CProject& project, F&& f)
{
    for (int p = 0; p < project.PortCount(); ++p) {
        CCommPort* port = project.Port(p);
        for (int m = 0; m < port->MotorCount(); ++m)
            f(*port->motors.GetAt(m));
    }
}

std::string MajorVersion(const std::string& v) { return v.empty() ? std::string() : v.substr(0, 1); }

} // namespace

int BuildSourceFile(CScanner& scanner, const std::string& file, const std::string& version, ui::CInfoView& info,
                    ICommandSurroundings& around)
{
    if (!around.SaveOpenDocument(file))
        throw CVQXException(1035, "You must save the file before scanning it.");
    info.AddInfo("Scanning " + Quoted(file) + " (" + version + ")...");
    scanner.ScanFile(file, version, true, false);
    for (const CError& e : scanner.Errors().Items())
        info.AddCompilerMessage(e.code, e.line, e.column, e.fileName.empty() ? file : e.fileName, e.message);
    const int errors = scanner.Errors().GetErrorCount();
    if (errors > 0)
        return errors;
    const std::string compiled = CScanner::GetCompiledFileName(file);
    info.AddInfo("Building " + Quoted(compiled) + " ...");
    scanner.WriteCompiled(compiled);
    return 0;
}

namespace {

// One file of a project build: a file that cannot be read or saved counts as an error of its own
// and the next file follows.
int BuildOneOfMany(CScanner& scanner, const std::string& file, const std::string& version, ui::CInfoView& info,
                   ICommandSurroundings& around)
{
    try {
        return BuildSourceFile(scanner, file, version, info, around);
    } catch (const CVQXException& e) {
        info.AddException(e);
        return 1;
    }
}

} // namespace

BuildResult CompileProject(CProject& project, CScanner& scanner, ICommandSurroundings& around)
{
    BuildResult result;
    ui::CInfoView& info = project.Context().Info();
    info.Show(true);
    scanner.Reset();
    try {
        ForEachMotor(project, [&](CMotor& motor) {
            for (int f = 0; f < motor.associatedFiles.GetCount(); ++f) {
                const int errors =
                    BuildOneOfMany(scanner, motor.associatedFiles.GetAt(f)->FileName, motor.Version, info, around);
                ++result.files;
                result.errors += errors;
                result.written += errors == 0;
            }
        });
    } catch (const CVQXException& e) {
        info.AddException(e);
        result.failed = true;
    }
    if (result.files == 0 && !result.failed) {
        info.AddInfo("Building all files in the project...");
        info.AddWarning("No Motor/File association was found!");
    }
    info.ShowSummary(true, true, project.Context().Questions());
    return result;
}

BuildResult CompileAndDownloadProject(CProject& project, CScanner& scanner, ICommandSurroundings& around)
{
    BuildResult result;
    ui::COperationContext& context = project.Context();
    ui::CInfoView& info = context.Info();
    AllPagesTag tags(project);
    info.Show(true);
    scanner.Reset();
    std::vector<CMotor*> targets;
    try {
        ForEachMotor(project, [&](CMotor& motor) {
            const CAssociatedFile* main = motor.GetMainAssociatedFile();
            if (!main)
                return;
            // Each file is judged on its own; a file with errors is not written and the next follows.
            targets.push_back(&motor);
            const int errors = BuildOneOfMany(scanner, main->FileName, motor.Version, info, around);
            ++result.files;
            result.errors += errors;
            result.written += errors == 0;
        });
    } catch (const CVQXException& e) {
        info.AddException(e);
        result.failed = true;
        info.ShowSummary(true, true, context.Questions());
        return result;
    }
    if (targets.empty()) {
        info.AddInfo("Building and downloading all files in the project...");
        info.AddWarning("No main associated file was found!");
    }
    // A program is downloaded only when every file of the project compiled without an error.
    if (result.errors > 0) {
        info.ShowSummary(true, true, context.Questions());
        return result;
    }
    uint32_t flags = kProjectDownloadFlags;
    for (CMotor* motor : targets) {
        try {
            const std::string compiled = CScanner::GetCompiledFileName(motor->GetMainAssociatedFile()->FileName);
            flags = DownloadCompiledFile(*motor, compiled, flags);
        } catch (const CVQXException& e) {
            if (IsRecoverableCode(e.GetCode()))
                around.CommError(commerror::kMotorOperationFailed | static_cast<uint32_t>(e.GetCode()),
                                 commerror::Target::Motor(motor));
            info.AddException(e);
            result.failed = true;
            break;
        }
        if (flags & DL_CANCELLED) {
            result.cancelled = true;
            break;
        }
        ++result.downloads;
    }
    info.ShowSummary(true, true, context.Questions());
    // The motors' downloaded programs changed: the tree marks them.
    around.RebuildTree(false);
    if (!result.failed)
        around.TalkToMotors();
    return result;
}

BuildResult TransmitCompiled(CProject& project, const std::string& file, int portIndex, int address, bool noVerify,
                             ICommandSurroundings& around)
{
    BuildResult result;
    ui::COperationContext& context = project.Context();
    ui::CInfoView& info = context.Info();
    info.Show(true);
    try {
        CompiledFileSize(file);
    } catch (const CVQXException& e) {
        info.AddException(e);
        result.failed = true;
        info.ShowSummary(true, true, context.Questions());
        return result;
    }
    uint32_t flags = noVerify ? kTransmitBlindFlags : kTransmitFlags;
    CMotor* single = nullptr;
    std::unique_ptr<CMotor> keepSingle;
    const int first = portIndex < 0 ? 0 : portIndex;
    const int last = portIndex < 0 ? project.PortCount() - 1 : portIndex;
    for (int p = first; p <= last && !result.cancelled && !result.failed; ++p) {
        CCommPort* port = project.Port(p);
        if (!port)
            break;
        CMotor* current = nullptr;
        try {
            if (address == 0) {
                for (int m = 1; m < port->MotorCount(); ++m)
                    if (MajorVersion(port->motors.GetAt(m)->Version) != MajorVersion(port->motors.GetAt(0)->Version))
                        throw CVQXException(0, "Cannot download to all motors in port " + Quoted(port->Name) +
                                                   ", because motors have different major versions!");
                CMotor all;
                all.SetPort(port);
                all.Address = 0;
                all.Name = "All Motors in port " + Quoted(port->Name);
                if (port->MotorCount() > 0)
                    all.Version = port->motors.GetAt(0)->Version;
                current = &all;
                flags = DownloadCompiledFile(all, file, flags);
                ++result.downloads;
            } else if (address < 0) {
                if (port->MotorCount() > 1 || (portIndex < 0 && project.PortCount() > 1))
                    flags |= DL_SEVERAL;
                for (int m = 0; m < port->MotorCount() && !(flags & DL_CANCELLED); ++m) {
                    current = port->motors.GetAt(m);
                    flags = DownloadCompiledFile(*current, file, flags);
                    ++result.downloads;
                }
            } else {
                ChosenMotor chosen = MotorAt(*port, address);
                current = chosen.motor;
                flags = DownloadCompiledFile(*current, file, flags);
                ++result.downloads;
                single = current;
                keepSingle = std::move(chosen.temporary);
            }
        } catch (const CVQXException& e) {
            info.AddException(e);
            if (IsRecoverableCode(e.GetCode()))
                around.CommError(commerror::kPortOperationFailed | static_cast<uint32_t>(e.GetCode()),
                                 commerror::Target::Port(port));
            result.failed = true;
            (void)current;
        }
        result.cancelled = (flags & DL_CANCELLED) != 0;
    }
    info.ShowSummary(true, true, context.Questions());
    around.RebuildTree(false);
    if (single && !result.cancelled && !result.failed) {
        const int answer = ui::DownloadDoneBox(context.Questions());
        try {
            if (answer == ui::kDownloadDoneRun)
                single->SendCommand("RUN");
            else if (answer == ui::kDownloadDoneReset)
                single->SendCommand("Z");
        } catch (const CVQXException&) {
        }
    }
    around.TalkToMotors();
    return result;
}
