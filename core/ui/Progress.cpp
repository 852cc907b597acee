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

// ---- CDialogProgress -------------------------------------------------------------------------

bool CDialogProgress::Show(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (m_shown || !Open())
        return false;
    m_state = CWaitState(text.value_or(std::string()), subText.value_or(std::string()));
    m_shown = true;
    Changed(Change::Show);
    return true;
}

void CDialogProgress::Close()
{
    if (!m_shown)
        return;
    m_shown = false;
    Closed();
}

void CDialogProgress::SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText)
{
    if (!m_shown)
        return;
    m_state.SetText(text, subText);
    Changed(Change::Text);
}

void CDialogProgress::SetCancelVisible(bool visible)
{
    if (!m_shown)
        return;
    m_state.SetCancelVisible(visible);
    Changed(Change::CancelVisible);
}

void CDialogProgress::SetAskBeforeCancel(bool ask)
{
    if (!m_shown)
        return;
    m_state.SetAskBeforeCancel(ask);
    Changed(Change::AskBeforeCancel);
}

void CDialogProgress::ClearCancelled()
{
    if (!m_shown)
        return;
    m_state.ClearCancelled();
    Changed(Change::ClearCancelled);
}

void CDialogProgress::SaveState()
{
    if (!m_shown)
        return;
    m_state.SaveState();
    Changed(Change::Save);
}

void CDialogProgress::RestoreState()
{
    if (!m_shown)
        return;
    m_state.RestoreState();
    Changed(Change::Restore);
}

int CDialogProgress::Notify(int kind, int64_t value)
{
    if (!m_shown) {
        Notified(kind, value, 1);
        return 1;
    }
    const int reply = m_state.Apply(kind, value);
    Notified(kind, value, reply);
    if (reply == 0)
        return 0;
    Pump(kind, value);
    return 1;
}

bool CDialogProgress::PressCancel(IQuestions& questions)
{
    if (!m_shown || !m_state.CancelVisible())
        return false;
    return m_state.PressCancel(questions);
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
