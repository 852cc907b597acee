// The real main frame, headless: bars, toolbar, status bar, dock layout through a project archive,
// the poll loop over a test tool window, the long-operation flag, and a motor removed while its
// window is polling.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/framework/LongOperation.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "core/archive/TagArchive.h"

#include <QAction>
#include <QPointer>
#include <QToolBar>

namespace {

// A tool window as the later issues build them: polls, may refuse to close, shows a motor.
class TestToolWindow : public QWidget, public shell::IToolWindow {
public:
    explicit TestToolWindow(CMainFrame* site, const CMotor* motor = nullptr) : m_site(site), m_motor(motor) {}
    ~TestToolWindow() override
    {
        if (m_site)
            m_site->ClearToolSlot(this);
    }
    bool PollStep() override
    {
        ++polls;
        if (duringStep)
            duringStep();
        // Still alive after the step's query replaced the motors.
        ++stepsCompleted;
        return true;
    }
    bool CanClose() override { return canClose; }
    void RequestClose() override
    {
        close();
        deleteLater();
    }
    const CMotor* Motor() const override { return m_motor; }
    // As a motor view: its motor going closes it without asking.
    void SessionChanged(const shell::SessionChange& change) override
    {
        ++told;
        if (change.kind == shell::SessionChange::MotorGoing && change.motor == m_motor) {
            modifiedCleared = true;
            RequestClose();
        }
    }

    int polls = 0;
    int stepsCompleted = 0;
    bool canClose = true;
    bool modifiedCleared = false;
    int told = 0;
    std::function<void()> duringStep;

private:
    QPointer<CMainFrame> m_site;
    const CMotor* m_motor;
};

const CMotor* FakeMotor(int n) { return reinterpret_cast<const CMotor*>(static_cast<uintptr_t>(0x1000 * n)); }

template <class Pred>
bool Within(Pred pred, int ms = 5000)
{
    for (int waited = 0; waited < ms; waited += 5) {
        if (pred())
            return true;
        QTest::qWait(5);
    }
    return pred();
}

} // namespace

class MainFrameTest : public GuiTest {
protected:
    void SetUp() override
    {
        frame = new CMainFrame(app.context);
        frame->resize(1000, 700);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    }
    void TearDown() override { delete frame.data(); }

    TestAppContext app{ui::COperationContext::Default()};
    QPointer<CMainFrame> frame;
};

TEST_F(MainFrameTest, BarsToolbarStatusBarAndViewCommands)
{
    const auto bars = frame->BarsInUse();
    ASSERT_EQ(bars.size(), 4u);
    const char* titles[] = {"Information", "Terminal", "Configuration", "Serial Data Analyzer"};
    const char* ids[] = {"336", "339", "147", "178"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bars[i]->windowTitle(), titles[i]);
        EXPECT_EQ(bars[i]->objectName(), ids[i]);
        EXPECT_TRUE(bars[i]->isHidden()) << "bars start hidden";
    }
    EXPECT_EQ(frame->ToolBar()->actions().size(), 30);
    int checkable = 0;
    for (QAction* a : frame->ToolBar()->actions())
        checkable += a->isCheckable();
    EXPECT_EQ(checkable, 4);
    EXPECT_EQ(frame->StatusBar()->Pane(cmd::ID_INDICATOR_VERSION)->text(), "");
    EXPECT_EQ(frame->StatusBar()->Pane(cmd::ID_INDICATOR_POSITION)->text(), "");
    EXPECT_EQ(frame->windowTitle(), "Tessaraxon Interface");

    // View commands show a hidden bar and hide a shown one; the rule checks the button.
    QAction* info = frame->Commands().Action(cmd::ID_VIEW_INFORMATION);
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_VIEW_INFORMATION));
    EXPECT_FALSE(frame->InfoBar()->isHidden());
    frame->Commands().Update(cmd::ID_VIEW_INFORMATION);
    EXPECT_TRUE(info->isChecked());
    frame->Commands().Execute(cmd::ID_VIEW_INFORMATION);
    EXPECT_TRUE(frame->InfoBar()->isHidden());
    frame->Commands().Update(cmd::ID_VIEW_INFORMATION);
    EXPECT_FALSE(info->isChecked());
    Snapshot(frame, "main-frame");
}

TEST_F(MainFrameTest, DockLayoutSurvivesASaveAndRestoreThroughTheProjectArchive)
{
    frame->ShowControlBar(frame->InfoBar(), true);
    frame->ShowControlBar(frame->ConfigBar(), true);
    frame->ShowControlBar(frame->TerminalBar(), true);
    frame->TerminalBar()->setFloating(true);
    frame->TerminalBar()->setGeometry(200, 150, 420, 260);
    QTest::qWait(20);
    const auto before = frame->CollectDockLayout();
    Snapshot(frame, "main-frame-bars");

    CTagArchive out("VQXWSPFILE");
    out.OpenForWriteMemory();
    frame->SerializeDockDlgs("MainFrame", out);
    out.Close();
    const auto bytes = out.TakeBytes();

    // The user rearranges everything.
    frame->TerminalBar()->setFloating(false);
    frame->ShowControlBar(frame->InfoBar(), false);
    frame->ShowControlBar(frame->AnalyzerBar(), true);
    QTest::qWait(20);

    CTagArchive in("VQXWSPFILE");
    ASSERT_TRUE(in.OpenForReadMemory(bytes));
    frame->SerializeDockDlgs("MainFrame", in);
    in.Close();
    QTest::qWait(20);
    const auto after = frame->CollectDockLayout();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(after[i].showed, before[i].showed);
        EXPECT_EQ(after[i].where2Dock, before[i].where2Dock);
        EXPECT_EQ(after[i].posInDockArr, before[i].posInDockArr);
    }
    EXPECT_TRUE(frame->TerminalBar()->isFloating());
    EXPECT_EQ(frame->TerminalBar()->geometry().topLeft(), QPoint(200, 150));
    EXPECT_FALSE(frame->InfoBar()->isHidden());
    EXPECT_TRUE(frame->AnalyzerBar()->isHidden());
    EXPECT_EQ(after[0].where2Dock, fw::CBRS_ALIGN_BOTTOM);
    EXPECT_EQ(after[2].where2Dock, fw::CBRS_ALIGN_LEFT);
}

TEST_F(MainFrameTest, PollLoopPollsToolWindowsAndStopsDuringALongOperation)
{
    auto* monitor = new TestToolWindow(frame);
    frame->SetMonitorWindow(3, monitor);
    ASSERT_TRUE(Within([&] { return monitor->polls >= 3; }));

    {
        fw::LongOperation op;
        EXPECT_FALSE(frame->PollTimer().IsRunning());
        const int polls = monitor->polls;
        QTest::qWait(30);
        EXPECT_EQ(monitor->polls, polls) << "no poll step while a long operation runs";
    }
    EXPECT_TRUE(frame->PollTimer().IsRunning() || frame->PollTimer().IsArmed());
    const int polls = monitor->polls;
    ASSERT_TRUE(Within([&] { return monitor->polls > polls; }));
    delete monitor;
    EXPECT_EQ(frame->MonitorWindow(3), nullptr);
}

TEST_F(MainFrameTest, AMotorRemovedWhileItsViewPollsClosesTheViewAfterTheStep)
{
    const CMotor* motor = FakeMotor(1);
    QPointer<TestToolWindow> view = new TestToolWindow(frame, motor);
    auto* other = new TestToolWindow(frame, FakeMotor(2));
    frame->SetMotorView(0, view);
    frame->SetMotorView(1, other);
    // The step's query raised a detection that replaced the port's motors.
    view->duringStep = [&] { frame->RemoveMotorWindows(motor); };
    ASSERT_TRUE(Within([&] { return view.isNull(); }));
    EXPECT_EQ(frame->MotorView(0), nullptr);
    EXPECT_EQ(frame->MotorView(1), other);
    EXPECT_FALSE(other->modifiedCleared);
    EXPECT_EQ(other->told, 1);
    delete other;
}

TEST_F(MainFrameTest, CloseRefusedByAToolWindowKeepsTheProgramAndLastWsp)
{
    platform::AppProfile().WriteString("Workspace", "LastWSP", "/kept.spj");
    auto* view = new TestToolWindow(frame);
    view->canClose = false;
    frame->SetMotorView(4, view);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(platform::AppProfile().GetString("Workspace", "LastWSP", ""), "/kept.spj");
    view->canClose = true;
    EXPECT_TRUE(frame->close());
    // The default project with the frame visible empties LastWSP; the placement is saved.
    EXPECT_EQ(platform::AppProfile().GetString("Workspace", "LastWSP", "x"), "");
    EXPECT_FALSE(platform::AppProfile().GetString("Settings", "WindowPos", "").empty());
    QTest::qWait(10);
}
