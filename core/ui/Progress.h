#pragma once
// The please-wait seam: how a long operation shows its texts and progress and learns
// that the user cancelled. The core calls IProgress only; the application shell's please-wait
// dialog implements it with a widget, CHeadlessProgress implements it for tests (scripted cancel,
// recorded calls), and the engine adapts it to its notification codes.
//
// The contract of the dialog's WM_WAIT_PROGRESS message (1207, WM_USER+183) is kept as Notify:
// kind 1 sets the total (the bar is shown when it is above 0), kind 2 sets the count reached
// (position = count x 100 / total, nothing when total <= 0), any other kind (senders use 3 when
// done) puts the bar at 100 %. The reply is 0 once the user has confirmed Cancel, else 1. A sender
// sends 1 with the number of steps before its loop, 2 with the steps done after each step, and
// stops as cancelled as soon as a reply is 0.
//
// CWaitState holds the dialog's state and rules (texts, total, bar position, Cancel, the
// cancelled mark, Save/Restore State) without a widget; CDialogProgress applies them for the
// dialog and for the headless implementation alike.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// The private message of the please-wait dialog and its kinds.
inline constexpr uint32_t WM_WAIT_PROGRESS = 1207;
inline constexpr int kProgressTotal = 1;
inline constexpr int kProgressCount = 2;
inline constexpr int kProgressDone = 3;
// The text appended to the main text in the dialog.
inline constexpr const char* kPleaseWaitSuffix = ". Please wait...";

class IQuestions;

// The state of one please-wait dialog.
class CWaitState {
public:
    CWaitState() = default;
    CWaitState(std::string text, std::string subText) : m_text(std::move(text)), m_subText(std::move(subText)) {}

    // Texts: the main text without the suffix, and the second line.
    const std::string& Text() const { return m_text; }
    const std::string& SubText() const { return m_subText; }
    // What the dialog's first line shows: text + ". Please wait...".
    std::string ShownText() const { return m_text + kPleaseWaitSuffix; }
    // Each argument given replaces its text; a missing one leaves it (SetWaitText).
    void SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText);

    int32_t Total() const { return m_total; }
    bool BarVisible() const { return m_barVisible; }
    // The bar's position, 0..100 (the bar clamps what it is given).
    int Position() const { return m_position; }
    bool CancelVisible() const { return m_cancelVisible; }
    void SetCancelVisible(bool visible) { m_cancelVisible = visible; }
    bool AskBeforeCancel() const { return m_askBeforeCancel; }
    void SetAskBeforeCancel(bool ask) { m_askBeforeCancel = ask; }
    bool Cancelled() const { return m_cancelled; }
    // The tools clear the mark before a loop; a detection clears it when it starts with the
    // progress flag.
    void ClearCancelled() { m_cancelled = false; }
    // Marks the operation cancelled without a question (a notification answered 0).
    void MarkCancelled() { m_cancelled = true; }

    // Applies one WM_WAIT_PROGRESS message and returns its reply before the pump (0 when
    // cancelled, else 1). The count is scaled in 64 bits (a 32-bit product would overflow
    // above 21,474,836 steps).
    int Apply(int kind, int64_t value);

    // The Cancel button or Escape. With ask-before-cancel, asks "Are you sure you want to cancel
    // <text>?" (Yes/No, exclamation icon, No focused) and only Yes cancels. Returns whether the
    // operation is now cancelled. The question goes to `questions`.
    bool PressCancel(IQuestions& questions);
    // The question asked by PressCancel.
    std::string CancelQuestion() const { return "Are you sure you want to cancel " + m_text + "?"; }

    void SaveState();
    void RestoreState();

private:
    std::string m_text;
    std::string m_subText;
    bool m_cancelled = false;
    int32_t m_total = 0;
    bool m_askBeforeCancel = true;
    bool m_barVisible = false;
    int m_position = 0;
    bool m_cancelVisible = true;

    std::string m_savedText;
    std::string m_savedSubText;
    int32_t m_savedTotal = 0;
    int m_savedPosition = 0;
    bool m_savedCancelVisible = true;
};

// What long operations call.
class IProgress {
public:
    virtual ~IProgress() = default;

    // ShowWaitDlg: shows a please-wait dialog with the texts (a missing text stays empty) and
    // returns true; when one is already shown it is returned unchanged (texts NOT replaced) and
    // the result is false. A failure to create it leaves none shown and returns false.
    virtual bool Show(const std::optional<std::string>& text, const std::optional<std::string>& subText) = 0;
    // CloseWaitDlg: closes the dialog when one is shown; a later Show starts uncancelled.
    virtual void Close() = 0;
    virtual bool IsShown() const = 0;
    // SetWaitText: each given text replaces its line; nothing when no dialog is shown.
    virtual void SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText) = 0;
    // Hide Cancel / Show Cancel (operations that cannot be interrupted hide it after Show).
    virtual void SetCancelVisible(bool visible) = 0;
    // Clears ask-before-cancel so that Cancel takes effect at once (the tuner's capture).
    virtual void SetAskBeforeCancel(bool ask) = 0;
    virtual void ClearCancelled() = 0;
    virtual void SaveState() = 0;
    virtual void RestoreState() = 0;
    // WM_WAIT_PROGRESS: the reply; 0 means cancelled. With no dialog shown, senders skip their
    // progress messages; an implementation answers 1.
    virtual int Notify(int kind, int64_t value) = 0;

    bool SetTotal(int64_t total) { return Notify(kProgressTotal, total) != 0; }
    // False when the user cancelled.
    bool Step(int64_t count) { return Notify(kProgressCount, count) != 0; }
    void Done() { Notify(kProgressDone, 0); }
};

// A please-wait dialog's behaviour, shown or played: the state and its rules, and "nothing
// happens while none is shown". The window itself (or a test playing it) comes in through the
// hooks, so that the real dialog and the headless one cannot drift apart.
class CDialogProgress : public IProgress {
public:
    bool Show(const std::optional<std::string>& text, const std::optional<std::string>& subText) final;
    void Close() final;
    bool IsShown() const final { return m_shown; }
    void SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText) final;
    void SetCancelVisible(bool visible) final;
    void SetAskBeforeCancel(bool ask) final;
    void ClearCancelled() final;
    void SaveState() final;
    void RestoreState() final;
    int Notify(int kind, int64_t value) final;

    // The state of the dialog shown, or of the last one closed.
    const CWaitState& State() const { return m_state; }
    // The user presses Cancel (or Escape): nothing when no dialog is shown or Cancel is hidden.
    // Returns whether the operation is now cancelled.
    bool PressCancel(IQuestions& questions);

protected:
    enum class Change { Show, Text, CancelVisible, AskBeforeCancel, ClearCancelled, Save, Restore };
    // Makes the window; false when it cannot be made (nothing is shown then).
    virtual bool Open() { return true; }
    // Takes the window away.
    virtual void Closed() {}
    // The state of the shown dialog changed.
    virtual void Changed(Change) {}
    // A progress message was applied (also without a dialog: the reply is then 1).
    virtual void Notified(int /*kind*/, int64_t /*value*/, int /*reply*/) {}
    // The dialog's message pump after a message that did not cancel: the user's clicks are
    // handled now and seen by the next message.
    virtual void Pump(int /*kind*/, int64_t /*value*/) {}

private:
    CWaitState m_state;
    bool m_shown = false;
};

// One step of an operation that needs the wait dialog: when a dialog is
// already shown it saves its state, sets its own texts and restores the state at the end; when
// none is shown it shows one and closes it at the end.
class CWaitStep {
public:
    CWaitStep(IProgress& progress, const std::optional<std::string>& text,
              const std::optional<std::string>& subText);
    ~CWaitStep();
    CWaitStep(const CWaitStep&) = delete;
    CWaitStep& operator=(const CWaitStep&) = delete;
    // True when this step opened the dialog itself.
    bool Opened() const { return m_opened; }

private:
    IProgress& m_progress;
    bool m_opened = false;
    bool m_nested = false;
};

// A please-wait implementation that hands every progress message to a function and takes its
// reply, for programs without a dialog: the engine forwards the messages to the client's
// notification, where a reply of 0 cancels at once. Texts and Cancel are kept but not
// shown. Once a reply was 0, every later reply is 0 until the next Show or ClearCancelled.
class CCallbackProgress : public IProgress {
public:
    using Callback = std::function<int(int kind, int64_t value)>;
    explicit CCallbackProgress(Callback callback) : m_callback(std::move(callback)) {}

    bool Show(const std::optional<std::string>& text, const std::optional<std::string>& subText) override;
    void Close() override { m_shown = false; }
    bool IsShown() const override { return m_shown; }
    void SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText) override
    {
        m_state.SetText(text, subText);
    }
    void SetCancelVisible(bool visible) override { m_state.SetCancelVisible(visible); }
    void SetAskBeforeCancel(bool ask) override { m_state.SetAskBeforeCancel(ask); }
    void ClearCancelled() override { m_state.ClearCancelled(); }
    void SaveState() override { m_state.SaveState(); }
    void RestoreState() override { m_state.RestoreState(); }
    // Without a dialog shown the message still goes to the function (the engine reports the
    // progress of operations that open no dialog); its 0 reply cancels.
    int Notify(int kind, int64_t value) override;
    const CWaitState& State() const { return m_state; }

private:
    Callback m_callback;
    CWaitState m_state;
    bool m_shown = false;
};

} // namespace ui
