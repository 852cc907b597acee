#pragma once
// The terminal bar's contents: a tab per port of the project, the Open button, the target-motor
// combo, the port's description, the command line with its Send button, and one terminal pane per
// port. Typing in the command line and pressing Enter sends the line through the pane's rules
// (CTerminalPane); the main frame's poll cycle calls PollIncoming.

#include "app/project/Project.h"
#include "app/project/TerminalPane.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class CTerminalTextView;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
namespace ui {
class COperationContext;
}

class CTerminalBar : public QWidget, public ITerminalHost, public IProjectSection {
    Q_OBJECT
public:
    // Control ids, as the bar's dialog resource numbers them.
    enum : int { kCommandEdit = 1000, kOpenButton = 1027, kMotorCombo = 1028, kPortInfo = 1029, kTabs = 1048,
                 kSendButton = 1156, kFirstPane = 7000 };
    static constexpr int kPanes = CProject::kMaxPorts;

    // `context`: the settings its panes are drawn with, and the context used while no project is set.
    explicit CTerminalBar(ui::COperationContext& context, QWidget* parent = nullptr);
    ~CTerminalBar() override;

    // The project whose ports the tabs show (not owned); the request handler of the main frame.
    void SetProject(CProject* project);
    void SetCommErrorHandler(commerror::ICommErrorHandler* handler) { m_commError = handler; }

    void UpdatePortTabs();
    void OnSelectTab();
    void UpdatePortButtons(int portIndex);
    // One poll step of the main frame: the panes are asked in turn; true when one showed data.
    bool PollIncoming();
    // The address of a tab's target motor (0: all motors or none); a tab outside 0..29 means the
    // current tab.
    int GetTargetAddress(int tab) const;
    void ShowPortText(int portIndex, const std::string& text);
    // Sends what the command line holds (Enter or Send).
    void SendCommandLine();
    // The context menu of the current pane at a position of its view; its commands go to
    // `runCommand` (the main frame's command table).
    QMenu* MakeContextMenu();
    std::function<void(int id)> runCommand;
    // Writes the current pane as a ".trm" file (RTF), replacing the file atomically. False with
    // *error set when it could not be written.
    bool SavePane(int portIndex, const std::string& path, std::string* error);

    int CurrentTab() const { return m_currentTab; }
    ui::COperationContext& Context() const;
    CTerminalPane& Pane(int i) { return *m_panes[static_cast<size_t>(i)]; }
    CTerminalTextView* View(int i) const { return m_views[static_cast<size_t>(i)]; }
    QLineEdit* CommandEdit() const { return m_command; }
    QComboBox* MotorCombo() const { return m_combo; }
    QTabBar* Tabs() const { return m_tabs; }
    QPushButton* OpenButton() const { return m_open; }
    QLineEdit* PortInfo() const { return m_info; }

    // ITerminalHost
    void SelectTargetEntry(int portIndex, int entry) override;
    void ShowInfo(bool clear) override;
    void AddInfoException(const CVQXException& e) override;
    uint32_t OnCommError(uint32_t request, commerror::Target target) override;
    void SetPollingAllowed(bool allowed) override;

    // IProjectSection: "TerminalView" ("CurTab", "TerminalCtrl" with "CurMotorIndex" per pane).
    void SerializeSection(const std::string& group, CTagArchive& ar) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnOpenToggled(bool checked);
    void OnMotorChosen(int entry);
    void SwitchTab(int delta);
    // Escape: the focus goes to the view of the main frame's active child window.
    void FocusActiveView();

    ui::COperationContext& m_context;
    CProject* m_project = nullptr;
    commerror::ICommErrorHandler* m_commError = nullptr;
    QTabBar* m_tabs;
    QPushButton* m_open;
    QComboBox* m_combo;
    QLineEdit* m_info;
    QLineEdit* m_command;
    QPushButton* m_send;
    QStackedWidget* m_stack;
    std::array<std::unique_ptr<CTerminalPane>, kPanes> m_panes;
    std::array<CTerminalTextView*, kPanes> m_views{};
    int m_currentTab = -1;
    int m_pollIndex = 0;
    bool m_filling = false;
};
