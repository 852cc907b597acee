#pragma once
// The open project as the shell sees it (name, path, saving, ports, start-up, polling flag).

#include "app/project/Project.h"
#include "app/shell/ShellProject.h"

#include <functional>

class CProjectShell final : public shell::IShellProject {
public:
    explicit CProjectShell(CProject& project) : m_project(project) {}

    std::string Name() const override { return m_project.Name; }
    std::string Path() const override { return m_project.isDefault ? std::string() : m_project.FileName; }
    bool IsDefault() const override { return m_project.isDefault; }
    bool IsModified() const override { return m_project.modified; }
    bool Save() override { return m_project.Save() || m_project.isDefault; }
    void ClosePorts() override { m_project.CloseAllPorts(); }
    // Opens the ports saved open ("RestoreSerialState") and runs the "startup" macro ("RunStartup").
    void RunStartup() override;
    bool PollingAllowed() const override { return m_project.pollingAllowed; }
    bool OpenOrNew(const std::string& fileName, bool keepState) override
    {
        return openOrNew && openOrNew(fileName, keepState);
    }
    // Opens another project (the session's).
    std::function<bool(const std::string&, bool)> openOrNew;

    // Runs a macro through the terminal of the current port (the terminal bar's).
    std::function<void(CMacro&)> runMacro;

private:
    CProject& m_project;
};
