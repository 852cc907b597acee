// The tuning run: the arithmetic of the three modes, the generated program, the sample-line
// parser, and each mode over a scripted motor (what goes on the wire, in which order, what is
// recorded, and what the end of a run puts back after success, cancel, refusal and a lost motor).
#include <gtest/gtest.h>

#include "app/tuning/TuningRun.h"
#include "core/VQXException.h"
#include "tests/support/ui/HeadlessProgress.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <deque>
#include <functional>
#include <map>

namespace {
using namespace tuning;

TEST(TuningArithmetic, WidthOffsetLinesCapacityAndInterval)
{
    struct Row {
        int mode, time, speed, offset;
        bool pollError;
        int width;
        int64_t z, expected, capacity;
        int bits, interval;
    };
    const Row rows[] = {
        // mode 1: W, Z, bits per line, expected lines, capacity
        {1, 1000, 38400, 500, true, 4, 5000, 384, 576, 100, 0},
        {1, 1000, 38400, -500, true, 4, 5000, 384, 576, 100, 0},
        {1, 1000, 9600, 2000, false, 5, 50000, 160, 240, 60, 0},
        {1, 1000, 9600, 1, false, 1, 5, 480, 720, 20, 0},
        {1, 1000, 9600, 199999999, true, 9, 500000000, 48, 72, 200, 0},
        // modes 2 and 3: bits per poll, interval (ms), capacity
        {2, 1000, 38400, 500, true, 0, 0, 0, 51, 280, 20},
        {2, 1000, 9600, 500, true, 0, 0, 0, 24, 280, 43},
        {2, 1000, 9600, 500, false, 0, 0, 0, 51, 130, 20},
        {2, 10, 9600, 500, true, 0, 0, 0, 1, 280, 43},
        {3, 1000, 38400, 500, false, 0, 0, 0, 51, 120, 20},
        {3, 1000, 9600, 500, true, 0, 0, 0, 26, 260, 40},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << r.mode << " offset " << r.offset << " speed " << r.speed);
        TuningSettings s;
        s.mode = r.mode;
        s.tuningTime = r.time;
        s.positionOffset = r.offset;
        s.pollError = r.pollError;
        if (r.mode == 1) {
            const ProgramRunPlan p = PlanProgramRun(s, r.speed);
            EXPECT_EQ(p.width, r.width);
            EXPECT_EQ(p.z, r.z);
            EXPECT_EQ(p.bitsPerLine, r.bits);
            EXPECT_EQ(p.expected, r.expected);
            EXPECT_EQ(p.capacity, r.capacity);
        } else {
            const PollRunPlan p = PlanPollRun(s, r.speed);
            EXPECT_EQ(p.bitsPerPoll, r.bits);
            EXPECT_EQ(p.intervalMs, r.interval);
            EXPECT_EQ(p.capacity, r.capacity);
        }
    }
    // Only a serial line switches to 38400.
    TuningSettings s;
    EXPECT_EQ(SamplingLineSpeed(s, 9600, true), 38400);
    EXPECT_EQ(SamplingLineSpeed(s, 9600, false), 9600);
    s.switch38400 = false;
    EXPECT_EQ(SamplingLineSpeed(s, 19200, true), 19200);
}

TEST(TuningArithmetic, InputsThatCannotRunAreRefusedWithTheirReason)
{
    struct Row {
        std::function<void(TuningSettings&)> change;
        int speed;
        double period;
        const char* says; // empty: it runs
    };
    const Row rows[] = {
        {[](TuningSettings&) {}, 9600, 0.25, ""},
        {[](TuningSettings& s) { s.positionOffset = 0; }, 9600, 0.25, "position offset"},
        {[](TuningSettings& s) { s.positionOffset = 200000000; }, 9600, 0.25, "position offset"},
        {[](TuningSettings& s) { s.positionOffset = INT32_MIN; s.mode = 3; }, 9600, 0.25, "position offset"},
        {[](TuningSettings& s) { s.positionOffset = 0; s.mode = 2; s.moveProgram = "m.tqx"; }, 9600, 0.25, ""},
        {[](TuningSettings& s) { s.tuningTime = 0; }, 9600, 0.25, "tuning time"},
        {[](TuningSettings& s) { s.tuningTime = -5; s.mode = 3; }, 9600, 0.25, "tuning time"},
        {[](TuningSettings&) {}, 0, 0.25, "baud rate"},
        {[](TuningSettings&) {}, 9600, 0.0, "sample period"},
        {[](TuningSettings& s) { s.mode = 3; }, 9600, 0.0, ""},
        {[](TuningSettings& s) { s.mode = 2; }, 9600, 0.25, "move program"},
        {[](TuningSettings& s) { s.mode = 4; }, 9600, 0.25, "tuning mode"},
        {[](TuningSettings& s) { s.tuningTime = 1; }, 9600, 0.25, "too short"},
        {[](TuningSettings& s) { s.returnToStart = true; s.waitTime = -1; }, 9600, 0.25, "returns"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        TuningSettings s;
        rows[i].change(s);
        const std::string why = WhyCannotRun(s, rows[i].speed, rows[i].period);
        if (*rows[i].says)
            EXPECT_NE(why.find(rows[i].says), std::string::npos) << why;
        else
            EXPECT_EQ(why, "");
    }
}

TEST(TuningProgram, ElevenLinesWithThePrintChannel)
{
    EXPECT_EQ(TuningProgramText(false), "p=@P\r\nPRINT(@PE+z,z,#13)\r\nG\r\nCLK=0\r\nWHILE CLK<t\r\n"
                                        "IF CLK>=w P=p G w=t ENDIF\r\na=@PE b=@P-p\r\nPRINT(a+z,b+z,#13)\r\nLOOP\r\n"
                                        "PRINT(\"FINISHED\",#13)\r\nEND");
    const std::string one = TuningProgramText(true);
    EXPECT_NE(one.find("PRINT1(@PE+z,z,#13)\r\n"), std::string::npos);
    EXPECT_NE(one.find("PRINT1(a+z,b+z,#13)\r\n"), std::string::npos);
    EXPECT_NE(one.find("PRINT1(\"FINISHED\",#13)\r\nEND"), std::string::npos);
}

TEST(TuningProgram, OnlyLinesOfExactlyTwoWidthsOfDigitsAreSamples)
{
    struct Row {
        const char* line;
        int width;
        int64_t z;
        bool ok;
        int32_t error, position;
    };
    const Row rows[] = {
        {"50005000", 4, 5000, true, 0, 0},
        {"49875500", 4, 5000, true, -13, 500},
        {"10009999", 4, 5000, true, -4000, 4999},
        {"5053", 2, 50, true, 0, 3},
        {"503", 2, 50, false, 0, 0},        // 3 printed without its leading digit
        {"5000500", 4, 5000, false, 0, 0},   // short: a value lost a digit
        {"500050000", 4, 5000, false, 0, 0}, // long: a value beyond the width
        {"5000-500", 4, 5000, false, 0, 0},
        {"5000 500", 4, 5000, false, 0, 0},
        {"", 4, 5000, false, 0, 0},
        {"FINISHED", 4, 5000, false, 0, 0},
        {"50000500", 4, 5000, false, 0, 0},  // the second value printed with a leading 0
        {"500005000", 0, 0, false, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        const auto s = ParseSampleLine(r.line, r.width, r.z);
        ASSERT_EQ(s.has_value(), r.ok);
        if (r.ok) {
            EXPECT_EQ(s->posError, r.error);
            EXPECT_EQ(s->position, r.position);
        }
    }
}

// A motor scripted for one run: answers per report command, the printed lines of the tuning
// program, and a record of everything sent. A command may be made to fail.
struct ScriptedMotor : ITuningMotor {
    std::map<std::string, std::string> answers{{"RBo", "1"}, {"RW", "0"}, {"RE", "777"}, {"Ra", "11"}, {"Rb", "12"},
                                               {"Rp", "13"}, {"Rz", "14"}, {"Rt", "15"}, {"Rw", "16"},
                                               {"RA", "17"}, {"RP", "1000"}, {"RPE", "-3"}};
    std::deque<std::string> lines;
    std::vector<std::string> log;
    std::string failOn;      // a command whose sending throws 1005 (and everything after it)
    bool failing = false;
    std::string echoFaultOn; // a command that goes out after "RUN" with its echo garbled (1007)
    bool running = false;
    bool open = false;
    int baud = 9600;
    bool serial = true;
    int channel = 0;
    bool ethernet = false;
    double period = 0.25;
    std::string cannotSave;
    std::string program;     // what DownloadTuningProgram got
    int saves = 0;
    int positionStep = 10;   // RP grows by this at each poll

    void Check(const std::string& what)
    {
        if (!failOn.empty() && what == failOn)
            failing = true;
        if (failing)
            throw CVQXException(CVQXException::NoResponse);
    }
    void ReadIdentity() override { log.push_back("identity"); }
    double SamplePeriodMs() override { return period; }
    std::string Ask(const std::string& c) override
    {
        log.push_back("?" + c);
        Check(c);
        return answers[c];
    }
    void Send(const std::string& c) override
    {
        log.push_back(c);
        Check(c);
        running = running || c == "RUN";
        if (running && c == echoFaultOn)
            throw CVQXException(CVQXException::InvalidEcho);
        if (c == "a=V")
            answers["Ra"] = "4242";
    }
    void SendToAll(const std::string& c) override
    {
        log.push_back("all " + c);
        Check(c);
    }
    std::string AskCurrent(const std::string& c) override
    {
        log.push_back("?." + c);
        Check(c);
        if (c == "RP")
            answers["RP"] = std::to_string(std::stoll(answers["RP"]) + positionStep);
        return answers[c];
    }
    std::string ReadLine() override
    {
        Check("line");
        if (lines.empty())
            throw CVQXException(CVQXException::NoResponse);
        std::string l = lines.front();
        lines.pop_front();
        return l;
    }
    void Purge() override { log.push_back("purge"); }
    bool PortOpen() override { return open; }
    void OpenPort() override { log.push_back("open"); open = true; }
    void ClosePort() override { log.push_back("close"); open = false; }
    int PortBitPerSec() override { return baud; }
    bool SerialPort() override { return serial; }
    int MotorChannel() override { return channel; }
    bool EthernetPort() override { return ethernet; }
    void SwitchBaud(int b) override
    {
        log.push_back("baud " + std::to_string(b));
        baud = b;
    }
    std::string WhyCannotSaveProgram() override { return cannotSave; }
    void SaveProgram() override
    {
        log.push_back("save");
        ++saves;
    }
    void DownloadTuningProgram(const std::string& text) override
    {
        log.push_back("download");
        program = text;
    }
    void DownloadMoveProgram(const std::string& path) override { log.push_back("download " + path); }
    void StartTimer() override { log.push_back("timer"); }
    void WaitUntil(int ms) override { log.push_back("wait " + std::to_string(ms)); }
};

struct RunFixture : testing::Test {
    ScriptedMotor motor;
    ui::CHeadlessQuestions questions;
    ui::CHeadlessProgress progress{&questions};
    CSampleArray position, posError;
    int ruler = -1;
    bool showErrors = true;

    RunOutcome Run(const TuningSettings& s)
    {
        CTuningRun run(motor, questions, progress);
        run.showErrors = &showErrors;
        return run.Run(s, position, posError, ruler);
    }
    // The commands from `first` on, up to (not including) `last`.
    std::vector<std::string> Between(const std::string& first, const std::string& last) const
    {
        auto b = std::find(motor.log.begin(), motor.log.end(), first);
        auto e = std::find(b, motor.log.end(), last);
        return {b, e};
    }
    std::vector<std::string> From(const std::string& first) const
    {
        auto b = std::find(motor.log.rbegin(), motor.log.rend(), first);
        return {b == motor.log.rend() ? motor.log.end() : std::prev(b.base()), motor.log.end()};
    }
};

TEST_F(RunFixture, ModeOneRecordsTheProgramsLinesAndPutsEverythingBack)
{
    TuningSettings s; // 1000 ms, offset 500, 38400, PollError: 384 lines expected, 576 room
    motor.lines = {"50005000", "49995001", "12", "50105010", "FINISHED"};
    const RunOutcome out = Run(s);
    ASSERT_TRUE(out.ran);
    EXPECT_EQ(out.count, 3);
    EXPECT_EQ(out.capacity, 576);
    EXPECT_EQ(out.rejected, 1);
    EXPECT_EQ(position.Capacity, 576);
    EXPECT_EQ(position.Count, 3);
    EXPECT_EQ(position.At(1), 1);
    EXPECT_EQ(posError.At(1), -1);
    EXPECT_EQ(position.Max, 10);
    EXPECT_EQ(posError.MaxIndex, 2);
    EXPECT_EQ(ruler, 1);
    EXPECT_EQ(motor.program, TuningProgramText(false));
    // Before the run: saved variables, the motor prepared, the run's variables, save, download.
    const std::vector<std::string> head(motor.log.begin(), motor.log.begin() + 30);
    EXPECT_EQ(head, (std::vector<std::string>{"open", "?RE", "?Ra", "?Rb", "?Rp", "?Rz", "?Rt", "?Rw", "?RA", "a=V",
                                             "?Ra", "identity", "?RBo", "?RW", "all SLEEP", "WAKE", "END", "MP",
                                             "V=100000", "A=100000", "D=500", "E=30000", "z=5000", "t=4000",
                                             "w=t+10000", "save", "download", "baud 38400", "RUN", "?RW"}));
    // After: the motors woken, the target off, the variables back, the rate and the port back.
    EXPECT_EQ(From("?RW"), (std::vector<std::string>{"?RW", "all WAKE", "OFF", "E=777", "a=11", "b=12", "p=13",
                                                     "V=4242", "A=17", "w=16", "z=14", "t=15", "baud 9600", "close"}));
    EXPECT_FALSE(motor.open);
    EXPECT_EQ(motor.baud, 9600);
    // The progress counted lines out of the expected number, the dialog is gone, the one bad line
    // was reported.
    EXPECT_FALSE(progress.IsShown());
    EXPECT_EQ(progress.State().Total(), 384);
    ASSERT_EQ(questions.MessageTexts().size(), 1u);
    EXPECT_NE(questions.MessageTexts()[0].find("1 did not have the expected form"), std::string::npos);
}

TEST_F(RunFixture, ModeOneStopsStoringAtCapacityButReadsOnToFinished)
{
    TuningSettings s;
    s.tuningTime = 10; // 3 lines expected at 38400, room for 4
    s.returnToStart = true;
    s.waitTime = 5;
    motor.open = true;
    motor.channel = 1;
    for (int i = 0; i < 7; ++i)
        motor.lines.push_back(std::to_string(5000 + i) + std::to_string(5000 + 2 * i));
    motor.lines.push_back("FINISHED");
    const RunOutcome out = Run(s);
    EXPECT_EQ(out.count, 4);
    EXPECT_EQ(out.overflow, 3);
    EXPECT_TRUE(motor.lines.empty());
    EXPECT_EQ(position.At(3), 6);
    EXPECT_EQ(motor.program, TuningProgramText(true));
    // Channel 1: the channel forms; w from the wait time in samples; the open port stays open.
    EXPECT_NE(std::find(motor.log.begin(), motor.log.end(), "all SLEEP1"), motor.log.end());
    EXPECT_NE(std::find(motor.log.begin(), motor.log.end(), "all WAKE1"), motor.log.end());
    EXPECT_NE(std::find(motor.log.begin(), motor.log.end(), "w=20"), motor.log.end());
    EXPECT_EQ(std::count(motor.log.begin(), motor.log.end(), "close"), 0);
    EXPECT_TRUE(motor.open);
    EXPECT_NE(questions.MessageTexts().at(0).find("3 came after the samples were full"), std::string::npos);
}

TEST_F(RunFixture, CancelledRunsEndTheMotorsMoveAndKeepNoSamples)
{
    struct Row {
        int mode;
        const char* stop;
        bool echoMixed; // the program's printing garbles the echo of the stop
    };
    for (const Row r : {Row{1, "END", false}, Row{1, "END", true}, Row{2, "END", false}, Row{3, "S", false}}) {
        SCOPED_TRACE(testing::Message() << r.mode << (r.echoMixed ? " echo mixed" : ""));
        motor = ScriptedMotor{};
        const size_t shown = questions.MessageTexts().size();
        if (r.echoMixed)
            motor.echoFaultOn = "END";
        progress.CancelAtCount(r.mode == 1 ? 2 : 40);
        ruler = -1;
        TuningSettings s;
        s.mode = r.mode;
        s.moveProgram = "/x/move.tqx";
        for (int i = 0; i < 50; ++i)
            motor.lines.push_back("50005000");
        const RunOutcome out = Run(s);
        EXPECT_EQ(out.count, 0);
        EXPECT_EQ(position.Count, 0);
        EXPECT_EQ(ruler, 0);
        const auto stop = std::find(motor.log.begin(), motor.log.end(), r.stop);
        const auto last = std::find(motor.log.rbegin(), motor.log.rend(), r.stop);
        EXPECT_NE(stop, motor.log.end());
        // The stop came after the sampling started and before the end-of-run steps.
        EXPECT_LT(std::distance(motor.log.begin(), last.base()),
                  std::distance(motor.log.begin(), std::find(motor.log.begin(), motor.log.end(), "all WAKE")));
        EXPECT_EQ(motor.log.back(), "close");
        EXPECT_FALSE(progress.IsShown());
        // A stopped program's output is dropped before the status is read; a stop is no error.
        if (r.mode == 1) {
            ASSERT_NE(last.base(), motor.log.end());
            EXPECT_EQ(*last.base(), "purge");
        }
        EXPECT_EQ(questions.MessageTexts().size(), shown) << questions.MessageTexts().back();
    }
}

TEST_F(RunFixture, PolledModesSampleAtTheIntervalFromTheStartPosition)
{
    TuningSettings s;
    s.mode = 3;
    s.tuningTime = 100; // 38400: 20 ms interval, 6 samples
    s.returnToStart = true;
    s.waitTime = 60;
    const RunOutcome out = Run(s);
    EXPECT_EQ(out.count, 5);
    EXPECT_EQ(out.capacity, 6);
    EXPECT_EQ(position.At(0), 0);
    EXPECT_EQ(position.At(4), 40);
    EXPECT_EQ(posError.At(3), -3);
    EXPECT_EQ(Between("?RE", "timer"),
              (std::vector<std::string>{"?RE", "?RP", "?Ra", "?RA", "a=V", "?Ra", "MP", "V=100000", "A=100000",
                                        "D=500", "E=3000"}));
    EXPECT_EQ(Between("G", "?RW"),
              (std::vector<std::string>{"G", "wait 20", "?.RP", "?.RPE", "wait 40", "?.RP", "?.RPE", "P=1000 G",
                                        "wait 60", "?.RP", "?.RPE", "P=1000 G", "wait 80", "?.RP", "?.RPE"}));
    EXPECT_EQ(From("?RW"), (std::vector<std::string>{"?RW", "all WAKE", "E=777", "a=11", "V=4242", "A=17", "OFF",
                                                     "baud 9600", "close"}));

    motor = ScriptedMotor{};
    s.mode = 2;
    s.moveProgram = "/x/move.tqx";
    s.pollError = false;
    Run(s);
    EXPECT_EQ(Between("open", "timer"), (std::vector<std::string>{"open", "baud 38400", "?RE", "identity", "?RBo",
                                                                  "?RW", "all SLEEP", "WAKE", "END", "?RP",
                                                                  "E=30000", "save", "download /x/move.tqx"}));
    EXPECT_EQ(Between("RUN", "?RW"), (std::vector<std::string>{"RUN", "wait 20", "?.RP", "wait 40", "?.RP", "wait 60",
                                                               "?.RP", "wait 80", "?.RP"}));
    EXPECT_EQ(From("?RW"), (std::vector<std::string>{"?RW", "all WAKE", "E=777", "OFF", "baud 9600", "close"}));
}

TEST_F(RunFixture, DeclinedQuestionsLostMotorsAndRefusedSettings)
{
    // The motor is on and the user says No: only "a" goes back, nothing is downloaded.
    motor.answers["RBo"] = "0";
    TuningSettings s;
    EXPECT_FALSE(Run(s).ran);
    EXPECT_EQ(From("?RBo"), (std::vector<std::string>{"?RBo", "a=11", "close"}));
    EXPECT_EQ(questions.AskedQuestions().at(0).message.caption, kWarningCaption);

    // Faults are asked about once per window; Yes goes on.
    motor = ScriptedMotor{};
    motor.answers["RW"] = "102"; // 0x66: both limits, position error, overheat
    questions.AnswerMessageBox(ui::IDYES);
    motor.lines = {"FINISHED"};
    Run(s);
    EXPECT_EQ(questions.MessageTexts().at(1),
              "The following errors were detected in the motor:\nPositive Limit Error\nNegative Limit Error\n"
              "Position Error\nOverheat Error\nDo you want to continue?");
    EXPECT_FALSE(showErrors);
    // The end-of-run warning states them without a question.
    EXPECT_EQ(questions.MessageTexts().at(2), StatusErrorText(102));

    // The motor stops answering in the middle: the error is shown, the end steps still run.
    motor = ScriptedMotor{};
    motor.lines = {"50005000"};
    const size_t asked = questions.MessageTexts().size();
    const RunOutcome out = Run(s);
    EXPECT_EQ(out.count, 1);
    EXPECT_EQ(questions.MessageTexts().at(asked), CVQXException(CVQXException::NoResponse).GetMessage());
    EXPECT_EQ(motor.log.back(), "close");
    EXPECT_FALSE(progress.IsShown());

    // Refused before any traffic: an offset of 0, a full backup table, a serial switch on USB.
    for (auto change : std::vector<std::function<void()>>{[&] { s.positionOffset = 0; },
                                                          [&] { motor.cannotSave = "The table is full."; }}) {
        motor = ScriptedMotor{};
        s = TuningSettings{};
        change();
        EXPECT_FALSE(Run(s).ran);
        EXPECT_TRUE(motor.log.empty());
    }
    motor = ScriptedMotor{};
    motor.serial = false;
    motor.lines = {"FINISHED"};
    Run(TuningSettings{});
    EXPECT_EQ(std::count_if(motor.log.begin(), motor.log.end(), [](auto& c) { return c.rfind("baud", 0) == 0; }), 0);
}

} // namespace
