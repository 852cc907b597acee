#pragma once
// The Monitor page of the motor view (219): toolbar (Open, Save, Add, Delete, Edit), Poll, Stop,
// Refresh, Scaled, Hex Display, the link indicator and the list of the motor's watch items. The
// rules are CMotorMonitorPageForm's.

#include "app/tools/MotorMonitorPageForm.h"
#include "app/tools/gui/WatchItemDlg.h"

#include <QWidget>

#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QPushButton;
class QToolBar;
class QTreeWidget;

namespace tools::gui {

class CIconButton;

class CMotorMonitorPage : public QWidget, public IMonitorHost {
public:
    CMotorMonitorPage(QWidget* parent, WatchDlgServices itemServices);
    // The form comes after the page (the form reports to the page).
    void SetForm(CMotorMonitorPageForm* form);

    QTreeWidget* List() const { return m_list; }
    QAction* Action(int id) const;
    QPushButton* PollButton() const { return m_poll; }
    QString ValueShown(int row) const;
    void RunCommand(int id);

    // IMonitorHost
    std::optional<std::string> AskOpenPath() override;
    std::optional<std::string> AskSavePath(const std::string& proposed) override;
    bool RunItemDialog(CWatchItem* item) override;
    void ListChanged() override;
    void RowChanged(int row) override;
    void StateChanged() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int SelectedRow() const;
    void UpdateCommands();
    void ShowContextMenu(const QPoint& at);

    CMotorMonitorPageForm* m_form = nullptr;
    WatchDlgServices m_itemServices;
    bool m_filling = false;
    QToolBar* m_toolbar;
    QTreeWidget* m_list;
    QPushButton* m_poll;
    QPushButton* m_stop;
    QPushButton* m_refresh;
    QCheckBox* m_scaled;
    QCheckBox* m_hex;
    CIconButton* m_indicator;
    std::vector<std::pair<int, QAction*>> m_actions;
};

} // namespace tools::gui
