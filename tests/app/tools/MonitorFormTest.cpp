// The monitor window's logic against a simulated chain: items added through the item dialog's
// rules, polled one per tick with the values of the motors, a motor that stops answering handed to
// the main frame once and the window stopping or going on by the answer, files saved and opened
// (a bad one changes nothing, not even the window's name), and the close question.
#include <gtest/gtest.h>

#include "app/shell/CommError.h"
#include "app/tools/MonitorForm.h"
#include "app/tools/WatchItemForm.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/common/HeadlessContext.h"
#include "tests/common/TempFolder.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <fstream>

using namespace tools::monitor;

namespace {

// The window: a scripted item dialog (kind, row, custom command per addition), file dialogs that
// answer from a queue, and counters of what it was told.
struct Host final : tools::IMonitorHost {
    struct Pick {
        int kind;
        int row;
        std::string command; // custom
    };
    tools::CMonitorForm* form = nullptr;
    tools::WatchTarget target;
    std::deque<Pick> picks;
    std::deque<std::optional<std::string>> paths;
    std::vector<std::string> warnings;
    int listChanges = 0, rowChanges = 0, stateChanges = 0;

    std::optional<std::string> AskOpenPath() override { return Next(); }
    std::optional<std::string> AskSavePath(const std::string&) override { return Next(); }
    std::optional<std::string> Next()
    {
        if (paths.empty())
            return std::nullopt;
        auto p = paths.front();
        paths.pop_front();
        return p;
    }
    bool RunItemDialog(CWatchItem* item) override
    {
        tools::CWatchItemForm dlg(*item, true, false);
        dlg.Start(target);
        while (!picks.empty()) {
            const Pick p = picks.front();
            picks.pop_front();
            dlg.SetKind(p.kind);
            if (p.kind == CWatchItem::kCustom) {
                dlg.SetBitMask(false); // the whole reply
                dlg.pollCommand = p.command;
                dlg.caption = target.name + " " + p.command;
            } else {
                dlg.SelectRow(p.row);
            }
            const std::string refused = dlg.Ok();
            if (!refused.empty()) {
                warnings.push_back(refused);
                continue;
            }
            const auto out = dlg.AfterAdd(form->AddWatchItem(&dlg.Item()));
            if (!out.warning.empty())
                warnings.push_back(out.warning);
            if (out.close)
                return true;
        }
        delete &dlg.Item(); // Close: the pending item goes
        return false;
    }
    void ListChanged() override { ++listChanges; }
    void RowChanged(int) override { ++rowChanges; }
    void StateChanged() override { ++stateChanges; }
};

// The main frame's answer, scripted; records what was asked about.
struct Frame final : commerror::ICommErrorHandler {
    uint32_t answer = 0;
    std::vector<std::pair<uint32_t, CMotor*>> asked;
    uint32_t OnCommError(uint32_t request, commerror::Target target) override
    {
        asked.emplace_back(request, target.motor);
        return answer;
    }
};

class MonitorOnChain : public ::testing::Test, protected HeadlessContext {
protected:
    void SetUp() override
    {
        static int n = 0;
        const std::string line = "monitorform-" + std::to_string(++n);
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true;
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(2, p, true), line);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(std::chrono::seconds(2));
        ASSERT_TRUE(port->OpenPort());
        for (int a : {1, 2})
            ASSERT_NE(EnterDetectedMotor(*port, a), nullptr);
        host.target.present = true;
        host.target.address = 2;
        host.target.name = "Motor2";
        host.target.family = {false, false};
        tools::MonitorServices s;
        s.find = [this](int portIndex, int address) -> CMotor* {
            return portIndex == 0 ? port->GetMotor(address) : nullptr;
        };
        s.pollingAllowed = [this] { return allowed; };
        s.commError = &frame;
        s.questions = &questions;
        s.currentMotor = [] { return std::make_pair(0, 2); };
        form = std::make_unique<tools::CMonitorForm>(0, s, host);
        host.form = form.get();
        form->StartNew();
    }
    void Sim(const std::function<void(vqxsim::SimMotor&)>& f) { rig->WithMotor(1, f); }
    // Polls until every enabled item was read once more.
    void PollRound()
    {
        for (int i = 0; i < form->List().Count(); ++i)
            form->PollStep();
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    Host host;
    Frame frame;
    bool allowed = true;
    std::unique_ptr<tools::CMonitorForm> form;
    TempFolder folder;
};

} // namespace

TEST_F(MonitorOnChain, AddPollLoseTheMotorAndGoOnAsAnswered)
{
    const std::string first = form->Title();
    ASSERT_EQ(first.rfind("Monitor", 0), 0u);
    // Position, the trajectory bit, a user variable; then Position again (a duplicate).
    host.picks = {{1, 0, ""}, {2, 0, ""}, {100, 0, "Ra"}, {1, 0, ""}};
    form->OnCommand(ID_WATCH_ADD, -1);
    ASSERT_EQ(form->List().Count(), 3);
    EXPECT_EQ(host.warnings, std::vector<std::string>{tools::watchdlg::kDuplicate});
    EXPECT_EQ(form->List().At(0)->Caption, "Motor2 Position");
    EXPECT_EQ(form->List().At(1)->Caption, "Motor2 Trajectory In Progress(Bt)");
    EXPECT_EQ(form->List().At(2)->MotorAddress, 2);
    EXPECT_TRUE(form->List().Modified);

    Sim([](vqxsim::SimMotor& m) { m.Values()["P"] = 4000; });
    port->GetMotor(2)->SendCommand("a=-7");
    // Not polling yet: the ticks are not claimed; Poll starts it.
    EXPECT_FALSE(form->PollStep());
    form->OnCommand(ID_WATCH_POLL, -1);
    EXPECT_TRUE(form->Polling());
    EXPECT_FALSE(form->IsCommandEnabled(kRefreshButton, -1));
    // The program-wide switch is off: nothing is read.
    allowed = false;
    EXPECT_FALSE(form->PollStep());
    allowed = true;
    PollRound();
    EXPECT_EQ(form->List().At(0)->ValueText, "4000");
    EXPECT_EQ(form->List().At(1)->ValueText, "Zero Icon");
    EXPECT_EQ(form->List().At(2)->ValueText, "-7");
    EXPECT_EQ(form->Indicator(), tools::kLinkWorks);

    // The motor stops answering: the read stops polling and the main frame is asked once, about
    // motor 2 of port 0; "gave up" leaves the window stopped with its "not polling" mark.
    Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    frame.answer = commerror::kGaveUp;
    EXPECT_TRUE(form->PollStep());
    ASSERT_EQ(frame.asked.size(), 1u);
    EXPECT_EQ(frame.asked[0].first, commerror::kMotorOperationFailed | 1005u);
    EXPECT_EQ(frame.asked[0].second, port->GetMotor(2));
    EXPECT_FALSE(form->Polling());
    EXPECT_EQ(form->Indicator(), tools::kLinkNotPolling);
    EXPECT_EQ(form->List().At(0)->ValueText.rfind("N/A (", 0), 0u);
    EXPECT_FALSE(form->PollStep());
    EXPECT_EQ(frame.asked.size(), 1u);

    // Communication back (motors unchanged, or the port's motors replaced): polling goes on at the
    // item that failed.
    for (uint32_t answer : {commerror::kPortUnchanged, commerror::kPortReplaced, commerror::kAnswerWorks}) {
        SCOPED_TRACE(answer);
        Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
        form->SetPolling(true);
        frame.answer = answer;
        const int row = form->List().NextIndex();
        form->PollStep();
        EXPECT_TRUE(form->Polling());
        EXPECT_EQ(form->List().NextIndex(), row);
        Sim([](vqxsim::SimMotor& m) { m.knobs.mute = false; });
        PollRound();
        EXPECT_EQ(form->List().At(0)->ValueText, "4000");
    }
    EXPECT_EQ(form->CommErrorRequests(), 4);

    // With errors tolerated the window only shows the failure and keeps polling, asking nothing.
    context.Options().NoPollingOnError = false;
    Sim([](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    PollRound();
    EXPECT_TRUE(form->Polling());
    EXPECT_EQ(form->Indicator(), tools::kLinkFailed);
    EXPECT_EQ(form->List().At(0)->ValueText, "N/A");
    EXPECT_EQ(form->CommErrorRequests(), 4);
}

TEST_F(MonitorOnChain, FilesDeleteMoveAndClose)
{
    host.picks = {{1, 0, ""}, {1, 2, ""}, {2, 7, ""}};
    form->OnCommand(ID_WATCH_ADD, -1);
    ASSERT_EQ(form->List().Count(), 3);
    form->OnCommand(ID_WATCH_HEX, -1);
    EXPECT_TRUE(form->IsCommandChecked(kHexCheck));

    // Save: a new window asks for a name.
    const std::string path = (folder / "belt.mon");
    host.paths = {path};
    form->OnCommand(ID_WATCH_SAVE, -1);
    EXPECT_EQ(form->FilePath(), path);
    EXPECT_EQ(form->Title(), "belt.mon");
    EXPECT_FALSE(form->List().Modified);

    // Move and delete (after the question).
    EXPECT_FALSE(form->IsCommandEnabled(ID_WATCH_MOVE_UP, 0));
    EXPECT_FALSE(form->IsCommandEnabled(ID_WATCH_MOVE_DOWN, 2));
    EXPECT_FALSE(form->IsCommandEnabled(ID_WATCH_DELETE, -1));
    EXPECT_EQ(form->OnCommand(ID_WATCH_MOVE_DOWN, 0), 1);
    EXPECT_EQ(form->List().At(1)->Caption, "Motor2 Position");
    questions.AnswerMessageBox(ui::IDNO);
    form->OnCommand(ID_WATCH_DELETE, 1);
    EXPECT_EQ(form->List().Count(), 3);
    questions.AnswerMessageBox(ui::IDYES);
    form->OnCommand(ID_WATCH_DELETE, 1);
    EXPECT_EQ(form->List().Count(), 2);
    EXPECT_EQ(questions.MessageTexts().back(), kAskDelete);

    // Open with unsaved changes: the save question first (Cancel keeps everything).
    questions.AnswerMessageBox(ui::IDCANCEL);
    form->OnCommand(ID_WATCH_OPEN, -1);
    EXPECT_EQ(form->List().Count(), 2);
    EXPECT_EQ(questions.MessageTexts().back(), "Do you want to save the changes to \"belt.mon\"?");

    // No discards; the file comes back with its three items and the hex display.
    questions.AnswerMessageBox(ui::IDNO);
    host.paths = {path};
    form->OnCommand(ID_WATCH_HEX, -1);
    form->OnCommand(ID_WATCH_OPEN, -1);
    ASSERT_EQ(form->List().Count(), 3);
    EXPECT_EQ(form->List().At(0)->Caption, "Motor2 Position");
    EXPECT_EQ(form->List().At(2)->Caption, "Motor2 Motor Off(Bo)");
    EXPECT_EQ(form->List().At(2)->TurnOn, "OFF");
    EXPECT_TRUE(form->List().Hex);

    // A file that cannot be used: the message, and the window keeps its items and its name, so a
    // later Save writes belt.mon, not the foreign file.
    const std::string foreign = (folder / "foreign.mon");
    std::ofstream(foreign) << "someone else's file";
    host.paths = {foreign};
    form->OnCommand(ID_WATCH_OPEN, -1);
    EXPECT_EQ(questions.MessageTexts().back(), "Cannot open the specified file");
    EXPECT_EQ(form->FilePath(), path);
    EXPECT_EQ(form->Title(), "belt.mon");
    EXPECT_EQ(form->List().Count(), 3);
    form->OnCommand(ID_WATCH_SAVE, -1);
    std::ifstream check(foreign);
    std::string content;
    std::getline(check, content);
    EXPECT_EQ(content, "someone else's file");

    // The 50 limit: Add refuses at once.
    for (int i = 3; i < tools::kMaxWatchItems; ++i)
        host.picks.push_back({100, 0, 'R' + std::string(1, char('a' + i % 26)) + std::to_string(i)});
    form->OnCommand(ID_WATCH_ADD, -1);
    EXPECT_EQ(form->List().Count(), tools::kMaxWatchItems);
    form->OnCommand(ID_WATCH_ADD, -1);
    EXPECT_EQ(questions.MessageTexts().back(), kFull);

    // Close: Yes saves; a save that cannot be written keeps the window.
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_TRUE(form->CanClose());
    EXPECT_FALSE(form->List().Modified);
    form->List().Modified = true;
    std::filesystem::remove_all(folder.Path());
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_FALSE(form->CanClose());
    EXPECT_EQ(questions.MessageTexts().back(), kCannotWrite);
}
