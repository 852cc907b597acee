#pragma once
// The start dialog "Welcome to VQX!": open a recent project (1418, list 1026), open an existing
// one (1419), make a new one (1420), detect motors without a project (1421), and "Don't display
// this dialog box again" (1244). Answers 100, 101, 102, a recent-list index, or -1 (Cancel).

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QRadioButton;
class QTreeWidget;
namespace ui {
class IQuestions;
}

class CStartDlg : public QDialog {
    Q_OBJECT
public:
    // `recent`: the recent-project list's entries (empty ones are not listed); `questions` asks
    // for a selection when none is made.
    CStartDlg(const std::vector<std::string>& recent, ui::IQuestions& questions, QWidget* parent = nullptr);
    int DoModal();
    bool m_bDontDisplay = false;

    QRadioButton* Radio(int id) const;
    QTreeWidget* List() const { return m_list; }

protected:
    void accept() override;
    void reject() override;

private:
    ui::IQuestions& m_questions;
    QRadioButton* m_radios[4];
    QTreeWidget* m_list;
    QCheckBox* m_check;
    int m_result = -1;
};
