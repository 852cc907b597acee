#pragma once
// The User Variables page of the motor view (233): Poll, Stop, Refresh, Mem. Map, Hex Display,
// the range list and the two-pair list of names and values. The rules are CMotorVariablesForm's.

#include "app/tools/MotorVariablesForm.h"
#include "app/tools/gui/PagePollButtons.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTreeWidget;

namespace tools::gui {

class CIconButton;

class CMotorVariablesPage : public QWidget {
public:
    CMotorVariablesPage(QWidget* parent, CMotorVariablesForm& form, std::function<void(const std::string&)> message,
                        std::function<void(const std::function<void()>&)> refresh,
                        std::function<void()> memoryMap);
    // The whole list afresh (a new range).
    void Rebuild();
    // After a poll step: the variable read, and the buttons.
    void Show();
    QTreeWidget* List() const { return m_list; }
    QComboBox* Ranges() const { return m_ranges; }
    // The value shown for variable n of the range.
    QString ValueShown(int n) const;

private:
    void ShowValue(int n);

    CMotorVariablesForm& m_form;
    std::function<void(const std::string&)> m_message;
    std::function<void(const std::function<void()>&)> m_refreshScope;
    PagePollButtons m_buttons;
    QCheckBox* m_hex;
    QComboBox* m_ranges;
    QTreeWidget* m_list;
    bool m_showing = false;
};

} // namespace tools::gui
