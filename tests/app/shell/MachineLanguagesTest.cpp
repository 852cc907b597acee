// Which language file VQX's compiler takes for a motor's firmware: the shipped files by their own
// versions when no installer registered languages, the machine's Scanner key when it exists; and
// the header version each gives is one the motor of that firmware accepts.
#include <gtest/gtest.h>

#include "app/shell/MachineLanguages.h"
#include "core/motor/Motor.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Registry.h"
#include "scanner/Language.h"
#include "tests/common/TempFolder.h"

#include <fstream>

using shell::CMachineLanguages;

namespace {
std::shared_ptr<CMachineLanguages> Languages(const std::string& folder)
{
    return std::make_shared<CMachineLanguages>(CScanner::MachineRegistry(), [folder] { return folder; });
}
} // namespace

TEST(MachineLanguages, EveryFirmwareCompilesForItselfWithTheShippedFiles)
{
    TempFolder dir;
    platform::Registry registry(dir / "user.reg", dir / "machine.reg");
    platform::ScopedDefaultRegistry use(registry);
    const std::string folder = platform::AppFolder();
    CScanner s;
    s.SetRegistry(Languages(folder));
    const struct {
        const char* firmware;
        const char* file;
        const char* header;
    } cases[] = {
        {"450", "Default.sld", "400"}, {"410", "Default.sld", "400"}, {"461", "461.sld", "461"},
        {"461h", "461.sld", "461"},    {"462", "462.sld", "462"},     {"462ah", "462.sld", "462"},
        {"463", "463.sld", "463"},     {"5xx", "5xx.sld", "500"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firmware);
        std::string version = c.firmware;
        EXPECT_EQ(s.GetDefaultLanguageFile(version), folder + "/" + c.file);
        ASSERT_TRUE(s.LoadLanguageFile(c.firmware));
        EXPECT_EQ(s.HeaderVersion(), c.header);
        CMotor motor;
        motor.Version = c.firmware;
        EXPECT_TRUE(motor.IsFirmwareCompatible(s.HeaderVersion())) << "the motor would refuse the program";
        // The polling program compiles without errors for this firmware.
        const std::string source =
            folder + "/Include/PGPC0V" + (c.firmware[0] == '5' ? "5" : "4") + ".tqs";
        EXPECT_TRUE(s.CompileFile(source, dir / "poll.tqx", c.firmware, true)) << source;
        std::ifstream compiled(dir / "poll.tqx");
        std::string head(4, '\0');
        compiled.read(head.data(), 4);
        EXPECT_EQ(head, std::string("$") + c.header);
    }
    // Nothing was written to the machine's registry.
    EXPECT_FALSE(registry.KeyExists(platform::RegHive::LocalMachine, CScanner::kRegistryKey));
}

TEST(MachineLanguages, TheScannerKeyWinsAndUnreadableFilesAnswerNothing)
{
    TempFolder dir;
    platform::Registry registry(dir / "user.reg", dir / "machine.reg");
    platform::ScopedDefaultRegistry use(registry);
    CLanguage def;
    def.Version = "400";
    def.Keywords.resize(CLanguage::kMinKeywords);
    ASSERT_TRUE(def.Write(dir / "Default.sld"));
    CLanguage two = def;
    two.Version = "71; 72";
    ASSERT_TRUE(two.Write(dir / "71.sld"));
    std::ofstream(dir / "broken.sld") << "not a language";

    EXPECT_EQ(CMachineLanguages::ShippedLanguages(dir.Path()),
              (std::map<std::string, std::string>{{"400", dir / "Default.sld"}, {"71", dir / "71.sld"},
                                                  {"72", dir / "71.sld"}, {"Default", "400"}}));
    CScanner s;
    s.SetRegistry(Languages(dir.Path()));
    std::string v = "72";
    EXPECT_EQ(s.GetDefaultLanguageFile(v), dir / "71.sld");
    v = "999";
    EXPECT_EQ(s.GetDefaultLanguageFile(v), dir / "Default.sld");
    EXPECT_EQ(v, "400");

    // Once the machine has a Scanner key, it alone decides (the shipped files are not mixed in).
    ASSERT_TRUE(registry.SetString(platform::RegHive::LocalMachine, CScanner::kRegistryKey, "Default", "450"));
    ASSERT_TRUE(registry.SetString(platform::RegHive::LocalMachine, CScanner::kRegistryKey, "450", "/l/450.sld"));
    v = "72";
    EXPECT_EQ(s.GetDefaultLanguageFile(v), "/l/450.sld");
    EXPECT_EQ(v, "450");

    // An empty or missing folder ships nothing: the program folder's Default.sld, as before.
    CScanner bare;
    bare.SetProgramFolder(dir / "none");
    bare.SetRegistry(Languages(dir / "none"));
    registry.DeleteKey(platform::RegHive::LocalMachine, CScanner::kRegistryKey);
    v = "72";
    EXPECT_EQ(bare.GetDefaultLanguageFile(v), dir / "none/Default.sld");
}
