// Set Motor Address against a simulated RS-232 chain: the dialog lists the free addresses, OK
// stores the new address in the motor's EEPROM and gives it with SADDR, the port's table and the
// generated name follow; a communication error says so and moves nothing.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/shell/gui/QtQuestions.h"
#include "app/shell/gui/ReaddressDlg.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/RS232Chain.h"
#include "core/settings/Options.h"
#include "core/motor/Motor.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

class ReaddressTest : public GuiTest {
protected:
    void SetUp() override
    {
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = ('T' << 24) | 500;
        p.channel[0].baud = p.channel[1].baud = 9600;
        static int n = 0;
        const std::string name = "gui-readdress-" + std::to_string(++n);
        auto profiles = vqxsim::MakeProfiles(3, p, true);
        profiles[2].address = 4; // motors at 1, 2 and 4
        rig = vqxsim::FakeLineRig::Chain(profiles, name);
        context.Options().ResponseTimeout = 60;
        dialogs.SetQuestions(&questions);
        port = MakeDetectPort(context, name, "Line", 1, COMM_RS232, 9600);
        port->SetMaxMotors(5);
        ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
        ASSERT_EQ(port->motors.GetCount(), 3);
    }
    CMotor* MotorAt(int address) { return port->GetMotor(address); }
    int SimAddress(size_t i) { return rig->WithMotor(i, [](vqxsim::SimMotor& m) { return m.Address(); }); }
    int SimStored(size_t i) { return rig->WithMotor(i, [](vqxsim::SimMotor& m) { return int(m.Eeprom()[32262]); }); }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    ui::COperationContext context; // quiet seams for the detection
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    bridge::QtQuestions questions;
    // The dialog's own context: the real question boxes (set in SetUp), and Help recorded.
    ui::COperationContext dialogs;
    TestAppContext app{dialogs};
};

TEST_F(ReaddressTest, OkGivesTheMotorItsNewAddress)
{
    CMotor* motor = MotorAt(2);
    ASSERT_NE(motor, nullptr);
    EXPECT_EQ(motor->Name, "Motor2-Line");
    bool polling = true;
    int changes = 0;
    CReaddressDlg dlg(nullptr, app.context, *port, *motor);
    dlg.pollingAllowed = &polling;
    dlg.changed = [&] { ++changes; };
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Set Motor Address");
    EXPECT_TRUE(dlg.Text()->text().startsWith("Motor Name: Motor2-Line\nSerial Number:T"));
    EXPECT_TRUE(dlg.Text()->text().endsWith("\nCurrent Address:2"));
    QStringList items;
    for (int i = 0; i < dlg.Addresses()->count(); ++i)
        items << dlg.Addresses()->itemText(i);
    EXPECT_EQ(items, (QStringList{"2", "3", "5"}));
    EXPECT_EQ(dlg.Addresses()->currentText(), "2");
    Snapshot(&dlg, "set-motor-address");

    dlg.Addresses()->setCurrentIndex(2);
    QTest::mouseClick(dlg.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(SimAddress(1), 5);
    EXPECT_EQ(SimStored(1), 5);
    EXPECT_EQ(motor->Address, 5);
    EXPECT_EQ(motor->Name, "Motor5-Line");
    EXPECT_EQ(MotorAt(5), motor);
    EXPECT_EQ(MotorAt(2), nullptr);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(polling);
    EXPECT_EQ(port->Query("RBe", 5), "0") << "the motor answers at its new address";
}

TEST_F(ReaddressTest, AUserNameIsKeptAndAnErrorMovesNothing)
{
    CMotor* motor = MotorAt(1);
    motor->Name = "Spindle";
    {
        CReaddressDlg dlg(nullptr, app.context, *port, *motor);
        dlg.show();
        dlg.Addresses()->setCurrentText("3");
        QTest::mouseClick(dlg.findChild<QPushButton*>("1"), Qt::LeftButton);
    }
    EXPECT_EQ(motor->Address, 3);
    EXPECT_EQ(motor->Name, "Spindle");
    EXPECT_EQ(SimAddress(0), 3);

    // A mute motor: the message, and nothing moved.
    CMotor* other = MotorAt(4);
    rig->WithMotor(2, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    // The dialog's message goes through the shell's boxes.
    bool polling = true;
    CReaddressDlg dlg(nullptr, app.context, *port, *other);
    dlg.pollingAllowed = &polling;
    dlg.show();
    dlg.Addresses()->setCurrentText("5");
    std::string message;
    WhenModal([&](QWidget* box) {
        message = box->findChild<QLabel*>("1069")->text().toStdString();
        QTest::mouseClick(box->findChild<QPushButton*>("1110"), Qt::LeftButton);
    });
    QTest::mouseClick(dlg.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(message.rfind("Cannot set new address for the motor 'Motor4-Line': ", 0), 0u) << message;
    EXPECT_EQ(other->Address, 4);
    EXPECT_EQ(MotorAt(4), other);
    EXPECT_TRUE(polling) << "set again after the error";
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}
