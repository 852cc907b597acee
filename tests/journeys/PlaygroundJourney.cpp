// A first drive of a version-5 motor from VQX's own start: the chain is detected, Tools >
// Tessaraxon Playground opens on motor 2 (which holds a user program), Connect saves that program
// and runs the polling program, whose GOSUB9 replies fill the window on the frame's poll timer; the
// user jogs, goes to a position with the slider, runs into a soft limit (its LED lights), clears
// the fault, drives velocity and torque, and closes: the motor holds its own program again, byte
// for byte, and the backup file is gone.

#include "JourneyRig.h"

#include "app/shell/MachineLanguages.h"
#include "app/tools/ProgramBackupStore.h"
#include "app/tools/gui/IconButton.h"
#include "app/tools/gui/ModelPicture.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "app/tools/gui/PlaygroundControls.h"
#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"
#include "scanner/Scanner.h"

#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>

using namespace tools;

namespace {

class PlaygroundJourney : public Journey {
protected:
    template <class W>
    static W* In(QWidget* parent, int id)
    {
        W* w = parent ? parent->findChild<W*>(QString::number(id)) : nullptr;
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    gui::CPlaygroundDlg* Playground() const { return dynamic_cast<gui::CPlaygroundDlg*>(frame->Playground()); }
    int32_t SimPosition() { return Motor(1, [](vqxsim::SimMotor& m) { return int32_t(m.Position()); }); }
    bool SimMoving() { return Motor(1, [](vqxsim::SimMotor& m) { return m.Moving(); }); }
    // Types a command on the playground's Terminal page and sends it.
    void TerminalCommand(gui::CPlaygroundDlg* pg, const QString& text)
    {
        auto* tabs = In<QTabWidget>(pg, pg::kTab);
        const int tab = tabs->currentIndex();
        tabs->setCurrentIndex(3);
        QWidget* page = In<QWidget>(pg, 263);
        auto* edit = In<QLineEdit>(page, CTerminalPage::kEdit);
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::mouseClick(In<QPushButton>(page, CTerminalPage::kSend), Qt::LeftButton);
        tabs->setCurrentIndex(tab);
    }
    // Types a value into a field of the Position page and presses one of its buttons.
    void EnterAndPress(QWidget* jogPage, int field, const QString& value, int button)
    {
        auto* edit = In<QLineEdit>(jogPage, field);
        edit->selectAll();
        QTest::keyClicks(edit, value);
        QTest::mouseClick(In<QPushButton>(jogPage, button), Qt::LeftButton);
    }
    std::string SimProgram()
    {
        return Motor(1, [](vqxsim::SimMotor& m) { return m.Program().Valid() ? m.Program().Body() : std::string("<none>"); });
    }
};

} // namespace

TEST_F(PlaygroundJourney, Motor2ConnectJogLimitFaultVelocityTorqueAndItsProgramBack)
{
    // A version-5 motor of a model whose record has a picture.
    CMotorModels models;
    ASSERT_TRUE(models.Load(platform::AppFolder() + "/" + kModelsFileName));
    JourneyStart start;
    start.motor.firmware = "5xx";
    start.motor.model = "QL5720";
    for (int i = 1; i < models.GetCount(); ++i)
        if (models.Get(i)->Name == start.motor.model)
            start.motor.modelIndex = uint32_t(i);
    ASSERT_NE(start.motor.modelIndex, 0u);
    // The user turned on "Download Polling Program for Tessaraxon Playground" in an earlier session.
    platform::AppProfile().WriteInt("OptionBoxes", "DownloadPollProgram", 1);
    ASSERT_TRUE(Start(start));

    // Motor 2 holds the user's own program, compiled for its firmware.
    CScanner compiler;
    compiler.SetRegistry(std::make_shared<shell::CMachineLanguages>(CScanner::MachineRegistry(),
                                                                    [] { return platform::AppFolder(); }));
    compiler.Scan("a=123\nb=a+1\nPRINT(\"user\",#13)\nEND\n", "5xx");
    const std::string userImage = compiler.CompiledImage();
    Motor(1, [&](vqxsim::SimMotor& m) {
        m.Program().Load(userImage);
        return 0;
    });
    const std::string userProgram = SimProgram();
    ASSERT_NE(userProgram.find("user"), std::string::npos) << userProgram;

    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(TypeAndWait("2RP", "0")); // motor 2 becomes the terminal's target

    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    gui::CPlaygroundDlg* pg = Playground();
    ASSERT_NE(pg, nullptr);
    EXPECT_TRUE(pg->isVisible());
    EXPECT_EQ(pg->windowTitle(), QStringLiteral("Tessaraxon Playground"));
    auto* motors = In<QComboBox>(pg, pg::kMotorList);
    ASSERT_EQ(motors->count(), 3);
    EXPECT_EQ(motors->currentIndex(), 1);
    // The address, its number at 20 points bold; version and model at 9.5 points bold.
    QTextDocument address;
    address.setHtml(In<QLabel>(pg, pg::kAddress)->text());
    EXPECT_EQ(layoutcheck::RichPlain(In<QLabel>(pg, pg::kAddress)->text()), QStringLiteral("ADDR:\n2"));
    QTextFragment last;
    for (auto it = address.lastBlock().begin(); !it.atEnd(); ++it)
        last = it.fragment();
    EXPECT_EQ(last.text(), QStringLiteral("2"));
    const QTextCharFormat number = last.charFormat();
    EXPECT_EQ(number.fontPointSize(), 20);
    EXPECT_EQ(number.fontWeight(), QFont::Bold);
    EXPECT_EQ(In<QLabel>(pg, pg::kVersion)->text(), QStringLiteral("Ver: 5xx"));
    EXPECT_TRUE(In<QLabel>(pg, pg::kModel)->font().bold());
    EXPECT_EQ(In<QLabel>(pg, pg::kModel)->font().pointSizeF(), 9.5);
    // The model's picture with its five lamps, grey until connected.
    auto* picture = In<CModelPictureView>(pg, 1356);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->isVisible());
    EXPECT_EQ(picture->Leds().Count(), 5);
    EXPECT_EQ(picture->Shown().pixelColor(25, 75), QColor(0xC0, 0xC0, 0xC0)); // lamp 0 at 20,70
    Snapshot(pg, QStringLiteral("playground-journey-chosen"));

    // Connect: the polling program is announced, the user's program saved, the polling program
    // downloaded and run; GOSUB9 replies then light the window.
    const std::string backup = CProgramBackupStore("PGM", CProgramBackupStore::DefaultFolder()).FileFor(0, 2);
    AutoAnswer("A polling program will be downloaded", "OK");
    QTest::mouseClick(In<QPushButton>(pg, pg::kConnect), Qt::LeftButton);
    ASSERT_TRUE(pg->Form().Connected());
    EXPECT_TRUE(pg->Form().UsePollingProgram());
    EXPECT_TRUE(std::filesystem::exists(backup)) << backup;
    EXPECT_EQ(Motor(1, [](vqxsim::SimMotor& m) { return m.Behaviour(); }), "poll");
    EXPECT_TRUE(WaitFor([&] { return pg->Form().LinkState() == 1; }));
    EXPECT_EQ(In<gui::CIconButton>(pg, pg::kLink)->State(), 1); // the link picture: answered
    EXPECT_TRUE(WaitFor([&] { return picture->Shown().pixelColor(25, 75) == QColor(0, 255, 0); })); // power lamp
    EXPECT_GT(Motor(1, [](vqxsim::SimMotor& m) {
                  int n = 0;
                  for (const std::string& c : m.CommandLog())
                      n += c == "GOSUB9";
                  return n;
              }),
              0);

    // The soft limits well out of the way (the playground enabled them on connecting).
    TerminalCommand(pg, QStringLiteral("SLN=-200000"));
    TerminalCommand(pg, QStringLiteral("SLP=200000"));

    // A brisker jog speed, applied from the page.
    QWidget* jogPage = In<QWidget>(pg, 260);
    EnterAndPress(jogPage, CJogPage::kVelocity, QStringLiteral("1000"), CJogPage::kApply);

    // Jog forwards while the button is held, then back.
    auto* position = In<QLineEdit>(jogPage, CJogPage::kCurrent);
    auto* forward = In<QWidget>(jogPage, CJogPage::kR);
    auto* back = In<QWidget>(jogPage, CJogPage::kL);
    QTest::mousePress(forward, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return SimPosition() > 2000; }, 15000)) << SimPosition();
    QTest::mouseRelease(forward, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !SimMoving(); }, 15000));
    const int32_t jogged = SimPosition();
    EXPECT_TRUE(WaitFor([&] { return position->text() == QString::number(jogged); })) << position->text().toStdString();
    // The destination followed the motor to where it stopped after the jog was let go.
    EXPECT_EQ(In<QLineEdit>(jogPage, CJogPage::kDestination)->text(), QString::number(jogged));
    QTest::mousePress(back, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return SimPosition() < jogged - 1000; }, 15000)) << SimPosition();
    QTest::mouseRelease(back, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !SimMoving(); }, 15000));

    // The slider to its left end: the motor goes to the left limit and the field follows it.
    auto* slider = In<QSlider>(jogPage, CJogPage::kSlider);
    slider->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_TRUE(WaitFor([&] { return SimPosition() == -100000 && position->text() == QStringLiteral("-100000"); }, 30000))
        << SimPosition() << " shown " << position->text().toStdString();
    Snapshot(pg, QStringLiteral("playground-journey-position"));

    // A soft limit at 3000 (typed on the Terminal page): going to 8000 stops there and lights its
    // LED; the next move asks to clear the fault, and clearing it puts the LED out.
    TerminalCommand(pg, QStringLiteral("SLP=3000"));
    EnterAndPress(jogPage, CJogPage::kDestination, QStringLiteral("8000"), CJogPage::kGo);
    auto* softLed = In<gui::LedButton>(pg, pg::kStatusLed0 + 20);
    EXPECT_TRUE(WaitFor([&] { return pg->Form().StatusLed(20) == 1 && softLed->State() == 1; }, 30000))
        << SimPosition();
    EXPECT_TRUE(Motor(1, [](vqxsim::SimMotor& m) { return m.Flag("Sr"); }));
    EXPECT_LE(SimPosition(), 3100);
    EXPECT_EQ(softLed->toolTip(), QStringLiteral("Position>Positive Soft Limit Occurred"));
    Snapshot(pg, QStringLiteral("playground-journey-soft-limit"));
    QString question;
    Answer(
        [&](QWidget* w) {
            question = w->findChild<QLabel*>() ? w->findChild<QLabel*>()->text() : QString();
            for (QRadioButton* r : w->findChildren<QRadioButton*>())
                if (layoutcheck::Plain(r->text()) == QStringLiteral("Clear Fault")) {
                    r->setChecked(true);
                    for (QPushButton* b : w->findChildren<QPushButton*>())
                        if (layoutcheck::Plain(b->text()) == QStringLiteral("OK"))
                            b->click();
                    return;
                }
            ADD_FAILURE() << "no Clear Fault answer";
            Decline(w);
        },
        QStringLiteral("playground-journey-fault-question"));
    QTest::mouseClick(In<QPushButton>(jogPage, CJogPage::kGo), Qt::LeftButton);
    EXPECT_EQ(question, QStringLiteral("Right software limit encountered."));
    EXPECT_TRUE(WaitFor([&] { return !Motor(1, [](vqxsim::SimMotor& m) { return m.Flag("Sr"); }); }));
    EXPECT_TRUE(WaitFor([&] { return softLed->State() != 1; })) << softLed->State();
    TerminalCommand(pg, QStringLiteral("SLP=200000")); // out of the way again

    auto* tabs = In<QTabWidget>(pg, pg::kTab);

    // Velocity: the slider half way forward runs the motor forwards; let go, it stops.
    tabs->setCurrentIndex(1);
    QWidget* velocityPage = In<QWidget>(pg, 261);
    auto* vslider = In<QSlider>(velocityPage, CVelocityPage::kSlider);
    vslider->setSliderDown(true);
    vslider->setSliderPosition(50);
    EXPECT_TRUE(WaitFor([&] { return Motor(1, [](vqxsim::SimMotor& m) { return m.Velocity(); }) > 0; }, 15000));
    const int32_t running = SimPosition();
    EXPECT_TRUE(WaitFor([&] { return SimPosition() > running + 1000; }, 15000));
    vslider->setSliderDown(false);
    EXPECT_TRUE(WaitFor([&] { return !SimMoving(); }, 15000));
    // The first slider move sent the acceleration read at activation again, before its speed.
    const auto log = Motor(1, [](vqxsim::SimMotor& m) { return m.CommandLog(); });
    const auto mv = std::find(log.rbegin(), log.rend(), std::string("MV"));
    ASSERT_NE(mv, log.rend());
    std::vector<std::string> afterMv(mv.base(), log.end());
    const auto firstA = std::find_if(afterMv.begin(), afterMv.end(), [](const std::string& c) { return c.rfind("A=", 0) == 0; });
    const auto firstV = std::find_if(afterMv.begin(), afterMv.end(), [](const std::string& c) { return c.rfind("V=", 0) == 0 && c != "V=0"; });
    ASSERT_NE(firstV, afterMv.end());
    EXPECT_LT(firstA, firstV) << ::testing::PrintToString(afterMv);

    // Torque: the slider down drives it backwards; let go, it stops.
    tabs->setCurrentIndex(2);
    QWidget* torquePage = In<QWidget>(pg, 262);
    auto* tslider = In<QSlider>(torquePage, CTorquePage::kSlider);
    tslider->setSliderDown(true);
    tslider->setSliderPosition(tslider->maximum());
    const int32_t before = SimPosition();
    EXPECT_TRUE(WaitFor([&] { return SimPosition() < before - 1000; }, 15000)) << SimPosition();
    EXPECT_TRUE(Motor(1, [](vqxsim::SimMotor& m) { return m.Motion().Mode() == vqxsim::DriveMode::Torque; }));
    tslider->setSliderDown(false);
    EXPECT_TRUE(WaitFor([&] { return !SimMoving(); }, 15000));
    Snapshot(pg, QStringLiteral("playground-journey-torque"));

    // F1: the playground's page of the guide.
    desktop.helpPages.clear();
    QTest::keyClick(In<QLineEdit>(jogPage, CJogPage::kVelocity), Qt::Key_F1);
    ASSERT_EQ(desktop.helpPages.size(), 1u);
    EXPECT_TRUE(desktop.helpPages[0].first.ends_with("/help/VQXUsersGuide/Tools/Playground.htm")) << desktop.helpPages[0].first;
    EXPECT_TRUE(std::filesystem::exists(desktop.helpPages[0].first)) << desktop.helpPages[0].first;

    // Close: the user's program is back in the motor, byte for byte, and its backup is gone.
    QTest::mouseClick(In<QPushButton>(pg, pg::kShowMain), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return Playground() == nullptr; }));
    EXPECT_EQ(SimProgram(), userProgram);
    EXPECT_EQ(Motor(1, [](vqxsim::SimMotor& m) { return m.Behaviour(); }), "");
    EXPECT_FALSE(std::filesystem::exists(backup));
}

TEST_F(PlaygroundJourney, PlayModeDetectsTheChainConnectsAndClosingEndsTheProgram)
{
    JourneyStart start;
    start.chainProject = false;
    start.arguments = {QStringLiteral("-Play")};
    ASSERT_TRUE(Start(start));
    gui::CPlaygroundDlg* pg = Playground();
    ASSERT_NE(pg, nullptr);
    EXPECT_TRUE(pg->isVisible());
    EXPECT_FALSE(frame->isVisible()); // the playground is the program's only window
    EXPECT_EQ(In<QPushButton>(pg, pg::kShowMain)->text(), QStringLiteral("Close"));

    // The chain's port, whose motors nobody has detected yet: Detect Motors finds them and connects.
    auto* ports = In<QComboBox>(pg, pg::kPortList);
    // Listed by the name the project shows for a pseudo-terminal ("pts/<n>"), never its raw path.
    const QString path = QString::fromStdString(rig->DevicePath());
    EXPECT_EQ(ports->findText(path), -1);
    const int chain = ports->findText(path.section(QLatin1Char('/'), -2));
    ASSERT_GE(chain, 0) << "ports listed: " << ports->count();
    EXPECT_GE(ports->itemData(chain).toInt(), 0); // the default project's port on the chain's line
    EXPECT_EQ(ports->currentIndex(), chain) << "the port VQX was started with is chosen, not the machine's first";
    auto* detect = In<QPushButton>(pg, pg::kDetect);
    EXPECT_TRUE(detect->isVisible());
    EXPECT_TRUE(detect->isEnabled());
    AutoAnswer("The operation finished successfully.", "OK");
    QTest::mouseClick(detect, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return pg->Form().Connected(); }, 60000));
    EXPECT_EQ(In<QComboBox>(pg, pg::kMotorList)->count(), 3);
    EXPECT_EQ(layoutcheck::RichPlain(In<QLabel>(pg, pg::kAddress)->text()), QStringLiteral("ADDR:\n1"));
    EXPECT_FALSE(pg->Form().UsePollingProgram()); // the option is off: the fixed cycle
    // A motor whose model the table lacks shows the plain picture with its two lamps.
    auto* picture = In<CModelPictureView>(pg, 1356);
    EXPECT_TRUE(picture->isVisible());
    EXPECT_TRUE(picture->HasPicture());
    EXPECT_EQ(picture->Leds().Count(), 2);
    Settle(); // the window takes the size its new texts need
    Snapshot(pg, QStringLiteral("playground-journey-play-mode"));

    // Go to 1500: the motor goes there and the field follows it on the frame's poll timer.
    QWidget* jogPage = In<QWidget>(pg, 260);
    EnterAndPress(jogPage, CJogPage::kDestination, QStringLiteral("1500"), CJogPage::kGo);
    auto* position = In<QLineEdit>(jogPage, CJogPage::kCurrent);
    EXPECT_TRUE(WaitFor(
        [&] {
            return Motor(0, [](vqxsim::SimMotor& m) { return m.Position(); }) == 1500 &&
                   position->text() == QStringLiteral("1500");
        },
        30000))
        << position->text().toStdString();

    // Stop is a picture button; it stops the motor.
    auto* stop = In<gui::CIconButton>(pg, pg::kStop);
    EXPECT_TRUE(stop->text().isEmpty());
    EXPECT_EQ(stop->toolTip(), QStringLiteral("Stop the selected motor"));
    auto sent = [this](const std::string& command) {
        return Motor(0, [&](vqxsim::SimMotor& m) {
            const auto log = m.CommandLog();
            return int(std::count(log.begin(), log.end(), command));
        });
    };
    const int stops = sent("S");
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_EQ(sent("S"), stops + 1);

    // Close: the motor is stopped ("S"), a program in it is left running (no "END"), the
    // playground goes and the main window is asked to close with it.
    const int ends = sent("END"), stopsBefore = sent("S");
    QTest::mouseClick(In<QPushButton>(pg, pg::kShowMain), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return Playground() == nullptr && !frame->isVisible(); }));
    EXPECT_FALSE(Motor(0, [](vqxsim::SimMotor& m) { return m.Moving(); }));
    EXPECT_EQ(sent("END"), ends);
    EXPECT_EQ(sent("S"), stopsBefore + 1);
}

TEST_F(PlaygroundJourney, CalibrationFaultLampOfA462MotorWithThePollingProgram)
{
    // 462 firmware, whose calibration fault flag the status word lacks: the polling program the
    // playground compiles and downloads reports it, and the "Bn" lamp follows the motor.
    JourneyStart start;
    start.motor.firmware = "462";
    platform::AppProfile().WriteInt("OptionBoxes", "DownloadPollProgram", 1);
    ASSERT_TRUE(Start(start));
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 1) != nullptr; }, 60000));
    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    gui::CPlaygroundDlg* pg = Playground();
    ASSERT_NE(pg, nullptr);
    ASSERT_NE(pg->Form().Motor(), nullptr);
    const int motor = pg->Form().Motor()->Address - 1;
    auto* label = In<QLabel>(pg, pg::kStatusLabel0 + 16);
    auto* lamp = In<gui::LedButton>(pg, pg::kStatusLed0 + 16);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Bn:  Calibration Fault"));

    AutoAnswer("A polling program will be downloaded", "OK");
    AutoAnswer("Do you want to clear EEPROM and continue?", "Yes");
    QTest::mouseClick(In<QPushButton>(pg, pg::kConnect), Qt::LeftButton);
    ASSERT_TRUE(pg->Form().Connected());
    ASSERT_TRUE(pg->Form().UsePollingProgram());
    EXPECT_EQ(Motor(motor, [](vqxsim::SimMotor& m) { return m.Behaviour(); }), "poll");
    // The flag's first report, then the status word of the next poll.
    EXPECT_TRUE(WaitFor([&] { return lamp->State() == 0 && pg->Form().StatusLed(7) == 0; })) << lamp->State();
    for (bool fault : {true, false}) {
        Motor(motor, [fault](vqxsim::SimMotor& m) {
            m.SetFlag("Bn", fault);
            return 0;
        });
        EXPECT_TRUE(WaitFor([&] { return lamp->State() == int(fault) && label->font().bold() == fault; })) << fault;
        // The status word goes on lighting its own lamps (servo on), the flag's lamp stays.
        EXPECT_TRUE(WaitFor([&] { return pg->Form().StatusLed(7) == 0; }));
        EXPECT_EQ(lamp->State(), int(fault));
    }
    QTest::mouseClick(In<QPushButton>(pg, pg::kShowMain), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return Playground() == nullptr; }));
}
