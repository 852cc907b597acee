#pragma once
// Compiling a source document and transmitting it from the editor: to one motor, to an address of
// a port, to all motors of a port at once (broadcast), to each motor of a port or of every port in
// turn, or to the motors the source is associated with. Reports to the information view, shows
// the please-wait dialog, tags the analyzer page, asks the after-download question, and hands a
// communication error to the main frame's query.

#include "app/editor/SourceBuild.h"

#include <cstdint>
#include <functional>
#include <string>

class CCommPort;
class CMotor;
class CProject;

namespace commerror {
class ICommErrorHandler;
}

namespace editor {

// Download flag words of the editor's paths.
inline constexpr uint32_t kChosenTargetFlags = 0x4808;
inline constexpr uint32_t kBlindFlags = 0x10;
inline constexpr uint32_t kAssociatedRunFlags = 0xC808;
inline constexpr uint32_t kSeveralMotors = 0x8000;

inline constexpr const char* kCannotOpenText = "Cannot open the file specified!";

// What the download asks of the windows around it.
struct DownloadSurroundings {
    // The select-motor dialog (flags 5) preselected with `selection`; false on Cancel.
    std::function<bool(uint32_t& selection, bool& blind)> selectTarget;
    // The current terminal port's index and its target address (the dialog's preselection).
    std::function<uint32_t()> currentTarget;
    // Shows the terminal bar with the pane of a port.
    std::function<void(CCommPort*)> showTerminal;
    // The main frame's communication-error query (none: errors are only reported).
    commerror::ICommErrorHandler* commError = nullptr;
};

class CEditorDownload {
public:
    CEditorDownload(CSourceBuild& build, CProject* project, DownloadSurroundings surroundings)
        : m_build(build), m_project(project), m_env(std::move(surroundings)) {}

    // With a motor: build and download to it. Without one: ask for the target first. True when a
    // run over several motors finished (its caller shows the summary); the other paths show
    // their own and answer false.
    bool DownloadProgram(ISourceDocument& doc, CMotor* motor);
    // Compile and Transmit: to the associated motors, else to a chosen target.
    void CompileAndTransmit(ISourceDocument& doc);

private:
    enum class Outcome { Done, Skipped, Stop };
    // Builds for the motor and transmits; flags in and out.
    Outcome OneDownload(ISourceDocument& doc, CMotor& motor, uint32_t& flags, bool single, bool buildSummary);
    bool Broadcast(ISourceDocument& doc, CCommPort& port, bool blind);
    bool EachMotor(ISourceDocument& doc, int portIndex, bool blind);
    // Transmits a compiled file with the dialog and the analyzer tag; reports an exception (and
    // routes a communication error). False after an exception.
    bool Transmit(CMotor& motor, const std::string& file, uint32_t& flags, bool recordInfo);
    void Summary(bool problemsOnly);
    ui::CInfoView& Info();

    CSourceBuild& m_build;
    CProject* m_project;
    DownloadSurroundings m_env;
};

} // namespace editor
