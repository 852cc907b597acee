#include "app/project/MacrosForm.h"

#include "app/project/Project.h"
#include "core/ui/Questions.h"

#include <memory>

std::vector<CMacrosForm::Row> CMacrosForm::Rows() const
{
    std::vector<Row> rows;
    for (const auto& m : m_project.Macros())
        rows.push_back({m->Name, m->Description, ShortcutText(m->Shortcut)});
    return rows;
}

bool CMacrosForm::Selected(int selected) const
{
    if (selected >= 0 && selected < static_cast<int>(m_project.Macros().size()))
        return true;
    ui::OptionMessageBox(m_questions, kSelectItem, ui::MB_OK | ui::MB_ICONHAND);
    return false;
}

bool CMacrosForm::Add(const EditMacro& edit)
{
    if (RefusedWhileRunning())
        return false;
    if (static_cast<int>(m_project.Macros().size()) >= CProject::kMaxMacros) {
        ui::OptionMessageBox(m_questions, kTooMany, ui::MB_OK | ui::MB_ICONHAND);
        return false;
    }
    auto macro = std::make_unique<CMacro>();
    if (!edit || !edit(*macro, nullptr))
        return false;
    m_project.AddMacro(std::move(macro));
    m_project.modified = true;
    return true;
}

bool CMacrosForm::Delete(int selected)
{
    if (RefusedWhileRunning() || !Selected(selected))
        return false;
    const int answer = ui::OptionMessageBox(m_questions, kConfirmDelete,
                                            ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON3);
    if (answer != ui::IDYES)
        return false;
    m_project.RemoveMacro(selected);
    m_project.modified = true;
    return true;
}

bool CMacrosForm::Properties(int selected, const EditMacro& edit)
{
    if (RefusedWhileRunning() || !Selected(selected))
        return false;
    CMacro& macro = *m_project.Macros()[static_cast<size_t>(selected)];
    CMacro copy;
    copy.CopyFrom(macro);
    if (!edit || !edit(copy, &macro))
        return false;
    macro.CopyFrom(copy);
    m_project.modified = true;
    return true;
}

bool CMacrosForm::RunOrStop(int selected, IMacroTarget* target, const std::function<void()>& pump)
{
    if (m_runner.Running()) {
        m_runner.Stop();
        return false;
    }
    if (!Selected(selected) || !target)
        return false;
    bool result = false;
    m_runner.Run(*m_project.Macros()[static_cast<size_t>(selected)], *target, pump, &result);
    return result;
}
