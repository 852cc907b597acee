// The tuner's pages and window logic without widgets: the Settings page's enable rules and
// reading, the "Tuner" profile, the gains page's saved values and program text, the target motor
// (temporary motors, missing ports), Copy Data, and files opened into the window.
#include <gtest/gtest.h>

#include "app/tuning/TunerForm.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"
#include "tests/common/TempFolder.h"
#include "tests/support/ui/HeadlessQuestions.h"
#include "core/ui/OperationContext.h"

#include <fstream>

namespace {
using namespace tuning;

TEST(TuningSettingsPage, EnableRulesFollowTheModeAndReturn)
{
    using F = CTuningSettingsForm;
    struct Row {
        int mode;
        bool ret;
        std::vector<int> enabled, disabled;
    };
    const Row rows[] = {
        {1, false, {F::kSpeed, F::kAcceleration, F::kOffset, F::kCw, F::kCcw, F::kReturn, F::kTime, F::kSwitch, F::kPollError},
         {F::kWait, F::kMoveProgram, F::kBrowse}},
        {1, true, {F::kWait}, {F::kMoveProgram}},
        {2, true, {F::kMoveProgram, F::kBrowse, F::kTime, F::kSwitch, F::kPollError},
         {F::kSpeed, F::kAcceleration, F::kOffset, F::kCw, F::kCcw, F::kReturn, F::kWait}},
        {3, true, {F::kWait, F::kOffset}, {F::kMoveProgram, F::kBrowse}},
    };
    for (const Row& r : rows) {
        F page;
        page.mode = r.mode;
        page.returnChecked = r.ret;
        for (int id : r.enabled)
            EXPECT_TRUE(page.Enabled(id)) << r.mode << " " << id;
        for (int id : r.disabled)
            EXPECT_FALSE(page.Enabled(id)) << r.mode << " " << id;
    }
    EXPECT_EQ(modepage::RadioOf(2), modepage::kMode2);
    EXPECT_EQ(modepage::ModeOf(modepage::kMode3), 3);
}

TEST(TuningSettingsPage, OffsetDirectionAndNumbersAreReadWhenARunStarts)
{
    CTuningSettingsForm page;
    TuningSettings s;
    s.positionOffset = -300;
    page.SetSettings(s);
    EXPECT_EQ(page.offset, "300");
    EXPECT_TRUE(page.ccw);
    TuningSettings out;
    page.offset = " 300 ";
    EXPECT_EQ(page.GetSettings(out), "");
    EXPECT_EQ(out.positionOffset, -300);
    page.ccw = false;
    page.GetSettings(out);
    EXPECT_EQ(out.positionOffset, 300);
    // A field that is no number is named, and nothing is taken.
    for (std::string bad : {"", "12a", "99999999999", "1.5"}) {
        page.speed = bad;
        TuningSettings keep;
        keep.speed = 77;
        EXPECT_NE(page.GetSettings(keep).find("Velocity:"), std::string::npos) << bad;
        EXPECT_EQ(keep.speed, 77);
        EXPECT_EQ(keep.positionOffset, 500);
    }
}

struct FormFixture : testing::Test {
    TempFolder dir;
    platform::Registry registry;
    platform::Profile profile{&registry};
    ui::CHeadlessQuestions questions;
    ui::COperationContext context;
    std::vector<std::unique_ptr<CCommPort>> ports;
    std::unique_ptr<CTunerForm> form;

    FormFixture()
    {
        context.SetQuestions(&questions);
        CTunerForm::Services s;
        s.context = &context;
        s.profile = &profile;
        s.ports = [this] {
            std::vector<CCommPort*> out;
            for (auto& p : ports)
                out.push_back(p.get());
            return out;
        };
        s.backupFolder = dir / "backups";
        form = std::make_unique<CTunerForm>(std::move(s));
    }
    CCommPort& AddPort(const std::string& name, std::vector<int> addresses)
    {
        auto port = std::make_unique<CCommPort>();
        port->Name = name;
        port->id = int(ports.size());
        for (int a : addresses) {
            auto* m = new CMotor;
            m->Address = a;
            m->Name = name + "-" + std::to_string(a);
            m->SetPort(port.get());
            port->motors.Add(m);
        }
        port->RebuildAddressTable();
        ports.push_back(std::move(port));
        return *ports.back();
    }
};

TEST_F(FormFixture, ProfileDefaultsSavedGainsAndProgramText)
{
    form->LoadSettings();
    EXPECT_EQ(form->settings.speed, 1000000);
    EXPECT_EQ(form->settings.acceleration, 1000000);
    EXPECT_EQ(form->settingsPage.time, "1000");
    form->settingsPage.offset = "40";
    form->settingsPage.ccw = true;
    form->grid.vertical = false;
    form->SaveSettings();
    EXPECT_EQ(profile.GetInt(kTunerSection, "PositionOffset", 0), -40);
    EXPECT_EQ(profile.GetInt(kTunerSection, "VGrid", 1), 0);
    GridChecks grid;
    EXPECT_EQ(LoadTunerSettings(profile, &grid).positionOffset, -40);
    EXPECT_FALSE(grid.vertical);

    CTuningValuesForm& values = form->valuesPage;
    values.LoadDefaults();
    EXPECT_EQ(values.CopyProgram(), "' Setting Tuning Parameters\r\nKP=250\r\nKI=28\r\nKD=1000\r\nKL=20\r\nKS=1\r\n"
                                    "KV=0\r\nKA=0\r\nKG=0\r\nF\r\n");
    // Save Values keeps the gains as held, not the ones typed in the New column.
    values.newColumn[0] = "999";
    values.SaveDefaults();
    EXPECT_EQ(profile.GetInt(kTunerSection, "KP", 0), 250);
    values.newColumn[1] = "x";
    std::string error;
    EXPECT_EQ(values.CopyProgram(&error), "");
    EXPECT_NE(error.find("KI"), std::string::npos);
}

TEST_F(FormFixture, TargetsTemporaryMotorsAndMissingPorts)
{
    EXPECT_NE(form->SetTarget(MotorKey(0, 1)).find("no ports"), std::string::npos);
    EXPECT_EQ(form->Motor(), nullptr);
    CCommPort& com = AddPort("Com1", {3, 5});
    AddPort("Com2", {});
    EXPECT_EQ(form->SetTarget(MotorKey(0, 0)), ""); // address 0: the port's first motor
    EXPECT_EQ(form->Motor(), com.GetMotor(3));
    EXPECT_FALSE(form->TemporaryMotor());
    EXPECT_EQ(form->SetTarget(MotorKey(0, 9)), "");
    EXPECT_TRUE(form->TemporaryMotor());
    EXPECT_EQ(form->MotorName(), "Motor Address=9 in port \"Com1\"");
    EXPECT_EQ(form->Motor()->GetListIndex(), -1);
    EXPECT_EQ(form->SetTarget(MotorKey(1, 0)), ""); // empty port: address 1, temporary
    EXPECT_EQ(form->MotorName(), "Motor Address=1 in port \"Com2\"");
    EXPECT_EQ(form->Key(), MotorKey(1, 1));
    EXPECT_NE(form->SetTarget(MotorKey(7, 1)), "");
    EXPECT_EQ(form->MotorName(), "Motor Address=1 in port \"Com2\""); // kept
    form->ForgetMotor();
    EXPECT_EQ(form->Motor(), nullptr);
    EXPECT_FALSE(form->Run()); // no motor: said, nothing sent
    EXPECT_NE(questions.MessageTexts().back().find("no motor"), std::string::npos);
}

TEST_F(FormFixture, CopyDataFilesAndTheRuler)
{
    AddPort("Com1", {1, 2});
    ASSERT_EQ(form->SetTarget(MotorKey(0, 2)), "");
    EXPECT_EQ(form->CopyData(), ""); // no samples: nothing to copy
    form->settingsPage.SetSettings(form->settings);
    form->position.SetSize(4);
    form->posError.SetSize(4);
    for (int v : {0, 10, 25, 40}) {
        form->position.Add(v);
        form->posError.Add(v / 10 - 2);
    }
    form->count = 4;
    form->settings.tuningTime = 1000;
    EXPECT_EQ(form->CopyData(), "Time\tPosition\tPosError\r\n0\t0\t-2\r\n250\t10\t-1\r\n500\t25\t0\r\n750\t40\t2\r\n");
    form->settings.pollError = false;
    EXPECT_EQ(form->CopyData(), "Time\tPosition\r\n0\t0\r\n250\t10\r\n500\t25\r\n750\t40\r\n");
    form->SetRulerTime(600);
    EXPECT_EQ(form->ruler, 2);
    EXPECT_EQ(form->RulerTime(), 500);

    // Save writes what the window holds; Open takes a file's motor, settings and samples, and
    // a file's port beyond the project's binds to port 0. Its path is not the save path.
    EXPECT_EQ(form->ProposedName(), "Com1-2");
    form->settingsPage.pollError = true;
    ASSERT_TRUE(form->SaveFile(dir / "run.stf"));
    EXPECT_EQ(form->ProposedName(), dir / "run.stf");
    TuningFileContent other;
    other.channel = 5;
    other.address = 1;
    other.settings.tuningTime = 2000;
    other.settings.pollError = false;
    other.position.SetSize(2);
    other.position.Add(7);
    other.position.Add(8);
    ASSERT_TRUE(WriteTuningFile(dir / "other.stf", other));
    ASSERT_TRUE(form->OpenFile(dir / "other.stf"));
    EXPECT_EQ(form->Motor(), ports[0]->GetMotor(1));
    EXPECT_EQ(form->count, 2);
    EXPECT_EQ(form->settingsPage.time, "2000");
    EXPECT_EQ(form->posError.Count, 4); // no error samples in the file: the old ones stay
    EXPECT_EQ(form->SavePath(), dir / "run.stf");
    ASSERT_TRUE(form->OpenFile(dir / "run.stf"));
    EXPECT_EQ(form->Motor(), ports[0]->GetMotor(2));
    EXPECT_EQ(form->position.Items(), (std::vector<int32_t>{0, 10, 25, 40}));
    // A bad file changes nothing and says why.
    std::ofstream(dir / "bad.stf") << "garbage";
    EXPECT_FALSE(form->OpenFile(dir / "bad.stf"));
    EXPECT_EQ(questions.MessageTexts().back(), kCannotOpen);
    EXPECT_EQ(form->count, 4);
    EXPECT_FALSE(form->SaveFile(dir / "none/x.stf"));
    EXPECT_EQ(questions.MessageTexts().back(), kCannotWrite);
}

} // namespace
