#pragma once
// The please-wait seam on the real dialog. While a dialog is shown it is application-modal and
// the program-wide long-operation flag is up, so no timer, menu or close starts a second exchange
// on a port; each progress message processes the pending events (the only way the user's Cancel
// gets through) and answers 0 once the user has confirmed Cancel.

#include "core/ui/Progress.h"

#include <QPointer>

class CWaitDlg;
class QWidget;

namespace bridge {

class QtProgress : public ui::IProgress {
public:
    // `parent`: the window the dialog is centred on (the main frame); `questions`: the seam that
    // asks "Are you sure you want to cancel ...?" (null: the installed one).
    explicit QtProgress(QWidget* parent = nullptr, ui::IQuestions* questions = nullptr);
    ~QtProgress() override;

    bool Show(const std::optional<std::string>& text, const std::optional<std::string>& subText) override;
    void Close() override;
    bool IsShown() const override;
    void SetText(const std::optional<std::string>& text, const std::optional<std::string>& subText) override;
    void SetCancelVisible(bool visible) override;
    void SetAskBeforeCancel(bool ask) override;
    void ClearCancelled() override;
    void SaveState() override;
    void RestoreState() override;
    int Notify(int kind, int64_t value) override;

    // The dialog shown (null when none).
    CWaitDlg* Dialog() const { return m_dialog; }
    const ui::CWaitState& State() const { return m_state; }
    void SetParent(QWidget* parent) { m_parent = parent; }

private:
    void Refresh();
    void OnCancel();

    QPointer<QWidget> m_parent;
    ui::IQuestions* m_questions;
    ui::CWaitState m_state;
    CWaitDlg* m_dialog = nullptr;
    bool m_asking = false;
};

} // namespace bridge
