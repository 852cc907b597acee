// VQX on a real desktop: the real program (its start-up, session and simulated motors, as in the
// journeys) on the X11 platform under a real window manager, each test on its own display
// (scripts/desktop-session). What the window manager does and what real clicks and keys reach is
// read back from the X server: tool windows stay above the main window that owns them, questions
// come one at a time, F1 opens each dialog's page, dialogs open centred over their opener.

#include "tests/desktop/checks/XServer.h"
#include "tests/journeys/JourneyRig.h"

#include "app/frame/gui/ProjectSession.h"
#include "app/framework/LongOperation.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/setup/gui/CommWizardDlg.h"
#include "app/shell/gui/OptionMsgBox.h"
#include "app/shell/gui/PageDlg.h"
#include "app/shell/gui/WaitDlg.h"
#include "app/tools/ChartView.h"
#include "app/tools/MonitorForm.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/gui/ChartViewDlg.h"
#include "app/tools/gui/MonitorDlg.h"
#include "app/tools/gui/MotorViewDlg.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "app/tuning/gui/LockupWizardDlg.h"
#include "app/tuning/gui/TunerDlg.h"

#include <QComboBox>
#include <QListWidget>
#include <QMenuBar>
#include <QTabBar>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

namespace {

using desktop::XId;

class DesktopChecks : public Journey {
public:
    void SetUp() override
    {
        Journey::SetUp();
        ASSERT_TRUE(x.Connected()) << "no X server (run under scripts/desktop-session)";
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }

    // The chart's sampling stopped and its samples dropped: the program then ends without asking.
    void TearDown() override
    {
        if (frame)
            if (CChartViewDlg* chart = Chart()) {
                chart->Action(chartview::ID_STOP)->trigger();
                chart->Form().ClearModified();
            }
        Journey::TearDown();
    }
    static void DeclineBox(QWidget* w) { Decline(w); }
    // VQX started and its main window on the screen, where the program and the server agree it is
    // (the rig resizes it as soon as it is shown; the window manager's answers come after).
    bool StartOnDesktop()
    {
        JourneyStart start;
        start.projectMotors = 3;
        if (!Start(start) || !Shown(frame))
            return false;
        // Both sides at the size the rig gave it: agreeing on the first mapping's size is not
        // enough, the resize may still be on its way to the window manager.
        auto agree = [&] {
            return frame->size() == QSize(1100, 800) && x.Geometry(Id(frame)).size() == QSize(1100, 800) &&
                   frame->frameGeometry() == x.Frame(Id(frame)) && frame->geometry() == x.Geometry(Id(frame));
        };
        // A size the window manager answered for the window's first mapping can overtake the
        // rig's resize, and the program then holds the old size: mapped again at the size it
        // holds, both sides start from the same geometry.
        for (int tries = 0; tries < 3 && !WaitFor(agree, 2000); ++tries) {
            frame->hide();
            WaitFor([&] { return !x.Viewable(Id(frame)); }, 3000);
            frame->resize(1100, 800);
            frame->show();
            Shown(frame);
        }
        if (!agree()) {
            const QRect q = frame->frameGeometry(), s = x.Frame(Id(frame));
            std::cout << "[ desktop ] the main window is at " << q.x() << "," << q.y() << " " << q.width() << "x" << q.height()
                          << " for the program, at " << s.x() << "," << s.y() << " " << s.width() << "x" << s.height()
                          << " on the server\n";
        }
        return true;
    }
    static XId Id(const QWidget* w) { return w->window()->winId(); }
    // Mapped by the window manager (shown on the screen).
    bool Shown(const QWidget* w, int ms = 10000) { return WaitFor([&] { return x.Viewable(Id(w)); }, ms); }
    // A point of a widget on the screen, from where the server has its window.
    QPoint OnScreen(const QWidget* w, QPoint local) const
    {
        return x.Geometry(Id(w)).topLeft() + w->mapTo(w->window(), local);
    }
    void ClickOn(const QWidget* w, QPoint local)
    {
        x.Click(OnScreen(w, local));
        QTest::qWait(150);
    }
    void ClickOn(const QWidget* w) { ClickOn(w, w->rect().center()); }
    // The window's title bar, clicked: the window manager raises it and gives it the keyboard.
    void ClickTitle(const QWidget* w)
    {
        const QRect client = x.Geometry(Id(w)), frame = x.Frame(Id(w));
        x.Click({client.center().x(), (frame.top() + client.top()) / 2});
        QTest::qWait(150);
    }
    // The window has the keyboard (the window manager gave it on mapping, else its title clicked).
    bool Focus(QWidget* w)
    {
        if (WaitFor([&] { return QApplication::activeWindow() == w->window(); }, 2000))
            return true;
        ClickTitle(w);
        return WaitFor([&] { return QApplication::activeWindow() == w->window(); }, 5000);
    }
    // Index in the window manager's stacking order (bottom 0); -1 when not managed.
    int Level(const QWidget* w) const
    {
        const std::vector<XId> s = x.Stacking();
        const auto at = std::find(s.begin(), s.end(), Id(w));
        return at == s.end() ? -1 : int(at - s.begin());
    }

    // ---- the tool windows ----
    tuning::gui::CTunerDlg* Tuner() const { return dynamic_cast<tuning::gui::CTunerDlg*>(frame->Tuner()); }
    CChartViewDlg* Chart() const { return dynamic_cast<CChartViewDlg*>(frame->ChartView()); }
    tools::gui::CPlaygroundDlg* Playground() const { return dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground()); }
    CMonitorDlg* Monitor() const { return dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(0)); }
    CMotorViewDlg* View() const { return dynamic_cast<CMotorViewDlg*>(frame->MotorView(0)); }
    // The tuner on motor 1, a monitor, the chart sampling the velocity of motor 2, the motor view
    // of motor 2 and the playground: every tool window open and shown.
    std::vector<QWidget*> OpenEveryToolWindow()
    {
        EXPECT_TRUE(TypeAndWait("1RP", "0"));
        EXPECT_TRUE(Command(cmd::ID_TUNER));
        EXPECT_TRUE(TypeAndWait("2RP", "0"));
        EXPECT_TRUE(Command(cmd::ID_NEW_MONITOR));
        EXPECT_TRUE(Command(cmd::ID_CHART_VIEW));
        if (CChartViewDlg* chart = Chart()) {
            AddPredefinedItem(QStringLiteral("Velocity"));
            chart->Action(chartview::ID_ADD_ITEM)->trigger();
            if (!chart->Form().Sampling())
                chart->Action(chartview::ID_START)->trigger();
            EXPECT_TRUE(chart->Form().Sampling());
        }
        AnswerSelectMotor(2);
        EXPECT_TRUE(Command(cmd::ID_MOTOR_VIEW));
        EXPECT_TRUE(Command(cmd::ID_PLAYGROUND));
        std::vector<QWidget*> windows = {Tuner(), Monitor(), Chart(), View(), Playground()};
        for (QWidget* w : windows) {
            EXPECT_NE(w, nullptr);
            if (!w)
                return {};
            EXPECT_TRUE(Shown(w)) << w->windowTitle().toStdString();
        }
        return windows;
    }

    // ---- modal boxes, as the server shows them ----
    // What a box is, for a report: its question's text, or its kind.
    static std::string Name(const QWidget* w)
    {
        if (qobject_cast<const CSelectMotorDlg*>(w))
            return "Select Motor";
        if (auto* label = w->findChild<QLabel*>(QStringLiteral("1069")); label && qobject_cast<const COptionMsgBox*>(w))
            return label->text().toStdString();
        return w->windowTitle().toStdString();
    }
    // The modal windows the server shows now (the please-wait box is no question), by name.
    std::vector<std::string> ModalBoxesShown() const
    {
        std::map<XId, const QWidget*> ours;
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->internalWinId())
                ours[w->internalWinId()] = w;
        std::vector<std::string> out;
        for (XId id : x.Stacking()) {
            const auto w = ours.find(id);
            if (w != ours.end() && !qobject_cast<const CWaitDlg*>(w->second) && x.Viewable(id) && x.Modal(id))
                out.push_back(Name(w->second));
        }
        return out;
    }

    desktop::XServer x;
};

// Watches the server while a project changes: every box that shows, in the order they came, and
// any moment two were shown at once. Answers each box with a real click on the button its rule
// names (a rule's text is part of the box's name); a box without a rule fails the check.
class BoxWatch {
public:
    BoxWatch(DesktopChecks& test, std::vector<std::pair<std::string, QString>> rules)
        : m_test(test), m_rules(std::move(rules))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Look(); });
        m_timer.start(15);
    }
    std::vector<std::string> seen;
    std::vector<std::string> together; // what was shown at once, when more than one box was
    // Where the first box whose name holds `text` came (-1: it never came).
    int At(const std::string& text) const
    {
        for (size_t i = 0; i < seen.size(); ++i)
            if (seen[i].find(text) != std::string::npos)
                return int(i);
        return -1;
    }

private:
    void Look()
    {
        const std::vector<std::string> shown = m_test.ModalBoxesShown();
        if (shown.size() > 1 && together.empty()) {
            for (const std::string& s : shown)
                together.push_back(s);
        }
        QWidget* top = QApplication::activeModalWidget();
        if (!top || qobject_cast<CWaitDlg*>(top) || qobject_cast<QFileDialog*>(top) || !m_test.x.Viewable(top->winId()))
            return;
        const std::string name = DesktopChecks::Name(top);
        for (const auto& [box, answered] : m_answered)
            if (box == top && answered == name)
                return; // clicked already, still closing
        seen.push_back(name);
        m_answered.emplace_back(top, name);
        for (const auto& [text, button] : m_rules)
            if (name.find(text) != std::string::npos) {
                for (QPushButton* b : top->findChildren<QPushButton*>())
                    if (b->isVisible() && layoutcheck::Plain(b->text()).compare(button, Qt::CaseInsensitive) == 0) {
                        // Let the window manager place and show it before the click.
                        QTimer::singleShot(100, b, [this, b] { m_test.x.Click(m_test.OnScreen(b, b->rect().center())); });
                        return;
                    }
                ADD_FAILURE() << "no button " << button.toStdString() << " on \"" << name << "\"";
            }
        ADD_FAILURE() << "an unexpected box \"" << name << "\"";
        QTimer::singleShot(0, top, [target = QPointer<QWidget>(top)] { DesktopChecks::DeclineBox(target); });
    }
    DesktopChecks& m_test;
    std::vector<std::pair<std::string, QString>> m_rules;
    std::vector<std::pair<QPointer<QWidget>, std::string>> m_answered;
    QTimer m_timer;
};

} // namespace

// Every tool window and the dialogs opened from them are owned by the main window on the server:
// the window manager keeps them above it whatever the user clicks in the main window.
TEST_F(DesktopChecks, ToolWindowsAndDialogsStayAboveTheMainWindowTheyBelongTo)
{
    ASSERT_TRUE(StartOnDesktop());
    const std::vector<QWidget*> tools = OpenEveryToolWindow();
    ASSERT_EQ(tools.size(), 5u);
    // Over the main window's right edge, clear of its menu bar, terminal and the work area's corner.
    const QRect main = x.Frame(Id(frame));
    for (size_t i = 0; i < tools.size(); ++i)
        tools[i]->move(main.right() - 160 + int(i) * 20, main.top() + 80 + int(i) * 30);
    QTest::qWait(300);
    for (QWidget* w : tools)
        EXPECT_EQ(x.TransientFor(Id(w)), Id(frame)) << w->windowTitle().toStdString() << " is not owned by the main window";

    // A dialog of the main window, and one of a tool window (the monitor's new item).
    AnswerWindow<CPageDlg>(
        [&](CPageDlg* d) {
            EXPECT_TRUE(Shown(d));
            EXPECT_EQ(x.TransientFor(Id(d)), Id(frame)) << "Communication Settings";
            Decline(d);
        },
        QStringLiteral("settings"));
    ASSERT_TRUE(Command(cmd::ID_COMM_SETTINGS));
    Answer([&](QWidget* d) {
        EXPECT_TRUE(Shown(d));
        const XId owner = x.TransientFor(Id(d));
        EXPECT_TRUE(owner == Id(Monitor()) || owner == Id(frame)) << "the monitor's item dialog is owned by " << owner;
        Decline(d);
    });
    Monitor()->RunCommand(tools::monitor::ID_WATCH_ADD);

    // Real clicks in the main window: its File menu (closed again by Escape), the terminal's
    // command line, its work area. The main window takes them, the tool windows stay above it.
    auto everyToolAbove = [&](const char* after) {
        QTest::qWait(300); // the window manager restacks
        const int main = Level(frame);
        ASSERT_GE(main, 0);
        for (QWidget* w : tools)
            EXPECT_GT(Level(w), main) << w->windowTitle().toStdString() << " sank below the main window after " << after;
    };
    QMenuBar* bar = frame->menuBar();
    ClickOn(bar, bar->actionGeometry(bar->actions().front()).center());
    EXPECT_TRUE(WaitFor([] { return QApplication::activePopupWidget() != nullptr; })) << "the File menu did not open";
    everyToolAbove("a click on the menu bar");
    x.Key("Escape");
    x.Key("Escape");
    EXPECT_TRUE(WaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
    ClickOn(Terminal().CommandEdit());
    EXPECT_TRUE(WaitFor([&] { return QApplication::focusWidget() == Terminal().CommandEdit(); }))
        << "the click did not reach the terminal";
    everyToolAbove("a click in the terminal");
    ClickOn(frame->MdiArea(), {10, 10});
    everyToolAbove("a click in the work area");
}

// A project change under every tool window: File > Close Project, then (the project open again)
// File > New Project. One box at a time is shown, and the windows' own questions (the tuner's
// Select Motor, the chart's polling error) come only after the change's own questions.
TEST_F(DesktopChecks, OneQuestionAtATimeWhileTheProjectChangesUnderEveryToolWindow)
{
    ASSERT_TRUE(StartOnDesktop());
    answersDialog = [](QWidget* w) { return !qobject_cast<QFileDialog*>(w); };
    ASSERT_TRUE(Shown(frame));
    const std::vector<std::pair<std::string, QString>> rules = {
        {"Do you want to save changes to the current project?", "No"},
        {"Do you want VQX to automatically detect the motors?", "No"},
        {"New Project", "OK"},
        {"Select Motor", "Cancel"},
        {"Do you want to close the Tuning Window?", "Yes"},
        {"Polling of chart items stopped.", "OK"},
    };
    const std::vector<std::string> windowsAsk = {"Select Motor", "Do you want to close the Tuning Window?",
                                                 "Polling of chart items stopped."};
    auto check = [&](BoxWatch& watch, const std::vector<std::string>& changeAsks) {
        EXPECT_TRUE(watch.together.empty()) << "shown at once: " << ::testing::PrintToString(watch.together);
        int lastOfChange = -1, firstOfWindows = int(watch.seen.size());
        for (const std::string& q : changeAsks)
            lastOfChange = std::max(lastOfChange, watch.At(q));
        for (const std::string& q : windowsAsk)
            if (const int at = watch.At(q); at >= 0)
                firstOfWindows = std::min(firstOfWindows, at);
        EXPECT_LT(lastOfChange, firstOfWindows) << ::testing::PrintToString(watch.seen);
        EXPECT_GE(watch.At("Select Motor"), 0) << "the tuner did not ask: " << ::testing::PrintToString(watch.seen);
    };

    ASSERT_EQ(OpenEveryToolWindow().size(), 5u);
    {
        BoxWatch watch(*this, rules);
        ASSERT_TRUE(Command(cmd::ID_CLOSE_PROJECT));
        EXPECT_TRUE(WaitFor([&] { return Tuner() == nullptr; }, 30000)) << ::testing::PrintToString(watch.seen);
        QTest::qWait(300);
        check(watch, {"Do you want to save changes to the current project?"});
    }

    ASSERT_TRUE(OpenFile(ProjectFile(), cmd::ID_OPEN_PROJECT));
    ASSERT_TRUE(WaitFor([&] { return !app->Session()->Project().isDefault; }));
    EXPECT_TRUE(TypeAndWait("1RP", "0"));
    ASSERT_TRUE(Command(cmd::ID_TUNER));
    ASSERT_NE(Tuner(), nullptr);
    ASSERT_TRUE(Shown(Tuner()));
    {
        BoxWatch watch(*this, rules);
        ASSERT_TRUE(Command(cmd::ID_NEW_PROJECT));
        EXPECT_TRUE(WaitFor([&] { return Tuner() == nullptr; }, 30000)) << ::testing::PrintToString(watch.seen);
        QTest::qWait(300);
        check(watch, {"New Project", "Do you want VQX to automatically detect the motors?"});
        EXPECT_GE(watch.At("Do you want VQX to automatically detect the motors?"), 0);
    }
}

// F1 pressed as a real key on every page of the page dialogs and wizards opens the topic that
// page's Help button opens.
TEST_F(DesktopChecks, F1OnEveryDialogAndWizardPageOpensThatPagesTopic)
{
    ASSERT_TRUE(StartOnDesktop());
    // The topic F1 opens in `dialog` now, and the one its Help button opens.
    auto f1AndHelp = [&](QDialog* dialog) -> std::pair<std::string, std::string> {
        EXPECT_TRUE(Shown(dialog));
        EXPECT_TRUE(Focus(dialog)) << dialog->windowTitle().toStdString() << " did not get the keyboard";
        desktop.helpPages.clear();
        x.Key("F1");
        WaitFor([&] { return !desktop.helpPages.empty(); }, 3000);
        // The page and its anchor, as the guide is opened at them.
        auto opened = [&] {
            if (desktop.helpPages.empty())
                return std::string();
            const auto& [file, anchor] = desktop.helpPages.back();
            return anchor.empty() ? file : file + "#" + anchor;
        };
        const std::string pressed = opened();
        desktop.helpPages.clear();
        QPushButton* help = dialog->findChild<QPushButton*>(QStringLiteral("57670"));
        if (!help)
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->isVisible() && layoutcheck::Plain(b->text()) == QStringLiteral("Help"))
                    help = b;
        if (help)
            help->click();
        const std::string clicked = opened();
        return {pressed, clicked};
    };
    auto expectPage = [&](QDialog* dialog, const std::string& what, const std::string& page = {}) {
        const auto [pressed, clicked] = f1AndHelp(dialog);
        EXPECT_FALSE(pressed.empty()) << "F1 opened nothing on " << what;
        EXPECT_EQ(pressed, clicked) << what;
        if (!page.empty()) {
            EXPECT_TRUE(pressed.size() >= page.size() && pressed.compare(pressed.size() - page.size(), page.size(), page) == 0)
                << what << ": " << pressed;
        }
    };
    // Every page of a page dialog, picked by a real click on its tab (or its entry in the list).
    auto everyPage = [&](CPageDlg* d, const std::string& what) {
        const int pages = d->m_bListStyle ? d->List()->count() : d->Tabs()->count();
        EXPECT_GT(pages, 0) << what;
        for (int i = 0; i < pages; ++i) {
            if (d->m_bListStyle)
                ClickOn(d->List()->viewport(), d->List()->visualItemRect(d->List()->item(i)).center());
            else
                ClickOn(d->Tabs(), d->Tabs()->tabRect(i).center());
            EXPECT_TRUE(WaitFor([&] { return d->CurrentPage() == i + 1; })) << what << ": the click did not pick page " << i + 1;
            expectPage(d, what + " page " + std::to_string(i + 1));
        }
        Decline(d);
    };

    AnswerWindow<CPageDlg>([&](CPageDlg* d) { everyPage(d, "Options"); }, QStringLiteral("options"));
    ASSERT_TRUE(Command(cmd::ID_OPTIONS));
    AnswerWindow<CPageDlg>([&](CPageDlg* d) { everyPage(d, "Communication Settings"); }, QStringLiteral("settings"));
    ASSERT_TRUE(Command(cmd::ID_COMM_SETTINGS));
    AnswerWindow<CPageDlg>([&](CPageDlg* d) { everyPage(d, "New Project"); }, QStringLiteral("new-project"));
    ASSERT_TRUE(Command(cmd::ID_NEW_PROJECT));

    // The setup wizard: its welcome page and, a real click on Continue later, its ports page.
    AnswerWindow<CCommWizardDlg>(
        [&](CCommWizardDlg* d) {
            expectPage(d, "setup wizard welcome", "CommunicationWizard.htm#Welcome");
            ClickOn(d->findChild<QPushButton*>(QStringLiteral("1147")));
            EXPECT_TRUE(WaitFor([&] { return d->CurrentPage() == 2; }));
            expectPage(d, "setup wizard ports", "CommunicationWizard.htm#Ports");
            Decline(d);
        },
        QStringLiteral("wizard"));
    ASSERT_TRUE(Command(cmd::ID_COMM_WIZARD));
    AnswerWindow<tuning::gui::CLockupWizardDlg>(
        [&](tuning::gui::CLockupWizardDlg* d) {
            expectPage(d, "lock-up wizard", "185.htm");
            Decline(d);
        },
        QStringLiteral("lockup"));
    ASSERT_TRUE(Command(cmd::ID_LOCKUP_WIZARD));

    // A dialog of a tool window: the monitor's new item.
    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    ASSERT_NE(Monitor(), nullptr);
    AnswerWindow<CWatchItemDlg>(
        [&](CWatchItemDlg* d) {
            expectPage(d, "monitor item", "NewMonitorItem.htm");
            Decline(d);
        },
        QStringLiteral("item"));
    Monitor()->RunCommand(tools::monitor::ID_WATCH_ADD);
}

// Dialogs and please-wait boxes open centred over the window that opened them: the main window's
// over it, a tool window's over that window, wherever the window stands on the screen.
TEST_F(DesktopChecks, DialogsAndProgressBoxesOpenCentredOverTheWindowThatOpenedThem)
{
    ASSERT_TRUE(StartOnDesktop());
    // The window manager may nudge a window: a margin of a title bar's height.
    constexpr int kNudge = 40;
    auto centredOver = [&](QWidget* box, QWidget* owner, const std::string& what) {
        if (!Shown(box)) {
            ADD_FAILURE() << what << " was not shown";
            return;
        }
        // Where it came on the screen, and where the window manager has it once it stays there:
        // both over the centre (it is not moved there after a first frame elsewhere).
        const QRect first = x.Frame(Id(box));
        const QPoint firstOff = first.center() - x.Frame(Id(owner)).center();
        EXPECT_TRUE(std::abs(firstOff.x()) <= kNudge && std::abs(firstOff.y()) <= kNudge)
            << what << " came at " << first.x() << "," << first.y() << " " << first.width() << "x" << first.height();
        QRect b = first;
        for (int tries = 0; tries < 50; ++tries) {
            QTest::qWait(100);
            const QRect now = x.Frame(Id(box));
            if (now == b)
                break;
            b = now;
        }
        const QRect o = x.Frame(Id(owner));
        const QPoint off = b.center() - o.center();
        if (std::abs(off.x()) > kNudge || std::abs(off.y()) > kNudge) {
            const QRect qb = box->frameGeometry(), qo = owner->frameGeometry();
            std::cout << "[ desktop ] Qt has " << what << " at " << qb.x() << "," << qb.y() << " " << qb.width() << "x"
                      << qb.height() << " over " << qo.x() << "," << qo.y() << " " << qo.width() << "x" << qo.height()
                      << "\n";
        }
        EXPECT_LE(std::abs(off.x()), kNudge) << what << " at " << b.x() << "," << b.y() << " " << b.width() << "x"
                                             << b.height() << " over " << o.x() << "," << o.y() << " " << o.width()
                                             << "x" << o.height();
        EXPECT_LE(std::abs(off.y()), kNudge) << what << " at " << b.x() << "," << b.y() << " " << b.width() << "x"
                                             << b.height() << " over " << o.x() << "," << o.y() << " " << o.width()
                                             << "x" << o.height();
    };
    // The please-wait box of a long operation, while it is shown (the operation pumps events).
    auto watchWaitBox = [&](QWidget* owner, const std::string& what) {
        auto* timer = new QTimer(frame);
        auto done = std::make_shared<bool>(false);
        QObject::connect(timer, &QTimer::timeout, timer, [=, this] {
            if (*done)
                return;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<CWaitDlg*>(w) && w->isVisible() && x.Viewable(Id(w))) {
                    *done = true;
                    centredOver(w, owner, what);
                    return;
                }
        });
        timer->start(20);
        return done;
    };

    // The main window's page dialogs, each as its command opens it.
    struct PageDialog {
        int command;
        const char* snapshot;
        const char* what;
    };
    for (const PageDialog& page : {PageDialog{cmd::ID_COMM_SETTINGS, "settings", "Communication Settings"},
                                   PageDialog{cmd::ID_OPTIONS, "options", "Options"},
                                   PageDialog{cmd::ID_NEW_PROJECT, "new-project", "New Project"}}) {
        AnswerWindow<CPageDlg>(
            [&](CPageDlg* d) {
                centredOver(d, frame, page.what);
                Decline(d);
            },
            QString::fromLatin1(page.snapshot));
        ASSERT_TRUE(Command(page.command)) << page.what;
    }

    AutoAnswer("The operation finished successfully.", "OK");
    AutoAnswer("One or more Errors/Warnings were detected during the operation.", "OK");
    AnswerWindow<CDifferentSettingsDlg>([](CDifferentSettingsDlg* d) { Click(d, 1); }, QStringLiteral("different"), 60000,
                                        false);
    auto frameWait = watchWaitBox(frame, "the main window's please-wait box (Find Motors)");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    EXPECT_TRUE(WaitFor([&] { return *frameWait; }, 60000)) << "no please-wait box came";
    EXPECT_TRUE(WaitFor([] { return !fw::LongOperation::Active(); }, 60000));

    // A tool window away from the main window's centre: its dialogs and boxes come over it.
    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    CMonitorDlg* mon = Monitor();
    ASSERT_NE(mon, nullptr);
    ASSERT_TRUE(Shown(mon));
    mon->move(x.Frame(Id(frame)).topLeft() + QPoint(40, 120));
    QTest::qWait(300);
    // Its Delete with no item chosen: the box that says so (a real click on the window first,
    // as the user works in it).
    ClickTitle(mon);
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == mon; }));
    AnswerWindow<COptionMsgBox>(
        [&](COptionMsgBox* d) {
            centredOver(d, mon, "the monitor's box");
            Decline(d);
        },
        QStringLiteral("monitor-box"));
    mon->RunCommand(tools::monitor::ID_WATCH_DELETE);

    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    tools::gui::CPlaygroundDlg* pg = Playground();
    ASSERT_NE(pg, nullptr);
    ASSERT_TRUE(Shown(pg));
    pg->move(x.Frame(Id(frame)).topLeft() + QPoint(60, 60));
    QTest::qWait(300);
    ASSERT_TRUE(ChooseChainPort(pg));
    ClickTitle(pg);
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == pg; }));
    auto pgWait = watchWaitBox(pg, "the playground's detection box");
    AnswerWindow<CDifferentSettingsDlg>([](CDifferentSettingsDlg* d) { Click(d, 1); }, QStringLiteral("different"), 60000,
                                        false);
    // Its result comes after the please-wait box went and before the playground is active again:
    // over the playground still, not over the main window.
    StopAutoAnswer("The operation finished successfully.");
    AnswerWindow<COptionMsgBox>(
        [&](COptionMsgBox* d) {
            centredOver(d, pg, "the playground's detection result");
            Decline(d);
        },
        QStringLiteral("detection-result"));
    ClickOn(pg->findChild<QPushButton*>(QString::number(tools::pg::kDetect)));
    EXPECT_TRUE(WaitFor([&] { return *pgWait; }, 60000)) << "no detection box came";
    EXPECT_TRUE(WaitFor([] { return !fw::LongOperation::Active(); }, 60000));
}
