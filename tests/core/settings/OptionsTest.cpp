#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using platform::RegHive;
using platform::RegType;

namespace {

struct TempRegistry {
    std::string dir;
    std::unique_ptr<platform::Registry> reg;
    std::unique_ptr<platform::Profile> profile;
    TempRegistry()
    {
        char tmpl[] = "/tmp/vqx-options-XXXXXX";
        dir = mkdtemp(tmpl);
        reg = std::make_unique<platform::Registry>(dir + "/user.reg", dir + "/machine.reg");
        profile = std::make_unique<platform::Profile>(reg.get());
    }
    ~TempRegistry()
    {
        std::string cmd = "rm -rf '" + dir + "'";
        (void)std::system(cmd.c_str());
    }
    std::string Key(const char* section) { return profile->SectionKey(section); }
};

const char* const kSections[] = {"IOTerminal", "Terminal", "Communication", "Editor", "Workspace", "Polling", "Scanner"};

// The settings table: section, key, default.
struct Row {
    const char* section;
    const char* key;
    uint32_t def;
};
const Row kTable[] = {
    {"IOTerminal", "IOTermBackColor", 0xFFF2FC}, {"IOTerminal", "TxColor", 0x000000},
    {"IOTerminal", "RxColor", 0xFF0000},         {"IOTerminal", "EchoColor", 0xFF0000},
    {"IOTerminal", "SDAColor", 0x008000},        {"IOTerminal", "IncludePolling", 0},
    {"IOTerminal", "IncludeVQX", 1},             {"IOTerminal", "IOTermFontSize", 10},
    {"IOTerminal", "ReceiveSounds", 0},          {"IOTerminal", "SoundFile", 0},
    {"IOTerminal", "SDALineHeight", 16},         {"Terminal", "TermBackColor", 0xD70909},
    {"Terminal", "TermFontSize", 10},            {"Terminal", "SentColor", 0xFFFFFF},
    {"Terminal", "ReceivedColor", 0xFFFF80},     {"Terminal", "MessageColor", 0x00FFFF},
    {"Terminal", "EchoErrors", 0},               {"Terminal", "ShowTyping", 1},
    {"Communication", "CalTimeouts", 1},         {"Communication", "EchoTimeout", 100},
    {"Communication", "ResponseTimeout", 500},   {"Communication", "NetworkDelay", 1000},
    {"Communication", "DownloadDelay", 260},     {"Editor", "TabSize", 4},
    {"Editor", "TabSizePoint", 480},             {"Editor", "BackColor", 0xFDFEC5},
    {"Editor", "NormalColor", 0x000000},         {"Editor", "KeywordColor", 0xFF0000},
    {"Editor", "FlowColor", 0xB316C9},           {"Editor", "CommentColor", 0x008000},
    {"Editor", "EditorFontSize", 10},            {"Workspace", "SaveWorkspace", 1},
    {"Workspace", "ReloadWorkspace", 1},         {"Workspace", "RestoreSerialState", 1},
    {"Workspace", "RunStartup", 1},              {"Polling", "NoPollingOnError", 1},
    {"Scanner", "ShowAllLanguages", 0},
};

} // namespace

TEST(Options, EmptyProfileGivesDefaultsAndSaveWritesAll37Keys)
{
    TempRegistry t;
    COptions o;
    o.IOTermFontSize = 99; // Load starts from the table defaults, not from the current values
    o.Load(*t.profile);
    const COptions defaults;
    EXPECT_EQ(o.IOTermBackColor, 0xFFF2FCu);
    EXPECT_EQ(o.IOTermFontSize, 10);
    EXPECT_EQ(o.TermBackColor, defaults.TermBackColor);
    EXPECT_TRUE(o.IncludeVQX);
    EXPECT_FALSE(o.IncludePolling);
    EXPECT_EQ(o.SoundFile, "");
    EXPECT_EQ(o.DownloadDelay, 260);
    EXPECT_TRUE(o.NoPollingOnError);
    EXPECT_FALSE(o.ShowAllLanguages);

    ASSERT_TRUE(o.Save(*t.profile));
    size_t total = 0;
    for (const char* s : kSections)
        total += t.reg->Values(RegHive::CurrentUser, t.Key(s)).size();
    EXPECT_EQ(total, 37u);
    EXPECT_EQ(static_cast<int>(std::size(kTable)), COptions::kKeyCount);
    // Every key with its default and type, and in table order within its section.
    std::map<std::string, size_t> nextIndex;
    for (const Row& r : kTable) {
        auto values = t.reg->Values(RegHive::CurrentUser, t.Key(r.section));
        size_t& i = nextIndex[r.section];
        ASSERT_LT(i, values.size());
        EXPECT_EQ(values[i].name, r.key);
        if (std::string(r.key) == "SoundFile") {
            EXPECT_EQ(values[i].type, RegType::String);
            EXPECT_EQ(values[i].string, "");
        } else {
            EXPECT_EQ(values[i].type, RegType::Dword) << r.key;
            EXPECT_EQ(values[i].dword, r.def) << r.key;
        }
        ++i;
    }
    // Sections appear in table order in the file.
    EXPECT_EQ(t.reg->SubKeys(RegHive::CurrentUser, "Software\\Korvessan\\VQX"),
              std::vector<std::string>(std::begin(kSections), std::end(kSections)));
}

TEST(Options, StoredValuesAreLoaded)
{
    TempRegistry t;
    t.profile->WriteInt("Terminal", "TermFontSize", 14);
    t.profile->WriteInt("Editor", "BackColor", static_cast<int32_t>(0xFFFFFFFFu));
    t.profile->WriteString("IOTerminal", "SoundFile", "/usr/share/sounds/ding.wav");
    t.profile->WriteInt("Communication", "CalTimeouts", 0);
    t.profile->WriteInt("Communication", "EchoTimeout", -5); // no range check
    COptions o;
    o.Load(*t.profile);
    EXPECT_EQ(o.TermFontSize, 14);
    EXPECT_EQ(o.BackColor, 0xFFFFFFFFu);
    EXPECT_EQ(o.SoundFile, "/usr/share/sounds/ding.wav");
    EXPECT_FALSE(o.CalTimeouts);
    EXPECT_EQ(o.EchoTimeout, -5);
    EXPECT_EQ(o.ResponseTimeout, 500);
}

TEST(Options, ShowAllLanguagesIsAlwaysOffAfterLoad)
{
    TempRegistry t;
    t.profile->WriteInt("Scanner", "ShowAllLanguages", 1);
    COptions o;
    o.ShowAllLanguages = true;
    o.Load(*t.profile);
    EXPECT_FALSE(o.ShowAllLanguages);
    // The dialog may switch it on; Save stores it as it is.
    o.ShowAllLanguages = true;
    ASSERT_TRUE(o.Save(*t.profile));
    EXPECT_EQ(t.profile->GetInt("Scanner", "ShowAllLanguages", -1), 1);
}

TEST(Options, BooleanFiveLoadsTrueAndSavesAsOne)
{
    TempRegistry t;
    t.profile->WriteInt("Terminal", "EchoErrors", 5);
    t.profile->WriteInt("IOTerminal", "IncludePolling", -1);
    COptions o;
    o.Load(*t.profile);
    EXPECT_TRUE(o.EchoErrors);
    EXPECT_TRUE(o.IncludePolling);
    ASSERT_TRUE(o.Save(*t.profile));
    EXPECT_EQ(t.profile->GetInt("Terminal", "EchoErrors", -1), 1);
    EXPECT_EQ(t.profile->GetInt("IOTerminal", "IncludePolling", -1), 1);
    EXPECT_EQ(t.profile->GetInt("Workspace", "SaveWorkspace", -1), 1);
    EXPECT_EQ(t.profile->GetInt("Polling", "NoPollingOnError", -1), 1);
}

TEST(Options, DefaultContextsRecordUsesTheApplicationProfile)
{
    TempRegistry t;
    platform::ScopedDefaultRegistry scope(*t.reg);
    t.profile->WriteInt("Editor", "TabSize", 8);
    COptions& o = ui::COperationContext::Default().Options();
    o.Load();
    EXPECT_EQ(o.TabSize, 8);
    o.TabSize = 3;
    EXPECT_TRUE(o.Save());
    EXPECT_EQ(t.reg->GetDword(RegHive::CurrentUser, "Software\\Korvessan\\VQX\\Editor", "TabSize"), 3u);
    o = COptions();
}
