// Tuning a motor from VQX's own start: the chain is detected, Tools > Tuner opens on the
// terminal's motor and shows the gains the motor holds; a mode 1 run downloads the generated
// program into the simulated motor, records its sample lines and draws them; new gains are applied
// and saved; the run is saved as a tuning file and read back; closing the tuner puts the user's
// own program back into the motor byte for byte. A second journey runs modes 2 and 3, cancels a
// run, and takes the motor away under the tuner.

#include "JourneyRig.h"

#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/tuning/gui/TunerDlg.h"
#include "app/tuning/TuningSettings.h"
#include "core/ui/Progress.h"
#include "scanner/Scanner.h"

#include <QClipboard>
#include <QRadioButton>
#include <QTimer>

#include <fstream>
#include <QCheckBox>
#include <QFileDialog>
#include <QTableWidget>
#include <QToolBar>

using namespace tuning;
using tuning::gui::CTunerDlg;

namespace {

std::string Compiled(const std::string& source)
{
    CScanner scanner;
    scanner.Scan(source, "450");
    return scanner.CompiledImage();
}

class TunerJourney : public Journey {
protected:
    JourneyStart WithUserProgram()
    {
        JourneyStart start;
        start.motor.program = Compiled("a=123\nb=a+1\nPRINT(\"user\",#13)\nEND\n");
        return start;
    }
    bool Detect()
    {
        AutoAnswer("The operation finished successfully.", "OK");
        if (!Command(cmd::ID_FIND_MOTORS))
            return false;
        return WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000);
    }
    CTunerDlg* Tuner() const { return dynamic_cast<CTunerDlg*>(frame->Tuner()); }
    std::string Body(int motor)
    {
        return Motor(motor, [](vqxsim::SimMotor& m) { return m.Program().Body(); });
    }
    int64_t Value(int motor, const char* name)
    {
        return Motor(motor, [name](vqxsim::SimMotor& m) { return int64_t(m.Values()[name]); });
    }
    // The file dialog that opens next gets `path`.
    void ChooseFile(const std::string& path)
    {
        WhenModal([=](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            if (!fd) {
                ADD_FAILURE() << "not a file dialog";
                w->close();
                return;
            }
            fd->selectFile(QString::fromStdString(path));
            QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
        });
    }
    template <class W>
    static W* Control(QWidget* in, int id)
    {
        return in->findChild<W*>(QString::number(id));
    }
    static QWidget* Page(CTunerDlg* t, int index) { return Control<QTabWidget>(t, tuner::kTab)->widget(index); }
    static void Edit(QWidget* page, int id, const QString& text)
    {
        auto* e = Control<QLineEdit>(page, id);
        ASSERT_NE(e, nullptr) << id;
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    static QString ListCell(CTunerDlg* t, int row, int column)
    {
        QTableWidgetItem* item = Control<QTableWidget>(t, tuner::kList)->item(row, column);
        return item ? item->text() : QString();
    }
    // The next question is answered Yes; its text goes to m_asked.
    void AnswerYes()
    {
        m_asked.clear();
        Answer([this](QWidget* w) {
            for (QLabel* l : w->findChildren<QLabel*>())
                m_asked += l->text();
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->isVisible() && layoutcheck::Plain(b->text()) == QStringLiteral("Yes")) {
                    b->click();
                    return;
                }
            ADD_FAILURE() << "no Yes in " << m_asked.toStdString();
            Decline(w);
        });
    }
    QString m_asked;
    // What motor `motor` took in since `mark` (its log's length then), and the new length.
    std::vector<std::string> CommandsSince(int motor, size_t& mark)
    {
        const auto log = Motor(motor, [](vqxsim::SimMotor& m) { return m.CommandLog(); });
        // The log keeps its last 1000 commands: a longer stretch could not be told apart.
        EXPECT_LT(log.size(), 1000u);
        std::vector<std::string> since(log.begin() + std::ptrdiff_t(std::min(mark, log.size())), log.end());
        mark = log.size();
        return since;
    }
    static size_t Count(const std::vector<std::string>& commands, const std::string& c)
    {
        return size_t(std::count(commands.begin(), commands.end(), c));
    }
};

} // namespace

TEST_F(TunerJourney, ModeOneRunGainsFileAndTheUsersProgramBack)
{
    ASSERT_TRUE(Start(WithUserProgram()));
    ASSERT_TRUE(Detect());
    EXPECT_TRUE(TypeAndWait("1RP", "0")); // motor 1 becomes the terminal's target
    const std::string before = Body(0);
    ASSERT_NE(before.find("user"), std::string::npos);
    Motor(0, [](vqxsim::SimMotor& m) { m.Values()["KP"] = 321; });

    ASSERT_TRUE(Enabled(cmd::ID_TUNER));
    ASSERT_TRUE(Command(cmd::ID_TUNER));
    CTunerDlg* t = Tuner();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->isVisible());
    EXPECT_TRUE(OverWorkArea(t));
    EXPECT_EQ(t->windowTitle(), QStringLiteral("Tuning"));
    // The toolbar: five pictures, each with its command's prompt as its tip.
    auto* toolbar = t->findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    QStringList tips;
    for (QAction* a : toolbar->actions()) {
        EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << a->text().toStdString();
        tips << a->toolTip();
    }
    EXPECT_EQ(tips, (QStringList{"Open an VQX Tuning File", "Save to an VQX Tuning File", "Copy data to the clipboard",
                                 "Copy image to the clipboard", "Run Tuning"}));
    EXPECT_EQ(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    // F1 opens the window's page of the guide.
    desktop.helpPages.clear();
    QTest::keyClick(Control<QTabWidget>(t, tuner::kTab), Qt::Key_F1);
    ASSERT_EQ(desktop.helpPages.size(), 1u);
    EXPECT_TRUE(desktop.helpPages[0].first.ends_with("/VQXUsersGuide/Tools/Tuner/TuningWindow.htm"))
        << desktop.helpPages[0].first;
    EXPECT_TRUE(std::filesystem::exists(desktop.helpPages[0].first));
    // The statistics list: its rows' pictures, its columns at least as wide as laid out.
    auto* list = Control<QTableWidget>(t, tuner::kList);
    EXPECT_FALSE(list->item(0, 0)->icon().isNull());
    EXPECT_FALSE(list->item(1, 0)->icon().isNull());
    EXPECT_NE(list->item(0, 0)->icon().pixmap(16, 16).toImage(), list->item(1, 0)->icon().pixmap(16, 16).toImage());
    const int widths[] = {100, 50, 60, 50, 60};
    for (int c = 0; c < 5; ++c)
        EXPECT_GE(list->columnWidth(c), widths[c]) << c;
    EXPECT_LT(list->columnWidth(1), 70) << "no wider than its header needs";
    EXPECT_EQ(Control<QLabel>(t, tuner::kMotorName)->text(), QStringLiteral("Motor1-Chain"));
    // The gains the motor holds, in both columns; a fresh profile's settings.
    QWidget* values = Page(t, 2);
    EXPECT_EQ(Control<QLineEdit>(values, CTuningValuesForm::kMotor0)->text(), QStringLiteral("321"));
    EXPECT_EQ(Control<QLineEdit>(values, CTuningValuesForm::kNew0)->text(), QStringLiteral("321"));
    QWidget* settings = Page(t, 1);
    EXPECT_EQ(Control<QLineEdit>(settings, CTuningSettingsForm::kSpeed)->text(), QStringLiteral("1000000"));
    EXPECT_EQ(ListCell(t, 0, 1), QStringLiteral("N/A"));
    Control<QTabWidget>(t, tuner::kTab)->setCurrentIndex(1);
    Snapshot(t, QStringLiteral("tuner-settings"));

    // Mode 1 at the motor's pace: 1000 ms, offset 500, velocity 100000, the error polled, 38400.
    Edit(settings, CTuningSettingsForm::kSpeed, QStringLiteral("100000"));
    Edit(settings, CTuningSettingsForm::kAcceleration, QStringLiteral("1000"));
    const ProgramRunPlan plan = PlanProgramRun(t->Form().settings, 38400);
    size_t mark = 0;
    CommandsSince(0, mark);
    QTest::mouseClick(Control<QPushButton>(t, tuner::kRun), Qt::LeftButton);
    // The first run reads the motor's identity once: the program's backup takes the serial
    // number from that read.
    const std::vector<std::string> firstRun = CommandsSince(0, mark);
    EXPECT_EQ(Count(firstRun, "RSP"), 1u);
    EXPECT_EQ(Count(firstRun, "UPLOAD"), 1u);
    const RunOutcome& run = t->Form().lastRun;
    ASSERT_TRUE(run.ran);
    EXPECT_EQ(run.rejected, 0);
    EXPECT_EQ(run.overflow, 0);
    EXPECT_EQ(run.capacity, plan.capacity);
    // The simulated line carries 2W + 1 characters a line: between the expected count and the room.
    EXPECT_GE(run.count, plan.expected * 9 / 10);
    EXPECT_LE(run.count, plan.capacity);
    const int count = t->Form().count;
    EXPECT_EQ(count, run.count);
    // The samples follow the motor: from its start to the offset, with the error it had.
    EXPECT_EQ(t->Form().position.At(0), 0);
    EXPECT_EQ(t->Form().position.Max, 500);
    EXPECT_EQ(t->Form().position.At(count - 1), 500);
    EXPECT_GT(t->Form().posError.Max - t->Form().posError.Min, 0);
    EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Position(); }), 500);
    // Everything put back: all motors awake, the target off, its variables as they were, 9600.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(Motor(i, [](vqxsim::SimMotor& m) { return m.Asleep(0); })) << i;
    EXPECT_FALSE(Motor(0, [](vqxsim::SimMotor& m) { return m.ServoOn(); }));
    EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Var("z"); }), 0);
    EXPECT_TRUE(TypeAndWait("2RP", "0")); // the chain answers at its own rate again
    // The chart and the list show the run.
    EXPECT_EQ(ListCell(t, 0, 3), QStringLiteral("500"));
    EXPECT_NE(ListCell(t, 1, 1), QStringLiteral("N/A"));
    const QImage chart = t->ChartImage();
    int blue = 0, red = 0;
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x) {
            const QRgb p = chart.pixel(x, y);
            blue += p == qRgb(0, 0, 255);
            red += p == qRgb(255, 0, 0);
        }
    EXPECT_GT(blue, 100);
    EXPECT_GT(red, 100);
    Control<QTabWidget>(t, tuner::kTab)->setCurrentIndex(0);
    Snapshot(t, QStringLiteral("tuner-after-run"));

    // Copy Data: one line per sample with its time.
    t->OnCommand(tuner::kCmdCopyData);
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), count + 1);
    EXPECT_EQ(lines[0], QStringLiteral("Time\tPosition\tPosError"));
    EXPECT_TRUE(lines.back().startsWith(QString::number(int64_t(count - 1) * 1000 / count) + "\t500\t"));

    // New gains: applied, the motor holds them, the Motor column shows them; saved as defaults.
    Control<QTabWidget>(t, tuner::kTab)->setCurrentIndex(2);
    Edit(values, CTuningValuesForm::kNew0, QStringLiteral("300"));
    Edit(values, CTuningValuesForm::kNew0 + 2, QStringLiteral("1200"));
    QTest::mouseClick(Control<QPushButton>(values, CTuningValuesForm::kApply), Qt::LeftButton);
    EXPECT_EQ(Value(0, "KP"), 300);
    EXPECT_EQ(Value(0, "KD"), 1200);
    EXPECT_EQ(Control<QLineEdit>(values, CTuningValuesForm::kMotor0)->text(), QStringLiteral("300"));
    QTest::mouseClick(Control<QPushButton>(values, CTuningValuesForm::kSaveValues), Qt::LeftButton);
    EXPECT_EQ(platform::AppProfile().GetInt(kTunerSection, "KP", 0), 300);
    Snapshot(t, QStringLiteral("tuner-values"));

    // Save (no file yet: Save As), then the file read back into the window.
    const std::string path = dir / "run1.stf";
    ChooseFile(path);
    t->OnCommand(tuner::kCmdSave);
    ASSERT_TRUE(std::filesystem::exists(path));
    const std::vector<int32_t> samples = t->Form().position.Items();
    t->Form().position.SetSize(0);
    t->Form().count = 0;
    ChooseFile(path);
    t->OnCommand(tuner::kCmdOpen);
    EXPECT_EQ(t->Form().count, count);
    EXPECT_EQ(t->Form().position.Items(), samples);
    EXPECT_EQ(ListCell(t, 0, 3), QStringLiteral("500"));

    // A run that fails before it samples (its move program is not there) leaves no samples
    // behind: the list shows none, and Copy Data copies nothing.
    Control<QRadioButton>(Page(t, 0), modepage::kMode2)->click();
    Edit(settings, CTuningSettingsForm::kMoveProgram, QString::fromStdString(dir / "missing.tqx"));
    QString failure;
    Answer([&](QWidget* w) {
        for (QLabel* l : w->findChildren<QLabel*>())
            failure += l->text();
        Decline(w);
    });
    QTest::mouseClick(Control<QPushButton>(t, tuner::kRun), Qt::LeftButton);
    EXPECT_TRUE(failure.contains(QStringLiteral("Cannot open the file specified!"))) << failure.toStdString();
    EXPECT_FALSE(t->Form().lastRun.ran);
    EXPECT_EQ(t->Form().count, 0);
    EXPECT_EQ(ListCell(t, 0, 1), QStringLiteral("N/A"));
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    t->OnCommand(tuner::kCmdCopyData);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));

    // Closing: the settings kept, the user's program back in the motor as it was. Only the
    // serial number is asked before it goes back, then "OFF" and the download, nothing after.
    CommandsSince(0, mark);
    t->close();
    EXPECT_TRUE(WaitFor([&] { return Tuner() == nullptr; }));
    const std::vector<std::string> restore = CommandsSince(0, mark);
    EXPECT_EQ(Count(restore, "RSP"), 0u);
    EXPECT_EQ(Count(restore, "EPTR=32256"), 1u);
    const auto load = std::find(restore.begin(), restore.end(), "LOAD");
    ASSERT_NE(load, restore.end());
    EXPECT_NE(std::find(restore.begin(), load, "OFF"), load);
    EXPECT_EQ(std::find_if(load, restore.end(), [](const std::string& c) { return c == "MP" || c.starts_with("P="); }),
              restore.end());
    EXPECT_EQ(Body(0), before);
    EXPECT_EQ(platform::AppProfile().GetInt(kTunerSection, "Speed", 0), 100000);
    EXPECT_TRUE(std::filesystem::is_empty(tools::CProgramBackupStore::DefaultFolder()));
}

namespace {

// Hands every modal dialog that opens to `act`, polled while the program pumps.
class WhileShown {
public:
    explicit WhileShown(std::function<void(QWidget*)> act)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, act] {
            QWidget* w = QApplication::activeModalWidget();
            if (w && w != m_last) {
                m_last = w;
                act(w);
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

// Presses Cancel on the please-wait dialog once it shows `text` (the same dialog shows the run's
// earlier steps first).
class CancelWhenShown {
public:
    explicit CancelWhenShown(const QString& text)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, text] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || m_pressed)
                return;
            bool shows = false;
            for (QLabel* l : w->findChildren<QLabel*>())
                shows = shows || l->text().contains(text);
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (shows && !m_pressed && b->isVisible() && layoutcheck::Plain(b->text()) == QStringLiteral("Cancel")) {
                    m_pressed = true;
                    b->click();
                }
        });
        m_timer.start();
    }
    bool Pressed() const { return m_pressed; }

private:
    QTimer m_timer;
    bool m_pressed = false;
};

} // namespace

TEST_F(TunerJourney, HostAndMoveProgramRunsACancelAndTheMotorReplaced)
{
    ASSERT_TRUE(Start(WithUserProgram()));
    ASSERT_TRUE(Detect());
    const std::string before = Body(1);

    // From the tree: Tune this motor on motor 2.
    Tree().Tree()->setCurrentItem(Tree().ItemOf(0, 1));
    ASSERT_TRUE(Command(shell::ids::kTreeTuneMotor));
    CTunerDlg* t = Tuner();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(Control<QLabel>(t, tuner::kMotorName)->text(), QStringLiteral("Motor2-Chain"));
    QWidget* settings = Page(t, 1);

    // Mode 3 at 9600: the PC moves the motor 400 counts CCW and back after 300 ms, polling every
    // 40 ms; nothing is downloaded.
    Control<QRadioButton>(Page(t, 0), modepage::kMode3)->click();
    EXPECT_FALSE(Control<QLineEdit>(settings, CTuningSettingsForm::kMoveProgram)->isEnabled());
    Edit(settings, CTuningSettingsForm::kTime, QStringLiteral("600"));
    Edit(settings, CTuningSettingsForm::kSpeed, QStringLiteral("100000"));
    Edit(settings, CTuningSettingsForm::kAcceleration, QStringLiteral("1000"));
    Edit(settings, CTuningSettingsForm::kOffset, QStringLiteral("400"));
    Control<QRadioButton>(settings, CTuningSettingsForm::kCcw)->click();
    Control<QCheckBox>(settings, CTuningSettingsForm::kReturn)->click();
    EXPECT_TRUE(Control<QLineEdit>(settings, CTuningSettingsForm::kWait)->isEnabled());
    Edit(settings, CTuningSettingsForm::kWait, QStringLiteral("300"));
    Control<QCheckBox>(settings, CTuningSettingsForm::kSwitch)->click();
    // A fault the motor reports is asked about once per window and target; Yes goes on.
    Motor(1, [](vqxsim::SimMotor& m) { m.SetBit('r', true); });
    AnswerYes();
    QTest::mouseClick(Control<QPushButton>(t, tuner::kRun), Qt::LeftButton);
    EXPECT_TRUE(m_asked.contains(QStringLiteral("Positive Limit Error\nDo you want to continue?")))
        << m_asked.toStdString();
    EXPECT_EQ(t->Form().settings.positionOffset, -400);
    EXPECT_EQ(t->Form().lastRun.capacity, 16);
    EXPECT_EQ(t->Form().count, 15);
    EXPECT_EQ(t->Form().position.At(0), 0);
    EXPECT_EQ(t->Form().position.Min, -400);
    EXPECT_GT(t->Form().position.At(14), -400); // on its way back
    EXPECT_TRUE(WaitFor([&] { return Motor(1, [](vqxsim::SimMotor& m) { return m.Position(); }) == 0; }));
    EXPECT_EQ(Body(1), before);
    EXPECT_EQ(Value(1, "E"), 0); // the error limit it had
    t->OnCommand(tuner::kCmdCopyImage);
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), t->ChartImage().size());
    EXPECT_EQ(copied.pixel(copied.width() / 2, 2), t->ChartImage().pixel(copied.width() / 2, 2));

    // Mode 2: the user's compiled move program runs; the PC samples it every 20 ms at 38400.
    const std::string move = dir / "move.tqx";
    {
        std::ofstream out(move, std::ios::binary);
        out << Compiled("MP\nA=1000\nV=100000\nD=300\nG\nEND\n");
    }
    Control<QRadioButton>(Page(t, 0), modepage::kMode2)->click();
    EXPECT_FALSE(Control<QLineEdit>(settings, CTuningSettingsForm::kOffset)->isEnabled());
    Edit(settings, CTuningSettingsForm::kMoveProgram, QString::fromStdString(move));
    Edit(settings, CTuningSettingsForm::kTime, QStringLiteral("500"));
    Control<QCheckBox>(settings, CTuningSettingsForm::kSwitch)->click();
    // The fault again: not asked a second time (a question would be an unexpected dialog).
    Motor(1, [](vqxsim::SimMotor& m) { m.SetBit('r', true); });
    QTest::mouseClick(Control<QPushButton>(t, tuner::kRun), Qt::LeftButton);
    EXPECT_EQ(t->Form().lastRun.capacity, 26);
    EXPECT_EQ(t->Form().count, 25);
    EXPECT_EQ(t->Form().position.Max, 300);
    EXPECT_EQ(Motor(1, [](vqxsim::SimMotor& m) { return m.Position(); }), 300);
    EXPECT_NE(Body(1), before); // the move program is in the motor until the tuner closes

    // A mode 1 run cancelled while it samples: nothing recorded, the motor stopped, awake, off.
    Control<QRadioButton>(Page(t, 0), modepage::kMode1)->click();
    Edit(settings, CTuningSettingsForm::kTime, QStringLiteral("3000"));
    Control<QRadioButton>(settings, CTuningSettingsForm::kCw)->click();
    Control<QCheckBox>(settings, CTuningSettingsForm::kReturn)->click();
    // The program is stopped in the middle of a sample line: what it still prints is no part of
    // the status read after it, so no fault the motor does not have is reported.
    size_t mark = 0;
    CommandsSince(1, mark);
    QString reported;
    {
        CancelWhenShown cancel(QStringLiteral("Getting Tuning Data"));
        WhileShown warnings([&](QWidget* w) {
            for (QLabel* l : w->findChildren<QLabel*>())
                if (l->text().contains(QStringLiteral("errors were detected"))) {
                    reported += l->text();
                    Decline(w);
                }
        });
        QTest::mouseClick(Control<QPushButton>(t, tuner::kRun), Qt::LeftButton);
        EXPECT_TRUE(cancel.Pressed());
    }
    const std::vector<std::string> cancelled = CommandsSince(1, mark);
    const auto end = std::find(std::find(cancelled.begin(), cancelled.end(), "RUN"), cancelled.end(), "END");
    EXPECT_NE(std::find(end, cancelled.end(), "RW"), cancelled.end()); // the status was read after the stop
    EXPECT_EQ(Motor(1, [](vqxsim::SimMotor& m) { return m.StatusWord() & 0x66; }), 0);
    EXPECT_TRUE(reported.isEmpty()) << reported.toStdString();
    EXPECT_TRUE(t->Form().lastRun.ran);
    EXPECT_EQ(t->Form().count, 0);
    EXPECT_EQ(ListCell(t, 0, 1), QStringLiteral("N/A"));
    EXPECT_TRUE(WaitFor([&] { return !Motor(1, [](vqxsim::SimMotor& m) { return m.Moving(); }); }));
    EXPECT_FALSE(Motor(1, [](vqxsim::SimMotor& m) { return m.Asleep(0) || m.ServoOn(); }));
    EXPECT_TRUE(TypeAndWait("2RP", QString::number(Motor(1, [](vqxsim::SimMotor& m) { return m.Position(); }))));

    // Detection replaces the port's motors: the tuner lets go of its motor and asks for one.
    QString prompt;
    AutoAnswer("One or more Errors/Warnings were detected", "OK");
    AutoAnswer("Detected settings are different", "OK");
    AutoAnswer("The operation finished successfully.", "OK");
    bool asked = false;
    WhileShown replies([&](QWidget* w) {
        if (w->objectName() == QStringLiteral("223")) { // take the detected settings
            Click(w, 1);
            return;
        }
        if (!qobject_cast<CSelectMotorDlg*>(w))
            return;
        asked = true;
        for (QLabel* l : w->findChildren<QLabel*>())
            if (l->text().contains(QStringLiteral("configuration has changed")))
                prompt = l->text();
        Snapshot(w, QStringLiteral("tuner-select-motor"));
        static_cast<QDialog*>(w)->accept();
    });
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return asked && t->Form().Motor() != nullptr; }, 60000));
    EXPECT_EQ(prompt, QString::fromLatin1(tuner::kMotorRemovedPrompt));
    EXPECT_EQ(t->Form().Motor(), app->Session()->Project().Port(0)->GetMotor(1));

    // A new target: its faults are asked about again.
    Control<QRadioButton>(Page(t, 0), modepage::kMode3)->click();
    Edit(settings, CTuningSettingsForm::kTime, QStringLiteral("200"));
    Motor(0, [](vqxsim::SimMotor& m) { m.SetBit('r', true); });
    AnswerYes();
    QTest::mouseClick(Control<QPushButton>(t, tuner::kRun), Qt::LeftButton);
    EXPECT_TRUE(m_asked.contains(QStringLiteral("Positive Limit Error"))) << m_asked.toStdString();
    EXPECT_TRUE(t->Form().lastRun.ran);

    // Closing puts motor 2's own program back (saved once, by the first run that downloaded).
    t->close();
    EXPECT_TRUE(WaitFor([&] { return Tuner() == nullptr; }));
    EXPECT_EQ(Body(1), before);
    EXPECT_TRUE(std::filesystem::is_empty(tools::CProgramBackupStore::DefaultFolder()));
}

TEST_F(TunerJourney, AMotorThatDoesNotGiveItsGainsGetsNoTuner)
{
    ASSERT_TRUE(Start());
    Motor(0, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    // The gains cannot be read: the failure is listed and handed to the communication query,
    // which the user declines; no tuner window is left.
    QString query;
    Answer([&](QWidget* w) {
        for (QLabel* l : w->findChildren<QLabel*>())
            query += l->text();
        Decline(w);
    });
    ASSERT_TRUE(Command(cmd::ID_TUNER));
    EXPECT_TRUE(WaitFor([&] { return !query.isEmpty(); }));
    EXPECT_TRUE(query.contains(QStringLiteral("re-establish communication"))) << query.toStdString();
    EXPECT_EQ(Tuner(), nullptr);
    EXPECT_TRUE(InfoHas("No response received"));
    Motor(0, [](vqxsim::SimMotor& m) { m.knobs.mute = false; });
    EXPECT_TRUE(TypeAndWait("1RP", "0"));
}

// A tuner closed by Escape goes without its close event: the frame's slot empties all the same, so
// a detection that replaces the motors, a second tuner and the program's close never reach it.
TEST_F(TunerJourney, ATunerClosedByEscapeLeavesTheFramesSlot)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Detect());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Tree().Tree()->setCurrentItem(Tree().ItemOf(0, 0));
        ASSERT_TRUE(Command(cmd::ID_TUNER));
        QPointer<CTunerDlg> t = Tuner();
        ASSERT_NE(t, nullptr);
        QTest::keyClick(t, Qt::Key_Escape);
        ASSERT_TRUE(WaitFor([&] { return t.isNull(); }));
        EXPECT_EQ(frame->Tuner(), nullptr);
        if (round == 0) {
            // Find Motors replaces Motor1, whose destroy hook tells every window in a slot.
            ASSERT_TRUE(Detect());
            EXPECT_EQ(frame->Tuner(), nullptr);
        }
    }
    // The close sequence asks the tuner and playground slots to close: the program ends.
    EXPECT_TRUE(frame->close());
}
