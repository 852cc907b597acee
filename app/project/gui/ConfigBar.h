#pragma once
// The "Configuration" bar's contents: the tree of the project (BuildConfigTree) with its images,
// the context menu of each kind of item, files dropped on a motor, and the "Find Motors" button.
// Every command goes to the main frame's command table; the bar holds no decisions of its own.

#include "app/project/ConfigTree.h"

#include <QWidget>

#include <functional>
#include <optional>

class CProject;
class QIcon;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
namespace fw {
class CommandTable;
}

// The picture of an image of the tree (kImage...), shared by every tree of ports and motors.
const QIcon& ConfigTreeImage(int image);

class CConfigBar : public QWidget {
    Q_OBJECT
public:
    enum : int { kTree = 1051, kFindButton = 1420 };
    static constexpr const char* kFindToolTip = "Find the motors connected to the defined ports";

    CConfigBar(fw::CommandTable& commands, QWidget* parent = nullptr);

    void SetProject(CProject* project);
    // Refills the tree from the project; `show` makes the frame show the bar (showBar).
    void RebuildTree(bool show = false);
    // The selected item (kind and indexes), none without a selection.
    std::optional<ConfigNode> Selected() const;
    // Selects the item of a port, motor or file (-1 for the levels above), for the commands.
    bool Select(int port, int motor = -1, int file = -1);
    // Adds dropped files to the motor of an item (none: ignored); true when any was added.
    bool DropFiles(QTreeWidgetItem* target, const std::vector<std::string>& paths);
    // Shows the context menu of an item at a point of the tree (the menu is returned, not run, when
    // `run` is false).
    class QMenu* ContextMenu(QTreeWidgetItem* item, bool run, const QPoint& at = {});

    QTreeWidget* Tree() const { return m_tree; }
    QPushButton* FindButton() const { return m_find; }
    QTreeWidgetItem* ItemOf(int port, int motor = -1, int file = -1) const;

    // The frame shows the bar.
    std::function<void()> showBar;
    // Files were added to a motor (the project was marked modified).
    std::function<void()> filesAdded;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const ConfigNode& item);
    static ConfigNode ItemData(const QTreeWidgetItem* item);

    fw::CommandTable& m_commands;
    CProject* m_project = nullptr;
    QTreeWidget* m_tree;
    QPushButton* m_find;
};
