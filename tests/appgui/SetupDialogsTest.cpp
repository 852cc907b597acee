// The port dialogs and the motor settings dialog through their real widgets, found by their
// control ids: verbatim texts, the checks' messages with the dialog kept open, the pages' edits
// on a working copy, and against a simulated motor Get Motor Info, a serial number written into
// the factory block and a factory settings image loaded.

#include "SetupGui.h"

#include "app/setup/gui/MotorSettingsDlg.h"
#include "app/setup/gui/PortPages.h"
#include "app/shell/gui/DialogWidgets.h"
#include "platform/serial/SerialProbe.h"
#include "core/detect/RS232Chain.h"
#include "core/motor/Motor.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>

#include <map>


TEST_F(SetupGuiTest, PortPropertiesChecksEachEntryAndEditsTheWorkingCopy)
{
    CCommPort net;
    net.Name = "Net";
    net.CommType = COMM_ETHERNET;
    net.id = 0;
    CCommPort port;
    port.id = 1;
    port.Name = "Line";
    port.PortName = "Com2";
    port.BitPerSec = 19200;
    port.Parity = 1;
    port.SetMaxMotors(10);
    for (int a : {2, 6}) {
        auto* m = new CMotor;
        m->Name = "M" + std::to_string(a);
        m->Address = a;
        m->Version = "450";
        port.motors.Add(m);
    }
    port.RebuildAddressTable();
    TwoDevices probe;
    bool checked = false;
    WhenModal([&](QWidget* dlg) {
        checked = true;
        EXPECT_EQ(dlg->windowTitle(), "Port Properties");
        QWidget* general = Id(dlg, 332);
        EXPECT_EQ(Id<QLineEdit>(general, 1023)->text(), "Line");
        EXPECT_TRUE(Id<QRadioButton>(general, 1461)->isChecked());
        EXPECT_EQ(Id<QLabel>(general, 1456)->text(), "Serial Port:");
        EXPECT_EQ(Id<QLabel>(general, 1460)->text(), "Max Motor Address:");
        EXPECT_FALSE(Id<QComboBox>(general, 1209)->isEnabled()) << "RS-232 works on channel 0";
        auto* serial = Id<QComboBox>(general, 1008);
        EXPECT_EQ(serial->currentText(), "Com2");
        EXPECT_EQ(serial->itemText(2), "Com3 (N/A)");
        EXPECT_EQ(Id<QComboBox>(general, 1009)->currentText(), "19200");
        EXPECT_EQ(Id<QComboBox>(general, 1010)->currentText(), "Odd");
        Snapshot(dlg, "port-properties");

        auto* max = Id<QLineEdit>(general, 1000);
        max->setText("500");
        Click(dlg, 1);
        EXPECT_EQ(LastMessage(), "Please enter a value between 1 and 120 for \"Max. Motor Address\".");
        max->setText("5");
        Click(dlg, 1);
        EXPECT_EQ(LastMessage().rfind("The specified \"Max. Motor Address\" is smaller", 0), 0u);
        Id<dialogwidgets::CUpDown>(general, 1030)->Step(1); // the arrows step the typed number
        EXPECT_EQ(max->text(), "6");
        QTest::mouseClick(Id<QRadioButton>(general, 1462), Qt::LeftButton);
        EXPECT_FALSE(serial->isVisible());
        EXPECT_EQ(Id<QLabel>(general, 1456)->text(), "");
        Click(dlg, 1);
        EXPECT_EQ(LastMessage(),
                  "Cannot define more than one Ethernet port. Port \"Net\" is already defined as an Ethernet port.");
        QTest::mouseClick(Id<QRadioButton>(general, 1011), Qt::LeftButton);
        EXPECT_TRUE(Id<QComboBox>(general, 1209)->isEnabled());
        serial->setCurrentIndex(2);
        questions.AnswerMessageBox(ui::IDYES); // use the absent device
        Id<QTabBar>(dlg, 1021)->setCurrentIndex(1);
        QWidget* motors = Id(dlg, 333);
        ASSERT_TRUE(motors->isVisible()) << LastMessage();
        auto* list = Id<QTreeWidget>(motors, 1026);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->headerItem()->text(3), "Scale Factor");
        EXPECT_EQ(list->topLevelItem(1)->text(0), "6");
        Click(motors, 1006);
        EXPECT_EQ(LastMessage(), "Please select an item from the list!");
        list->setCurrentItem(list->topLevelItem(0));
        questions.AnswerMessageBox(ui::IDYES);
        Click(motors, 2005);
        EXPECT_EQ(LastMessage(), "Are you sure you want to delete the selected motor?");
        ASSERT_EQ(list->topLevelItemCount(), 1);

        // Add: a motor settings dialog for a new motor; an address beyond the port's table is refused.
        WhenModal([&](QWidget* settings) {
            EXPECT_EQ(settings->windowTitle(), "Add New Motor");
            EXPECT_FALSE(Id<QPushButton>(settings, 1492)->isVisible());
            Id<QLineEdit>(settings, 1023)->setText("Feeder");
            Id<QLineEdit>(settings, 1025)->setText("7");
            Id<QComboBox>(settings, 1015)->setEditText("450");
            Id<QLineEdit>(settings, 1017)->setText("F12");
            Click(settings, 1);
            EXPECT_EQ(LastMessage(), "Please enter a motor address between 1 and 6!");
            Id<QLineEdit>(settings, 1025)->setText("3");
            Click(settings, 1);
            if (settings->isVisible()) {
                ADD_FAILURE() << "still open: " << LastMessage();
                static_cast<QDialog*>(settings)->reject();
            }
        });
        Click(motors, 2004);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(1)->text(1), "Feeder");
        questions.AnswerMessageBox(ui::IDYES); // OK checks every page again
        Click(dlg, 1);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "still open: " << LastMessage();
            static_cast<QDialog*>(dlg)->reject();
        }
    });
    ASSERT_TRUE(RunPortDialog(nullptr, port, {&net, &port}, false, Services(&probe)));
    EXPECT_TRUE(checked);
    EXPECT_EQ(port.CommType, COMM_RS485);
    EXPECT_EQ(port.PortName, "Com3");
    EXPECT_EQ(port.MaxMotors, 6);
    ASSERT_EQ(port.motors.GetCount(), 2);
    EXPECT_EQ(port.motors.GetAt(0)->Name, "M6");
    EXPECT_EQ(port.GetMotor(3)->Name, "Feeder");
    EXPECT_EQ(port.GetMotor(3)->SerialNumber, (uint32_t('F') << 24) | 12);
    EXPECT_EQ(port.GetMotor(2), nullptr);
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

namespace {

class MotorSettingsOnTheLine : public SetupGuiTest {
protected:
    static constexpr int kBlock = 32468;
    void SetUp() override
    {
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = (uint32_t('T') << 24) | 500;
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true;
        static int n = 0;
        const std::string line = "gui-settings-" + std::to_string(++n);
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(1, p, true), line);
        lineContext.Options().ResponseTimeout = 60;
        port = MakeDetectPort(lineContext, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(std::chrono::seconds(2));
        rig->WithMotor(0, [](vqxsim::SimMotor& m) {
            auto& ee = m.Eeprom();
            ee[kBlock + 5] = 4; // newer class
            ee[kBlock + 60] = 7; // a production date
            uint8_t sum = 0;
            for (int i = 4; i <= 198; ++i)
                sum = static_cast<uint8_t>(sum + ee[kBlock + i]);
            ee[kBlock + 199] = sum;
            return 0;
        });
    }
    std::vector<uint8_t> SimBlock()
    {
        return rig->WithMotor(0, [](vqxsim::SimMotor& m) {
            return std::vector<uint8_t>(m.Eeprom().begin() + kBlock, m.Eeprom().begin() + kBlock + 200);
        });
    }
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    HeadlessDetectServices quiet;
    ui::COperationContext& lineContext = quiet.context;
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
};

} // namespace

TEST_F(MotorSettingsOnTheLine, GetMotorInfoSerialNumberAndFactoryImage)
{
    setup::SetupServices services = Services();
    services.knownVersions = [] { return std::string("400-450@462-"); };
    CMotor motor;
    motor.SetPort(port.get());
    {
        CMotorSettingsDlg dlg(nullptr, motor, services);
        dlg.show();
        auto* version = Id<QComboBox>(&dlg, 1015);
        EXPECT_EQ(version->count(), 3);
        Id<QLineEdit>(&dlg, 1025)->setText("1");
        Click(&dlg, 1019);
        EXPECT_EQ(version->currentText(), "450");
        EXPECT_EQ(Id<QLineEdit>(&dlg, 1017)->text(), "T500");
        EXPECT_EQ(Id<QLineEdit>(&dlg, 1016)->text(), "0.245760");
        EXPECT_FALSE(Id<QLineEdit>(&dlg, 1000)->isEnabled()) << "scaling fields follow the check box";
        Id<QCheckBox>(&dlg, 1220)->click();
        EXPECT_TRUE(Id<QLineEdit>(&dlg, 1000)->isEnabled());
        Id<QLineEdit>(&dlg, 1023)->setText("Lift");
        Snapshot(&dlg, "add-new-motor");
        Click(&dlg, 1);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(motor.Name, "Lift");
    EXPECT_EQ(motor.Version, "450");
    EXPECT_FALSE(motor.UseConversionFactor) << "switched off: the factor is 0";

    // Motor Properties: a new serial number, sent when asked; the rest of the block stays.
    const std::vector<uint8_t> before = SimBlock();
    CMotor copy = motor;
    {
        CMotorSettingsDlg dlg(nullptr, copy, services);
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), "Motor Properties");
        EXPECT_FALSE(Id<QLineEdit>(&dlg, 1025)->isEnabled());
        Id<QLineEdit>(&dlg, 1017)->setText("Q0");
        Click(&dlg, 1);
        EXPECT_EQ(LastMessage(), "Invalid Serial Number.\n\nSerial number must include a character followed by a number "
                                 "between 1 and 16777215.");
        EXPECT_TRUE(dlg.isVisible());
        Id<QLineEdit>(&dlg, 1017)->setText("Q777");
        questions.AnswerMessageBox(ui::IDYES);
        Click(&dlg, 1);
        EXPECT_EQ(LastMessage(), "Do you want to send this information to the motor now?");
    }
    const std::vector<uint8_t> after = SimBlock();
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 44, after.begin() + 48), (std::vector<uint8_t>{'Q', 0, 3, 9}));
    for (size_t i = 0; i < 199; ++i) {
        if (i < 44 || i >= 48) {
            EXPECT_EQ(after[i], before[i]) << i;
        }
    }

    // Factory Settings: a hostile file is refused; this motor's image is loaded.
    const QString file = QString::fromStdString(dir / "motor.adb");
    app.desktop.files = {file, file}; // the hostile file, then the good one
    std::vector<uint8_t> image = after;
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(image.data()), 150); // shorter than its stated 200
    }
    CMotorSettingsDlg dlg(nullptr, copy, services);
    dlg.show();
    ASSERT_TRUE(Id<QPushButton>(&dlg, 1492)->isVisible());
    Click(&dlg, 1492);
    EXPECT_EQ(LastMessage(), "The file specified is not a valid settings file.");
    EXPECT_TRUE(dlg.isVisible());
    image[47] = 8; // Q776
    image[199] = static_cast<uint8_t>(image[199] - 1);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    }
    questions.AnswerMessageBox(ui::IDYES);
    Click(&dlg, 1492);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(SimBlock(), image);
    EXPECT_EQ(copy.SerialNumber, (uint32_t('Q') << 24) | 776);
    ASSERT_EQ(app.desktop.asked.size(), 2u);
    EXPECT_EQ(app.desktop.asked[0].title, QStringLiteral("Open factory settings file"));
    EXPECT_TRUE(questions.ScriptErrors().empty());
}
