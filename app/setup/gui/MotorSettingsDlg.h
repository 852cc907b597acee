#pragma once
// "Add New Motor" / "Motor Properties" (template 335): one motor record of the project. The rules
// are setup/MotorSettings; this binds the controls by their ids.

#include "app/setup/gui/SetupServices.h"

#include <QDialog>

#include <functional>
#include <string>

class CMotor;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace ui {
class IQuestions;
}

namespace dialogwidgets { class CUpDown; }

class CMotorSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // The motor is edited in place (callers pass a copy when Cancel must leave theirs alone).
    CMotorSettingsDlg(QWidget* parent, CMotor& motor, const setup::SetupServices& services);

    void OnGetMotorInfo();
    void OnFactorySettings();
    void OnMotorWebPage();

protected:
    void accept() override;

private:
    void FillMotorFields();
    void UpdateSerialVisibility();
    void UpdateScaling();

    ui::IQuestions& Questions() const;

    CMotor& m_motor;
    setup::SetupServices m_services;
    bool m_isNew;
    QLineEdit* m_name;
    QLineEdit* m_address;
    dialogwidgets::CUpDown* m_addressSpin;
    QComboBox* m_version;
    QLineEdit* m_samplePeriod;
    QLineEdit* m_serial;
    QLabel* m_serialLabel;
    QComboBox* m_model;
    QLineEdit* m_ip;
    QLabel* m_ipLabel;
    QCheckBox* m_useScaling;
    QLineEdit* m_factor;
    QComboBox* m_unit;
    QComboBox* m_timeUnit;
    QPushButton* m_getInfo;
    QPushButton* m_webPage;
    QPushButton* m_factory;
};
