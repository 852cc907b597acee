// Every window that shows a motor or a port, open while the project changes under them: each
// keeps to what it shows by port index and address, rebinds or closes, and nothing reads a port
// or motor that went.

#include "JourneyRig.h"

#include "app/tools/PlaygroundForm.h"
#include "app/tools/gui/MotorInfoPage.h"
#include "app/tools/gui/MotorStatusPage.h"
#include "app/tools/gui/MotorViewDlg.h"
#include "app/tools/gui/PlaygroundDlg.h"

#include <QComboBox>
#include <QPointer>

namespace {

class EveryWindowJourney : public Journey {
protected:
    CMotorViewDlg* View(int slot) const { return dynamic_cast<CMotorViewDlg*>(frame->MotorView(slot)); }
    tools::gui::CPlaygroundDlg* Playground() const { return dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground()); }
    // Tools > Motor View for an address of the terminal's port.
    CMotorViewDlg* OpenView(int address)
    {
        AnswerSelectMotor(address);
        for (int slot = 0; slot < shell::kToolSlots; ++slot)
            if (!frame->MotorView(slot)) {
                EXPECT_TRUE(Command(cmd::ID_MOTOR_VIEW));
                return View(slot);
            }
        return nullptr;
    }
    bool DetectChain()
    {
        AutoAnswer("The operation finished successfully.", "OK");
        return Command(cmd::ID_FIND_MOTORS) && WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000);
    }
};

} // namespace

TEST_F(EveryWindowJourney, APlaygroundAndAViewOfAnAddressWithoutMotorOutliveTheirProject)
{
    // A view of address 7 keeps polling through its errors.
    platform::AppProfile().WriteInt("Polling", "NoPollingOnError", 0);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(DetectChain());
    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    QPointer<tools::gui::CPlaygroundDlg> pg = Playground();
    ASSERT_NE(pg, nullptr);
    QPointer<CMotorViewDlg> seventh = OpenView(7);
    ASSERT_NE(seventh, nullptr);
    QTest::mouseClick(seventh->StatusPage()->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return seventh->Form().Status().Link() == tools::kLinkFailed; }));

    ASSERT_TRUE(Command(cmd::ID_CLOSE_PROJECT));
    // The view's port went with the project, and the view with its port.
    EXPECT_TRUE(WaitFor([&] { return seventh.isNull(); }));
    // A few poll ticks go by.
    QTest::qWait(100);
    // The playground lists the ports of the project now: the chain is not among them.
    ASSERT_FALSE(pg.isNull());
    auto* ports = pg->findChild<QComboBox*>(QString::number(tools::pg::kPortList));
    ASSERT_NE(ports, nullptr);
    for (int i = 0; i < ports->count(); ++i)
        EXPECT_NE(ports->itemText(i), QStringLiteral("Chain"));
    for (int i = 0; i < ports->count(); ++i) {
        ports->setCurrentIndex(i);
        Q_EMIT ports->activated(i);
        Settle();
    }
}
