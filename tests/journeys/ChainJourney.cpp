// Short and long chains on `make run`'s road (the default project with the chain as its start-up
// port): "RP" typed in the terminal reaches every motor of the chain and each one's answer comes
// back through the motors after it; an addressed "2RP" is answered by the second motor alone.

#include "JourneyRig.h"

#include <algorithm>

class ChainJourney : public Journey {
protected:
    int Heard(int motor, const std::string& command)
    {
        return Motor(motor, [&](vqxsim::SimMotor& m) {
            return static_cast<int>(std::count(m.CommandLog().begin(), m.CommandLog().end(), command));
        });
    }
    void EveryMotorAnswersRP(int motors);
};

void ChainJourney::EveryMotorAnswersRP(int motors)
{
    JourneyStart start;
    start.motors = motors;
    start.chainProject = false;
    ASSERT_TRUE(Start(start));
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    // Each motor stands somewhere of its own: 100, 1234, 57.
    const int positions[] = {100, 1234, 57};
    std::string expected;
    for (int m = 0; m < motors; ++m) {
        Motor(m, [&](vqxsim::SimMotor& s) {
            s.SetPosition(positions[m]);
            return 0;
        });
        expected += std::to_string(positions[m]);
    }
    // Answers that meet in a motor come out interleaved byte by byte: every digit of every
    // answer arrives, in some order.
    const int before = TerminalText().size();
    std::sort(expected.begin(), expected.end());
    auto answered = [&] {
        QString text = TerminalText().mid(before);
        text.remove(0, text.indexOf(QLatin1String("RP")) + 2);
        std::string digits;
        for (QChar c : text)
            if (c.isDigit())
                digits += static_cast<char>(c.unicode());
        std::sort(digits.begin(), digits.end());
        return digits == expected;
    };
    Type(QStringLiteral("RP"));
    EXPECT_TRUE(WaitFor(answered)) << TerminalText().mid(before).toStdString();
    for (int m = 0; m < motors; ++m)
        EXPECT_EQ(Heard(m, "RP"), 1) << m;

    const int addressed = TerminalText().size();
    EXPECT_TRUE(TypeAndWait(QStringLiteral("2RP"), QStringLiteral("1234\n")));
    EXPECT_TRUE(TerminalText().mid(addressed).startsWith(QStringLiteral("2RP            1234\n")))
        << TerminalText().mid(addressed).toStdString();
    for (int m = 0; m < motors; ++m)
        EXPECT_EQ(Heard(m, "RP"), m == 1 ? 2 : 1) << m;
    Snapshot(frame, QStringLiteral("chain-of-%1").arg(motors));
}

TEST_F(ChainJourney, EveryMotorOfAChainOfTwoAnswersRP) { EveryMotorAnswersRP(2); }
TEST_F(ChainJourney, EveryMotorOfAChainOfThreeAnswersRP) { EveryMotorAnswersRP(3); }
