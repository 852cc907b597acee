#include "app/editor/SourceBuild.h"

#include "app/project/Project.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/transfer/UndefinedSymbolsDlg.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "scanner/Scanner.h"

#include <filesystem>

namespace editor {
std::vector<CMotor*> AssociatedMotors(const CProject* project, const std::string& path)
{
    std::vector<CMotor*> out;
    if (!project || path.empty())
        return out;
    for (CMotor* m = project->FindMotorByFile(path); m; m = project->FindMotorByFile(path, m))
        out.push_back(m);
    return out;
}

void CSourceBuild::Summary(bool success)
{
    m_context.Info().ShowSummary(success, true, m_context.Questions());
}

bool CSourceBuild::ScanActiveView(ISourceDocument& doc, CMotor* motor, bool useAssociatedMotor, bool showSummary)
{
    ui::CInfoView& info = m_context.Info();
    if (!doc.EnsureSaved()) {
        info.AddError(kMustSaveText);
        if (showSummary)
            Summary(false);
        return false;
    }
    const std::string path = doc.PathName();
    try {
        CMotor* target = motor;
        if (!target && useAssociatedMotor) {
            const std::vector<CMotor*> motors = AssociatedMotors(m_project, path);
            target = motors.empty() ? nullptr : motors.front();
        }
        std::string version = doc.LanguageVersion();
        if (target) {
            const std::string motorVersion = target->Version.empty() ? target->GetVersionText() : target->Version;
            if (!version.empty() && version != motorVersion) {
                info.AddInfo("Scanning \"" + doc.Title() + "\" (?)...");
                info.AddError("The file version (" + version + ") does not match the target motor version (" +
                              motorVersion + ").");
                if (showSummary)
                    Summary(false);
                return false;
            }
            version = motorVersion;
        } else if (version.empty()) {
            // The default language: the registry's default version, else the shipped file's own.
            m_scanner.GetDefaultLanguageFile(version);
            if (version.empty() && m_scanner.LoadLanguageFile(version))
                version = m_scanner.Version().empty() ? m_scanner.Language().Version : m_scanner.Version();
        }
        m_version = version;
        info.AddInfo("Scanning \"" + doc.Title() + "\" (" + version + ")...");
        try {
            m_scanner.Scan(doc.PlainText(), version, doc.IsCalibration(), true, path);
        } catch (const CError& e) {
            // A limit of the message list ends the scan; the message says which.
            info.AddCompilerMessage(e.code, e.line, e.column, e.fileName.empty() ? path : e.fileName, e.message);
            if (showSummary)
                Summary(false);
            return false;
        }
        for (const CError& e : m_scanner.Errors().Items())
            info.AddCompilerMessage(e.code, e.line, e.column, e.fileName.empty() ? path : e.fileName, e.message);
        if (m_scanner.Errors().GetErrorCount() == 0)
            return true;
    } catch (const CVQXException& e) {
        info.AddException(e);
    }
    if (showSummary)
        Summary(false);
    return false;
}

bool CSourceBuild::BuildActiveView(ISourceDocument& doc, CMotor* motor, bool useAssociatedMotor, bool showSummary)
{
    struct Running {
        Running() { s_buildRunning = true; }
        ~Running() { s_buildRunning = false; }
    } running;
    bool force = false;
    if (!ScanActiveView(doc, motor, useAssociatedMotor, false)) {
        const bool undefinedOnly = m_scanner.Errors().GetErrorCount() > 0 && m_scanner.Errors().OnlyUndefinedSymbols();
        if (!(showSummary && undefinedOnly && transfer::ConfirmUndefinedSymbols(m_context, m_version))) {
            Summary(false);
            return false;
        }
        force = true;
    }
    const std::string compiled = CScanner::GetCompiledFileName(doc.PathName());
    m_context.Info().AddInfo("Building \"" + compiled + "\" ...");
    const size_t shown = m_scanner.Errors().Items().size();
    try {
        if (m_scanner.WriteCompiled(compiled, force))
            return true;
        // The writer's own refusal (a flow word skipped after an undefined symbol).
        const auto& items = m_scanner.Errors().Items();
        for (size_t i = shown; i < items.size(); ++i)
            m_context.Info().AddCompilerMessage(items[i].code, items[i].line, items[i].column,
                                                items[i].fileName.empty() ? doc.PathName() : items[i].fileName,
                                                items[i].message);
    } catch (const CVQXException& e) {
        m_context.Info().AddException(e);
    }
    Summary(false);
    return false;
}

} // namespace editor
