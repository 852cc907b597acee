#pragma once
// The modeless Find and Replace dialog of the text views: find text (1152), replace text (1153),
// "Match whole word only" (1040), "Match case" (1041), Find Next (1), Replace (1024), Replace All
// (1025), Cancel (2). It works on whatever view `target` answers when a button is pressed (the
// active source editor or terminal document), by the rules of textfind::CFindState.

#include "app/shell/FindReplace.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
namespace ui {
class IQuestions;
}

class CFindReplaceDlg : public QDialog {
    Q_OBJECT
public:
    // `replace`: the find-and-replace form, else find only. `questions` tells what a search found
    // or did not.
    CFindReplaceDlg(QWidget* parent, ui::IQuestions& questions, bool replace,
                    std::function<textfind::IFindTarget*()> target);

    bool IsReplace() const { return m_isReplace; }
    QLineEdit* FindEdit() const { return m_find; }
    QLineEdit* ReplaceEdit() const { return m_replace; }
    QCheckBox* WholeWord() const { return m_wholeWord; }
    QCheckBox* MatchCase() const { return m_matchCase; }

    void OnFindNext();
    void OnReplace();
    void OnReplaceAll();

    // The program's one find dialog: opens (or activates) the dialog of the kind for the target
    // the function answers; a dialog of the other kind is closed first. Null when there is no
    // target.
    static CFindReplaceDlg* Open(QWidget* parent, ui::IQuestions& questions, bool replace,
                                 std::function<textfind::IFindTarget*()> target);
    static CFindReplaceDlg* Current();

private:
    int DialogFlags() const;
    void Tell(const std::string& message);

    ui::IQuestions& m_questions;
    bool m_isReplace;
    std::function<textfind::IFindTarget*()> m_target;
    QLineEdit* m_find;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_wholeWord;
    QCheckBox* m_matchCase;
};
