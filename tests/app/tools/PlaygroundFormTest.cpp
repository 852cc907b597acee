// The playground's form against a scripted motor: what it sends and when, the GOSUB9 retry, a
// second connect without a second download, the fixed cycle per family with the status word
// feeding the fault question, outputs of unknown state, a full backup table, the terminal's
// ASCII rule and the first moves of the pages.
#include <gtest/gtest.h>

#include "app/tools/PlaygroundForm.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/common/HeadlessContext.h"

#include <deque>
#include <map>

using namespace tools;

namespace {

// A motor that answers report commands from a table, or from a queue of scripted answers
// (an empty text in the queue: no reply).
struct ScriptedIo : IPlaygroundIo {
    std::vector<std::string> sent;
    std::map<std::string, std::string> answers;
    std::deque<std::string> queue; // for GOSUB9
    int opened = 0;
    void OpenPort(CMotor&) override { ++opened; }
    void Send(CMotor&, const std::string& c) override { sent.push_back(c); }
    std::string Ask(CMotor&, const std::string& c) override
    {
        sent.push_back("?" + c);
        if (c == "GOSUB9" && !queue.empty()) {
            std::string a = queue.front();
            queue.pop_front();
            if (a.empty())
                throw CVQXException(CVQXException::NoResponse);
            return a;
        }
        auto it = answers.find(c);
        if (it == answers.end())
            throw CVQXException(CVQXException::NoResponse);
        return it->second;
    }
    std::vector<std::string> Take()
    {
        auto s = std::move(sent);
        sent.clear();
        return s;
    }
};

struct CountingPrograms : IPollingPrograms {
    int saves = 0, downloads = 0, clears = 0, corrupt = 0;
    std::string refuse;
    std::string WhyCannotSave(const CMotor&) override { return refuse; }
    bool Saved(const CMotor&) override { return saves > 0; }
    void SaveUserProgram(CMotor&) override
    {
        if (corrupt > 0 && clears == 0)
            throw CVQXException(CVQXException::ProgramCorrupted);
        ++saves;
    }
    void ClearProgram(CMotor&) override { ++clears; }
    void DownloadPollingProgram(CMotor&) override { ++downloads; }
    std::vector<std::string> RestoreAll() override { return {}; }
};

class PlaygroundFormTest : public ::testing::Test, protected HeadlessContext {
protected:
    CCommPort port;
    CMotor* motor = new CMotor;
    ScriptedIo io;
    CountingPrograms programs;
    std::unique_ptr<CPlaygroundForm> form;

    void Make(const std::string& version, bool withProgram)
    {
        port.id = 0;
        port.PortName = "/dev/pts/99";
        motor->Name = "Motor2";
        motor->Address = 2;
        motor->Version = version;
        port.motors.Add(motor);
        motor->SetPort(&port);
        form = std::make_unique<CPlaygroundForm>(context, io, programs, PlaygroundSettings{withProgram, true});
        io.answers = {{"RW", "0"}, {"RIN", "0"}, {"ROUT", "0"}, {"RU", "0"}, {"RP", "0"}, {"RV", "0"}, {"RBt", "0"}, {"RBn", "0"},
                      {"z=UAI Rz", "0"}};
        form->FillPortList({&port});
        ASSERT_EQ(form->Motor(), motor);
        ASSERT_EQ(form->PortEntries().size(), 1u);
        EXPECT_EQ(form->PortEntries()[0].text, "pts/99"); // a device by its short name
    }
    void Connect(int tab = 3)
    {
        form->OnTabChanged(tab);
        if (form->Settings().downloadPollProgram)
            questions.AnswerMessageBox(ui::IDOK); // the polling program's question
        form->OnConnect();
        ASSERT_TRUE(form->Connected());
    }
};

TEST_F(PlaygroundFormTest, PollingProgramRetryAndSecondConnectWithoutDownload)
{
    Make("510", true);
    Connect();
    EXPECT_EQ(programs.saves, 1);
    EXPECT_EQ(programs.downloads, 1);
    EXPECT_TRUE(form->UsePollingProgram());
    // One please-wait dialog without Cancel: saving, then downloading; closed afterwards.
    std::vector<std::string> waits;
    for (const auto& e : progress.Events())
        if (e.kind == ui::CHeadlessProgress::Event::Show || e.kind == ui::CHeadlessProgress::Event::SetText)
            waits.push_back(e.text);
        else if (e.kind == ui::CHeadlessProgress::Event::CancelVisible)
            waits.push_back(e.value ? "cancel shown" : "cancel hidden");
    EXPECT_EQ(waits, (std::vector<std::string>{"Saving original program in motor", "cancel hidden",
                                               "Downloading the polling program to the motor"}));
    EXPECT_EQ(progress.ShowCount(), 1);
    EXPECT_FALSE(progress.IsShown());
    auto sent = io.Take();
    // RUN after the download, then the Terminal page stops the motor and sets the program's fields.
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 3), (std::vector<std::string>{"RUN", "S", "f=44 w=-1 i=-1 o=-1 g=-1 n=0"}));

    io.queue = {"", "P1200E-3W8I5V0O6"}; // the first try fails, the second answers
    EXPECT_TRUE(form->PollStep());
    EXPECT_TRUE(form->Connected());
    EXPECT_EQ(form->LinkState(), 1);
    EXPECT_EQ(form->Values().Position, 1200);
    EXPECT_EQ(form->StatusLed(3), 1);
    EXPECT_EQ(form->InputLed(0), 1);
    EXPECT_EQ(form->IoLed(1), 1);
    EXPECT_EQ(form->IoLed(0), 0);
    io.queue = {"P5X1"};
    form->PollStep();
    EXPECT_EQ(io.Take().back(), "RUN"); // X asks for RUN

    form->OnDisconnect();
    EXPECT_FALSE(form->Connected());
    EXPECT_EQ(io.Take(), (std::vector<std::string>{"S"})); // no END while the polling program runs
    Connect(); // no question, no save, no download: RUN again
    EXPECT_EQ(programs.saves, 1);
    EXPECT_EQ(programs.downloads, 1);
    EXPECT_EQ(io.Take().front(), "RUN");

    io.queue = {"", ""}; // two failures end the connection
    EXPECT_TRUE(form->PollStep());
    EXPECT_FALSE(form->Connected());
    EXPECT_EQ(form->LinkState(), 0);
    EXPECT_EQ(form->StatusLed(3), -1);
}

TEST_F(PlaygroundFormTest, FixedCycleFeedsTheFaultQuestion)
{
    Make("510", false);
    Connect(3);
    EXPECT_FALSE(form->UsePollingProgram());
    io.Take();
    io.answers["RW"] = std::to_string(1 << 19); // left soft limit
    // The Terminal page asks nothing of its own: RW, RIN, ROUT, then RW again.
    for (int i = 0; i < 6; ++i)
        form->PollStep();
    auto sent = io.Take();
    EXPECT_EQ(sent, (std::vector<std::string>{"?RW", "?RIN", "?ROUT", "?RW", "?RIN"}));
    EXPECT_EQ(form->StatusLed(19), 1);
    EXPECT_EQ(form->StatusLabel(6), "Bh:  Excessive Temperature");
    // The question sees the status word read without the polling program.
    questions.AnswerChoice(101);
    EXPECT_FALSE(form->AskClearFaults());
    EXPECT_TRUE(form->Checks().soft);
    sent = io.Take();
    EXPECT_EQ(sent, (std::vector<std::string>{"LNE", "LPE", "SLD", "ZS"}));
    // ZS leaves the status word as read: until the motor reports it clear, a move asks again.
    io.answers["RW"] = std::to_string(1 << 5); // excessive position error
    for (int i = 0; i < 3; ++i)
        form->PollStep();
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_FALSE(form->AskClearFaults());
    EXPECT_EQ(io.Take().back(), "ZS");
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_FALSE(form->AskClearFaults());
    io.answers["RW"] = "0";
    for (int i = 0; i < 4; ++i)
        form->PollStep();
    EXPECT_TRUE(form->AskClearFaults()); // cleared: the next move may go

    // Outputs: switched only once read; the clicked bit alone changes.
    io.answers["ROUT"] = "5";
    form->ForgetMotor();
    EXPECT_FALSE(form->Connected());
}

TEST_F(PlaygroundFormTest, OutputsOfUnknownStateAreNotSwitched)
{
    Make("510", false);
    Connect(3);
    io.Take();
    EXPECT_FALSE(form->Enabled(pg::kIoLed0 + 1));
    form->ToggleOutput(pg::kIoLed0 + 1);
    EXPECT_TRUE(io.Take().empty());
    io.answers["ROUT"] = "5";
    for (int i = 0; i < 3; ++i)
        form->PollStep();
    io.Take();
    EXPECT_TRUE(form->Enabled(pg::kIoLed0 + 1));
    form->ToggleOutput(pg::kIoLed0 + 1);
    EXPECT_EQ(io.Take(), (std::vector<std::string>{"OUT=7"}));
    form->ToggleOutput(pg::kIoLed0 + 2);
    EXPECT_EQ(io.Take(), (std::vector<std::string>{"OUT=1"}));
}

TEST_F(PlaygroundFormTest, OlderMotorCycleAndAFullBackupTable)
{
    Make("450", true);
    programs.refuse = "no room";
    form->OnTabChanged(4);
    questions.AnswerMessageBox(ui::IDOK); // the download question
    questions.AnswerMessageBox(ui::IDOK); // "no room ... without the polling program"
    form->OnConnect();
    ASSERT_TRUE(form->Connected());
    EXPECT_FALSE(form->UsePollingProgram());
    EXPECT_EQ(programs.saves, 0);
    EXPECT_EQ(programs.downloads, 0);
    io.Take();
    for (char pin = 'A'; pin <= 'G'; ++pin)
        io.answers[std::string("z=U") + pin + "I Rz"] = pin == 'A' ? '1' : '0';
    for (int i = 0; i < 10; ++i)
        form->PollStep();
    auto sent = io.Take();
    ASSERT_EQ(sent.size(), 9u) << ::testing::PrintToString(sent);
    EXPECT_EQ(sent[1], "?z=UAI Rz");
    EXPECT_EQ(sent[7], "?z=UGI Rz");
    EXPECT_EQ(sent[8], "?RW");
    EXPECT_EQ(form->IoLed(0), 1);
    EXPECT_EQ(form->IoLed(1), 0);
    EXPECT_EQ(form->Info().rows[0].first, "Model");
    EXPECT_EQ(form->Info().rows[2].second, "2");
}

TEST_F(PlaygroundFormTest, PagesFirstMovesAndTheTerminal)
{
    Make("510", false);
    io.answers["RP"] = "1234";
    Connect(0);
    auto sent = io.Take();
    // Position page activation: A, V (no soft limits on version 5), RBt, then MP S RP; then the
    // limit settings of the connection.
    EXPECT_EQ(sent, (std::vector<std::string>{"A=79", "V=53687", "?RBt", "MP", "S", "?RP", "LNE", "LPE", "SLE"}));
    EXPECT_TRUE(form->Jog().MovePending);
    // The first values update sends the position just read back as the target.
    for (int i = 0; i < 4; ++i)
        form->PollStep();
    sent = io.Take();
    EXPECT_EQ(sent, (std::vector<std::string>{"?RW", "?RIN", "?ROUT", "?RP", "P=1234", "G"}));
    EXPECT_EQ(form->Jog().currentText, "1234");
    form->Jog().destinationText = "-500";
    form->Jog().Go();
    form->Jog().JogButton(CJogPage::kR, 2); // a click: one count right of the destination field
    form->PollStep();
    form->PollStep();
    form->PollStep();
    form->PollStep();
    sent = io.Take();
    EXPECT_EQ(sent.back(), "G");
    EXPECT_EQ(sent[sent.size() - 2], "P=-499");
    // A jog held and let go: "X", and until the next move the destination is where the motor
    // coasts to, so that a click steps one count from there.
    auto cycle = [&](const char* position) {
        io.answers["RP"] = position;
        for (int i = 0; i < 4; ++i)
            form->PollStep();
        return io.Take();
    };
    form->Jog().JogButton(CJogPage::kR, 3);
    EXPECT_EQ(cycle("8568"), (std::vector<std::string>{"?RW", "?RIN", "?ROUT", "?RP", "P=100000", "G"}));
    EXPECT_EQ(form->Jog().destinationText, "8568");
    form->Jog().JogButton(CJogPage::kR, 1);
    EXPECT_EQ(io.Take(), (std::vector<std::string>{"X"}));
    cycle("9440");
    EXPECT_EQ(form->Jog().destinationText, "9440");
    EXPECT_EQ(form->Jog().currentText, "9440");
    cycle("9440"); // it stands: what the user types stays
    form->Jog().destinationText = "5000";
    cycle("9440");
    EXPECT_EQ(form->Jog().destinationText, "5000");
    form->Jog().JogButton(CJogPage::kR, 2);
    sent = cycle("9440");
    EXPECT_EQ(std::vector<std::string>(sent.end() - 2, sent.end()), (std::vector<std::string>{"P=5001", "G"}));
    form->Jog().GoTo(CJogPage::kZeroPos); // a move ends the following
    sent = cycle("9441");
    EXPECT_EQ(form->Jog().destinationText, "0");

    // Velocity: the acceleration read at activation goes again with the first slider move.
    form->OnTabChanged(1);
    EXPECT_EQ(io.Take(), (std::vector<std::string>{"A=79", "V=0", "MV", "G"}));
    form->Velocity().Slider(Scroll::ThumbTrack, 50);
    sent = io.Take();
    ASSERT_EQ(sent.size(), 3u) << ::testing::PrintToString(sent);
    EXPECT_EQ(sent[0], "A=79");
    EXPECT_EQ(sent[1], "V=" + std::to_string(form->Velocity().MaxVelocity / 2));
    EXPECT_EQ(sent[2], "G");
    form->Velocity().Slider(Scroll::ThumbTrack, 40);
    EXPECT_EQ(io.Take().front().rfind("V=", 0), 0u); // sent once only

    form->OnTabChanged(3);
    io.Take();
    form->Terminal().editText = "RP\xC3\xA9";
    questions.AnswerMessageBox(ui::IDOK);
    form->Terminal().Send();
    EXPECT_TRUE(io.Take().empty()); // nothing of it reached the wire
    EXPECT_EQ(form->Terminal().editText, "RP\xC3\xA9");
    form->Terminal().editText = "G";
    form->Terminal().Send(); // no reply: listed with an empty response
    EXPECT_EQ(form->Terminal().rows.back(), (std::pair<std::string, std::string>{"G", ""}));
    EXPECT_TRUE(form->Terminal().editText.empty());
    EXPECT_TRUE(form->Connected());
    // Closing the window stops the motor and leaves a program running in it ("END" is not sent).
    io.Take();
    form->CloseConnection();
    EXPECT_EQ(io.Take(), (std::vector<std::string>{"S"}));
    EXPECT_FALSE(form->Connected());
}

TEST_F(PlaygroundFormTest, CalibrationFlagOf462FirmwareLightsItsLampAlone)
{
    Make("462", true);
    Connect(3);
    auto sent = io.Take();
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 4),
              (std::vector<std::string>{"RUN", "S", "f=44 w=-1 i=-1 o=-1 g=-1 n=0", "n=1"}));
    EXPECT_TRUE(form->StatusRowShown(16));
    EXPECT_EQ(form->StatusLabel(16), "Bn:  Calibration Fault");
    // The status word (busy, right hardware limit), then reports of the flag set and clear.
    io.queue = {"W3", "W134283264"};
    form->PollStep();
    form->PollStep();
    EXPECT_EQ(form->StatusLed(16), 1);
    EXPECT_TRUE(form->StatusLabelBold(16));
    EXPECT_EQ(form->StatusLed(0), 1);
    EXPECT_EQ(form->StatusLed(1), 1);
    EXPECT_EQ(form->Values().StatusWord, 0x10003); // the fault question still sees the limit
    EXPECT_EQ(form->PictureLeds().Led(0).state, kLedGreen); // busy, not taken from the report
    questions.AnswerChoice(100);
    EXPECT_FALSE(form->AskClearFaults());
    io.queue = {"W134217728"};
    form->PollStep();
    EXPECT_EQ(form->StatusLed(16), 0);
    EXPECT_EQ(form->StatusLed(1), 1);
    // Without the polling program, RBn gives the same lamp.
    form->OnDisconnect();
    form = std::make_unique<CPlaygroundForm>(context, io, programs, PlaygroundSettings{false, true});
    form->FillPortList({&port});
    Connect(3);
    io.answers["RBn"] = "1";
    for (int i = 0; i < 3; ++i)
        form->PollStep();
    EXPECT_EQ(io.Take().back(), "?RBn");
    EXPECT_EQ(form->StatusLed(16), 1);
}

} // namespace

namespace {

TEST_F(PlaygroundFormTest, ACorruptProgramIsClearedOnlyWhenTheUserAgrees)
{
    Make("510", true);
    programs.corrupt = 1;
    questions.AnswerMessageBox(ui::IDOK); // download the polling program
    questions.AnswerMessageBox(ui::IDNO); // do not clear the EEPROM
    form->OnConnect();
    EXPECT_FALSE(form->Connected());
    EXPECT_EQ(programs.clears, 0);
    EXPECT_EQ(programs.downloads, 0);
    EXPECT_TRUE(io.Take().empty()); // nothing was sent: the motor is as it was

    questions.AnswerMessageBox(ui::IDOK);
    questions.AnswerMessageBox(ui::IDYES);
    form->OnConnect();
    EXPECT_TRUE(form->Connected());
    EXPECT_EQ(programs.clears, 1);
    EXPECT_EQ(programs.saves, 1);
    EXPECT_EQ(programs.downloads, 1);
    const auto texts = questions.MessageTexts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(texts[1].find("Do you want to clear EEPROM and continue?"), std::string::npos) << texts[1];
}

} // namespace

TEST_F(PlaygroundFormTest, PictureLampsFollowTheStatusWordAndInputsByFamily)
{
    // Lamp states after one GOSUB9 reply; g = grey, r = red, G = green.
    const struct {
        const char* version;
        const char* reply;
        const char* lamps;
    } cases[] = {
        {"510", "W0I0", "GgGgg"},                   // on, not busy, drive on
        {"510", "W1I128", "GGGGg"},                 // busy; input 7 (drive enable)
        {"510", "W128I0", "Ggggg"},                 // motor off
        {"510", "W65537I0", "GgGGr"},               // busy and drive fault (bit 16)
        {"510", "W-1I128", "gGggg"},                // no status: all grey, then input 7
        {"450", "W0", "gG"},                        // two lamps: idle, servo on
        {"450", "W129", "Gr"},                      // busy, motor off
        {"461", "W-1", "gg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " " + c.reply);
        if (!form) {
            Make(c.version, true);
        } else {
            motor->Version = c.version;
            form = std::make_unique<CPlaygroundForm>(context, io, programs, PlaygroundSettings{true, true});
            form->FillPortList({&port});
        }
        Connect();
        EXPECT_EQ(form->PictureLeds().Count(), std::string(c.version)[0] == '5' ? 5 : 2);
        io.queue = {c.reply};
        ASSERT_TRUE(form->PollStep());
        std::string lamps;
        for (int i = 0; i < form->PictureLeds().Count(); ++i)
            lamps += "rGg"[form->PictureLeds().Led(i).state == kLedRed ? 0 : form->PictureLeds().Led(i).state == kLedGreen ? 1 : 2];
        EXPECT_EQ(lamps, std::string(c.lamps).substr(0, lamps.size()));
        EXPECT_TRUE(form->PictureLeds().AnyChanged());
        // Offline: every lamp grey.
        form->GoOffline();
        for (int i = 0; i < form->PictureLeds().Count(); ++i)
            EXPECT_EQ(form->PictureLeds().Led(i).state, kLedOff) << i;
    }
}

TEST_F(PlaygroundFormTest, DetectMotorsAsksTheMainWindowAndConnectsTheMotorAtItsPlace)
{
    Make("450", false);
    const struct {
        bool mainHidden;
        uint32_t answer;
        uint32_t wantRequest;
        bool connected;
    } cases[] = {
        {false, 0x10001, 0x10E0000, true},  // detected, the list replaced
        {true, 0x20001, 0x1220000, true},   // hidden main window: taken as found
        {false, 0, 0x10E0000, false},       // nothing detected: listed again, not connected
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        if (form->Connected())
            form->OnDisconnect();
        form->FillPortList({&port});
        uint32_t asked = 0;
        CCommPort* askedPort = nullptr;
        form->OnDetectMotors(
            [&](CCommPort& p, uint32_t request) {
                asked = request;
                askedPort = &p;
                return c.answer;
            },
            c.mainHidden);
        EXPECT_EQ(asked, c.wantRequest);
        EXPECT_EQ(askedPort, &port);
        EXPECT_EQ(form->Connected(), c.connected);
        EXPECT_EQ(form->Motor(), motor); // the list chooses its first motor again either way
    }
    // While connected, detection is not offered.
    form->FillPortList({&port});
    Connect();
    bool asked = false;
    form->OnDetectMotors([&](CCommPort&, uint32_t) { return asked = true, 0u; }, false);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(form->Enabled(pg::kDetect));
}
