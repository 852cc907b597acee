#pragma once
// The please-wait dialog played by a test.

#include "core/ui/Progress.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// A please-wait implementation without a widget: keeps a CWaitState, records every call, and lets
// a test play the user. A user action scripted for a message happens while the dialog pumps its
// messages after that message, as in the dialog: the reply to that message is still 1 and the
// next reply is 0. User-interface thread only, like the dialog.
class CHeadlessProgress : public CDialogProgress {
public:
    struct Event {
        enum Kind { Show, Close, SetText, CancelVisible, AskBeforeCancel, ClearCancelled, Save, Restore, Notify };
        Event(Kind k, int pk = 0, int64_t v = 0, int r = 1, std::string t = {}, std::string s = {})
            : kind(k), progressKind(pk), value(v), reply(r), text(std::move(t)), subText(std::move(s))
        {
        }
        Kind kind;
        int progressKind = 0;  // Notify
        int64_t value = 0;     // Notify: the value; CancelVisible/AskBeforeCancel: 0 or 1
        int reply = 1;         // Notify
        std::string text;      // Show/SetText: the main text after the call
        std::string subText;   // Show/SetText: the second line after the call
    };

    // `questions` answers the cancel question when ask-before-cancel is set (null: a user who
    // closes the box, so that Cancel takes effect only without ask-before-cancel).
    explicit CHeadlessProgress(IQuestions* questions = nullptr);
    ~CHeadlessProgress() override;

    // ---- playing the user ----
    // Presses Cancel while the message with kind 2 and a count of at least `count` is pumped
    // (once). The cancel question, if asked, is answered by the question seam.
    void CancelAtCount(int64_t count);
    // Called while each message is pumped (after its effect, when not cancelled), for other
    // scripted actions; it may call PressCancel.
    void SetPumpHook(std::function<void(CHeadlessProgress&, int kind, int64_t value)> hook);
    // The user presses Cancel now (no effect when no dialog is shown or Cancel is hidden).
    bool PressCancel();
    using CDialogProgress::PressCancel;
    // Makes the next Show fail, as when the dialog cannot be created.
    void FailNextShow() { m_failNextShow = true; }

    // ---- what happened ----
    std::vector<Event> Events() const;
    // Number of dialogs shown so far.
    int ShowCount() const;
    // Whether events are kept (on by default; a long-lived default instance turns it off).
    void SetRecording(bool on) { m_recording = on; }

private:
    bool Open() override;
    void Closed() override;
    void Changed(Change change) override;
    void Notified(int kind, int64_t value, int reply) override;
    void Pump(int kind, int64_t value) override;
    void Record(Event e);

    IQuestions* m_questions;
    std::unique_ptr<IQuestions> m_unattended; // answers when no question seam was given
    bool m_failNextShow = false;
    bool m_recording = true;
    int m_showCount = 0;
    std::optional<int64_t> m_cancelAt;
    std::function<void(CHeadlessProgress&, int, int64_t)> m_hook;
    std::vector<Event> m_events;
};

} // namespace ui
