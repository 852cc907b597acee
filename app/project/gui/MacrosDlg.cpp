#include "app/project/gui/MacrosDlg.h"

#include "app/framework/LongOperation.h"
#include "app/framework/gui/Text8.h"
#include "app/project/Project.h"
#include "app/project/gui/MacroPropertiesDlg.h"
#include "app/shell/gui/Help.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CMacrosDlg::CMacrosDlg(QWidget* parent, CProject& project, CMacroRunner& runner, ui::IQuestions& questions,
                       std::function<IMacroTarget*()> target, const shell::CAppContext& app)
    : QDialog(parent), m_project(project), m_form(project, runner, questions), m_questions(questions), m_app(app),
      m_target(std::move(target)), m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("168"));
    setWindowTitle(QString::fromLatin1(CMacrosForm::kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_list->setObjectName(QString::number(CMacrosForm::kList));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Description"), QStringLiteral("Shortcut")});
    m_list->setColumnWidth(0, 100);
    m_list->setColumnWidth(1, 200);
    m_list->setColumnWidth(2, 80);
    m_list->setMinimumWidth(400);
    m_list->installEventFilter(this);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_form.Properties(Selected(), [this](CMacro& m, const CMacro* o) { return EditMacro(m, o); }))
            Refill(Selected());
    });

    auto* buttons = new QVBoxLayout;
    const struct {
        int id;
        const char* text;
    } defs[] = {{CMacrosForm::kAdd, "&Add"},   {CMacrosForm::kDelete, "&Delete"}, {CMacrosForm::kProperties, "&Properties"},
                {CMacrosForm::kRun, "&Run"},   {CMacrosForm::kClose, "Close"},    {CMacrosForm::kHelp, "&Help"}};
    for (const auto& d : defs) {
        auto* b = new QPushButton(QString::fromLatin1(d.text), this);
        b->setObjectName(QString::number(d.id));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    connect(Button(CMacrosForm::kAdd), &QPushButton::clicked, this, [this] {
        if (m_form.Add([this](CMacro& m, const CMacro* o) { return EditMacro(m, o); }))
            Refill(static_cast<int>(m_project.Macros().size()) - 1);
    });
    connect(Button(CMacrosForm::kDelete), &QPushButton::clicked, this, [this] {
        const int at = Selected();
        if (m_form.Delete(at))
            Refill(std::min(at, static_cast<int>(m_project.Macros().size()) - 1));
    });
    connect(Button(CMacrosForm::kProperties), &QPushButton::clicked, this, [this] {
        if (m_form.Properties(Selected(), [this](CMacro& m, const CMacro* o) { return EditMacro(m, o); }))
            Refill(Selected());
    });
    connect(Button(CMacrosForm::kRun), &QPushButton::clicked, this, &CMacrosDlg::OnRun);
    connect(Button(CMacrosForm::kClose), &QPushButton::clicked, this, &CMacrosDlg::reject);
    connect(Button(CMacrosForm::kHelp), &QPushButton::clicked, this, [this] { help::ShowHelpTopic(m_app, "168.htm"); });
    help::HelpOnF1(Button(CMacrosForm::kHelp));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    Refill(0);
}

QPushButton* CMacrosDlg::Button(int id) const { return findChild<QPushButton*>(QString::number(id)); }

void CMacrosDlg::Refill(int select)
{
    m_list->clear();
    for (const CMacrosForm::Row& row : m_form.Rows())
        new QTreeWidgetItem(m_list, {fw::ToQt(row.name), fw::ToQt(row.description), fw::ToQt(row.shortcut)});
    if (QTreeWidgetItem* item = m_list->topLevelItem(select))
        m_list->setCurrentItem(item);
}

int CMacrosDlg::Selected() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
}

bool CMacrosDlg::EditMacro(CMacro& macro, const CMacro* original)
{
    CMacroPropertiesDlg dlg(this, macro, m_project.Macros(), original, m_questions, m_app);
    return dlg.exec() == QDialog::Accepted;
}

void CMacrosDlg::OnRun()
{
    if (m_form.Running()) {
        m_form.RunOrStop(Selected(), nullptr, {}); // Stop
        return;
    }
    const int ids[] = {CMacrosForm::kAdd, CMacrosForm::kDelete, CMacrosForm::kProperties, CMacrosForm::kClose,
                       CMacrosForm::kHelp};
    auto enable = [&](bool on) {
        for (int id : ids)
            Button(id)->setEnabled(on);
    };
    IMacroTarget* target = m_target ? m_target() : nullptr;
    if (!target && Selected() >= 0)
        return; // no terminal port: the macro does not run
    enable(false);
    Button(CMacrosForm::kRun)->setText(QStringLiteral("Stop"));
    {
        // The dialog stays live for Stop; no timer may start an exchange meanwhile.
        fw::LongOperation busy;
        m_form.RunOrStop(Selected(), target, [] { QApplication::processEvents(); });
    }
    Button(CMacrosForm::kRun)->setText(QStringLiteral("&Run"));
    enable(true);
}

bool CMacrosDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Insert) {
            Button(CMacrosForm::kAdd)->click();
            return true;
        }
        if (key == Qt::Key_Delete) {
            Button(CMacrosForm::kDelete)->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Escape or the close box while a macro runs does nothing: the macro ends first.
void CMacrosDlg::reject()
{
    if (!m_form.Running())
        QDialog::reject();
}
