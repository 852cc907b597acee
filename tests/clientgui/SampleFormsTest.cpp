// IoTester's and Jogger's windows, headless, driven with clicks and presses against simulated
// motors through the engine library.
#include "samples/iotester/gui/MainForm.h"
#include "samples/jogger/gui/JoggerForm.h"

#include "tests/clients/ClientRig.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

template <class T>
T* Find(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
}

TEST(IoTesterForm, ConnectsTogglesPinsAndShowsInputsAndStatus)
{
    ClientRig rig(1, ClientRig::Kind::Plain);
    iotester::MainForm form(vqxclient::CreateEngineHost());
    form.show();
    EXPECT_EQ(form.windowTitle(), "Tessaraxon I/O Test");
    EXPECT_FALSE(Find<QFrame>(&form, "UIConnectShape")->property("lit").toBool());
    QTest::mouseClick(Find<QPushButton>(&form, "UIConnect"), Qt::LeftButton);
    ASSERT_EQ(Find<QPushButton>(&form, "UIConnect")->text(), "Disconnect")
        << Find<QPlainTextEdit>(&form, "UIStatus")->toPlainText().toStdString();
    EXPECT_TRUE(Find<QFrame>(&form, "UIConnectShape")->property("lit").toBool());
    EXPECT_EQ(Find<QPushButton>(&form, "UIStartPolling")->text(), "Stop Polling");

    rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["UBI"] = 1; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return Find<QFrame>(&form, "UILED1")->property("lit").toBool(); }, 8000));
    EXPECT_FALSE(Find<QFrame>(&form, "UILED2")->property("lit").toBool());
    EXPECT_GT(Find<QLineEdit>(&form, "UIPollingCount")->text().toInt(), 0);

    QTest::mouseClick(Find<QPushButton>(&form, "UIIOButtons0"), Qt::LeftButton);
    EXPECT_EQ(Find<QPushButton>(&form, "UIIOButtons0")->text(), "ON (Low)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.Logged(0, "UAO"); }, 8000));
    EXPECT_EQ(rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["UAO"]; }), 1);

    rig.Motor(0, [](vqxsim::SimMotor& m) { return m.knobs.statusReply = "32"; });
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return Find<QPlainTextEdit>(&form, "UIStatus")->toPlainText().contains("Error: Position Error");
    }, 8000));
    QTest::mouseClick(Find<QPushButton>(&form, "UIConnect"), Qt::LeftButton);
    EXPECT_EQ(Find<QPushButton>(&form, "UIConnect")->text(), "Connect");
    EXPECT_EQ(Find<QPushButton>(&form, "UIStartPolling")->text(), "Start Polling");
}

TEST(JoggerForm, HoldingAButtonJogsAndReleasingStops)
{
    ClientRig rig(2, ClientRig::Kind::Motion);
    jogger::JoggerForm form(vqxclient::CreateEngineHost());
    std::vector<std::string> errors;
    form.showError = [&](const QString& text) { errors.push_back(text.toStdString()); };
    form.show();
    EXPECT_FALSE(Find<QPushButton>(&form, "UpButton")->isEnabled());
    QTest::mouseClick(Find<QPushButton>(&form, "OpenButton"), Qt::LeftButton);
    ASSERT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(Find<QLineEdit>(&form, "NoOfMotorsEdit")->text(), "2");
    EXPECT_TRUE(Find<QPushButton>(&form, "UpButton")->isEnabled());
    EXPECT_TRUE(form.PollTimer()->isActive());

    Find<QLineEdit>(&form, "MaxX")->setText("10000000");
    QPushButton* right = Find<QPushButton>(&form, "RightButton");
    QTest::mousePress(right, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["P"]; }) > 100; }, 8000));
    QTest::mouseRelease(right, Qt::LeftButton);
    // The motor ramps down at the jog acceleration.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.Motor(0, [&](vqxsim::SimMotor&) { return rig.motion[0]->Moving(); }); }, 8000));
    const int32_t at = rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["P"]; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return Find<QLineEdit>(&form, "XPos")->text() == QString::number(at); }, 8000));
    EXPECT_TRUE(errors.empty());

    // Text that is not a number: a message, and nothing moves.
    Find<QLineEdit>(&form, "MinX")->setText("zero");
    QPushButton* left = Find<QPushButton>(&form, "LeftButton");
    QTest::mousePress(left, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errors.empty(); }, 8000));
    QTest::mouseRelease(left, Qt::LeftButton);
    EXPECT_EQ(errors.front(), "\"Min X\" must be a whole number, not \"zero\".");
    EXPECT_FALSE(rig.Motor(0, [&](vqxsim::SimMotor&) { return rig.motion[0]->Moving(); }));
    EXPECT_EQ(rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["P"]; }), at);
    form.close();
}

} // namespace
