#pragma once
// "Tip of the Day": the next tip of Tips.dat in a rich-text box, Next Tip, Close, and the check
// box "Don't show tips at startup". Not shown at all when tips are switched off.

#include <QDialog>

#include <string>

class QCheckBox;
class QShowEvent;
class QTextEdit;

class CTipDlg : public QDialog {
    Q_OBJECT
public:
    // `tipsFile` empty: the program folder's Tips.dat.
    explicit CTipDlg(QWidget* parent = nullptr, std::string tipsFile = {});
    // IDCANCEL at once when tips are switched off; else the dialog runs and returns IDOK.
    int DoModal();
    QTextEdit* TipText() const { return m_text; }
    void ShowNextTip();

protected:
    void done(int result) override;
    // The first tip is taken when the dialog first shows: a dialog never shown (tips switched
    // off) leaves the tip counter where it was.
    void showEvent(QShowEvent* event) override;

private:
    bool m_tipTaken = false;
    std::string m_file;
    QTextEdit* m_text;
    QCheckBox* m_check;
};
