#pragma once
// The operation context: everything outside the motors that a long operation (detection,
// addressing, download, upload, restart) talks to: the please-wait dialog, the question boxes,
// the information lines, the settings, the traffic log, the port events and the program compiler. A context is
// the only way the core reaches them; there is no process-wide seam besides it.
//
// Who builds one: VQX fills the default context with its main window's seams at start; each
// engine host builds its own; a test builds one per fixture, so that two of them never see each
// other's questions or lines.
//
// How an operation finds it: a port carries it (CCommPort::SetContext; a port that was given none
// uses Default()), and every operation on the port or on one of its motors uses the port's
// context. Functions without a port take the context, or the one seam they need, as a parameter.
//
//     ui::COperationContext context;          // quiet seams, its own settings, no traffic log
//     context.SetProgress(&waitDialog);       // each Set* takes a pointer the caller keeps alive
//     context.SetQuestions(&boxes);           // (null puts the context's quiet one back)
//     context.SetInfo(&infoBar);
//     context.SetTrafficLog(&analyzer);
//     context.SetPortEvents(&terminalBar);
//     context.SetProgramCompiler(compile);
//     port.SetContext(&context);              // every operation on the port now uses it
//     ui::OptionMessageBox(context.Questions(), "Text", ui::MB_OK);
//
// The quiet seams never cancel, answer every question as a user who closes the box, and keep the
// information lines. A context serves one thread at a time (a window's or an engine host's); it
// is not locked. The traffic log it names may be written from a receive thread: the analyzer
// locks itself.

#include <functional>
#include <memory>
#include <optional>
#include <string>

class COptions;
class IPortEvents;
class ITrafficLog;

namespace ui {

class IProgress;
class IQuestions;
class CInfoView;

// Compiles a program source for a language version into a compiled image; returns none (or
// throws) when it cannot. The core has no compiler of its own (the END program).
using ProgramCompiler =
    std::function<std::optional<std::string>(const std::string& source, const std::string& languageVersion)>;

class COperationContext {
public:
    COperationContext();
    ~COperationContext();
    COperationContext(const COperationContext&) = delete;
    COperationContext& operator=(const COperationContext&) = delete;

    // ---- the seams (never null except the traffic log and the port events) ----
    IProgress& Progress() const { return *m_progress; }
    IQuestions& Questions() const { return *m_questions; }
    CInfoView& Info() const { return *m_info; }
    // The settings the ports and operations read (timeouts, echo check, download delay, ...).
    COptions& Options() const { return *m_options; }
    // Where ports report their traffic; null: nowhere.
    ITrafficLog* TrafficLog() const { return m_trafficLog; }
    // What ports tell the user interface (states, tree rebuild, receive sound); null: nobody.
    IPortEvents* PortEvents() const { return m_portEvents; }
    // The compiler of the END program; empty when none is installed.
    const ProgramCompiler& Compiler() const { return m_compiler; }

    // ---- setting them (the caller keeps ownership; null: the context's own quiet one) ----
    void SetProgress(IProgress* progress);
    void SetQuestions(IQuestions* questions);
    void SetInfo(CInfoView* info);
    void SetOptions(COptions* options);
    void SetTrafficLog(ITrafficLog* log) { m_trafficLog = log; }
    void SetPortEvents(IPortEvents* events) { m_portEvents = events; }
    void SetProgramCompiler(ProgramCompiler compiler) { m_compiler = std::move(compiler); }

    // ---- state of the operations run in this context ----
    // Whether detection warns about motors whose index calibration is unfinished (on unless the
    // user turned the check off for the session).
    bool CalibrationChecksShown() const { return m_calibrationChecksShown; }
    void SetCalibrationChecksShown(bool shown) { m_calibrationChecksShown = shown; }

    // The context of ports that were given none: VQX's main window fills it at start (its
    // analyzer as the traffic log; until then nothing is logged, as with no analyzer window). Its
    // settings are the program's one settings record.
    static COperationContext& Default();

private:
    struct Own;
    std::unique_ptr<Own> m_own;
    IProgress* m_progress;
    IQuestions* m_questions;
    CInfoView* m_info;
    COptions* m_options;
    ITrafficLog* m_trafficLog = nullptr;
    IPortEvents* m_portEvents = nullptr;
    ProgramCompiler m_compiler;
    bool m_calibrationChecksShown = true;
};

} // namespace ui
