// Find Motors tells its outcome once: the chain's motors taking the empty port, and later a
// chain with a silent motor that differs from the project, each end with one "Finished." line
// and one summary box (an unexpected second box fails the journey); so does an upload from the
// silent motor whose re-detection meets the difference. A detection ends with the port
// addressing the motor the terminal talks to.

#include "JourneyRig.h"

#include <algorithm>

class FindMotorsJourney : public Journey {
protected:
    long FinishedLines() const
    {
        const std::vector<std::string> lines = InfoLines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Finished.", 0) == 0; });
    }
    static QString BoxText(QWidget* box)
    {
        auto* label = box->findChild<QLabel*>(QStringLiteral("1069"));
        return label ? label->text() : QString();
    }
    // Every message box is noted and answered OK; the different-settings dialog is noted and
    // cancelled (the project stays as it is). The please-wait dialog is left alone.
    void AnswerAsTheyCome()
    {
        m_answerer = std::make_unique<QTimer>();
        QObject::connect(m_answerer.get(), &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w->inherits("CWaitDlg"))
                return;
            if (w->objectName() == QStringLiteral("223")) {
                ++differentSettings;
                Click(w, 2);
            } else if (auto* label = w->findChild<QLabel*>(QStringLiteral("1069")); label && w != m_lastBox) {
                m_lastBox = w;
                boxes.push_back(label->text());
                // OK, or Yes to a question (re-establish communication, detect the motors).
                for (const char* answer : {"OK", "Yes"})
                    for (QPushButton* b : w->findChildren<QPushButton*>())
                        if (b->isVisible() &&
                            layoutcheck::Plain(b->text()).compare(QLatin1String(answer), Qt::CaseInsensitive) == 0)
                            return b->click();
                ADD_FAILURE() << "no OK or Yes on " << label->text().toStdString();
            }
        });
        m_answerer->start(20);
    }
    QStringList boxes;
    int differentSettings = 0;

private:
    std::unique_ptr<QTimer> m_answerer;
    QPointer<QWidget> m_lastBox;
};

TEST_F(FindMotorsJourney, TellsTheSummaryOnceWhetherTheMotorsAreNewOrDiffer)
{
    ASSERT_TRUE(Start());
    AnswerAsTheyCome();

    // The empty port takes the three motors without a question; one summary.
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr && !boxes.isEmpty(); }, 60000));
    QTest::qWait(300); // room for a box that should not come
    EXPECT_EQ(boxes, QStringList{QStringLiteral("The operation finished successfully.")});
    EXPECT_EQ(FinishedLines(), 1);
    EXPECT_TRUE(InfoHas("3 motors were detected."));

    // The third motor falls silent: the project's port differs from what is found. The summary
    // with the warning comes before the question, and not again after it.
    Motor(2, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    boxes.clear();
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return differentSettings == 1; }, 60000));
    QTest::qWait(300);
    ASSERT_EQ(boxes.size(), 1) << boxes.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("One or more Errors/Warnings were detected"))) << boxes[0].toStdString();
    EXPECT_TRUE(InfoHas("The detected information in the port \"Chain\" does not matches the Project settings."));
    EXPECT_EQ(FinishedLines(), 1);
    EXPECT_NE(Tree().ItemOf(0, 2), nullptr) << "the project keeps its third motor";

    // An upload from the silent motor: the re-detection meets the same difference, and Cancel
    // of the question leaves the project as it is; the error is told once.
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    boxes.clear();
    differentSettings = 0;
    ASSERT_TRUE(Tree().Select(0, 2));
    ASSERT_TRUE(Command(32819)); // the tree's Upload Program
    ASSERT_TRUE(WaitFor([&] { return differentSettings == 1 && boxes.size() >= 2; }, 60000))
        << boxes.join(QStringLiteral(" | ")).toStdString();
    QTest::qWait(300);
    ASSERT_EQ(boxes.size(), 2) << boxes.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("Do you want VQX to re-establish communication"))) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("One or more Errors/Warnings were detected"))) << boxes[1].toStdString();
    EXPECT_EQ(FinishedLines(), 1);
    EXPECT_TRUE(InfoHas("Finished. 1 error, No warnings."));
    EXPECT_NE(Tree().ItemOf(0, 2), nullptr);
    Motor(2, [](vqxsim::SimMotor& m) { m.knobs.mute = false; });

    // Detect Motors with the terminal talking to the second motor: afterwards the port
    // addresses it again, so "RP" reaches it alone.
    Terminal().MotorCombo()->setCurrentIndex(2);
    Q_EMIT Terminal().MotorCombo()->activated(2);
    boxes.clear();
    ASSERT_TRUE(Command(cmd::ID_DETECT_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return boxes.size() >= 2; }, 60000)) << boxes.join(QStringLiteral(" | ")).toStdString();
    auto heard = [this](int motor) {
        return Motor(motor, [](vqxsim::SimMotor& m) {
            return static_cast<int>(std::count(m.CommandLog().begin(), m.CommandLog().end(), std::string("RP")));
        });
    };
    const int first = heard(0), second = heard(1), third = heard(2);
    Motor(1, [](vqxsim::SimMotor& m) { m.SetPosition(2222); });
    EXPECT_TRUE(TypeAndWait(QStringLiteral("RP"), QStringLiteral("2222")));
    EXPECT_EQ(heard(1), second + 1);
    EXPECT_EQ(heard(0), first) << "the first motor was not addressed";
    EXPECT_EQ(heard(2), third) << "the third motor was not addressed";
}
