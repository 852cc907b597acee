#pragma once
// "Macros" (Tools > Macros): the project's macros with Add, Delete, Properties and Run/Stop. The
// rules are CMacrosForm's; a running macro keeps the dialog live through a pump while the
// program-wide long-operation flag holds every timer, and its closing controls are disabled.

#include "app/project/MacrosForm.h"

#include <QDialog>

#include <functional>

class QPushButton;
class QTreeWidget;

namespace shell {
class CAppContext;
}

class CMacrosDlg : public QDialog {
    Q_OBJECT
public:
    // `target`: the terminal pane of the current port when Run is pressed (none: no port); `app`:
    // where Help opens its topic.
    CMacrosDlg(QWidget* parent, CProject& project, CMacroRunner& runner, ui::IQuestions& questions,
               std::function<IMacroTarget*()> target, const shell::CAppContext& app);

    QTreeWidget* List() const { return m_list; }
    QPushButton* Button(int id) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void Refill(int select);
    int Selected() const;
    bool EditMacro(CMacro& macro, const CMacro* original);
    void OnRun();

    CProject& m_project;
    CMacrosForm m_form;
    ui::IQuestions& m_questions;
    const shell::CAppContext& m_app;
    std::function<IMacroTarget*()> m_target;
    QTreeWidget* m_list;
};
