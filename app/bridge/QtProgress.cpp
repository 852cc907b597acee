#include "app/bridge/QtProgress.h"

#include "app/bridge/Seams.h"
#include "app/framework/LongOperation.h"
#include "app/shell/gui/WaitDlg.h"

#include <QCoreApplication>

namespace bridge {

QtProgress::QtProgress(QWidget* parent, ui::IQuestions* questions) : m_parent(parent), m_questions(questions) {}

QtProgress::~QtProgress() { Close(); }

bool QtProgress::Show(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (m_dialog)
        return false;
    m_state = ui::CWaitState(text.value_or(std::string()), subText.value_or(std::string()));
    m_dialog = new CWaitDlg(m_parent);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(m_dialog, &CWaitDlg::cancelPressed, m_dialog, [this] { OnCancel(); });
    fw::LongOperation::Enter();
    Refresh();
    m_dialog->show();
    m_dialog->repaint();
    return true;
}

void QtProgress::Close()
{
    if (!m_dialog)
        return;
    CWaitDlg* dialog = m_dialog;
    m_dialog = nullptr;
    dialog->hide();
    // Deleted later: Close may run inside the dialog's own Cancel handler.
    dialog->deleteLater();
    fw::LongOperation::Leave();
}

bool QtProgress::IsShown() const { return m_dialog != nullptr; }

void QtProgress::SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (!m_dialog)
        return;
    m_state.SetText(text, subText);
    Refresh();
}

void QtProgress::SetCancelVisible(bool visible)
{
    if (!m_dialog)
        return;
    m_state.SetCancelVisible(visible);
    Refresh();
}

void QtProgress::SetAskBeforeCancel(bool ask)
{
    if (m_dialog)
        m_state.SetAskBeforeCancel(ask);
}

void QtProgress::ClearCancelled()
{
    if (m_dialog)
        m_state.ClearCancelled();
}

void QtProgress::SaveState()
{
    if (m_dialog)
        m_state.SaveState();
}

void QtProgress::RestoreState()
{
    if (!m_dialog)
        return;
    m_state.RestoreState();
    Refresh();
}

int QtProgress::Notify(int kind, int64_t value)
{
    if (!m_dialog)
        return 1;
    const int reply = m_state.Apply(kind, value);
    Refresh();
    if (reply == 0)
        return 0;
    // The pump: the user's Cancel is handled now and seen by the next message.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 1;
}

void QtProgress::Refresh()
{
    if (m_dialog)
        m_dialog->Refresh(m_state);
}

void QtProgress::OnCancel()
{
    // One question at a time: a second click while it is open does nothing.
    if (!m_dialog || m_asking || !m_state.CancelVisible())
        return;
    m_asking = true;
    m_state.PressCancel(m_questions ? *m_questions : bridge::Questions());
    m_asking = false;
}

} // namespace bridge
