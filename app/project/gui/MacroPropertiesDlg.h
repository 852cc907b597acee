#pragma once
// "Macro Properties" ("Add New Macro" for a new one): name, description, commands and the Ctrl
// digit. OK writes the fields into the macro given (ApplyMacroProperties); a refused field keeps
// the dialog open with its message.

#include <QDialog>

#include <memory>
#include <vector>

class CMacro;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
namespace ui {
class IQuestions;
}

namespace shell {
class CAppContext;
}

class CMacroPropertiesDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { kName = 1023, kDescription = 1074, kCommands = 1075, kShortcut = 1001 };
    // `original`: the project's macro edited through `macro` (none for a new one).
    CMacroPropertiesDlg(QWidget* parent, CMacro& macro, const std::vector<std::unique_ptr<CMacro>>& macros,
                        const CMacro* original, ui::IQuestions& questions, const shell::CAppContext& app);

protected:
    void accept() override;

private:
    CMacro& m_macro;
    ui::IQuestions& m_questions;
    QLineEdit* m_name;
    QLineEdit* m_description;
    QPlainTextEdit* m_commands;
    QComboBox* m_shortcut;
};
