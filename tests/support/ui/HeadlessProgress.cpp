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

bool CHeadlessProgress::Show(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (m_shown)
        return false;
    if (m_failNextShow) {
        m_failNextShow = false;
        return false;
    }
    m_state = CWaitState(text.value_or(std::string()), subText.value_or(std::string()));
    m_shown = true;
    ++m_showCount;
    Record({Event::Show, 0, 0, 1, m_state.Text(), m_state.SubText()});
    return true;
}

void CHeadlessProgress::Close()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_cancelAt.reset();
    Record({Event::Close});
}

bool CHeadlessProgress::IsShown() const { return m_shown; }

void CHeadlessProgress::SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (!m_shown)
        return;
    m_state.SetText(text, subText);
    Record({Event::SetText, 0, 0, 1, m_state.Text(), m_state.SubText()});
}

void CHeadlessProgress::SetCancelVisible(bool visible)
{
    if (!m_shown)
        return;
    m_state.SetCancelVisible(visible);
    Record({Event::CancelVisible, 0, visible ? 1 : 0});
}

void CHeadlessProgress::SetAskBeforeCancel(bool ask)
{
    if (!m_shown)
        return;
    m_state.SetAskBeforeCancel(ask);
    Record({Event::AskBeforeCancel, 0, ask ? 1 : 0});
}

void CHeadlessProgress::ClearCancelled()
{
    if (!m_shown)
        return;
    m_state.ClearCancelled();
    Record({Event::ClearCancelled});
}

void CHeadlessProgress::SaveState()
{
    if (!m_shown)
        return;
    m_state.SaveState();
    Record({Event::Save});
}

void CHeadlessProgress::RestoreState()
{
    if (!m_shown)
        return;
    m_state.RestoreState();
    Record({Event::Restore, 0, 0, 1, m_state.Text(), m_state.SubText()});
}

int CHeadlessProgress::Notify(int kind, int64_t value)
{
    if (!m_shown) {
        Record({Event::Notify, kind, value, 1});
        return 1;
    }
    const int reply = m_state.Apply(kind, value);
    Record({Event::Notify, kind, value, reply});
    if (reply == 0)
        return 0;
    // The pump: the user's clicks are handled now and seen by the next message.
    if (m_cancelAt && kind == kProgressCount && value >= *m_cancelAt) {
        m_cancelAt.reset();
        PressCancel();
    }
    if (m_hook)
        m_hook(*this, kind, value);
    return 1;
}

void CHeadlessProgress::CancelAtCount(int64_t count) { m_cancelAt = count; }

void CHeadlessProgress::SetPumpHook(std::function<void(CHeadlessProgress&, int, int64_t)> hook)
{
    m_hook = std::move(hook);
}

bool CHeadlessProgress::PressCancel()
{
    if (!m_shown || !m_state.CancelVisible())
        return false;
    return m_state.PressCancel(*m_questions);
}

std::vector<CHeadlessProgress::Event> CHeadlessProgress::Events() const { return m_events; }

int CHeadlessProgress::ShowCount() const { return m_showCount; }

} // namespace ui
