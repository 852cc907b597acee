#pragma once
// "Resolve Motor Inconsistency": one row per differing motor with its action, the parameters of
// the selected row, the per-row and all-rows buttons, and "Apply and Exit". The rules are
// CResolveMotorsForm's.

#include "app/project/ResolveMotors.h"

#include <QDialog>

#include <functional>
#include <vector>

class CProject;
class QPushButton;
class QTreeWidget;

class CResolveMotorsDlg : public QDialog {
    Q_OBJECT
public:
    // What cannot be added goes to the project's information lines.
    CResolveMotorsDlg(QWidget* parent, CCommPort& port, CCommPort& detected, CProject& project);
    CResolveMotorsDlg(QWidget* parent, const std::vector<CCommPort*>& defined, const std::vector<CCommPort*>& detected,
                      CProject& project);
    CResolveMotorsDlg(QWidget* parent, CMotor& motor, CMotor& detected, CProject& project);

    CResolveMotorsForm& Form() { return m_form; }
    QTreeWidget* MotorList() const { return m_motors; }
    QTreeWidget* ParameterList() const { return m_parameters; }
    // A motor is about to be deleted: its windows close.
    std::function<void(CMotor*)> motorGoing;

protected:
    void accept() override;

private:
    void Build();
    void RefreshRows();
    void ShowRow(int row);
    int SelectedRow() const;

    CResolveMotorsForm m_form;
    CProject& m_project;
    QTreeWidget* m_motors = nullptr;
    QTreeWidget* m_parameters = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_second = nullptr;
};
