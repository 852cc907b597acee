// The program's start and a second start, headless: the frame comes up with the first screen the
// settings ask for, a second start hands its file to the first and ends, a stale lock never
// blocks, and a missing models database stops the start with its message.

#include "GuiFixture.h"

#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/gui/SingleInstance.h"
#include "app/frame/gui/VQXApp.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QLocalSocket>
#include <QSysInfo>
#include <QThread>

#include <fstream>

class StartupTest : public GuiTest {
protected:
    StartupTest()
    {
        // A program folder with a valid empty models database.
        m_home = qgetenv("VQX_HOME");
        qputenv("VQX_HOME", QByteArray::fromStdString(dir.Path()));
        platform::SetAppFolder(dir.Path());
        CMotorModels empty;
        EXPECT_TRUE(empty.Save(dir / "TQModels.tqm"));
        auto& p = platform::AppProfile();
        p.WriteInt("OptionBoxes", "ShowLogo", 0);
        p.WriteInt("OptionBoxes", "NoStartupTips", 1);
        // The playground as the first window is its own case below.
        p.WriteInt("OptionBoxes", "ShowPlayground", 0);
    }
    ~StartupTest() override
    {
        qputenv("VQX_HOME", m_home);
        platform::SetAppFolder({});
    }
    QByteArray m_home;

    QString InstanceFolder() const { return QString::fromStdString(dir / "run"); }
    static void ClickText(QWidget* w, const char* text)
    {
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->isVisible() && b->text().remove(QLatin1Char('&')) == QLatin1String(text))
                return b->click();
        ADD_FAILURE() << "no button " << text << " on " << w->windowTitle().toStdString();
        QTest::keyClick(w, Qt::Key_Escape);
    }
};

TEST_F(StartupTest, FirstRunWelcomeThenStartQuestionThenTip)
{
    {
        CVQXApp app(InstanceFolder());
        WhenModal([](QWidget* box) {
            EXPECT_EQ(box->findChild<QLabel*>("1069")->text(),
                      "Welcome to VQX!\n\nVQX uses Projects to remember your motor information and settings.");
            Snapshot(box, "welcome");
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ASSERT_TRUE(app.InitInstance({}));
        EXPECT_EQ(app.FirstScreenShown(), shell::FirstScreen::Welcome);
        EXPECT_TRUE(app.MainFrame()->isVisible());
        EXPECT_EQ(platform::AppProfile().GetInt("Workspace", "FirstRun", 1), 0);
        Snapshot(app.MainFrame(), "vqx-started");
        app.MainFrame()->close();
        app.ExitInstance(0);
    }
    {
        // Again, choosing a new project in a folder that cannot be made: the error, then the
        // dialog again for another folder; Cancel there ends the welcome.
        platform::AppProfile().WriteInt("Workspace", "FirstRun", 1);
        const std::string blocker = dir / "a-file";
        std::ofstream(blocker) << "x";
        QStringList seen;
        CVQXApp app(InstanceFolder());
        WhenModal([&](QWidget* box) {
            seen << box->windowTitle();
            QTest::mouseClick(box->findChild<QPushButton*>("1"), Qt::LeftButton); // the first answer
            WhenModal([&](QWidget* page) {
                seen << page->windowTitle();
                page->findChild<QLineEdit*>("1001")->setText(QString::fromStdString(blocker + "/projects"));
                ClickText(page, "OK");
                WhenModal([&](QWidget* error) {
                    seen << error->findChild<QLabel*>("1069")->text().section(QLatin1Char('\n'), 0, 0);
                    QTest::keyClick(error, Qt::Key_Escape);
                    WhenModal([&](QWidget* again) {
                        seen << again->windowTitle();
                        ClickText(again, "Cancel");
                    });
                });
            });
        });
        ASSERT_TRUE(app.InitInstance({}));
        EXPECT_EQ(seen, QStringList({"VQX", "New Project", "Cannot make project folder.", "New Project"}));
        EXPECT_TRUE(app.MainFrame()->Project().IsDefault());
        EXPECT_EQ(platform::AppProfile().GetInt("Workspace", "FirstRun", 1), 0);
        app.MainFrame()->close();
        app.ExitInstance(0);
    }
    {
        CVQXApp app(InstanceFolder());
        WhenModal([](QWidget* box) {
            EXPECT_EQ(box->findChild<QLabel*>("1069")->text(), "\n\nWelcome to Tessaraxon(TM) Interface!");
            box->findChild<QCheckBox*>("1244")->setChecked(true);
            QTest::mouseClick(box->findChild<QPushButton*>("2"), Qt::LeftButton);
        });
        ASSERT_TRUE(app.InitInstance({}));
        EXPECT_EQ(app.FirstScreenShown(), shell::FirstScreen::StartQuestion);
        // Cancel ends the question before the check box is looked at.
        EXPECT_EQ(platform::AppProfile().GetInt("OptionBoxes", "StartQuestion", 1), 1);
        app.MainFrame()->close();
    }
    platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_EQ(app.FirstScreenShown(), shell::FirstScreen::Tip);
    app.MainFrame()->close();
}

TEST_F(StartupTest, ASecondStartHandsItsFileToTheFirstAndEnds)
{
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
    CVQXApp first(InstanceFolder());
    ASSERT_TRUE(first.InitInstance({}));
    first.MainFrame()->showMinimized();

    CVQXApp second(InstanceFolder());
    WhenModal([](QWidget* box) {
        EXPECT_EQ(box->findChild<QLabel*>("1069")->text(), "VQX is already running.");
        QTest::mouseClick(box->findChild<QPushButton*>("1110"), Qt::LeftButton);
    });
    EXPECT_FALSE(second.InitInstance({"/w/Prog.tqs"}));
    EXPECT_EQ(second.MainFrame(), nullptr);

    // The first reads the hand-over, comes forward and opens the file in the editor (the file does
    // not exist: the information view says so).
    CInfoBar* info = first.MainFrame()->InfoBar();
    for (int i = 0; i < 400 && info->Lines().empty(); ++i)
        QTest::qWait(5);
    ASSERT_EQ(info->Lines().size(), 1u);
    EXPECT_EQ(info->Lines()[0].description, "Cannot open the file \"/w/Prog.tqs\".");
    EXPECT_FALSE(first.MainFrame()->isMinimized());
    first.MainFrame()->close();
}

TEST_F(StartupTest, AStaleLockNeverBlocksAndAStrayClientIsIgnored)
{
    // The lock of a crashed instance: a process number that does not run.
    SingleInstance probe(InstanceFolder());
    QDir().mkpath(InstanceFolder());
    {
        std::ofstream stale(probe.LockPath().toStdString());
        stale << "999999999\napp_gui_tests\n" << QSysInfo::machineHostName().toStdString() << "\n";
    }
    std::ofstream(probe.SocketPath().toStdString()) << "left over";
    SingleInstance one(InstanceFolder());
    ASSERT_TRUE(one.Acquire());
    QStringList received;
    QObject::connect(&one, &SingleInstance::activated, [&](const QStringList& a) { received = a; });
    SingleInstance two(InstanceFolder());
    EXPECT_FALSE(two.Acquire());

    // A client that speaks garbage is dropped; the instance keeps serving.
    QLocalSocket stray;
    stray.connectToServer(one.SocketPath());
    ASSERT_TRUE(stray.waitForConnected(1000));
    stray.write("hello\n\n");
    stray.flush();
    QTest::qWait(50);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(StartupTest, AMissingModelsDatabaseStopsTheStartWithItsMessage)
{
    std::remove((dir / "TQModels.tqm").c_str());
    CVQXApp app(InstanceFolder());
    WhenModal([](QWidget* box) {
        EXPECT_EQ(box->findChild<QLabel*>("1069")->text(),
                  "Cannot open the TQModels database file, please reinstall VQX.");
        QTest::mouseClick(box->findChild<QPushButton*>("1110"), Qt::LeftButton);
    });
    EXPECT_FALSE(app.InitInstance({}));
    EXPECT_EQ(app.MainFrame(), nullptr);
}

// Counts the close requests a window gets.
class CloseCounter : public QObject {
public:
    int closes = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        closes += e->type() == QEvent::Close;
        return false;
    }
};

TEST_F(StartupTest, ThePlaygroundComesFirstAndShowVQXLeadsToTheMainWindowAndTheWelcome)
{
    platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 1);
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_EQ(app.FirstScreenShown(), shell::FirstScreen::Playground);
    CMainFrame* frame = app.MainFrame();
    EXPECT_FALSE(frame->isVisible());
    auto* pg = dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground());
    ASSERT_NE(pg, nullptr);
    EXPECT_TRUE(pg->isVisible());
    auto* showMain = pg->findChild<QPushButton*>(QString::number(tools::pg::kShowMain));
    auto* atStartup = pg->findChild<QCheckBox*>(QString::number(tools::pg::kShowAtStartup));
    ASSERT_TRUE(showMain && atStartup);
    EXPECT_EQ(showMain->text(), QStringLiteral("Show VQX"));
    EXPECT_TRUE(showMain->font().bold());
    EXPECT_TRUE(atStartup->isVisible());
    EXPECT_TRUE(atStartup->isChecked());
    Snapshot(pg, "playground-first-window");

    // The user leaves it off for next time and goes to the main window: the project's start-up
    // shows the frame, then the first-run welcome comes.
    atStartup->setChecked(false);
    QString welcome;
    WhenModal([&](QWidget* box) {
        welcome = box->findChild<QLabel*>("1069")->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QTest::mouseClick(showMain, Qt::LeftButton);
    for (int i = 0; i < 400 && (frame->Playground() || !frame->isVisible() || welcome.isEmpty()); ++i)
        QTest::qWait(5);
    EXPECT_EQ(frame->Playground(), nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(welcome.startsWith(QStringLiteral("Welcome to VQX!")));
    EXPECT_EQ(platform::AppProfile().GetInt("OptionBoxes", "ShowPlayground", 1), 0);
    EXPECT_EQ(platform::AppProfile().GetInt("Workspace", "FirstRun", 1), 0);
    frame->close();
    app.ExitInstance(0);
}

TEST_F(StartupTest, PlayModeShowsOnlyThePlaygroundAndClosingItEndsTheProgram)
{
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 1);
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({QStringLiteral("-Play")}));
    EXPECT_EQ(app.FirstScreenShown(), shell::FirstScreen::Playground);
    CMainFrame* frame = app.MainFrame();
    EXPECT_FALSE(frame->isVisible());
    auto* pg = dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground());
    ASSERT_NE(pg, nullptr);
    auto* showMain = pg->findChild<QPushButton*>(QString::number(tools::pg::kShowMain));
    ASSERT_NE(showMain, nullptr);
    EXPECT_EQ(showMain->text(), QStringLiteral("Close"));
    EXPECT_FALSE(pg->findChild<QCheckBox*>(QString::number(tools::pg::kShowAtStartup))->isVisible());
    Snapshot(pg, "playground-play-mode");

    CloseCounter closes;
    frame->installEventFilter(&closes);
    QTest::mouseClick(showMain, Qt::LeftButton);
    for (int i = 0; i < 400 && closes.closes == 0; ++i)
        QTest::qWait(5);
    EXPECT_EQ(frame->Playground(), nullptr);
    EXPECT_EQ(closes.closes, 1); // the main window is asked to close: the program ends
    EXPECT_FALSE(frame->isVisible());
    // Play mode leaves the start-up setting alone.
    EXPECT_EQ(platform::AppProfile().GetInt("OptionBoxes", "ShowPlayground", 0), 1);
    frame->removeEventFilter(&closes);
    app.ExitInstance(0);
}
