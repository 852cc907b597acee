// Locating the models database and the tips file, and the tip of the day's profile values.
#include "core/shared/MotorModels.h"
#include "core/shared/TipOfTheDay.h"
#include "core/shared/Tips.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"
#include "tests/core/ui/TestProfile.h"

#include <gtest/gtest.h>

namespace {
// Points the program folder at a folder of the test's own for the test's lifetime.
class ScopedAppFolder {
public:
    explicit ScopedAppFolder(std::string folder) : m_old(platform::AppFolder())
    {
        platform::SetAppFolder(std::move(folder));
    }
    ~ScopedAppFolder() { platform::SetAppFolder(m_old); }

private:
    std::string m_old;
};

CMotorModels SmallTable()
{
    CMotorModels table;
    for (const char* name : {"", "A1", "A2", "A3", "B0"}) {
        CMotorModel m;
        m.Name = name;
        m.EncoderResolution = 2000;
        table.Add(m);
    }
    return table;
}
} // namespace

TEST(ProgramFiles, ModelsFileComesFromTheProgramFolder)
{
    TestProfile profile;
    TempFolder app;
    ScopedAppFolder scope(app.Path());
    EXPECT_EQ(MotorModelsPath(), app.Path() + "/TQModels.tqm");

    std::string error;
    EXPECT_FALSE(LoadMotorModels(&error));
    EXPECT_EQ(error.rfind(kModelsOpenError, 0), 0u);

    ASSERT_TRUE(SmallTable().Save(app.File("TQModels.tqm")));
    ASSERT_TRUE(LoadMotorModels(&error)) << error;
    EXPECT_EQ(GetMotorModels().GetCount(), 5);
    EXPECT_EQ(GetMotorModels().Get(4)->Name, "B0");
    EXPECT_EQ(GetMotorModels().Get(4)->Index, 4);
    GetMotorModels().Clear();
}

TEST(ProgramFiles, RegistryValueOverridesTheModelsPath)
{
    TestProfile profile;
    TempFolder app;
    ScopedAppFolder scope(app.Path());
    TempFolder elsewhere;
    ASSERT_TRUE(SmallTable().Save(elsewhere.File("models.tqm")));
    ASSERT_TRUE(profile.Registry().SetString(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Tessaraxon",
                                             "ModelsFile", elsewhere.File("models.tqm")));
    EXPECT_EQ(MotorModelsPath(), elsewhere.File("models.tqm"));
    std::string error;
    ASSERT_TRUE(LoadMotorModels(&error)) << error;
    EXPECT_EQ(GetMotorModels().GetCount(), 5);
    GetMotorModels().Clear();

    // A stored Windows-style path is translated for use.
    profile.Registry().SetString(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Tessaraxon", "ModelsFile",
                                 "\\opt\\vqx\\TQModels.tqm");
    EXPECT_EQ(MotorModelsPath(), "/opt/vqx/TQModels.tqm");
    // An empty value falls back to the program folder.
    profile.Registry().SetString(platform::RegHive::LocalMachine, "SOFTWARE\\Korvessan\\Tessaraxon", "ModelsFile",
                                 "");
    EXPECT_EQ(MotorModelsPath(), app.Path() + "/TQModels.tqm");
}

TEST(ProgramFiles, TipOfTheDayWalksThroughTheTips)
{
    TestProfile profile;
    TempFolder app;
    ScopedAppFolder scope(app.Path());
    EXPECT_EQ(TipsFilePath(), app.Path() + "/Tips.dat");
    EXPECT_EQ(NextTip(), "Error reading Tips database.");

    ASSERT_TRUE(WriteTipsFile(TipsFilePath(), {"one", "two", "three"}));
    EXPECT_EQ(NextTip(), "one");
    EXPECT_EQ(platform::GetProfileInt("Settings", "NextTip", -1), 1);
    EXPECT_EQ(NextTip(), "two");
    EXPECT_EQ(NextTip(), "three");
    EXPECT_EQ(NextTip(), "one"); // beyond the count: wraps to the first tip
    platform::WriteProfileInt("Settings", "NextTip", -5);
    EXPECT_EQ(NextTip(), "one");
    platform::WriteProfileInt("Settings", "NextTip", 99);
    EXPECT_EQ(NextTip(), "one");
    EXPECT_EQ(platform::GetProfileInt("Settings", "NextTip", -1), 1);
}

TEST(ProgramFiles, TruncatedTipsFileStartsOverNextTime)
{
    TestProfile profile;
    TempFolder app;
    const std::string path = app.File("Tips.dat");
    // Count 3, but only two records.
    ASSERT_TRUE(WriteTipsFile(path, {"a", "b"}));
    {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        const unsigned char three[4] = {3, 0, 0, 0};
        std::fwrite(three, 1, 4, f);
        std::fclose(f);
    }
    platform::WriteProfileInt("Settings", "NextTip", 2);
    EXPECT_EQ(NextTip(path), "Error reading Tips database.");
    EXPECT_EQ(platform::GetProfileInt("Settings", "NextTip", -1), 0);
    EXPECT_EQ(NextTip(path), "a");
}

TEST(ProgramFiles, StartupTipsCanBeSwitchedOff)
{
    TestProfile profile;
    EXPECT_TRUE(ShowTipsAtStartup());
    DisableStartupTips();
    EXPECT_FALSE(ShowTipsAtStartup());
    EXPECT_EQ(platform::GetProfileInt("OptionBoxes", "NoStartupTips", 0), 1);
}
