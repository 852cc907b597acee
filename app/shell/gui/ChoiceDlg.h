#pragma once
// The choice box: a message and up to five radio answers (1246-1250; an answer whose value is 0
// is not shown and the shown ones close up), OK (1; "Next" on request), Cancel (2; hidden on
// request), Help (57670; only with a help topic) and the check box "Don't display this dialog
// box again" (1244) with its separator (1415).

#include "core/ui/Questions.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

class CChoiceDlg : public QDialog {
    Q_OBJECT
public:
    // `showHelp` opens a help topic by its id (none: the Help button does nothing).
    CChoiceDlg(const ui::ChoiceRequest& request, QWidget* parent = nullptr, std::function<void(int helpId)> showHelp = {});

    ui::ChoiceReply Ask();
    QRadioButton* Radio(int index) const { return m_radios[index]; }

protected:
    void reject() override;
    void accept() override;

private:
    ui::ChoiceRequest m_request;
    QLabel* m_text;
    QRadioButton* m_radios[5];
    QCheckBox* m_check;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_help;
    ui::ChoiceReply m_reply;
};

class CDownloadDoneDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDownloadDoneDlg(QWidget* parent = nullptr);
    ui::DownloadDoneReply Ask();

private:
    QCheckBox* m_check;
    int m_answer = ui::IDOK;
};
