#include "tests/support/ui/HeadlessProgress.h"

#include "core/ui/Questions.h"

namespace ui {

// ---- CHeadlessProgress -----------------------------------------------------------------------

CHeadlessProgress::CHeadlessProgress(IQuestions* questions) : m_questions(questions)
{
    if (!m_questions) {
        m_unattended = std::make_unique<CUnattendedQuestions>();
        m_questions = m_unattended.get();
    }
}

CHeadlessProgress::~CHeadlessProgress() = default;

void CHeadlessProgress::Record(Event e)
{
    if (m_recording)
        m_events.push_back(std::move(e));
}

bool CHeadlessProgress::Open()
{
    if (m_failNextShow) {
        m_failNextShow = false;
        return false;
    }
    ++m_showCount;
    return true;
}

void CHeadlessProgress::Closed()
{
    m_cancelAt.reset();
    Record({Event::Close});
}

void CHeadlessProgress::Changed(Change change)
{
    const CWaitState& s = State();
    switch (change) {
    case Change::Show:
        Record({Event::Show, 0, 0, 1, s.Text(), s.SubText()});
        break;
    case Change::Text:
        Record({Event::SetText, 0, 0, 1, s.Text(), s.SubText()});
        break;
    case Change::CancelVisible:
        Record({Event::CancelVisible, 0, s.CancelVisible() ? 1 : 0});
        break;
    case Change::AskBeforeCancel:
        Record({Event::AskBeforeCancel, 0, s.AskBeforeCancel() ? 1 : 0});
        break;
    case Change::ClearCancelled:
        Record({Event::ClearCancelled});
        break;
    case Change::Save:
        Record({Event::Save});
        break;
    case Change::Restore:
        Record({Event::Restore, 0, 0, 1, s.Text(), s.SubText()});
        break;
    }
}

void CHeadlessProgress::Notified(int kind, int64_t value, int reply) { Record({Event::Notify, kind, value, reply}); }

void CHeadlessProgress::Pump(int kind, int64_t value)
{
    if (m_cancelAt && kind == kProgressCount && value >= *m_cancelAt) {
        m_cancelAt.reset();
        PressCancel();
    }
    if (m_hook)
        m_hook(*this, kind, value);
}

void CHeadlessProgress::CancelAtCount(int64_t count) { m_cancelAt = count; }

void CHeadlessProgress::SetPumpHook(std::function<void(CHeadlessProgress&, int, int64_t)> hook)
{
    m_hook = std::move(hook);
}

bool CHeadlessProgress::PressCancel() { return CDialogProgress::PressCancel(*m_questions); }

std::vector<CHeadlessProgress::Event> CHeadlessProgress::Events() const { return m_events; }

int CHeadlessProgress::ShowCount() const { return m_showCount; }

} // namespace ui
