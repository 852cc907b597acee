#pragma once
// The monitor window ("Monitor View", 195): toolbar, the two-column list of watch items, Poll,
// Stop, Refresh, Hex Display and the link indicator. The rules are CMonitorForm's; the main frame
// polls it through IToolWindow.

#include "app/shell/ToolWindow.h"
#include "app/tools/MonitorForm.h"
#include "app/tools/gui/WatchItemDlg.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

class CMonitorDlg : public QWidget, public shell::IToolWindow, private tools::IMonitorHost {
    Q_OBJECT
public:
    // `closed` is called when the window goes (the main frame clears its slot).
    CMonitorDlg(QWidget* parent, int slotIndex, tools::MonitorServices services, WatchDlgServices itemServices,
                std::function<void(CMonitorDlg*)> closed);
    ~CMonitorDlg() override;

    tools::CMonitorForm& Form() { return *m_form; }
    const tools::CMonitorForm& Form() const { return *m_form; }
    QTreeWidget* List() const { return m_list; }
    QAction* Action(int id) const;
    // The list's context menu "WatchDlg", its items enabled and checked as now.
    std::unique_ptr<QMenu> ContextMenu();
    QPushButton* PollButton() const { return m_poll; }
    QPushButton* StopButton() const { return m_stop; }
    QPushButton* RefreshButton() const { return m_refresh; }
    QCheckBox* HexBox() const { return m_hex; }
    QLabel* Indicator() const { return m_indicator; }
    // The value column as shown (text, or the LED's name for an icon row).
    QString ValueShown(int row) const;

    // Starts empty ("Monitor%d"), or with a file.
    void StartNew() { m_form->StartNew(); }
    bool OpenFile(const std::string& path, std::string* problem = nullptr) { return m_form->OpenFile(path, problem); }
    // Runs a command as the toolbar, menu or keys do, on the selected row.
    void RunCommand(int id);

    // IToolWindow
    bool PollStep() override { return !m_closing && m_form->PollStep(); }
    bool CanClose() override { return m_form->CanClose(); }
    void RequestClose() override;
    const CMotor* Motor() const override { return nullptr; }
    void ClearModified() { m_form->List().Modified = false; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // IMonitorHost
    std::optional<std::string> AskOpenPath() override;
    std::optional<std::string> AskSavePath(const std::string& proposed) override;
    bool RunItemDialog(CWatchItem* item) override;
    void ListChanged() override;
    void RowChanged(int row) override;
    void StateChanged() override;

    int SelectedRow() const;
    void ShowRow(int row);
    void ShowContextMenu(const QPoint& at);
    void UpdateCommands();

    std::unique_ptr<tools::CMonitorForm> m_form;
    WatchDlgServices m_itemServices;
    std::function<void(CMonitorDlg*)> m_closed;
    bool m_filling = false;
    bool m_closing = false;
    QToolBar* m_toolbar;
    QTreeWidget* m_list;
    QPushButton* m_poll;
    QPushButton* m_stop;
    QPushButton* m_refresh;
    QCheckBox* m_hex;
    QLabel* m_indicator;
    std::vector<std::pair<int, QAction*>> m_actions;
};
