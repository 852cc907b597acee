#pragma once
// What the shell asks of the open project. The project object comes with its own issue; until
// then the shell works on the default (untitled) project, which has nothing to save.

#include <string>

namespace shell {

class IShellProject {
public:
    virtual ~IShellProject() = default;
    virtual std::string Name() const = 0;
    virtual std::string Path() const = 0;
    virtual bool IsDefault() const = 0;
    virtual bool IsModified() const = 0;
    // Saves the project; false (after telling the user why) when it could not be saved.
    virtual bool Save() = 0;
    // Closes every port of the project, in list order.
    virtual void ClosePorts() = 0;
    // Opens the ports marked to open, runs the "startup" macro (the frame is shown by the shell).
    virtual void RunStartup() = 0;
    // Whether the main frame may poll the tools now (the project's polling-allowed flag).
    virtual bool PollingAllowed() const = 0;
    // Closes the project and opens another: a project file, "SAMPLE" (the sample project) or,
    // with an empty name, the default project. keepState keeps the ports open and the documents.
    // False when nothing changed (the user cancelled, or the file could not be read).
    virtual bool OpenOrNew(const std::string& fileName, bool keepState)
    {
        (void)fileName, (void)keepState;
        return false;
    }
};

// The default project with no ports: the shell's project until projects are built.
class CDefaultShellProject : public IShellProject {
public:
    std::string Name() const override { return {}; }
    std::string Path() const override { return {}; }
    bool IsDefault() const override { return true; }
    bool IsModified() const override { return false; }
    bool Save() override { return true; }
    void ClosePorts() override {}
    void RunStartup() override {}
    bool PollingAllowed() const override { return true; }
};

} // namespace shell
