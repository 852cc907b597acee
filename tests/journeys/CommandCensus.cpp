// The command census: every command a user can reach (the main frame's menus, keys and toolbar,
// the firmware menu, the bars' toggles and the terminal's context menu) is tried in the states a
// user meets. A command that is enabled must do something the user can see: a dialog or window, a
// document, bytes to the motors, a line in the information view, a help page, or a change of the
// frame's state (title, bars, checks, the terminal, the tree, the clipboard, the project).

#include "JourneyRig.h"

#include "app/project/TerminalMenu.h"
#include "app/setup/gui/AnalyzerWnd.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/gui/InfoBar.h"

#include <QClipboard>
#include <QDockWidget>
#include <QMenu>
#include <QStatusBar>
#include <QPointer>
#include <QTreeWidget>

#include <fstream>

#include <iostream>
#include <map>
#include <set>

namespace {

// Commands that are enabled but still do nothing, each until the issue that builds it lands. When
// one starts to work the census says so: take it off this list then.
const std::map<int, const char*> kAwaitingTheirIssue = {
};

// Commands that are enabled today and do nothing visible in at least one of the states below: the
// faults the census found, each with what is wrong. A command that starts doing something is
// reported: take it off then. A command missing here that does nothing fails the census.
const std::map<int, const char*> kIdleToday = {
    // Ctrl+Break is taken at any time; it stops a Ctrl+digit macro only while one runs.
    {cmd::ID_MACRO_STOP, "Ctrl+Break with no macro running"},
    {33135, "Download the program with no source document in front"},
    // Enabled whatever is in front (no editor, nothing selected, nothing changed).
    {cmd::ID_FILE_SAVE, "Save with no changed document"},
    {cmd::ID_EDIT_CUT, "Cut with nothing selected"},
    {cmd::ID_EDIT_COPY, "Copy with nothing selected"},
    {cmd::ID_EDIT_PASTE, "Paste where nothing takes it"},
    {cmd::ID_EDIT_FIND, "Find with no editor in front"},
    {cmd::ID_EDIT_REPLACE, "Replace with no editor in front"},
    {57640, "Find Next with no search text"},
    {cmd::ID_SAVE_PROJECT, "Save Project with nothing changed"},
    {cmd::ID_SAVE_ALL, "Save All with nothing changed"},
    {33116, "Where are my windows? with the windows already in place"},
    {cmd::ID_TALK_TO_MOTORS, "Talk to Motors: no visible effect"},
    // The editor's commands with no editor in front.
    {cmd::ID_SCAN_ERRORS, "Scan for errors with no editor in front"},
    {cmd::ID_COMPILE_TRANSMIT, "Compile && Transmit with no editor in front"},
    {32800, "Compile Downloadable TQX file with no editor in front"},
    {32833, "Compile && Transmit TQX file to... with no editor in front"},
    {32884, "Format Keywords with no editor in front"},
    {32979, "document Properties with no editor in front"},
    {32980, "Keyword information with no word at the caret"},
    {33039, "Delete Line with no editor in front"},
    // The configuration tree's item commands stay enabled with no item selected.
    {32807, "tree Delete with no item selected"},
    {32817, "Clear EEPROM with no motor selected"},
    {32819, "Upload Program with no motor selected"},
    {32820, "tree Properties with no item selected"},
    {32822, "Address RS-232 Chain with no port selected"},
    {32823, "Detect Motors on RS-232 Chain with no port selected"},
    {32826, "tree Open with no file selected"},
    {32873, "tree Copy with no item selected"},
    {32939, "Main associated file with no file selected"},
    {33009, "tree Download with no motor selected"},
    {33077, "Associate to motor with no file selected"},
    {33143, "Upload Quintaloc Calibration Program with no motor selected"},
    {33160, "Open motor's web page with no motor selected"},
    {35151, "analyzer Copy with nothing selected in the page"},
    {33163, "Set Motor Address with no motor selected"},
    // Ctrl+0 .. Ctrl+9 with no macro on that key.
    {32900, "Ctrl+0 without a macro"}, {32901, "Ctrl+1 without a macro"}, {32902, "Ctrl+2 without a macro"},
    {32903, "Ctrl+3 without a macro"}, {32904, "Ctrl+4 without a macro"}, {32905, "Ctrl+5 without a macro"},
    {32906, "Ctrl+6 without a macro"}, {32907, "Ctrl+7 without a macro"}, {32908, "Ctrl+8 without a macro"},
    {32909, "Ctrl+9 without a macro"},
    // The terminal's Clear and Copy once the pane is empty.
    {terminalmenu::kClear, "Clear of an empty pane"},
    {terminalmenu::kCopy, "Copy of an empty pane"},
};

} // namespace

class CommandCensus : public Journey {
protected:
    void SetUp() override
    {
        Journey::SetUp();
        // The documents File > New and Paste made are left unsaved when VQX ends.
        AutoAnswer(QStringLiteral("Save changes to"), QStringLiteral("No"));
    }
    struct Seen {
        int mdi = 0;
        QStringList windows;
        size_t info = 0;
        QString title, terminal, tree, clipboard, status, openButton, project, analyzer;
        std::vector<bool> checks, docks;
        size_t traffic = 0;
        int urls = 0;
        bool modified = false;
        bool operator==(const Seen&) const = default;
    };

    Seen Look()
    {
        Seen s;
        s.mdi = static_cast<int>(frame->MdiArea()->subWindowList().size());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != frame)
                s.windows << QString::fromLatin1(w->metaObject()->className()) + w->windowTitle();
        s.windows.sort();
        s.info = frame->InfoBar()->Lines().size();
        s.title = frame->windowTitle();
        s.terminal = TerminalText();
        s.tree = TreeDump(Tree().Tree()->invisibleRootItem());
        s.clipboard = QApplication::clipboard()->text();
        s.status = frame->statusBar()->currentMessage();
        s.openButton = Terminal().OpenButton()->text() + QString::number(Terminal().OpenButton()->isChecked());
        s.project = QString::fromStdString(frame->Project().Path() + frame->Project().Name());
        s.modified = frame->Project().IsModified();
        for (QAction* a : frame->Commands().findChildren<QAction*>())
            s.checks.push_back(a->isChecked());
        for (QDockWidget* d : frame->findChildren<QDockWidget*>())
            s.docks.push_back(d->isVisible());
        for (int m = 0; m < 3; ++m)
            s.traffic = s.traffic * 31 + Motor(m, [](vqxsim::SimMotor& x) {
                // The log keeps its last 1000 commands: once full, its ends move, not its size.
                const auto& log = x.CommandLog();
                std::hash<std::string> h;
                return log.size() + (log.empty() ? 0 : h(log.front()) * 7 + h(log.back()));
            });
        // What the program hands to the desktop (help pages, a motor's web page): the rig's
        // desktop keeps them instead of a browser.
        s.urls = static_cast<int>(desktop.opened.size() + desktop.helpPages.size());
        auto& sda = *static_cast<CSerialDataAnalyzerWnd*>(frame->AnalyzerBar()->widget());
        if (sda.ShownPage() >= 0) {
            auto lock = sda.Analyzer().Lock();
            const CSdaPage& page = sda.Analyzer().Page(sda.ShownPage());
            s.analyzer = QStringLiteral("%1 %2 %3 %4 %5 %6").arg(page.formats[0]).arg(page.formats[1]).arg(page.formats[2])
                             .arg(page.filter).arg(page.LineCount()).arg(page.EntryCount());
        }
        return s;
    }
    // Waits until what the user sees stops changing (late replies of the previous command).
    void Quiet()
    {
        for (int i = 0; i < 100 && QApplication::activeModalWidget() && !QApplication::activeModalWidget()->inherits("CWaitDlg"); ++i)
            QTest::qWait(10);
        Seen last = Look();
        for (int i = 0; i < 30; ++i) {
            QTest::qWait(30);
            Seen now = Look();
            if (now == last)
                return;
            last = now;
        }
    }
    static QString TreeDump(QTreeWidgetItem* item)
    {
        QString out = item->text(0) + QString::number(item->isExpanded()) + QString::number(item->isSelected());
        for (int i = 0; i < item->childCount(); ++i)
            out += QLatin1Char('\n') + TreeDump(item->child(i));
        return out;
    }

    // Triggers each enabled action; dialogs it opens are closed (Escape, then reject) and count
    // as its effect. Returns the names of those that did nothing visible.
    std::vector<std::string> Walk(const std::string& state)
    {
        std::unique_ptr<QMenu> terminalMenu(Terminal().CurrentTab() >= 0 ? Terminal().MakeContextMenu() : nullptr);
        return Walk(state, Reachable(terminalMenu.get()), false);
    }
    // `selected`: an item of the tree is selected, so the tree's commands that are idle only
    // without a selection must work.
    // `menu`: the bar's menu the actions come from; its checks are brought up to date before each,
    // and choosing again what it shows checked (the format in use) is no fault.
    // `prepare` runs before each command (the tree item the menu is for, selected again).
    std::vector<std::string> Walk(const std::string& state, const std::vector<std::pair<QAction*, std::string>>& actions,
                                  bool selected, QMenu* menu = nullptr, const std::function<void()>& prepare = {})
    {
        std::vector<std::string> idle;
        // Every dialog a command opens is closed (Escape, then reject), also one that comes late,
        // and counts as its effect.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [this] { CloseModalDialog(); });
        closer.start(10);
        for (auto& [action, name] : actions) {
            if (prepare)
                prepare();
            if (menu)
                Q_EMIT menu->aboutToShow();
            // A copy is seen even when it copies what a command before it copied.
            QApplication::clipboard()->setText(QStringLiteral("census"));
            const bool current = menu && action->isCheckable() && action->isChecked();
            // The terminal menu's actions carry their id as their name.
            const int id = action->data().isValid() ? action->data().toInt() : action->objectName().toInt();
            if (action->parent() == &frame->Commands())
                frame->Commands().Update(id);
            if (!action->isEnabled() || !action->isVisible())
                continue;
            Quiet();
            const Seen before = Look();
            if (qEnvironmentVariableIsSet("VQX_CENSUS_TRACE"))
                fprintf(stderr, "census %s: %s\n", state.c_str(), name.c_str());
            m_snapshotName = "census-" + state + "-" + std::to_string(id);
            const int dialogsBefore = m_dialogs;
            action->trigger();
            const bool awaited = kAwaitingTheirIssue.count(id) != 0;
            const auto idleEntry = kIdleToday.find(id);
            const bool known = idleEntry != kIdleToday.end() &&
                               !(selected && std::string(idleEntry->second).find("selected") != std::string::npos);
            // Bytes to the motors and late windows take a moment; a command known to do nothing
            // here is only looked at briefly (it is reported when it starts to work).
            bool changed = false;
            // (A command that works ends the wait as soon as it shows, so a long limit costs only
            // on a loaded machine.)
            for (int i = 0; i < (known || awaited ? 3 : 40) && !changed; ++i) {
                QTest::qWait(20);
                changed = m_dialogs > dialogsBefore || !(Look() == before);
            }
            CloseNewWindows(before);
            if (!changed && !awaited && !known && !current)
                idle.push_back(name);
            if (changed && known)
                std::cout << "[ census ] " << name << " now does something in state " << state
                          << " (off kIdleToday once it does in every state)\n";
            if (changed && awaited)
                std::cout << "[ census ] " << name << " now does something in state " << state
                          << ": take it off kAwaitingTheirIssue\n";
        }
        return idle;
    }
    void CloseModalDialog()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->property("censusClosing").toBool())
            return;
        ++m_dialogs;
        // A long operation's please-wait is its effect; the operation runs to its end.
        if (w->inherits("CWaitDlg"))
            return;
        Snapshot(w, QString::fromStdString(m_snapshotName));
        w->setProperty("censusClosing", true);
        // Closed after this tick: a question the closing asks is closed by the next one.
        QPointer<QWidget> target(w);
        QTimer::singleShot(0, [target] {
            Decline(target);
            if (target)
                target->setProperty("censusClosing", false);
        });
    }
    int m_dialogs = 0;
    std::string m_snapshotName;
    void CloseNewWindows(const Seen& before)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != frame &&
                !before.windows.contains(QString::fromLatin1(w->metaObject()->className()) + w->windowTitle()))
                w->close();
    }
    void ExpectNoIdleCommands(const std::string& state)
    {
        for (const std::string& name : Walk(state))
            ADD_FAILURE() << state << ": " << name << " is enabled but does nothing visible";
    }
    void ExpectNoIdleCommands(const std::string& state, QMenu* menu, const std::string& menuName, bool selected,
                              const std::function<void()>& prepare = {})
    {
        ASSERT_NE(menu, nullptr) << state;
        const auto actions = MenuActions(menu, menuName);
        EXPECT_FALSE(actions.empty()) << state;
        for (const std::string& name : Walk(state, actions, selected, selected ? nullptr : menu, prepare))
            ADD_FAILURE() << state << ": " << name << " is enabled but does nothing visible";
    }
};

TEST_F(CommandCensus, ProjectWithAnOpenChain)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(TypeAndWait("a=5", "a=5"));
    ExpectNoIdleCommands("open-chain");
}

TEST_F(CommandCensus, ProjectWithTheChainClosed)
{
    ASSERT_TRUE(Start());
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    ASSERT_TRUE(Terminal().OpenButton()->isChecked());
    QTest::mouseClick(Terminal().OpenButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !Terminal().OpenButton()->isChecked(); }))
        << Terminal().OpenButton()->isVisible() << " " << Terminal().OpenButton()->width() << " "
        << frame->TerminalBar()->isVisible() << TerminalText().toStdString();
    ExpectNoIdleCommands("closed-chain");
}

TEST_F(CommandCensus, SourceFileOpen)
{
    const std::string source = dir / "Move.tqs";
    std::ofstream(source) << "a=1\nEND\n";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(OpenFile(source));
    ASSERT_TRUE(WaitFor([&] { return ActiveDocument() != nullptr; }));
    ExpectNoIdleCommands("source-open");
}

TEST_F(CommandCensus, DefaultProjectWithoutAFile)
{
    JourneyStart start;
    start.chainProject = false;
    ASSERT_TRUE(Start(start));
    ExpectNoIdleCommands("default-project");
}


// The tree's context menus with a port and then a motor selected, and the menus of the
// information view and the analyzer, with something in them.
TEST_F(CommandCensus, TreeItemsAndBarMenus)
{
    ASSERT_TRUE(Start());
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    ShowBar(frame->AnalyzerBar(), cmd::ID_VIEW_ANALYZER);
    ASSERT_TRUE(TypeAndWait("a=5", "a=5"));

    ASSERT_TRUE(Tree().Select(0));
    std::unique_ptr<QMenu> portMenu(Tree().ContextMenu(Tree().ItemOf(0), false));
    ExpectNoIdleCommands("port-selected", portMenu.get(), "port menu", true, [this] { Tree().Select(0); });

    // The motors, found by the user's Detect Motors when the port's own commands left none.
    if (!Tree().ItemOf(0, 0)) {
        AutoAnswer("The operation finished successfully.", "OK");
        ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
        ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 0) != nullptr; }, 60000));
    }
    ASSERT_TRUE(Tree().Select(0, 0));
    std::unique_ptr<QMenu> motorMenu(Tree().ContextMenu(Tree().ItemOf(0, 0), false));
    ExpectNoIdleCommands("motor-selected", motorMenu.get(), "motor menu", true, [this] { Tree().Select(0, 0); });

    // The bars' own menus, with lines and traffic in them.
    ShowBar(frame->InfoBar(), cmd::ID_VIEW_INFORMATION);
    frame->InfoBar()->AddInfo("census line");
    std::unique_ptr<QMenu> infoMenu(frame->InfoBar()->MakeContextMenu());
    ExpectNoIdleCommands("info-menu", infoMenu.get(), "information menu", false);
    ShowBar(frame->AnalyzerBar(), cmd::ID_VIEW_ANALYZER);
    ASSERT_TRUE(TypeAndWait("b=6", "b=6"));
    auto& sda = *static_cast<CSerialDataAnalyzerWnd*>(frame->AnalyzerBar()->widget());
    ExpectNoIdleCommands("analyzer-menu", sda.Menu(), "analyzer menu", false);
}
