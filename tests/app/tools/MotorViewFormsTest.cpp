// The motor view's pages without widgets, against simulated motors of every firmware family: the
// status cycle and what its answers light, the output clicks, the flag tables and their cycle, the
// user-variable layout and queries, monitor templates, the info fields and Get Info, the icon
// button's hold timing, and the view's own poll step, project state and lost motors.
#include <gtest/gtest.h>

#include "app/shell/CommError.h"
#include "app/tools/IconButtonState.h"
#include "app/tools/MotorInfoForm.h"
#include "app/tools/MotorViewForm.h"
#include "app/tools/WatchItemForm.h"
#include "core/archive/TagArchive.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/common/HeadlessContext.h"
#include "tests/common/TempFolder.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <fstream>

using namespace tools;

namespace {

struct Host final : IMonitorHost {
    std::deque<std::optional<std::string>> paths;
    std::vector<std::string> proposed;
    std::function<bool(CWatchItem*)> itemDialog;
    std::optional<std::string> AskOpenPath() override { return Next(); }
    std::optional<std::string> AskSavePath(const std::string& p) override
    {
        proposed.push_back(p);
        return Next();
    }
    std::optional<std::string> Next()
    {
        if (paths.empty())
            return std::nullopt;
        auto p = paths.front();
        paths.pop_front();
        return p;
    }
    bool RunItemDialog(CWatchItem* item) override { return itemDialog ? itemDialog(item) : (delete item, false); }
    void ListChanged() override {}
    void RowChanged(int) override {}
    void StateChanged() override {}
};

struct Frame final : commerror::ICommErrorHandler {
    uint32_t answer = 0;
    int asked = 0;
    std::function<void()> during;
    uint32_t OnCommError(uint32_t, commerror::Target) override
    {
        ++asked;
        if (during)
            during();
        return answer;
    }
};

class MotorViewOnChain : public ::testing::Test, protected HeadlessContext {
protected:
    // A chain of two motors of one firmware; the view shows motor 2.
    void Chain(const std::string& firmware)
    {
        static int n = 0;
        const std::string line = "motorview-" + std::to_string(++n);
        vqxsim::MotorProfile p;
        p.firmware = firmware;
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true;
        vqxsim::FakeLineOptions o;
        o.pcWriteTap = [this](const std::vector<uint8_t>& bytes) {
            for (uint8_t b : bytes)
                if (b < 0x80)
                    sent += static_cast<char>(b);
        };
        view.reset();
        port.reset();
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(2, p, true), line, o);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(std::chrono::seconds(2));
        ASSERT_TRUE(port->OpenPort());
        for (int a : {1, 2})
            ASSERT_NE(EnterDetectedMotor(*port, a), nullptr);
        motor = port->GetMotor(2);
        MonitorServices s;
        s.commError = &frame;
        s.questions = &questions;
        s.pollingAllowed = [this] { return allowed; };
        view = std::make_unique<CMotorViewForm>(0, motor, 0, s, host);
        view->MotorChanged();
        sent.clear();
    }
    void Sim(const std::function<void(vqxsim::SimMotor&)>& f) { rig->WithMotor(1, f); }
    // The commands sent by `steps` poll steps, as the line saw them.
    std::string Steps(const std::function<bool()>& step, int steps)
    {
        sent.clear();
        for (int i = 0; i < steps; ++i)
            step();
        return sent;
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    CMotor* motor = nullptr;
    Host host;
    Frame frame;
    bool allowed = true;
    std::string sent;
    std::unique_ptr<CMotorViewForm> view;
    TempFolder folder;
};

std::string Frames(std::initializer_list<const char*> commands)
{
    std::string s;
    for (const char* c : commands)
        s += std::string(c) + " ";
    return s;
}

} // namespace

TEST_F(MotorViewOnChain, StatusCycleOfEachFamily)
{
    struct Case {
        const char* firmware;
        int extra1, extra2;
        std::string cycle;
    };
    const Case cases[] = {
        {"450", 1, 2,
         Frames({"RW", "RP", "RPE", "RV", "RMODE", "RBi", "RI", "z=UAI Rz", "z=UBI Rz", "z=UCI Rz", "z=UDI Rz",
                 "z=UEI Rz", "z=UFI Rz", "z=UGI Rz"})},
        {"450", 0, 0,
         Frames({"RW", "RP", "RPE", "RV", "RMODE", "z=UAI Rz", "z=UBI Rz", "z=UCI Rz", "z=UDI Rz", "z=UEI Rz",
                 "z=UFI Rz", "z=UGI Rz"})},
        // "CHN" has no query on 46x firmware; 462 reads the calibration fault after the pins.
        {"462", 12, 0, Frames({"RW", "RP", "RPE", "RV", "RMODE", "RU", "RBn"})},
        {"461", 0, 3, Frames({"RW", "RP", "RPE", "RV", "RMODE", "z=TEMP Rz", "RU"})},
        {"5xx", 3, 7, Frames({"RW", "RP", "RPE", "RV", "RMODE", "RTP", "RJ", "RIN", "ROUT", "RBg", "RI7"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        Chain(c.firmware);
        CMotorStatusForm& status = view->Status();
        status.ChooseExtras(c.extra1, c.extra2);
        EXPECT_EQ(status.StartPolling(), "");
        int steps = 0;
        sent.clear();
        do {
            ASSERT_TRUE(view->PollStep());
            ++steps;
        } while (status.NextQuery() != 0 && steps < 30);
        EXPECT_EQ(sent, c.cycle);
        EXPECT_EQ(status.Link(), kLinkWorks);
        // The next cycle starts with the status word again.
        EXPECT_EQ(Steps([&] { return view->PollStep(); }, 1), "RW ");
    }
    EXPECT_EQ(view->Status().ExtraName(12), "CHN");
    // The value fields' tooltips name the chosen extra; "None" has none.
    view->Status().ChooseExtras(0, 7);
    EXPECT_EQ(view->Status().ExtraTip(0), "");
    EXPECT_EQ(view->Status().ExtraTip(1), "Current Value of \"Current\"");
}

TEST_F(MotorViewOnChain, StatusLedsFollowTheMotor)
{
    Chain("5xx");
    CMotorStatusForm& status = view->Status();
    EXPECT_EQ(status.Picture.Count(), 5);
    EXPECT_EQ(status.StatusLabel[8], "I0:    Input 0 Asserted");
    EXPECT_TRUE(status.StatusShown[22]);
    EXPECT_TRUE(status.InputsShown);
    EXPECT_EQ(status.IoTitle, "Outputs:");
    ASSERT_EQ(status.StartPolling(), "");
    auto cycle = [&] {
        do
            view->PollStep();
        while (status.NextQuery() != 0);
    };
    Sim([](vqxsim::SimMotor& m) {
        m.SetServo(true);
        m.SetHardwareLimit(+1, true);
        m.Values()["P"] = 1234;
    });
    cycle();
    EXPECT_EQ(status.StatusLed[9], 1);   // Bp: (+) limit asserted
    EXPECT_TRUE(status.StatusBold[9]);
    EXPECT_EQ(status.StatusLed[7], 0);   // servo on
    EXPECT_EQ(status.Picture.Led(2).state, 1);
    EXPECT_EQ(status.Picture.Led(3).state, -1); // no trajectory
    EXPECT_EQ(status.Position, "1234");
    Sim([](vqxsim::SimMotor& m) {
        m.SetHardwareLimit(+1, false);
        m.SetServo(false);
    });
    cycle();
    EXPECT_EQ(status.StatusLed[9], 0);
    EXPECT_EQ(status.StatusLed[7], 1);
    EXPECT_EQ(status.Picture.Led(2).state, -1);
    EXPECT_EQ(status.Mode, "SERVO OFF");

    // "RW" of -1, or garbage: every status LED unknown and the picture grey, never "all clear".
    for (const char* reply : {"-1", "#?"}) {
        SCOPED_TRACE(reply);
        Sim([reply](vqxsim::SimMotor& m) { m.knobs.statusReply = reply; });
        cycle();
        EXPECT_TRUE(std::all_of(status.StatusLed.begin(), status.StatusLed.end(), [](int s) { return s == -1; }));
        EXPECT_EQ(status.Picture.Led(0).state, -1);
    }

    // A motor that stops answering while errors are tolerated: offline, values "N/A", and "RW"
    // asked again until it answers.
    context.Options().NoPollingOnError = false;
    Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    view->PollStep();
    EXPECT_EQ(status.Link(), kLinkFailed);
    EXPECT_EQ(status.Position, "N/A");
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 2), "RW RW ");
    EXPECT_EQ(frame.asked, 0);
}

TEST_F(MotorViewOnChain, OutputClicksSetTheMotorsOutputsOnceTheyAreKnown)
{
    Chain("5xx");
    CMotorStatusForm& status = view->Status();
    ASSERT_EQ(status.StartPolling(), "");
    Sim([](vqxsim::SimMotor& m) {
        m.SetOutput(0, true);
        m.SetOutput(2, true);
    });
    // Before the outputs were read the LEDs cannot be clicked: nothing is sent.
    EXPECT_FALSE(status.IoEnabled(1));
    sent.clear();
    EXPECT_FALSE(status.ClickIo(1));
    EXPECT_EQ(sent, "");
    do
        view->PollStep();
    while (status.NextQuery() != 0);
    ASSERT_TRUE(status.IoEnabled(1));
    EXPECT_FALSE(status.IoEnabled(3)); // version 5 has three outputs
    sent.clear();
    EXPECT_TRUE(status.ClickIo(1));
    EXPECT_EQ(sent, "OUT=7 ");
    EXPECT_EQ(status.NextQuery(), 20);
    bool one = false;
    Sim([&](vqxsim::SimMotor& m) { one = m.Output(1); });
    EXPECT_TRUE(one);
    view->PollStep(); // ROUT
    EXPECT_EQ(status.IoLed[1], 1);
    sent.clear();
    EXPECT_TRUE(status.ClickIo(1));
    EXPECT_EQ(sent, "OUT=5 ");
    Sim([&](vqxsim::SimMotor& m) { one = m.Output(1); });
    EXPECT_FALSE(one);

    // An older motor sets one pin at a time once that pin was read.
    Chain("450");
    ASSERT_EQ(view->Status().StartPolling(), "");
    for (int i = 0; i < 12; ++i)
        view->PollStep();
    sent.clear();
    EXPECT_TRUE(view->Status().ClickIo(2));
    EXPECT_EQ(sent, "UC=1 ");
    EXPECT_EQ(view->Status().NextQuery(), 7);
    // The pin reads back as set, so the next click switches it off again.
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 3), Frames({"z=UAI Rz", "z=UBI Rz", "z=UCI Rz"}));
    EXPECT_EQ(view->Status().IoLed[2], 1);
    sent.clear();
    EXPECT_TRUE(view->Status().ClickIo(2));
    EXPECT_EQ(sent, "UC=0 ");
    Steps([&] { return view->PollStep(); }, 3);
    EXPECT_EQ(view->Status().IoLed[2], 0);
    Sim([&](vqxsim::SimMotor& m) { one = m.Output(2); });
    EXPECT_FALSE(one);
}

TEST(MotorFlagTables, EachFamilyHasItsRows)
{
    struct Case {
        FamilyTraits family;
        size_t rows;
        int wRows;
        const char* lastFlag;
    };
    const Case cases[] = {
        {{FirmwareFamily::Older, false, false}, 20, 16, "Bh"},
        {{FirmwareFamily::V46, true, false}, 19, 16, "Bf"},
        {{FirmwareFamily::V46, true, true}, 21, 16, "Bn"},
        {{FirmwareFamily::V5, false, false}, 34, 23, "Bz"},
    };
    for (const Case& c : cases) {
        const FlagTable t = BuildFlagTable(c.family);
        ASSERT_EQ(t.rows.size(), c.rows);
        EXPECT_EQ(t.wRows, c.wRows);
        EXPECT_EQ(t.rows.back().flag, c.lastFlag);
        EXPECT_EQ(t.rows[static_cast<size_t>(c.wRows - 1)].wValue, std::to_string(1u << (c.wRows - 1)));
        EXPECT_EQ(t.rows[static_cast<size_t>(c.wRows)].bit, "");
    }
    EXPECT_EQ(BuildFlagTable({FirmwareFamily::V46, true, false}).rows[6].toClear, "Zh,ZS");
    EXPECT_EQ(BuildFlagTable({}).rows[6].flag, "");
}

TEST_F(MotorViewOnChain, FlagsDecodeTypedValuesAndPollTheFlagsNotInW)
{
    Chain("450");
    CMotorFlagsForm& flags = view->Flags();
    // Typed while not polling: 129 asserts the trajectory and motor-off rows only.
    ASSERT_TRUE(flags.TypeW("129"));
    std::vector<std::string> asserted;
    for (const FlagListRow& r : flags.ListRows())
        if (r.columns[2] == flags::kAsserted)
            asserted.push_back(r.columns[0]);
    EXPECT_EQ(asserted, (std::vector<std::string>{"Trajectory In Progress", "Motor Is Off"}));
    EXPECT_TRUE(flags.ToggleListRow(1));
    EXPECT_EQ(flags.WText(), "128");
    EXPECT_FALSE(flags.TypeW("abc"));

    view->SelectTab(motorview::kFlagsTab);
    ASSERT_EQ(flags.StartPolling(), "");
    EXPECT_FALSE(flags.TypeW("5")); // not while polling
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 3), "RW RW RW ");
    flags.IncludeNotInW = true;
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 6), Frames({"RW", "RBb", "RBc", "RBf", "RBh", "RW"}));
    EXPECT_EQ(flags.ListRows().size(), 1u + 16u + 2u + 4u);

    // "RW" of -1, or a reply without a number: W is unknown ("N/A"), never decoded as 0 ("all
    // clear"); while it is unknown a double click has no bit to invert, and a typed value is
    // decoded again.
    for (const char* reply : {"-1", "#?"}) {
        SCOPED_TRACE(reply);
        Sim([reply](vqxsim::SimMotor& m) { m.knobs.statusReply = reply; });
        flags.SetPolling(true);
        view->PollStep();
        EXPECT_EQ(flags.WText(), "N/A");
        EXPECT_EQ(flags.ListRows()[1].columns[2], "N/A");
        flags.SetPolling(false);
        EXPECT_FALSE(flags.ToggleListRow(1));
        EXPECT_EQ(flags.WText(), "N/A");
        ASSERT_TRUE(flags.TypeW("2"));
        EXPECT_TRUE(flags.ToggleListRow(1));
        EXPECT_EQ(flags.WText(), "3");
    }
    Sim([](vqxsim::SimMotor& m) { m.knobs.statusReply = "-1"; });
    flags.SetPolling(true);
    view->PollStep();
    EXPECT_EQ(flags.WText(), "N/A");

    // The user declines recovery: polling stops, and the question does not come back.
    Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    frame.answer = 0;
    EXPECT_TRUE(view->PollStep());
    EXPECT_FALSE(flags.Polling());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(view->PollStep());
    EXPECT_EQ(frame.asked, 1);

    Chain("5xx");
    view->SelectTab(motorview::kFlagsTab);
    view->Flags().IncludeNotInW = true;
    ASSERT_EQ(view->Flags().StartPolling(), "");
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 12),
              Frames({"RW", "RBa", "RBd", "RBf", "RBj", "RBk", "RBn", "RBq", "RBu", "RBx", "RBy", "RBz"}));
}

TEST(MotorVariables, LayoutAndQueries)
{
    struct Case {
        int range;
        int n;
        const char* name;
        int row, nameColumn;
    };
    const Case cases[] = {
        {0, 0, "a", 0, 0},         {0, 13, "n", 0, 2},       {1, 39, "nn", 0, 2},   {1, 38, "mm", 38, 0},
        {1, 52, "aaa", 13, 2},     {3, 26, "aaa", 0, 2},     {5, 25, "al[25]", 25, 0}, {5, 26, "al[26]", 0, 2},
        {6, 101, "aw[101]", 50, 2}, {7, 203, "ab[203]", 101, 2}, {4, 25, "zzz", 12, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VariableName(c.range, c.n), c.name);
        const VariableCell cell = CellOf(c.n, LayoutCount(c.range));
        EXPECT_EQ(cell.row, c.row);
        EXPECT_EQ(cell.nameColumn, c.nameColumn);
        EXPECT_EQ(cell.valueColumn, c.nameColumn + 1);
    }
    EXPECT_EQ((LayoutCount(1) + 1) / 2, 39);
    EXPECT_EQ(PolledCount(6, "450"), 101);
    EXPECT_EQ(PolledCount(6, "467"), 102);
    EXPECT_EQ(PolledCount(7, "450"), 201);
    EXPECT_EQ(LayoutCount(7), 204);
    EXPECT_EQ(PolledCount(7, "520"), 204);
}

TEST_F(MotorViewOnChain, VariablesShowWhatTheMotorHolds)
{
    Chain("450");
    motor->SendCommand("b=255");
    CMotorVariablesForm& vars = view->Variables();
    view->SelectTab(motorview::kVariablesTab);
    ASSERT_EQ(vars.StartPolling(), "");
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 2), "Ra Rb ");
    EXPECT_EQ(vars.Value(1), "255");
    vars.Hex = true;
    vars.SetRange(6); // aw: 101 entries below 467, then it wraps
    for (int i = 0; i < 101; ++i)
        view->PollStep();
    EXPECT_EQ(vars.NextVariable(), 0);
    vars.SetRange(0);
    view->PollStep();
    view->PollStep();
    EXPECT_EQ(vars.Value(1), "0xFF");
    // Refresh reads one pass and ends stopped, also when a variable keeps failing.
    context.Options().NoPollingOnError = false;
    Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    EXPECT_EQ(Steps([&] { vars.Refresh(); return true; }, 1), "Ra ");
    EXPECT_FALSE(vars.Polling());
}

TEST_F(MotorViewOnChain, MonitorTemplatesRoundTripAndBindToTheMotor)
{
    Chain("450");
    CMotorMonitorPageForm& page = view->Monitor();
    host.itemDialog = [&](CWatchItem* item) {
        EXPECT_EQ(item->MotorAddress, 2);
        CWatchItemForm dlg(*item, false, false);
        WatchTarget t;
        t.present = true;
        t.address = 2;
        t.name = motor->Name;
        dlg.Start(t);
        dlg.SetKind(CWatchItem::kCustom);
        dlg.SetBitMask(false);
        dlg.pollCommand = "Ra";
        dlg.caption = "user a";
        EXPECT_EQ(dlg.Ok(), "");
        // The dialog closes: the copy it would go on with goes.
        delete page.AddWatchItem(&dlg.Item());
        return true;
    };
    page.OnCommand(monitorpage::ID_ADD, -1);
    ASSERT_EQ(page.List().Count(), 1);
    EXPECT_TRUE(page.Modified());
    const std::string path = folder / "axis.mtf";
    host.paths = {path};
    EXPECT_TRUE(page.SaveTemplate());
    EXPECT_EQ(motor->UserTemplateFile, path);
    EXPECT_FALSE(page.Modified());
    ASSERT_FALSE(host.proposed.empty());
    const int first = std::stoi(host.proposed.back().substr(8));
    EXPECT_EQ(host.proposed.back(), "Template" + std::to_string(first));

    // The template stored port 0, motor 2, enabled; another motor's view loading it binds the
    // items to itself and enables them.
    page.List().At(0)->Enabled = false;
    page.List().Modified = true;
    EXPECT_TRUE(page.SaveTemplate());
    motor = port->GetMotor(1);
    MonitorServices s;
    s.questions = &questions;
    CMotorViewForm other(1, motor, 0, s, host);
    EXPECT_EQ(other.Monitor().LoadTemplate(path), "");
    ASSERT_EQ(other.Monitor().List().Count(), 1);
    EXPECT_EQ(other.Monitor().List().At(0)->MotorAddress, 1);
    EXPECT_TRUE(other.Monitor().List().At(0)->Enabled);
    EXPECT_EQ(motor->UserTemplateFile, path);
    motor->SendCommand("a=42");
    other.Monitor().SetPolling(true);
    other.SelectTab(motorview::kMonitorTab);
    EXPECT_TRUE(other.PollStep());
    EXPECT_EQ(other.Monitor().List().At(0)->ValueText, "42");

    // A hostile template, or one that is gone, changes nothing: the items, the file and the
    // polling stay.
    const std::string bad = folder / "bad.mtf";
    std::ofstream(bad) << std::string(300, '\xff');
    for (const std::string& unreadable : {bad, folder / "gone.mtf"}) {
        EXPECT_NE(other.Monitor().LoadTemplate(unreadable), "");
        EXPECT_EQ(other.Monitor().List().Count(), 1);
        EXPECT_EQ(motor->UserTemplateFile, path);
        EXPECT_TRUE(other.Monitor().Polling());
    }
    // Opened by the user (Open), the same files say why nothing was loaded; a view that loads
    // its motor's file by itself when it opens stays silent.
    for (const std::string& unreadable : {bad, folder / "gone.mtf"}) {
        host.paths = {unreadable};
        const size_t said = questions.MessageTexts().size();
        other.Monitor().OnCommand(monitorpage::ID_OPEN, -1);
        ASSERT_EQ(questions.MessageTexts().size(), said + 1) << unreadable;
        EXPECT_EQ(questions.MessageTexts().back(), "Cannot open the specified file");
        EXPECT_EQ(other.Monitor().List().Count(), 1);
        EXPECT_EQ(motor->UserTemplateFile, path);
    }
    motor->UserTemplateFile = bad;
    const size_t said = questions.MessageTexts().size();
    CMotorViewForm opening(1, motor, 0, s, host);
    opening.Monitor().Start();
    EXPECT_EQ(questions.MessageTexts().size(), said);
    EXPECT_EQ(opening.Monitor().List().Count(), 0);
    motor->UserTemplateFile = path;

    // A good one replaces the items and polling goes on with them.
    EXPECT_EQ(other.Monitor().LoadTemplate(path), "");
    EXPECT_TRUE(other.Monitor().Polling());
    EXPECT_TRUE(other.PollStep());
    EXPECT_EQ(other.Monitor().List().At(0)->ValueText, "42");

    // The next Save As proposal counts on.
    port->GetMotor(1)->UserTemplateFile.clear();
    host.paths = {std::nullopt};
    other.Monitor().SaveTemplateAs();
    EXPECT_EQ(host.proposed.back(), "Template" + std::to_string(first + 1));

    // Close: Cancel keeps the unsaved items.
    other.Monitor().List().Modified = true;
    questions.AnswerMessageBox(ui::IDCANCEL);
    EXPECT_FALSE(other.CanClose());
    EXPECT_EQ(questions.MessageTexts().back(),
              "Do you want to save the changes to \"Monitor Items of " + motor->Name + "\"?");
}

TEST_F(MotorViewOnChain, InfoFieldsAndGetInfo)
{
    Chain("450");
    motor->UseConversionFactor = true;
    motor->ConversionFactor = 0.5;
    motor->Unit = "in";
    motor->TimeUnit = "Sec.";
    motor->ProgName.clear();
    MotorInfoFields f = InfoFieldsOf(*motor);
    EXPECT_EQ(f.scaling, "Each revolution of the shaft equals to 0.500 in.\nTime units: Sec.");
    EXPECT_EQ(f.progName, "N/A");
    EXPECT_EQ(f.address, "2");

    // The identity read afresh differs from what the project holds: the resolve dialog, unless
    // the project is the default one.
    const std::string version = motor->Version;
    motor->Version = "410";
    int resolved = 0;
    MotorInfoServices services;
    services.resolve = [&](CMotor& defined, CMotor& detected) {
        ++resolved;
        EXPECT_EQ(&defined, motor);
        EXPECT_EQ(detected.Version, version);
    };
    EXPECT_EQ(GetMotorInfo(view->Link(), services), GetInfoResult::Resolved);
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(motor->Version, "410");
    services.defaultProject = [] { return true; };
    EXPECT_EQ(GetMotorInfo(view->Link(), services), GetInfoResult::Taken);
    EXPECT_EQ(motor->Version, version);
    EXPECT_EQ(motor->linked, nullptr);

    // A timeout the user retries reads again from the start; then gives up.
    Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    frame.answer = commerror::kPortUnchanged;
    frame.during = [&] {
        if (frame.asked == 2)
            frame.answer = commerror::kGaveUp;
    };
    EXPECT_EQ(GetMotorInfo(view->Link(), services), GetInfoResult::Failed);
    EXPECT_EQ(frame.asked, 2);
}

TEST_F(MotorViewOnChain, AViewThatLosesItsMotorDuringRecoveryTouchesNothing)
{
    Chain("5xx");
    // The recovery replaces the port's motors: the view lets go of its motor, which is deleted.
    frame.answer = commerror::kPortReplaced;
    frame.during = [&] {
        view->ForgetMotor();
        port->motors.Clear();
                std::fill(port->addressTable.begin(), port->addressTable.end(), nullptr);
        motor = nullptr;
    };
    for (int tab : {motorview::kStatusTab, motorview::kVariablesTab, motorview::kFlagsTab}) {
        SCOPED_TRACE(tab);
        if (!motor) {
            Chain("5xx");
            frame.during = [&] {
                view->ForgetMotor();
                port->motors.Clear();
                std::fill(port->addressTable.begin(), port->addressTable.end(), nullptr);
                motor = nullptr;
            };
        }
        view->SelectTab(tab);
        view->Status().SetPolling(true);
        view->Variables().SetPolling(true);
        view->Flags().SetPolling(true);
        Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
        EXPECT_TRUE(view->PollStep());
        EXPECT_EQ(view->Motor(), nullptr);
        EXPECT_FALSE(view->PollStep());
        EXPECT_TRUE(view->CanClose());
    }
}

TEST_F(MotorViewOnChain, ViewPollsItsVisiblePageAndKeepsItsStateInTheProject)
{
    Chain("450");
    view->Status().SetPolling(true);
    view->SelectTab(motorview::kInfoTab);
    EXPECT_EQ(Steps([&] { return view->PollStep(); }, 1), "");
    EXPECT_FALSE(view->PollStep());
    view->SelectTab(motorview::kStatusTab);
    allowed = false;
    EXPECT_FALSE(view->PollStep());
    allowed = true;
    EXPECT_TRUE(view->PollStep());
    EXPECT_EQ(view->Caption(), "MotorView - \"" + motor->Name + "\"");

    view->SelectTab(motorview::kFlagsTab);
    view->Flags().IncludeNotInW = true;
    view->Variables().SetRange(5);
    view->Placement = "<0,1,-1,-1,-1,-1,10,20,400,300>";
    CTagArchive out("VQXWSPFILE");
    out.OpenForWriteMemory();
    ASSERT_TRUE(view->SaveState("MV0", out, {0, 1}, {}));
    ASSERT_TRUE(out.Close());
    const std::vector<uint8_t> bytes = out.TakeBytes();

    struct Loaded {
        int port, index;
        bool found;
    };
    for (const Loaded& l : {Loaded{0, 1, true}, Loaded{0, 7, false}}) {
        CTagArchive in("VQXWSPFILE");
        ASSERT_TRUE(in.OpenForReadMemory(bytes));
        MonitorServices s;
        CMotorViewForm restored(3, nullptr, -1, s, host);
        auto find = [&](int p, int m) -> CMotor* {
            return p == l.port && m == l.index ? port->GetMotor(2) : nullptr;
        };
        EXPECT_EQ(restored.SaveState("MV0", in, {}, find), l.found);
        if (!l.found)
            continue;
        EXPECT_EQ(restored.Motor(), port->GetMotor(2));
        EXPECT_EQ(restored.CurrentTab(), motorview::kFlagsTab);
        EXPECT_TRUE(restored.Flags().IncludeNotInW);
        EXPECT_EQ(restored.Variables().CurParam, 5);
        EXPECT_TRUE(restored.Status().IsPolled);
        EXPECT_EQ(restored.Placement, view->Placement);
    }
}

TEST(IconButton, StatesAndPressAndHold)
{
    platform::ManualClock clock;
    IconButtonState b;
    EXPECT_EQ(b.State(), -1);
    EXPECT_FALSE(b.SetState(-1));
    EXPECT_TRUE(b.SetState(1));
    EXPECT_FALSE(b.SetState(1));
    EXPECT_EQ(IconButtonState::IconOf(0), 0);
    EXPECT_EQ(IconButtonState::IconOf(1), 1);
    EXPECT_EQ(IconButtonState::IconOf(7), 2);
    EXPECT_EQ(IconButtonState::IconOf(-1), 2);

    // Without hold notifications nothing is reported.
    b.Press(clock);
    clock.Advance(std::chrono::milliseconds(500));
    EXPECT_EQ(b.Check(clock), std::nullopt);
    EXPECT_EQ(b.Release(clock), std::nullopt);

    b.holdNotifications = true;
    struct Case {
        int holdMs;
        std::optional<int> atCheck, atRelease;
    };
    for (const Case& c : {Case{120, std::nullopt, 2}, Case{299, std::nullopt, 2}, Case{300, 3, 1}, Case{900, 3, 1}}) {
        SCOPED_TRACE(c.holdMs);
        b.Press(clock);
        clock.Advance(std::chrono::milliseconds(c.holdMs));
        EXPECT_EQ(b.Check(clock), c.atCheck);
        EXPECT_EQ(b.Check(clock), std::nullopt); // once per press
        EXPECT_EQ(b.Release(clock), c.atRelease);
        EXPECT_FALSE(b.Pressed());
    }
}
