#include "app/project/gui/MacroPropertiesDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/project/Macro.h"
#include "app/shell/gui/Help.h"
#include "core/ui/Questions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CMacroPropertiesDlg::CMacroPropertiesDlg(QWidget* parent, CMacro& macro,
                                         const std::vector<std::unique_ptr<CMacro>>& macros, const CMacro* original,
                                         ui::IQuestions& questions, const shell::CAppContext& app)
    : QDialog(parent), m_macro(macro), m_questions(questions), m_name(new QLineEdit(this)),
      m_description(new QLineEdit(this)), m_commands(new QPlainTextEdit(this)), m_shortcut(new QComboBox(this))
{
    setObjectName(QStringLiteral("167"));
    setWindowTitle(macro.index == -1 ? QStringLiteral("Add New Macro") : QStringLiteral("Macro Properties"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_name->setObjectName(QString::number(kName));
    m_description->setObjectName(QString::number(kDescription));
    m_commands->setObjectName(QString::number(kCommands));
    m_shortcut->setObjectName(QString::number(kShortcut));
    m_name->setText(fw::ToQt(macro.Name));
    m_description->setText(fw::ToQt(macro.Description));
    m_commands->setPlainText(fw::ToQt(macro.Commands));
    for (const std::string& choice : ShortcutChoices(macros, original))
        m_shortcut->addItem(fw::ToQt(choice));
    m_shortcut->setCurrentIndex(std::max(0, m_shortcut->findText(fw::ToQt(ShortcutText(macro.Shortcut)))));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Name:"), m_name);
    form->addRow(QStringLiteral("&Description:"), m_description);
    form->addRow(QStringLiteral("&Shortcut:"), m_shortcut);
    form->addRow(QStringLiteral("&Commands:"), m_commands);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("57670"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CMacroPropertiesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMacroPropertiesDlg::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [&app] { help::ShowHelpTopic(app, "167.htm"); });
    help::HelpOnF1(buttons->button(QDialogButtonBox::Help));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, 320);
}

void CMacroPropertiesDlg::accept()
{
    std::string commands = fw::FromQt(m_commands->toPlainText());
    const std::string error = ApplyMacroProperties(m_macro, fw::FromQt(m_name->text()), fw::FromQt(m_description->text()),
                                                   fw::FromQt(m_shortcut->currentText()), commands);
    if (!error.empty()) {
        ui::OptionMessageBox(m_questions, error, ui::MB_OK | ui::MB_ICONHAND);
        return;
    }
    QDialog::accept();
}
