// The polling program's life against a simulated motor through the core: the user's program is
// uploaded into its backup file, the polling program compiled into a fresh file and downloaded,
// and at the end the user's program goes back byte for byte and the backup file goes. A source
// that does not compile is never replaced by a stale compiled file.
#include <gtest/gtest.h>

#include "app/tools/PlaygroundServices.h"
#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "platform/fs/ReadFile.h"
#include "platform/paths/Paths.h"
#include "scanner/Scanner.h"
#include "tests/common/TempFolder.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <filesystem>
#include <fstream>

namespace {

class PollingProgramLife : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void SetUp() override
    {
        static int n = 0;
        const std::string line = "pgprog-" + std::to_string(++n);
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = ('T' << 24) | 77;
        p.echo[0] = true;
        auto profiles = vqxsim::MakeProfiles(2, p, true);
        CScanner compile;
        compile.Scan("a=123\nb=a+1\nPRINT(\"user\",#13)\nEND\n", "450");
        userImage = compile.CompiledImage();
        profiles[1].program = userImage;
        rig = vqxsim::FakeLineRig::Chain(profiles, line);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        for (int a = 1; a <= 2; ++a)
            EnterDetectedMotor(*port, a);
        clock.Advance(std::chrono::seconds(2));
        port->OpenPort();
        motor = port->GetMotor(2);
        motor->ReadVersion();
    }
    void TearDown() override { port->ClosePort(); }
    std::string SimProgramBody()
    {
        return rig->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Program().Body(); });
    }

    TempFolder folder;
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    CMotor* motor = nullptr;
    std::string userImage;
    CScanner scanner;
};

TEST_F(PollingProgramLife, SavedDownloadedAndRestoredByteForByte)
{
    const std::string before = SimProgramBody();
    ASSERT_NE(before.find("user"), std::string::npos);
    tools::PollingProgramService programs(scanner, [this](int id, int a) { return id == port->id ? port->GetMotor(a) : nullptr; },
                                          folder.Path());
    EXPECT_TRUE(programs.WhyCannotSave(*motor).empty());
    programs.SaveUserProgram(*motor);
    EXPECT_TRUE(programs.Saved(*motor));
    const std::string backup = programs.Store().FileFor(0, 2);
    std::string saved;
    ASSERT_TRUE(platform::ReadWholeFile(backup, saved, 1 << 16));
    EXPECT_NE(saved.find("user"), std::string::npos);

    programs.DownloadPollingProgram(*motor);
    EXPECT_NE(SimProgramBody().find("PGPC-POLL"), std::string::npos); // the motor holds the polling program
    EXPECT_FALSE(std::filesystem::exists(folder / "_P_O_L_L_.tqx"));   // the compiled file is gone
    EXPECT_EQ(rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Body(); }).find("PGPC"), std::string::npos);

    const auto shownBefore = progress.ShowCount();
    const auto messages = programs.RestoreAll();
    EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);
    EXPECT_EQ(SimProgramBody(), before);
    EXPECT_FALSE(std::filesystem::exists(backup));
    // The restore had its own please-wait dialog naming the motor, without Cancel, now closed.
    EXPECT_EQ(progress.ShowCount(), shownBefore + 1);
    bool named = false;
    for (const auto& e : progress.Events())
        named = named || (e.kind == ui::CHeadlessProgress::Event::Show &&
                          e.text == "Restoring the program in \"" + motor->Name + "\"");
    EXPECT_TRUE(named);
    EXPECT_FALSE(progress.IsShown());
}

TEST_F(PollingProgramLife, ASourceThatDoesNotCompileIsNeverReplacedByAStaleImage)
{
    TempFolder programFolder;
    std::filesystem::create_directories(programFolder / "Include");
    std::ofstream(programFolder / "Include/PGPC0V4.tqs") << "IF\nGOTO77\n";
    const std::string saved = platform::AppFolder();
    platform::SetAppFolder(programFolder.Path());
    std::ofstream(folder / "_P_O_L_L_.tqx") << "stale image";
    tools::PollingProgramService programs(scanner, {}, folder.Path());
    const std::string bodyBefore = SimProgramBody();
    try {
        programs.DownloadPollingProgram(*motor);
        ADD_FAILURE() << "a broken source was downloaded";
    } catch (const CVQXException& x) {
        EXPECT_NE(x.GetMessage().find("PGPC0V4.tqs"), std::string::npos) << x.GetMessage();
    }
    platform::SetAppFolder(saved);
    EXPECT_FALSE(std::filesystem::exists(folder / "_P_O_L_L_.tqx"));
    EXPECT_EQ(SimProgramBody(), bodyBefore);
}

} // namespace
