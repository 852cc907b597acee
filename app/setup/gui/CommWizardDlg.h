#pragma once
// "Communication Setup Wizard" (dialog 205): five pages over the frame 1192 — welcome (206), the
// found ports and what is connected to each (207), RS-485 options per RS-485 port (208),
// finished (209), and the decision when the detected configuration differs (222). It works on a
// copy of the project and changes the project only when it ends with OK. Decisions: setup/WizardFlow.

#include "app/project/Project.h"
#include "app/setup/gui/SetupServices.h"

#include <QDialog>

#include <functional>
#include <memory>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;
namespace ui { class IQuestions; }

class CCommWizardDlg : public QDialog {
    Q_OBJECT
public:
    CCommWizardDlg(QWidget* parent, CProject& project, const setup::SetupServices& services, bool skipDecision = false);
    ~CCommWizardDlg() override;

    int CurrentPage() const { return m_page; }
    CProject& Working() { return m_working; }
    void OnContinue();
    // After OK: what shows the ports is rebuilt by the caller.
    std::function<void()> changed;

private:
    ui::IQuestions& Questions() const;
    void ShowPage(int page);
    void FillPorts();
    void DetectSerialNetworkUsb();
    void ShowRS485Page();
    void UpdateRS485Questions();
    bool ContinueRS485();
    void NextRS485Port();
    void EndOfDetection();
    void FillDecisionTrees();
    bool Finish();
    void OnAddSerial();
    void OnEditSerial();
    void OnDeleteSerial();
    // "See Differences": the motors that differ, resolved one by one into the project itself.
    void OnSeeDifferences();
    void FillSerialList();

    CProject& m_project;
    CProject m_working;
    setup::SetupServices m_services;
    bool m_skipDecision;
    int m_page = 1;
    int m_currentPort = -1;
    QStackedWidget* m_frame;
    QPushButton* m_continue;
    QTableWidget* m_ports;
    QLabel* m_busHeading;
    QRadioButton* m_yes[3];
    QRadioButton* m_no[3];
    QWidget* m_questionRows[3];
    QWidget* m_maxRow;
    QLineEdit* m_maxAddress;
    QWidget* m_serialBox;
    QTreeWidget* m_serials;
    QTreeWidget* m_current;
    QTreeWidget* m_detected;
    QRadioButton* m_newProject;
    QRadioButton* m_addNew;
    QRadioButton* m_replace;
    QPushButton* m_seeDifferences;
    QLabel* m_question; // "What do you want to do?": shown only with its choices
    QLabel* m_differs;  // the page's heading: hidden with the current tree
};

// RunCommWizard: refuses when the project has 10 ports or more ("Too many serial ports!"),
// otherwise runs the wizard with the program's tag on every analyzer page; the ports open before
// are reopened when it is cancelled. True when the project was changed.
bool RunCommWizard(QWidget* parent, CProject& project, const setup::SetupServices& services, bool skipDecision = false,
                   const std::function<void()>& changed = {});
