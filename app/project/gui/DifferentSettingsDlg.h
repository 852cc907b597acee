#pragma once
// "Different settings detected": the defined and the detected motors side by side, the four
// answers, "Don't show this dialog box again" and "See Differences". The rules are
// CDifferentSettingsForm's; the answer is what exec() returns (0: resolved motor by motor).

#include "app/project/DifferentSettings.h"

#include <QDialog>

#include <functional>
#include <vector>

class CCommPort;
class CMotor;
class CProject;
class QCheckBox;
class QTreeWidget;

class CDifferentSettingsDlg : public QDialog {
    Q_OBJECT
public:
    CDifferentSettingsDlg(QWidget* parent, CCommPort& port, CCommPort& detected, CProject& project);
    CDifferentSettingsDlg(QWidget* parent, const std::vector<CCommPort*>& defined,
                          const std::vector<CCommPort*>& detected, CProject& project);

    // The remembered answer, else the dialog's.
    int DoModalOrRemembered();

    // Double-click on a motor: a motor view for it (none: nothing happens).
    std::function<void(CMotor*)> openMotorView;
    // A motor is about to be deleted by the resolve dialog: its windows close.
    std::function<void(CMotor*)> motorGoing;

    const CDifferentSettingsForm& Form() const { return m_form; }

    static constexpr int kCancelled = 2;

protected:
    void accept() override;
    void reject() override;

private:
    void Build(const ConfigTreeItem& current, const ConfigTreeItem& detected);
    void SeeDifferences();

    CDifferentSettingsForm m_form;
    std::vector<CCommPort*> m_defined;
    std::vector<CCommPort*> m_detected;
    bool m_listForm;
    CProject& m_project;
    QCheckBox* m_dontShow = nullptr;
};

// Fills a tree widget with a configuration tree (the item data of a motor item is its CMotor*).
class QTreeWidgetItem;
void FillConfigTree(QTreeWidget* tree, const ConfigTreeItem& root);
CMotor* MotorOfTreeItem(QTreeWidgetItem* item);
