// Programs the tools download, played by behaviour on the test's own time line: the playground's
// polling program, the tuner's sample lines, the calibration programs, the deaf program of a
// lock-up, and a plain move program.

#include "tests/sim/motor/ProgramBehaviours.h"
#include "tests/sim/unit/TimedMotor.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

// A motor holding a program with this body.
struct Motor : TimedMotor {
    explicit Motor(const std::string& body, std::string firmware = "450") : TimedMotor(std::move(firmware), body) {}
};

TEST(Behaviour, PollingProgramAnswersWhatChanged)
{
    Motor m("C8 PRINT(\"PGPC-POLL\") RETURN\nEND\n", "5xx");
    EXPECT_EQ(m.Send("GOSUB9", 0), "") << "no running polling program: silence";
    m.Send("RUN", 0);
    EXPECT_EQ(m.Send("Rf", 0), "44") << "f=0 at RUN becomes 44";
    m.motor->SetPosition(1200);
    m.motor->SetInput(1, true);
    m.Send("OUT=4", 0);
    m.Send("f=63 p=@P+1 g=-1 w=-1 i=-1 v=-1 o=-1 n=0", 0);
    EXPECT_EQ(m.Send("GOSUB9", 0), "P1200E0W128I2V0O4");
    EXPECT_EQ(m.Send("GOSUB9", 0), "W128") << "only the status word when nothing changed";
    // n=1 (462 firmware): the calibration flag in place of the status word, then again when it changes.
    m.Send("n=1", 0);
    EXPECT_EQ(m.Send("GOSUB9", 0), "W134217728");
    EXPECT_EQ(m.Send("GOSUB9 Rn", 0), "W128\r2");
    m.motor->SetFlag("Bn", true);
    EXPECT_EQ(m.Send("GOSUB9", 0), "W134283264");
    EXPECT_EQ(m.Send("GOSUB9", 0), "W128");
    // A move: position and speed come while it runs; the mask leaves out what it does not ask.
    m.Send("f=17 MV A=65536 V=655360 G", 0);
    const std::string moving = m.Send("GOSUB9", 50);
    EXPECT_EQ(moving.rfind("P", 0), 0u) << moving;
    EXPECT_NE(moving.find("V655360"), std::string::npos) << moving;
    EXPECT_EQ(moving.find('W'), std::string::npos) << moving;
    m.Send("S", 60);
    m.Send("f=0", 60);
    EXPECT_EQ(m.Send("GOSUB9", 60), "") << "nothing due: an empty line";
    m.Send("END", 70);
    EXPECT_EQ(m.Send("GOSUB9", 70), "") << "stopped by END";
}

// The tuner's generated program, as its lines read.
const char kTuning[] = "p=@P\r\nPRINT(@PE+z,z,#13)\r\nG\r\nCLK=0\r\nWHILE CLK<t\r\nIF CLK>=w P=p G w=t ENDIF\r\n"
                       "a=@PE b=@P-p\r\nPRINT(a+z,b+z,#13)\r\nLOOP\r\nPRINT(\"FINISHED\",#13)\r\nEND";

TEST(Behaviour, TuningRunPrintsSamplesAtTheLinesPace)
{
    struct Case {
        const char* what;
        bool returns;
    } cases[] = {{"one way", false}, {"and back", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Motor m(kTuning);
        // 700 ms at 0.24576 ms per sample: t = 2848; back after 300 ms: w = 1220.
        m.Send("MP V=322122 A=1583 D=4000 E=30000 z=50000 t=2848", 0);
        m.Send(c.returns ? "w=1220" : "w=t+10000", 0);
        m.Feed("RUN", 0);
        const auto& out = m.motor->Outbox();
        ASSERT_GT(out.size(), 3u);
        EXPECT_EQ(ToString(out.front().bytes), "5000050000\r") << "error and z, then 0 from the start";
        EXPECT_EQ(ToString(out.back().bytes), "FINISHED\r");
        // 11 characters a line at 9600 baud take 11.46 ms: about 700 / 11.46 = 61 lines.
        const size_t lines = out.size() - 2;
        EXPECT_GE(lines, 60u);
        EXPECT_LE(lines, 62u);
        const auto gap = std::chrono::duration_cast<std::chrono::microseconds>(out[2].readyAt - out[1].readyAt);
        EXPECT_NEAR(double(gap.count()), 11 * 1041.67, 2.0);
        int previous = 0, top = 0;
        for (size_t i = 1; i + 1 < out.size(); ++i) {
            const std::string line = ToString(out[i].bytes);
            ASSERT_EQ(line.size(), 11u) << line;
            const int b = std::stoi(line.substr(5, 5)) - 50000;
            if (!c.returns) {
                EXPECT_GE(b, previous) << "never backwards on the way out";
            }
            previous = b;
            top = std::max(top, b);
        }
        EXPECT_EQ(top, 4000) << "the move of D=4000 ends inside the run";
        EXPECT_EQ(previous, c.returns ? 0 : 4000);
        // The shaft itself did the same; the program has ended.
        m.motor->Outbox().clear();
        EXPECT_EQ(m.Send("RP", 800), c.returns ? "0" : "4000");
        EXPECT_FALSE(m.motor->ProgramRunning());
    }
    // "END" drops the lines not printed yet.
    Motor m(kTuning);
    m.Send("MP V=322122 A=1583 D=4000 z=50000 t=2034 w=t+10000", 0);
    m.Feed("RUN", 0);
    const size_t all = m.motor->Outbox().size();
    m.Feed("END", 100);
    const size_t left = m.motor->Outbox().size();
    EXPECT_LT(left, all);
    EXPECT_GE(left, 8u) << "those due by then stay";
    EXPECT_NE(ToString(m.motor->Outbox().back().bytes), "FINISHED\r");
}

TEST(Behaviour, TheCompiledTuningProgramIsRecognised)
{
    // The image the compiler makes of the tuner's program: WHILE, IF and LOOP as coded records.
    MotorProfile p;
    p.program = "$400000211300008400000000040000000000000000"
                "p=@P\nPRINT(@PE+z,z,#13)\nG\nCLK=0\n$W006ALECLK<t\n$I003FCLK>=w P=p G w=t ENDIF\n"
                "a=@PE b=@P-p\nPRINT(a+z,b+z,#13)\n$L0020P\nPRINT(\"FINISHED\",#13)\nEND\n";
    SimMotor motor(p);
    ASSERT_TRUE(motor.Program().Valid()) << motor.Program().Problem();
    EXPECT_EQ(ProgramBehaviourOf(motor), ProgramKind::Tune);
}

TEST(Behaviour, CalibrationProgramsRunAfterTheReset)
{
    struct Case {
        int mode;
        const char* reports;
        const char* results;
    } cases[] = {{3, "Rwww Rxxx Ryyy Rzzz RBn", "0\r20\r-3\r30\r0"}, {2, "Ryyy RBn", "80\r0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Motor m("PRINT(\"INDEX-CAL\")\nEND\n", "462");
        m.Send("Z", 0);
        m.Send("\x81", 100);
        m.Feed("uuu=" + std::to_string(c.mode), 100);
        std::string text;
        for (const Reply& r : m.motor->Outbox())
            text += ToString(r.bytes);
        EXPECT_NE(text.find('.'), std::string::npos) << "progress";
        EXPECT_EQ(text.back(), '\x08') << "ends with a backspace";
        EXPECT_GE(m.motor->Outbox().back().readyAt, m.At(100 + 2000));
        m.motor->Outbox().clear();
        EXPECT_EQ(m.Send("RBn", 500), "1") << "not finished yet";
        EXPECT_EQ(m.Send(c.reports, 2200), c.results);
    }
    // A verification that could not be made, and "END OFF" stopping one.
    Motor failed("PRINT(\"INDEX-CAL\")\nEND\n", "462");
    failed.motor->knobs.calibration.www = -1;
    failed.Send("RUN uuu=3", 0);
    EXPECT_EQ(failed.Send("Rwww RBn", 2100), "-1\r1");
    Motor stopped("PRINT(\"INDEX-CAL\")\nEND\n", "462");
    stopped.Feed("RUN uuu=2", 0);
    stopped.Feed("END OFF", 300);
    std::string text;
    for (const Reply& r : stopped.motor->Outbox())
        text += ToString(r.bytes);
    EXPECT_EQ(text.find('\x08'), std::string::npos);
    stopped.motor->Outbox().clear();
    EXPECT_EQ(stopped.Send("Ryyy RBo", 2500), "0\r1");
}

TEST(Behaviour, DeafProgramUnlessEArrivesAtPowerUp)
{
    Motor m("PRINT(\"LOCKUP-DEAF\")\nEND\n");
    m.motor->PowerCycle(m.At(0));
    EXPECT_EQ(m.Send("\x81RSP", 400), "") << "deaf after the start window";
    // Power up again with "E" coming every 50 ms at 9600: responsive, program not running.
    m.motor->PowerCycle(m.At(1000));
    for (int t = 1000; t < 1300; t += 50)
        m.Send("E", t);
    EXPECT_EQ(m.Send("\x81RSP", 1400), "24576/450");
    EXPECT_FALSE(m.motor->ProgramRunning());
    // At another speed the "E" is not heard.
    m.motor->PowerCycle(m.At(2000));
    m.motor->SetChannel(0, LineSettings{38400, 'N'});
    m.Send("E", 2050);
    EXPECT_EQ(m.Send("\x81RSP", 2400), "");
}

TEST(Behaviour, PlainMoveProgramMovesTheMotor)
{
    Motor m("MP V=161061 A=1583 D=2000 G\nEND\n");
    m.Send("RUN", 0);
    EXPECT_EQ(m.Send("RBt", 50), "1");
    EXPECT_EQ(m.Send("RP RBt", 1000), "2000\r0");
    EXPECT_EQ(ProgramBehaviourOf(*m.motor), ProgramKind::Plain);
}

} // namespace
} // namespace vqxsim::test
