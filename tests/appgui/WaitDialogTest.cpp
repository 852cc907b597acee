// The please-wait dialog over a real core operation: a detection of a simulated RS-232 chain runs
// under the dialog; while it runs the long-operation flag holds every tool timer; the user's
// Cancel, confirmed in the question box, reaches the detection, which stops and leaves every
// motor awake.

#include "GuiFixture.h"

#include "app/shell/gui/QtProgress.h"
#include "app/shell/gui/QtQuestions.h"
#include "app/framework/LongOperation.h"
#include "app/framework/gui/ToolTimer.h"
#include "app/shell/gui/WaitDlg.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/RS232Chain.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace {

vqxsim::MotorProfile Profile9600()
{
    vqxsim::MotorProfile p;
    p.firmware = "450";
    p.serial = ('T' << 24) | 500;
    p.channel[0].baud = 9600;
    p.channel[1].baud = 9600;
    return p;
}

// The texts of the please-wait dialog's two lines as each was painted, in order.
class PaintedTexts : public QObject {
public:
    PaintedTexts() { qApp->installEventFilter(this); }
    ~PaintedTexts() override { qApp->removeEventFilter(this); }
    std::vector<std::pair<QString, QString>> painted; // line id, text
    bool Has(const char* line, const QString& text) const
    {
        return std::find(painted.begin(), painted.end(), std::pair{QString::fromLatin1(line), text}) != painted.end();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            if (auto* label = qobject_cast<QLabel*>(watched); label && qobject_cast<CWaitDlg*>(label->window()))
                painted.emplace_back(label->objectName(), label->text());
        return false;
    }
};

} // namespace

class WaitDialogTest : public GuiTest {
protected:
    void Chain(int n)
    {
        static int count = 0;
        const std::string name = "gui-wait-" + std::to_string(++count);
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(n, Profile9600(), true), name);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, name, "Line", 1, COMM_RS232, 9600);
    }
    bool AnyAsleep()
    {
        for (size_t i = 0; i < rig->Count(); ++i)
            if (rig->WithMotor(i, [](vqxsim::SimMotor& m) { return m.Asleep(0) || m.Asleep(1); }))
                return true;
        return false;
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    bridge::QtQuestions questions;
    bridge::QtProgress progress{nullptr, questions};
    ui::CHeadlessInfoView info;
    ui::COperationContext context;
    void SetUp() override
    {
        context.SetProgress(&progress);
        context.SetQuestions(&questions);
        context.SetInfo(&info);
    }
};

TEST_F(WaitDialogTest, CancelReachesARunningDetectionAndLeavesTheMotorsAwake)
{
    Chain(3);
    fw::ToolTimer toolTimer;
    int toolTicks = 0;
    QObject::connect(&toolTimer, &fw::ToolTimer::timeout, [&] { ++toolTicks; });
    toolTimer.Start(1);

    bool checked = false;
    std::string question;
    // The user, once the dialog shows and the detection is under way (the program takes input
    // only between its steps): looks at it, presses Cancel, confirms with Yes.
    std::function<void()> user = [&] {
        CWaitDlg* dlg = progress.Dialog();
        if (!dlg || !dlg->isVisible() || progress.State().Total() <= 0) {
            QTimer::singleShot(1, user);
            return;
        }
        checked = true;
        EXPECT_TRUE(dlg->isModal());
        EXPECT_EQ(dlg->windowModality(), Qt::ApplicationModal);
        EXPECT_TRUE(fw::LongOperation::Active());
        EXPECT_FALSE(toolTimer.IsRunning()) << "no tool timer runs under the dialog";
        EXPECT_TRUE(dlg->findChild<QLabel*>("1069")->text().endsWith(". Please wait..."));
        Snapshot(dlg, "please-wait");
        WhenModal([&](QWidget* box) {
            question = box->findChild<QLabel*>("1069")->text().toStdString();
            EXPECT_EQ(box->focusWidget(), box->findChild<QPushButton*>("1111")) << "No has the focus";
            Snapshot(box, "cancel-question");
            QTest::mouseClick(box->findChild<QPushButton*>("1002"), Qt::LeftButton);
        });
        QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
    };
    QTimer::singleShot(0, user);

    const int ticksBefore = toolTicks;
    EXPECT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_TRUE(checked);
    EXPECT_EQ(question.rfind("Are you sure you want to cancel ", 0), 0u) << question;
    EXPECT_EQ(toolTicks, ticksBefore) << "no tool timer fired during the detection";
    EXPECT_FALSE(progress.IsShown());
    EXPECT_FALSE(fw::LongOperation::Active());
    EXPECT_FALSE(AnyAsleep());
    // The timers run again.
    EXPECT_TRUE(toolTimer.IsArmed());
    for (int i = 0; i < 200 && toolTicks == ticksBefore; ++i)
        QTest::qWait(5);
    EXPECT_GT(toolTicks, ticksBefore);
}

TEST_F(WaitDialogTest, CancelAnsweredNoGoesOnAndTheDetectionFinds)
{
    Chain(2);
    bool asked = false;
    std::function<void()> user = [&] {
        CWaitDlg* dlg = progress.Dialog();
        if (!dlg || !dlg->isVisible()) {
            QTimer::singleShot(1, user);
            return;
        }
        WhenModal([&](QWidget* box) {
            asked = true;
            QTest::keyClick(box, Qt::Key_Escape); // a Yes/No box ignores Escape
            EXPECT_TRUE(box->isVisible());
            QTest::mouseClick(box->findChild<QPushButton*>("1111"), Qt::LeftButton);
        });
        QTest::keyClick(dlg, Qt::Key_Escape); // Escape is Cancel
    };
    QTimer::singleShot(0, user);
    EXPECT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    EXPECT_TRUE(asked);
    EXPECT_EQ(port->motors.GetCount(), 2);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(WaitDialogTest, ProgressArithmeticAndNestedSteps)
{
    ASSERT_TRUE(progress.Show("Detecting", "sub"));
    EXPECT_FALSE(progress.Show("Other", "other")) << "the shown dialog is kept";
    CWaitDlg* dlg = progress.Dialog();
    auto* bar = dlg->findChild<QProgressBar*>("1068");
    EXPECT_EQ(dlg->findChild<QLabel*>("1069")->text(), "Detecting. Please wait...");
    EXPECT_EQ(progress.Notify(2, 5), 1);
    EXPECT_FALSE(bar->isVisible()) << "no total yet";
    progress.Notify(1, 3000000000LL / 100); // 30,000,000 steps: a 32-bit product would overflow
    progress.Notify(2, 15000000);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 50);
    progress.Notify(2, 90000000);
    EXPECT_EQ(bar->value(), 100);
    {
        ui::CWaitStep inner(progress, std::string("Reading"), std::string("motor 1"));
        progress.SetCancelVisible(false);
        progress.Notify(1, 0);
        EXPECT_EQ(dlg->findChild<QLabel*>("1069")->text(), "Reading. Please wait...");
        EXPECT_FALSE(dlg->CancelButton()->isVisible());
    }
    EXPECT_EQ(dlg->findChild<QLabel*>("1069")->text(), "Detecting. Please wait...");
    EXPECT_EQ(dlg->findChild<QLabel*>("1195")->text(), "sub");
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 100);
    EXPECT_TRUE(dlg->CancelButton()->isVisible());
    progress.Notify(3, 0);
    progress.Close();
    EXPECT_FALSE(fw::LongOperation::Active());
}

// The operation blocks as soon as Show or SetText returns (the network detection waits for the
// motors' answers next): by then the box is on the screen with its texts painted, not an empty
// frame until its next progress message.
TEST_F(WaitDialogTest, TheBoxIsOnTheScreenWithItsTextsBeforeTheOperationGoesOn)
{
    PaintedTexts paints;
    ASSERT_TRUE(progress.Show("Detecting Quintalocs/Tessaraxons on the network", "Finding Ethernet Motors..."));
    CWaitDlg* dlg = progress.Dialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_NE(dlg->windowHandle(), nullptr);
    EXPECT_TRUE(dlg->windowHandle()->isExposed());
    EXPECT_TRUE(paints.Has("1069", "Detecting Quintalocs/Tessaraxons on the network. Please wait..."));
    EXPECT_TRUE(paints.Has("1195", "Finding Ethernet Motors..."));
    EXPECT_TRUE(fw::LongOperation::Active()) << "the wait ran with the tool timers held";

    // A second line changed before the next blocking step, and the texts a nested step puts back.
    progress.SetText(std::nullopt, std::string("Getting motors information..."));
    EXPECT_TRUE(paints.Has("1195", "Getting motors information..."));
    {
        ui::CWaitStep inner(progress, std::string("Reading"), std::string("motor 1"));
        EXPECT_TRUE(paints.Has("1069", "Reading. Please wait..."));
        paints.painted.clear();
    }
    EXPECT_TRUE(paints.Has("1069", "Detecting Quintalocs/Tessaraxons on the network. Please wait..."));
    EXPECT_TRUE(paints.Has("1195", "Getting motors information..."));
    progress.Close();
    EXPECT_FALSE(fw::LongOperation::Active());
}
