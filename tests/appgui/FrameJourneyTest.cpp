// VQX through its real start-up (application object, main frame, session, the project's start-up
// and first screen) against a simulated chain of three motors, driven through its commands, keys
// and dialogs as a user does: what a restart keeps, what is asked before edits are dropped, the
// file commands, the macros' keys and the recent projects.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/editor/gui/EditorEnvironment.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/frame/gui/MainFrame.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/frame/gui/VQXApp.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/project/Macro.h"
#include "app/project/Project.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/shell/CommErrorQuery.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/InfoBar.h"
#include "core/port/CommPort.h"
#include "core/shared/MotorModels.h"
#include "platform/clock/Clock.h"
#include "platform/paths/Paths.h"
#include "scanner/Scanner.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

namespace {

// Presses the button of a message box whose text (without its "&") is `text`.
void Press(QWidget* box, const QString& text)
{
    for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->isVisible() && b->text().remove(QLatin1Char('&')) == text) {
            QTest::mouseClick(b, Qt::LeftButton);
            return;
        }
    std::string seen;
    for (QPushButton* b : box->findChildren<QPushButton*>())
        seen += '[' + b->text().toStdString() + (b->isVisible() ? "" : " hidden") + "]";
    ADD_FAILURE() << "no button " << text.toStdString() << " in " << box->objectName().toStdString() << ": " << seen;
}

QString BoxText(QWidget* box)
{
    auto* label = box->findChild<QLabel*>(QStringLiteral("1069"));
    return label ? label->text() : QString();
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class FrameJourney : public GuiTest {
protected:
    FrameJourney()
    {
        m_home = qgetenv("VQX_HOME");
        qputenv("VQX_HOME", QByteArray::fromStdString(dir.Path()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir / "data"));
        qputenv("VQX_PORT", QByteArray(kLine));
        platform::SetAppFolder(dir.Path());
        CMotorModels empty;
        EXPECT_TRUE(empty.Save(dir / "TQModels.tqm"));
        auto& p = platform::AppProfile();
        p.WriteInt("OptionBoxes", "ShowLogo", 0);
        p.WriteInt("OptionBoxes", "NoStartupTips", 1);
        p.WriteInt("OptionBoxes", "StartQuestion", 0);
        p.WriteInt("Workspace", "FirstRun", 0);
        p.WriteInt("OptionBoxes", "ShowPlayground", 0);
        vqxsim::MotorProfile m;
        m.firmware = "450";
        m.echo[0] = true;
        chain = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(3, m, true), kLine);
        clock.Advance(std::chrono::seconds(2));
    }
    ~FrameJourney() override
    {
        qputenv("VQX_HOME", m_home);
        qunsetenv("VQX_PORT");
        qunsetenv("XDG_DATA_HOME");
        platform::SetAppFolder({});
    }

    // Starts VQX; false when the start failed.
    bool Start(QStringList arguments = {})
    {
        app = std::make_unique<CVQXApp>(QString::fromStdString(dir / "run"), &desktop);
        if (!app->InitInstance(arguments))
            return false;
        frame = app->MainFrame();
        return frame != nullptr;
    }
    // Ends VQX as Exit does; false when the program stayed.
    bool Exit()
    {
        frame->Commands().Execute(cmd::ID_APP_EXIT);
        if (frame->isVisible())
            return false;
        app->ExitInstance(0);
        app.reset();
        frame = nullptr;
        return true;
    }
    bool Enabled(int id)
    {
        frame->Commands().Update(id);
        return frame->Commands().Action(id) && frame->Commands().Action(id)->isEnabled();
    }
    CVQXView* ActiveSource() { return editor::ActiveView(frame->MdiArea()); }
    // A named project in its own folder with the simulated chain as its port (saved open).
    void MakeProject(CProject& project, const std::string& name, const char* line = kLine)
    {
        project.isDefault = false;
        project.Name = name;
        project.Path = dir / name;
        project.FileName = dir / (name + "/" + name + ".spj");
        std::filesystem::create_directories(project.Path);
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = line;
        port->CommType = COMM_RS232;
        port->BitPerSec = port->savedBitPerSec = 9600;
        port->Echo = 1;
        port->IsOpen = 1;
        ASSERT_TRUE(project.AddPort(std::move(port)));
    }
    CTerminalBar& Bar() { return app->Session()->TerminalBar(); }
    // Runs `act` once a modal dialog titled `title` is open (others opened before it are left to
    // their own handlers).
    static void WhenDialog(const QString& title, std::function<void(QWidget*)> act)
    {
        auto tries = std::make_shared<int>(2000);
        auto poll = std::make_shared<std::function<void()>>();
        const int generation = Generation();
        *poll = [=] {
            if (generation != Generation())
                return;
            if (QWidget* w = QApplication::activeModalWidget(); w && w->windowTitle() == title) {
                act(w);
                *poll = nullptr;
                return;
            }
            if (--*tries <= 0) {
                QWidget* w = QApplication::activeModalWidget();
                ADD_FAILURE() << "no dialog " << title.toStdString() << "; open: "
                              << (w ? (w->windowTitle() + " / " + BoxText(w)).toStdString() : std::string("none"));
                *poll = nullptr;
                return;
            }
            QTimer::singleShot(5, [poll] {
                if (*poll)
                    (*poll)();
            });
        };
        QTimer::singleShot(0, [poll] {
            if (*poll)
                (*poll)();
        });
    }
    QString PaneText(int tab) { return Bar().View(tab)->toPlainText(); }

    static constexpr const char* kLine = "journey-chain";
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> chain;
    ScriptedDesktop desktop;
    std::unique_ptr<CVQXApp> app;
    CMainFrame* frame = nullptr;

private:
    QByteArray m_home;
};

TEST_F(FrameJourney, ARestartKeepsTheBarsAndCompilerSettingsAndRunsTheStartupMacroOnce)
{
    ASSERT_TRUE(Start());
    // A fresh default project shows the terminal and the configuration bars.
    EXPECT_FALSE(frame->TerminalBar()->isHidden());
    EXPECT_FALSE(frame->ConfigBar()->isHidden());
    EXPECT_TRUE(frame->AnalyzerBar()->isHidden());
    ASSERT_GE(Bar().CurrentTab(), 0);
    EXPECT_EQ(frame->focusWidget(), Bar().View(Bar().CurrentTab())) << "the keyboard is in the current port's pane";

    // The user lays out the bars, sets a compiler limit and makes a "startup" macro.
    frame->Commands().Execute(cmd::ID_VIEW_ANALYZER);
    frame->Commands().Execute(cmd::ID_VIEW_CONFIGURATION);
    app->Context().Scanner().Errors().MaxErrors = 7;
    auto macro = std::make_unique<CMacro>();
    macro->Name = "Startup";
    macro->Commands = ":startup ran\n";
    ASSERT_TRUE(app->Session()->Project().AddMacro(std::move(macro)));
    ASSERT_TRUE(Exit());

    ASSERT_TRUE(Start());
    EXPECT_FALSE(frame->AnalyzerBar()->isHidden());
    EXPECT_TRUE(frame->ConfigBar()->isHidden());
    EXPECT_FALSE(frame->TerminalBar()->isHidden());
    EXPECT_EQ(app->Context().Scanner().Errors().MaxErrors, 7);
    const int tab = Bar().CurrentTab();
    ASSERT_GE(tab, 0);
    EXPECT_EQ(PaneText(tab).count(QStringLiteral("startup ran")), 1) << PaneText(tab).toStdString();
    EXPECT_EQ(frame->focusWidget(), Bar().View(tab));
    // With the terminal bar shown again, its commands are there.
    for (int id : {cmd::ID_DETECT_MOTORS, cmd::ID_RUN_PROGRAM, cmd::ID_STOP_PROGRAM, cmd::ID_STOP_MOTORS})
        EXPECT_TRUE(Enabled(id)) << id;
    ASSERT_TRUE(Exit());

    // A project named on the command line runs its own start-up, once as well.
    CProject named;
    MakeProject(named, "Line1");
    auto startup = std::make_unique<CMacro>();
    startup->Name = "startup";
    startup->Commands = ":line one started\n";
    ASSERT_TRUE(named.AddMacro(std::move(startup)));
    ASSERT_TRUE(named.Save());
    ASSERT_TRUE(Start({QString::fromStdString(named.FileName)}));
    EXPECT_EQ(frame->Project().Name(), "Line1");
    EXPECT_EQ(PaneText(Bar().CurrentTab()).count(QStringLiteral("line one started")), 1);
    ASSERT_TRUE(Exit());
}

TEST_F(FrameJourney, ChangedSourcesAreOfferedToBeSavedBeforeAWindowTheProjectOrTheProgramCloses)
{
    ASSERT_TRUE(Start());
    // File > New (Ctrl+N, the toolbar's first button): an untitled source window.
    EXPECT_EQ(frame->Commands().Action(cmd::ID_FILE_NEW)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_FILE_NEW));
    CVQXView* view = ActiveSource();
    ASSERT_NE(view, nullptr);
    QTest::keyClicks(view, QStringLiteral("a=1"));
    ASSERT_TRUE(view->GetDocument()->IsModified());

    // Closing its window asks; Cancel keeps it.
    QString asked;
    WhenModal([&](QWidget* box) {
        asked = BoxText(box);
        Press(box, QStringLiteral("Cancel"));
    });
    frame->MdiArea()->subWindowList().front()->close();
    QApplication::processEvents();
    EXPECT_EQ(asked, QStringLiteral("Save changes to Untitled?"));
    ASSERT_EQ(ActiveSource(), view);

    // Opening a project asks again; No drops the edits and closes the window.
    CProject line;
    MakeProject(line, "Line3");
    ASSERT_TRUE(line.Save());
    desktop.files.push_back(QString::fromStdString(line.FileName));
    asked.clear();
    WhenModal([&](QWidget* box) {
        asked = BoxText(box);
        Press(box, QStringLiteral("No"));
    });
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_OPEN_PROJECT));
    QApplication::processEvents();
    EXPECT_EQ(asked, QStringLiteral("Save changes to Untitled?"));
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(frame->Project().Name(), "Line3");

    // Close Project with a changed source: Cancel keeps the project and the window.
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_FILE_NEW));
    QTest::keyClicks(ActiveSource(), QStringLiteral("c=3"));
    WhenModal([&](QWidget* box) { Press(box, QStringLiteral("Cancel")); });
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_CLOSE_PROJECT));
    QApplication::processEvents();
    EXPECT_EQ(frame->Project().Name(), "Line3");
    ASSERT_NE(ActiveSource(), nullptr);
    EXPECT_TRUE(ActiveSource()->GetDocument()->IsModified());
    WhenModal([&](QWidget* box) { Press(box, QStringLiteral("No")); });
    frame->MdiArea()->subWindowList().front()->close();
    QApplication::processEvents();
    ASSERT_EQ(ActiveSource(), nullptr);

    // Save As sits in the File menu, for a source in front only.
    auto* file = frame->menuBar()->findChild<QMenu*>(QStringLiteral("File"));
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(frame->Commands().Action(cmd::ID_FILE_SAVE_AS)));
    EXPECT_FALSE(Enabled(cmd::ID_FILE_SAVE_AS));

    // Exit with a changed source: Yes saves it under the chosen name, then VQX ends.
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_FILE_NEW));
    ASSERT_NE(ActiveSource(), nullptr);
    EXPECT_TRUE(Enabled(cmd::ID_FILE_SAVE_AS));
    QTest::keyClicks(ActiveSource(), QStringLiteral("b=2"));
    const std::string saved = dir / "kept.tqs";
    desktop.files.push_back(QString::fromStdString(saved));
    WhenModal([&](QWidget* box) { Press(box, QStringLiteral("Yes")); });
    ASSERT_TRUE(Exit());
    EXPECT_NE(ReadAll(saved).find("b=2"), std::string::npos);
}

TEST_F(FrameJourney, RecentProjectsOpenFromTheFileMenuAndAGoneOneLeavesTheList)
{
    CProject line;
    MakeProject(line, "Line2");
    ASSERT_TRUE(line.Save());
    const std::string gone = dir / "Gone/Gone.spj";
    platform::AppProfile().WriteString("Recent WSP List", "WSP1", gone);
    platform::AppProfile().WriteString("Recent WSP List", "WSP2", line.FileName);
    ASSERT_TRUE(Start());

    auto* recent = frame->menuBar()->findChild<QMenu*>(QStringLiteral("Recent Projects"));
    ASSERT_NE(recent, nullptr);
    auto* file = frame->menuBar()->findChild<QMenu*>(QStringLiteral("File"));
    Q_EMIT file->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[0]->data().toInt(), cmd::ID_RECENT_PROJECT_FIRST);
    EXPECT_TRUE(recent->actions()[1]->text().startsWith(QStringLiteral("&2 ")));

    // The project that is gone: its error, and it leaves the list.
    QString error;
    WhenModal([&](QWidget* box) {
        error = BoxText(box);
        Press(box, QStringLiteral("Ok"));
    });
    recent->actions()[0]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(error, QStringLiteral("Invalid Project File!"));
    EXPECT_TRUE(frame->Project().IsDefault());
    Q_EMIT file->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 1);

    // The other opens and is first in the list.
    recent->actions()[0]->trigger();
    EXPECT_EQ(frame->Project().Name(), "Line2");
    EXPECT_TRUE(frame->windowTitle().startsWith(QStringLiteral("Line2 - ")));
    Q_EMIT file->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_TRUE(recent->actions()[0]->text().startsWith(QStringLiteral("&1 ")));
    ASSERT_TRUE(Exit());
}

TEST_F(FrameJourney, CtrlBreakStopsALongShortcutMacroAndNothingElseRunsMeanwhile)
{
    ASSERT_TRUE(Start());
    std::string commands;
    for (int i = 0; i < 300; ++i)
        commands += ":step " + std::to_string(i) + "\n";
    auto macro = std::make_unique<CMacro>();
    macro->Name = "long";
    macro->Shortcut = 1;
    macro->Commands = commands;
    ASSERT_TRUE(app->Session()->Project().AddMacro(std::move(macro)));
    // The keys work wherever the focus is in the main window.
    QAction* stop = frame->Commands().Action(cmd::ID_MACRO_STOP);
    QAction* one = frame->Commands().Action(cmd::ID_MACRO_KEY_FIRST + 1);
    ASSERT_TRUE(stop && one);
    EXPECT_TRUE(frame->actions().contains(stop));
    EXPECT_TRUE(frame->actions().contains(one));
    EXPECT_EQ(one->shortcut(), QKeySequence(QStringLiteral("Ctrl+1")));

    // While the macro runs, the events go on: a bar toggle is refused, the Break key is taken.
    const bool infoHidden = frame->InfoBar()->isHidden();
    bool toggled = true;
    QTimer::singleShot(0, frame, [&] {
        toggled = frame->Commands().Execute(cmd::ID_VIEW_INFORMATION) && frame->InfoBar()->isHidden() != infoHidden;
        stop->trigger();
    });
    one->trigger();
    EXPECT_FALSE(toggled);
    EXPECT_EQ(frame->InfoBar()->isHidden(), infoHidden);
    const QString pane = PaneText(0);
    EXPECT_TRUE(pane.contains(QStringLiteral("step 0"))) << pane.toStdString();
    EXPECT_FALSE(pane.contains(QStringLiteral("step 299"))) << "stopped before its end";
    EXPECT_TRUE(pane.contains(QStringLiteral("Macro Execution Stopped")));
    // Afterwards the commands work again.
    frame->Commands().Execute(cmd::ID_VIEW_INFORMATION);
    EXPECT_NE(frame->InfoBar()->isHidden(), infoHidden);
    ASSERT_TRUE(Exit());
}

TEST_F(FrameJourney, TheFirstRunsNewProjectGetsItsPortsFromTheSetupWizard)
{
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 1);
    QString wizard;
    WhenDialog(QStringLiteral("VQX"), [&](QWidget* box) {
        EXPECT_EQ(BoxText(box), QStringLiteral(
                                    "Welcome to VQX!\n\nVQX uses Projects to remember your motor information and settings."));
        box->findChild<QRadioButton*>(QStringLiteral("1246"))->setChecked(true);
        WhenDialog(QStringLiteral("New Project"), [&](QWidget* page) {
            page->findChild<QLineEdit*>(QStringLiteral("1023"))->setText(QStringLiteral("Cell"));
            page->findChild<QLineEdit*>(QStringLiteral("1001"))->setText(QString::fromStdString(dir / "work/Cell"));
            WhenDialog(QStringLiteral("Communication Setup Wizard"), [&](QWidget* w) {
                wizard = w->windowTitle();
                static_cast<QDialog*>(w)->reject();
            });
            QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        });
        QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
    });
    ASSERT_TRUE(Start());
    EXPECT_EQ(wizard, QStringLiteral("Communication Setup Wizard"));
    EXPECT_EQ(frame->Project().Name(), "Cell");
    EXPECT_TRUE(std::filesystem::exists(dir / "work/Cell/Cell.spj")) << frame->Project().Path();
    EXPECT_FALSE(frame->ConfigBar()->isHidden());
    EXPECT_FALSE(frame->TerminalBar()->isHidden());
    EXPECT_EQ(platform::AppProfile().GetInt("Workspace", "FirstRun", 1), 0);
    ASSERT_TRUE(Exit());
}

TEST_F(FrameJourney, TheCommunicationErrorBoxsWizardAndManualSettingsChoicesRunTheirCommands)
{
    ASSERT_TRUE(Start());
    // The query hands its choice to the session's recovery actions; the command runs once the
    // operation that failed has given up.
    struct Choice {
        int value;
        const char* dialog;
    };
    for (const Choice& c : {Choice{commerror::kRunSetupWizard, "Communication Setup Wizard"},
                            Choice{commerror::kManualSettings, "Communication Settings"}}) {
        QString opened;
        WhenDialog(QString::fromLatin1(c.dialog), [&](QWidget* w) {
            opened = w->windowTitle();
            static_cast<QDialog*>(w)->reject();
        });
        app->Session()->RunRecoveryCommand(c.value);
        EXPECT_TRUE(opened.isEmpty()) << "not while the failed operation is on the stack";
        for (int i = 0; i < 400 && opened.isEmpty(); ++i)
            QTest::qWait(5);
        EXPECT_EQ(opened, QString::fromLatin1(c.dialog));
    }
    ASSERT_TRUE(Exit());
}
