#include "app/editor/EditorDownload.h"

#include "app/project/CommandSurroundings.h"
#include "app/project/CompiledDownload.h"
#include "app/project/Project.h"
#include "app/project/SelectMotor.h"
#include "app/shell/CommError.h"
#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "scanner/Scanner.h"

#include <sys/stat.h>

namespace editor {
namespace {

// The length of a compiled file, none when it cannot be opened.
std::optional<long> FileLength(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0)
        return std::nullopt;
    return static_cast<long>(st.st_size);
}


std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

} // namespace

ui::CInfoView& CEditorDownload::Info() { return m_build.Context().Info(); }

void CEditorDownload::Summary(bool problemsOnly)
{
    m_build.Context().Info().ShowSummary(false, problemsOnly, m_build.Context().Questions());
}

bool CEditorDownload::Transmit(CMotor& motor, const std::string& file, uint32_t& flags, bool recordInfo)
{
    try {
        flags = DownloadCompiledFile(motor, file, flags, recordInfo);
        return true;
    } catch (const CVQXException& e) {
        Info().AddException(e);
        if (IsRecoverableCode(e.GetCode()) && m_env.commError)
            m_env.commError->OnCommError(commerror::kMotorOperationFailed | static_cast<uint32_t>(e.GetCode()),
                                         commerror::Target::Motor(&motor));
        return false;
    }
}

CEditorDownload::Outcome CEditorDownload::OneDownload(ISourceDocument& doc, CMotor& motor, uint32_t& flags, bool single,
                                                      bool buildSummary)
{
    if (!m_build.BuildActiveView(doc, &motor, true, buildSummary))
        return Outcome::Stop;
    const std::string file = CScanner::GetCompiledFileName(doc.PathName());
    if (!FileLength(file)) {
        Info().AddError(kCannotOpenText);
        Summary(true);
        return Outcome::Skipped;
    }
    if (!Transmit(motor, file, flags, true))
        return Outcome::Stop;
    if (flags & transfer::DL_CANCELLED) {
        Summary(true);
        return Outcome::Stop;
    }
    if (single) {
        Summary(false);
        if (!doc.IsCalibration()) {
            try {
                switch (ui::DownloadDoneBox(m_build.Context().Questions())) {
                case ui::kDownloadDoneRun: motor.SendCommand("RUN"); break;
                case ui::kDownloadDoneReset: motor.SendCommand("Z"); break;
                default: break;
                }
            } catch (const CVQXException& e) {
                Info().AddException(e);
            }
        }
        if (m_env.showTerminal)
            m_env.showTerminal(motor.port);
    }
    return Outcome::Done;
}

bool CEditorDownload::Broadcast(ISourceDocument& doc, CCommPort& port, bool blind)
{
    if (!m_build.BuildActiveView(doc, nullptr, false, true))
        return false;
    const std::string file = CScanner::GetCompiledFileName(doc.PathName());
    if (!FileLength(file)) {
        Info().AddError(kCannotOpenText);
        Summary(true);
        return false;
    }
    char major = 0;
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        const CMotor* m = port.motors.GetAt(i);
        const char first = m && !m->Version.empty() ? m->Version[0] : 0;
        if (i > 0 && first != major) {
            Info().AddError("Cannot download to all motors in port " + Quoted(port.Name) +
                            ", because motors have different major versions!");
            Summary(true);
            return false;
        }
        major = first;
    }
    CMotor all;
    all.Address = 0;
    all.port = &port;
    all.Name = "All Motors in port " + Quoted(port.Name);
    uint32_t flags = blind ? kBlindFlags : 0;
    if (!Transmit(all, file, flags, false))
        return false;
    if (flags & transfer::DL_CANCELLED) {
        Summary(true);
        return false;
    }
    if (m_env.showTerminal)
        m_env.showTerminal(&port);
    Summary(false);
    return false;
}

bool CEditorDownload::EachMotor(ISourceDocument& doc, int portIndex, bool blind)
{
    std::vector<CCommPort*> ports;
    for (int p = 0; p < m_project->PortCount(); ++p)
        if (portIndex < 0 || p == portIndex)
            ports.push_back(m_project->Port(p));
    uint32_t flags = kChosenTargetFlags | (blind ? kBlindFlags : 0);
    for (CCommPort* port : ports) {
        // Several motors in a row: the motors' questions offer their "all" answers.
        if (port->motors.GetCount() > 1 || (portIndex < 0 && m_project->PortCount() > 1))
            flags |= kSeveralMotors;
        for (int i = 0; i < port->motors.GetCount(); ++i) {
            CMotor* motor = port->motors.GetAt(i);
            if (!motor)
                continue;
            // A compiled file that does not open, a cancel or a failure ends the run (only the
            // run over the associated motors goes past a file that does not open).
            if (OneDownload(doc, *motor, flags, false, false) != Outcome::Done)
                return false;
        }
    }
    if (m_env.showTerminal && !ports.empty())
        m_env.showTerminal(ports.front());
    return true;
}

bool CEditorDownload::DownloadProgram(ISourceDocument& doc, CMotor* motor)
{
    if (motor) {
        uint32_t flags = kChosenTargetFlags;
        OneDownload(doc, *motor, flags, true, true);
        return false;
    }
    if (!m_project || !m_env.selectTarget)
        return false;
    uint32_t selection = m_env.currentTarget ? m_env.currentTarget() : 0;
    bool blind = false;
    if (!m_env.selectTarget(selection, blind))
        return false;
    if (selection == selectmotor::kAllDefinedMotors)
        return EachMotor(doc, -1, blind);
    const int portIndex = selectmotor::PortOf(selection);
    const int address = selectmotor::AddressOf(selection);
    CCommPort* port = m_project->Port(portIndex);
    if (!port) {
        Info().AddError(selectmotor::kSelectPortText);
        Summary(true);
        return false;
    }
    if (address == selectmotor::kGlobalAddress)
        return Broadcast(doc, *port, blind);
    if (address == selectmotor::kEachMotorAddress)
        return EachMotor(doc, portIndex, blind);

    // One address: the project's motor there, else a record standing for it.
    CMotor* target = port->GetMotor(address);
    std::unique_ptr<CMotor> temporary;
    if (!target) {
        temporary = std::make_unique<CMotor>();
        temporary->Address = address;
        temporary->port = port;
        temporary->Name = "Motor Address=" + std::to_string(address) + " in port " + Quoted(port->Name);
        try {
            if (!port->isOpen)
                port->OpenPort();
            temporary->ReadVersion();
        } catch (const CVQXException& e) {
            Info().AddException(e);
            if (IsRecoverableCode(e.GetCode()) && m_env.commError)
                m_env.commError->OnCommError(commerror::kMotorOperationFailed | static_cast<uint32_t>(e.GetCode()),
                                             commerror::Target::Motor(temporary.get()));
            Summary(true);
            return false;
        }
        target = temporary.get();
    }
    uint32_t flags = kChosenTargetFlags | (blind ? kBlindFlags : 0);
    OneDownload(doc, *target, flags, true, true);
    return false;
}

void CEditorDownload::CompileAndTransmit(ISourceDocument& doc)
{
    ui::COperationContext& context = m_build.Context();
    Info().Show(true);
    if (!doc.EnsureSaved()) {
        Info().AddError(kMustSaveText);
        Summary(true);
        return;
    }
    const std::string path = doc.PathName();
    const std::vector<CMotor*> motors = AssociatedMotors(m_project, path);
    if (motors.empty()) {
        if (DownloadProgram(doc, nullptr))
            Summary(true);
        return;
    }
    const uint32_t style = ui::MB_YESNO | ui::MB_ICONQUESTION | ui::kRememberAnswer | ui::kNeverRememberNo;
    if (motors.size() == 1) {
        const std::string text = "Do you want to Compile and Download the file " + Quoted(path) + " to the motor " +
                                 Quoted(motors.front()->Name) + "?";
        if (ui::OptionMessageBox(context.Questions(), text, style, {}, ui::kCheckToDisable, "Download") == ui::IDYES)
            DownloadProgram(doc, motors.front());
        return;
    }
    const std::string text = "Do you want to Compile and Download the file " + Quoted(path) + " to ALL associated motors?";
    if (ui::OptionMessageBox(context.Questions(), text, style, {}, ui::kCheckToDisable, "DownloadAll") != ui::IDYES) {
        if (DownloadProgram(doc, nullptr))
            Summary(true);
        return;
    }
    uint32_t flags = kAssociatedRunFlags;
    for (CMotor* motor : motors)
        if (OneDownload(doc, *motor, flags, false, false) == Outcome::Stop)
            return;
    if (m_env.showTerminal)
        m_env.showTerminal(motors.front()->port);
    Summary(true);
}

} // namespace editor
