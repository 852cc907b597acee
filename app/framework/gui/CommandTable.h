#pragma once
// The command table: numeric command ids to QActions. Menus, toolbars and context menus are built
// from ids; every action carries its id (data()), its menu text, key, tooltip and status-bar text;
// triggering any of them calls the one command handler with the id. The update rules
// (CommandRules) are applied when a menu opens and by an idle refresh of the toolbar: soon after
// each thing the user does and each change the program reports, and once a second besides.

#include "app/framework/CommandRules.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

class QAction;
class QIcon;
class QMenu;
class QPoint;
class QToolBar;

namespace fw {

// Shows a context menu without an event loop of its own and deletes it when it closes. Its window
// may close while it is open (the window manager's close, a project change): the menu goes with it,
// and nothing waits in a loop over the window that went.
void PopUpContextMenu(QMenu* menu, const QPoint& globalPos);

class CommandTable : public QObject {
    Q_OBJECT
public:
    explicit CommandTable(QObject* parent = nullptr);

    // Adds (or returns the existing) action of a command.
    QAction* Add(const CommandInfo& info);
    QAction* Action(int id) const;
    bool Contains(int id) const { return m_actions.count(id) != 0; }

    CommandRules& Rules() { return m_rules; }
    // Called with the id of every triggered command.
    void SetHandler(std::function<void(int id)> handler) { m_handler = std::move(handler); }
    // Runs the command as if its action was triggered (when it is enabled); false when it is not.
    bool Execute(int id);

    // Applies the rules to one action, to all actions, or to the actions of a menu.
    void Update(int id);
    void UpdateAll();
    void UpdateMenu(QMenu* menu);
    // Menus built here update themselves when they open.
    QMenu* AddMenu(QMenu* menu);
    // Starts the idle refresh of all actions: after the user's input, focus and window changes
    // (the whole application's), after RefreshSoon, and every `catchAllMs` for what changes alone.
    void StartIdleRefresh(int catchAllMs = 1000);
    // Refreshes all actions once the events now waiting are done (many calls, one refresh).
    void RefreshSoon();

    // The picture of each command added from now on (none by default): the program's icon set
    // supplies it, the table only asks.
    static void SetIconProvider(std::function<QIcon(int id)> provider);

    // The help topic of a command (the third line of its texts).
    std::string HelpTopic(int id) const;

Q_SIGNALS:
    void commandTriggered(int id);
    // Around a refresh of many actions (all, or a menu's): rules that read one costly state may
    // take it once at the start and let it go at the end.
    void refreshStarts();
    void refreshEnds();

private:
    std::map<int, QAction*> m_actions;
    std::map<int, std::string> m_helpTopics;
    CommandRules m_rules;
    std::function<void(int)> m_handler;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tells of the command, runs its handler, and refreshes the actions afterwards.
    void Run(int id);

    QTimer m_idle;
    QTimer m_soon;
    int m_refreshing = 0;
};

} // namespace fw
