#include "app/shell/gui/FindReplaceDlg.h"

#include "app/framework/gui/Text8.h"
#include "core/ui/Questions.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<CFindReplaceDlg>& TheDialog()
{
    static QPointer<CFindReplaceDlg> dialog;
    return dialog;
}


} // namespace

CFindReplaceDlg::CFindReplaceDlg(QWidget* parent, ui::IQuestions& questions, bool replace,
                                 std::function<textfind::IFindTarget*()> target)
    : QDialog(parent), m_questions(questions), m_isReplace(replace), m_target(std::move(target))
{
    setObjectName(replace ? QStringLiteral("1541") : QStringLiteral("1540"));
    setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout;
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("1152"));
    grid->addWidget(new QLabel(QStringLiteral("Fi&nd what:"), this), 0, 0);
    grid->addWidget(m_find, 0, 1);
    if (replace) {
        m_replace = new QLineEdit(this);
        m_replace->setObjectName(QStringLiteral("1153"));
        grid->addWidget(new QLabel(QStringLiteral("Re&place with:"), this), 1, 0);
        grid->addWidget(m_replace, 1, 1);
    }
    m_wholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    m_wholeWord->setObjectName(QStringLiteral("1040"));
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("1041"));
    grid->addWidget(m_wholeWord, 2, 0, 1, 2);
    grid->addWidget(m_matchCase, 3, 0, 1, 2);

    auto* buttons = new QVBoxLayout;
    auto addButton = [&](const char* text, const char* id, void (CFindReplaceDlg::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(id));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    addButton("&Find Next", "1", &CFindReplaceDlg::OnFindNext)->setDefault(true);
    if (replace) {
        addButton("&Replace", "1024", &CFindReplaceDlg::OnReplace);
        addButton("Replace &All", "1025", &CFindReplaceDlg::OnReplaceAll);
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    const int flags = textfind::CFindState::Instance().Flags();
    m_wholeWord->setChecked(flags & textfind::FR_WHOLEWORD);
    m_matchCase->setChecked(flags & textfind::FR_MATCHCASE);
    if (textfind::IFindTarget* t = m_target())
        m_find->setText(fw::ToQt(textfind::CFindState::Instance().InitialText(*t)));
    if (replace)
        m_replace->setText(fw::ToQt(textfind::CFindState::Instance().LastReplace()));
}

int CFindReplaceDlg::DialogFlags() const
{
    return (m_wholeWord->isChecked() ? textfind::FR_WHOLEWORD : 0) | (m_matchCase->isChecked() ? textfind::FR_MATCHCASE : 0);
}

void CFindReplaceDlg::Tell(const std::string& message)
{
    if (!message.empty())
        ui::OptionMessageBox(m_questions, message, ui::MB_OK | ui::MB_ICONEXCLAMATION, {}, {}, {});
}

void CFindReplaceDlg::OnFindNext()
{
    if (textfind::IFindTarget* t = m_target())
        Tell(textfind::CFindState::Instance().FindNext(*t, fw::FromQt(m_find->text()), DialogFlags()));
}

void CFindReplaceDlg::OnReplace()
{
    if (textfind::IFindTarget* t = m_target())
        Tell(textfind::CFindState::Instance().Replace(*t, fw::FromQt(m_find->text()), fw::FromQt(m_replace->text()), DialogFlags()));
}

void CFindReplaceDlg::OnReplaceAll()
{
    textfind::IFindTarget* t = m_target();
    if (!t)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string message =
        textfind::CFindState::Instance().ReplaceAll(*t, fw::FromQt(m_find->text()), fw::FromQt(m_replace->text()), DialogFlags());
    QApplication::restoreOverrideCursor();
    Tell(message);
}

CFindReplaceDlg* CFindReplaceDlg::Current() { return TheDialog(); }

CFindReplaceDlg* CFindReplaceDlg::Open(QWidget* parent, ui::IQuestions& questions, bool replace,
                                       std::function<textfind::IFindTarget*()> target)
{
    if (!target || !target())
        return nullptr;
    QPointer<CFindReplaceDlg>& dialog = TheDialog();
    if (dialog && dialog->IsReplace() != replace) {
        dialog->close();
        dialog = nullptr;
    }
    if (!dialog)
        dialog = new CFindReplaceDlg(parent, questions, replace, std::move(target));
    else
        dialog->m_target = std::move(target); // the document the command came from, from now on
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}
