#pragma once
// The motor view ("MotorView - "<name>"", 216): one motor in five tabbed pages. The rules are
// CMotorViewForm's and its pages' forms; the main frame polls it through IToolWindow, and the
// project keeps it as "MV%d".

#include "app/shell/ToolWindow.h"
#include "app/tools/MotorViewForm.h"
#include "app/tools/gui/MotorInfoPage.h"
#include "app/tools/gui/WatchItemDlg.h"

#include <QWidget>

#include <functional>
#include <memory>

class QTabWidget;

namespace tools::gui {
class CMotorFlagsPage;
class CMotorMonitorPage;
class CMotorStatusPage;
class CMotorVariablesPage;
} // namespace tools::gui

// What the view needs of the running program, passed in by whoever opens it.
struct MotorViewServices {
    tools::MonitorServices monitor;              // commError, questions, pollingAllowed
    WatchDlgServices items;                      // the item dialog of the monitor page
    tools::gui::MotorInfoPageServices info;      // Get Info, Edit Properties, Details
    std::function<void(const std::string& topic)> help;
    // Refresh runs with the program-wide polling switch off (false) and puts it back (true).
    std::function<void(bool allowed)> setPollingAllowed;
};

class CMotorViewDlg : public QWidget, public shell::IToolWindow {
    Q_OBJECT
public:
    // `motor` may be null for a view being restored from the project (SaveState then finds it).
    // `owned` is a motor made for this view alone (an address no motor of the project has); it
    // lives as long as the view. `closed` is called when the view goes (the frame clears its slot).
    CMotorViewDlg(QWidget* parent, int slotIndex, CMotor* motor, int portIndex, MotorViewServices services,
                  std::function<void(CMotorViewDlg*)> closed, std::unique_ptr<CMotor> owned = {});
    ~CMotorViewDlg() override;

    tools::CMotorViewForm& Form() { return *m_form; }
    QTabWidget* Tabs() const { return m_tabs; }
    tools::gui::CMotorStatusPage* StatusPage() const { return m_status; }
    tools::gui::CMotorInfoPage* InfoPage() const { return m_info; }
    tools::gui::CMotorMonitorPage* MonitorPage() const { return m_monitor; }
    tools::gui::CMotorVariablesPage* VariablesPage() const { return m_variables; }
    tools::gui::CMotorFlagsPage* FlagsPage() const { return m_flags; }

    // Selects that tab and shows the window.
    void ShowPage(int tab);
    // The project's "MV%d" group; loading binds the view to the motor `find` gives (false: none,
    // the view is to be dropped).
    bool SaveState(const std::string& group, CTagArchive& ar, const tools::MotorIndexes& indexes,
                   const tools::MotorByIndexes& find);
    // After loading: the stored placement and tab, then shown.
    void LoadState();
    // The motor's data changed elsewhere: every page follows.
    void MotorChanged();

    // IToolWindow
    bool PollStep() override;
    bool CanClose() override;
    void RequestClose() override;
    const CMotor* Motor() const override { return m_form->Motor(); }
    // Its motor or the motor's port going closes the view without asking (a motor made for the
    // view goes with it).
    void SessionChanged(const shell::SessionChange& change) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Message(const std::string& text);
    void RefreshScope(const std::function<void()>& run);
    void ShowCurrentPage();
    std::string PlacementText() const;

    MotorViewServices m_services;
    std::function<void(CMotorViewDlg*)> m_closed;
    std::unique_ptr<CMotor> m_owned;
    tools::gui::CMotorMonitorPage* m_monitor;
    std::unique_ptr<tools::CMotorViewForm> m_form;
    QTabWidget* m_tabs;
    tools::gui::CMotorStatusPage* m_status;
    tools::gui::CMotorInfoPage* m_info;
    tools::gui::CMotorVariablesPage* m_variables;
    tools::gui::CMotorFlagsPage* m_flags;
    bool m_closing = false;
    bool m_started = false;
};
