#include "core/ui/Progress.h"

#include "core/ui/Questions.h"

namespace ui {

// ---- CWaitState ------------------------------------------------------------------------------

void CWaitState::SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (text)
        m_text = *text;
    if (subText)
        m_subText = *subText;
}

int CWaitState::Apply(int kind, int64_t value)
{
    if (kind == kProgressTotal) {
        m_total = static_cast<int32_t>(value);
        m_barVisible = value > 0;
    } else if (kind == kProgressCount) {
        if (m_total > 0) {
            const int64_t pos = value * 100 / m_total;
            m_position = pos < 0 ? 0 : (pos > 100 ? 100 : static_cast<int>(pos));
        }
    } else {
        m_position = 100;
    }
    return m_cancelled ? 0 : 1;
}

bool CWaitState::PressCancel(IQuestions& questions)
{
    if (m_askBeforeCancel) {
        const int answer = OptionMessageBox(questions, CancelQuestion(), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON3);
        if (answer != IDYES)
            return m_cancelled;
    }
    m_cancelled = true;
    return true;
}

void CWaitState::SaveState()
{
    m_savedText = m_text;
    m_savedSubText = m_subText;
    m_savedTotal = m_total;
    m_savedPosition = m_position;
    m_savedCancelVisible = m_cancelVisible;
}

void CWaitState::RestoreState()
{
    SetText(m_savedText, m_savedSubText);
    m_total = m_savedTotal;
    m_barVisible = m_total > 0;
    m_position = m_savedPosition;
    m_cancelVisible = m_savedCancelVisible;
}

// ---- CWaitStep -------------------------------------------------------------------------------

CWaitStep::CWaitStep(IProgress& progress, const std::optional<std::string>& text,
                     const std::optional<std::string>& subText)
    : m_progress(progress)
{
    if (m_progress.IsShown()) {
        m_progress.SaveState();
        m_progress.SetText(text, subText);
        m_nested = true;
    } else {
        m_opened = m_progress.Show(text, subText);
    }
}

CWaitStep::~CWaitStep()
{
    if (m_nested)
        m_progress.RestoreState();
    else if (m_opened)
        m_progress.Close();
}

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

// ---- CCallbackProgress ----------------------------------------------------------------------

bool CCallbackProgress::Show(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (m_shown)
        return false;
    m_state = CWaitState(text.value_or(std::string()), subText.value_or(std::string()));
    m_shown = true;
    return true;
}

int CCallbackProgress::Notify(int kind, int64_t value)
{
    if (m_state.Apply(kind, value) == 0)
        return 0;
    if (m_callback && m_callback(kind, value) == 0) {
        m_state.MarkCancelled();
        return 0;
    }
    return 1;
}

} // namespace ui
