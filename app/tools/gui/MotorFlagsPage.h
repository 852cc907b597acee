#pragma once
// The Flags page of the motor view (250): Poll, Stop, Refresh, the W field, "Include Bits not in
// W" and the flag list. The rules are CMotorFlagsForm's.

#include "app/tools/MotorFlagsForm.h"
#include "app/tools/gui/PagePollButtons.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tools::gui {

class CIconButton;

class CMotorFlagsPage : public QWidget {
public:
    CMotorFlagsPage(QWidget* parent, CMotorFlagsForm& form, std::function<void(const std::string&)> message,
                    std::function<void(const std::function<void()>&)> refresh);
    // The table afresh (family changed, or the check box).
    void Rebuild();
    // The values of the form: W field, Status column, buttons.
    void Show();
    QTreeWidget* List() const { return m_list; }
    QLineEdit* WField() const { return m_w; }
    QCheckBox* IncludeBox() const { return m_include; }

private:
    CMotorFlagsForm& m_form;
    std::function<void(const std::string&)> m_message;
    std::function<void(const std::function<void()>&)> m_refreshScope;
    PagePollButtons m_buttons;
    QLineEdit* m_w;
    QCheckBox* m_include;
    QTreeWidget* m_list;
    bool m_showing = false;
};

} // namespace tools::gui
