#pragma once
// The Info page of the motor view (217): the motor's identity and program as the project holds
// them, Get Info, Edit Properties and Details. It does not poll.

#include "app/tools/MotorInfoForm.h"

#include <QWidget>

#include <functional>
#include <map>

class QLabel;
class QPushButton;

namespace tools::gui {

struct MotorInfoPageServices {
    MotorInfoServices getInfo;
    // The motor settings dialog; true on OK (the caller rebuilds the tree and port tabs).
    std::function<bool(CMotor&)> editProperties;
    std::function<void(CMotor&)> details;
    // The motor's data changed: the sibling pages follow.
    std::function<void()> changed;
};

class CMotorInfoPage : public QWidget {
public:
    CMotorInfoPage(QWidget* parent, MotorViewLink& link, MotorInfoPageServices services);
    // Fills the fields from the motor and brings the sibling pages up to date.
    void Refresh();
    // Only the fields (the page comes to the front).
    void ShowFields();
    QLabel* Field(int id) const;
    QPushButton* GetInfoButton() const { return m_getInfo; }
    void GetInfo();

private:
    MotorViewLink& m_link;
    MotorInfoPageServices m_services;
    std::map<int, QLabel*> m_fields;
    QPushButton* m_getInfo;
};

} // namespace tools::gui
