#pragma once
// The Macros window's rules: the list of the project's macros, Add, Delete, Properties and Run
// (which turns into Stop while the macro runs). Widget-free: the messages go through the question
// seam, the properties dialog and the pump come in as functions.

#include "app/project/Macro.h"

#include <functional>
#include <string>
#include <vector>

class CProject;
namespace ui {
class IQuestions;
}

class CMacrosForm {
public:
    enum : int { kList = 1003, kAdd = 2004, kDelete = 2005, kProperties = 1006, kRun = 1076, kClose = 1, kHelp = 57670 };
    static constexpr const char* kTitle = "Macros";
    static constexpr const char* kSelectItem = "Please select an item from the list!";
    static constexpr const char* kTooMany = "Cannot add more macros.";
    static constexpr const char* kConfirmDelete = "Are you sure you want to delete the selected macro?";

    // Edits a copy of a macro in the properties dialog (original: the project's macro, none for a
    // new one, so that its own Ctrl digit stays offered); true on OK.
    using EditMacro = std::function<bool(CMacro& copy, const CMacro* original)>;

    CMacrosForm(CProject& project, CMacroRunner& runner, ui::IQuestions& questions)
        : m_project(project), m_runner(runner), m_questions(questions)
    {
    }

    struct Row {
        std::string name, description, shortcut;
    };
    std::vector<Row> Rows() const;

    // Each returns true when the list changed. Add, Delete and Properties are refused while a macro
    // runs. The edited macro is a copy: Cancel leaves the project's macro as it was.
    bool Add(const EditMacro& edit);
    bool Delete(int selected);
    bool Properties(int selected, const EditMacro& edit);
    // Run (no macro running): runs the selected macro against the target with the pump; the
    // result is the macro's. Run while this form's macro runs: asks it to stop.
    bool RunOrStop(int selected, IMacroTarget* target, const std::function<void()>& pump);
    bool Running() const { return m_runner.Running(); }
    // The Run button's text.
    const char* RunButtonText() const { return Running() ? "Stop" : "Run"; }

private:
    bool RefusedWhileRunning() const { return m_runner.Running(); }
    bool Selected(int selected) const;

    CProject& m_project;
    CMacroRunner& m_runner;
    ui::IQuestions& m_questions;
};
