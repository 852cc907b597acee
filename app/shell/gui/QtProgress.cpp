#include "app/shell/gui/QtProgress.h"

#include "app/framework/LongOperation.h"
#include "app/framework/gui/CentreOver.h"
#include "app/framework/gui/PaintNow.h"
#include "app/shell/gui/WaitDlg.h"

#include <QCoreApplication>

namespace bridge {

QtProgress::QtProgress(QWidget* parent, ui::IQuestions& questions) : m_parent(parent), m_questions(questions) {}

QtProgress::~QtProgress() { Close(); }

CWaitDlg* QtProgress::Dialog() const { return m_dialog.data(); }

bool QtProgress::Open()
{
    m_opener = fw::OpenerWindow(m_parent);
    m_dialog = new CWaitDlg(m_parent);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(m_dialog, &CWaitDlg::cancelPressed, m_dialog, [this] { OnCancel(); });
    fw::LongOperation::Enter();
    return true;
}

void QtProgress::Closed()
{
    if (CWaitDlg* dialog = m_dialog.data()) {
        dialog->hide();
        // Deleted later: Close may run inside the dialog's own Cancel handler.
        dialog->deleteLater();
    }
    m_dialog = nullptr;
    fw::LongOperation::Leave();
}

void QtProgress::Changed(Change change)
{
    Refresh();
    // The operation blocks right after this: the box shows its texts before that, not an empty
    // frame until its next progress message.
    if (change == Change::Show && m_dialog) {
        if (!m_dialog->isVisible())
            fw::CentreOver(m_dialog, m_opener);
        fw::ShowPainted(m_dialog);
    } else if (change == Change::Text || change == Change::Restore) {
        fw::PaintNow(m_dialog);
    }
}

void QtProgress::Notified(int, int64_t, int) { Refresh(); }

void QtProgress::Pump(int, int64_t)
{
    // The user's Cancel is handled now and seen by the next message.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtProgress::Refresh()
{
    if (m_dialog)
        m_dialog->Refresh(State());
}

void QtProgress::OnCancel()
{
    // One question at a time: a second click while it is open does nothing.
    if (m_asking)
        return;
    m_asking = true;
    PressCancel(m_questions);
    m_asking = false;
}

} // namespace bridge
