#include "platform/paths/Paths.h"
#include "tests/platform/TestDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name)
    {
        const char* v = getenv(name);
        m_had = v != nullptr;
        if (v)
            m_value = v;
    }
    ~EnvGuard()
    {
        if (m_had)
            setenv(m_name, m_value.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    std::string m_value;
};

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(Paths, SpecificationPathsAreJoinedWithSlashes)
{
    EXPECT_EQ(platform::JoinPath("/opt/vqx", "\\Def.bin"), "/opt/vqx/Def.bin");
    EXPECT_EQ(platform::JoinPath("/opt/vqx/", "\\Include\\sub.tqs"), "/opt/vqx/Include/sub.tqs");
    EXPECT_EQ(platform::JoinPath("/opt/vqx", "Tips.dat"), "/opt/vqx/Tips.dat");
    EXPECT_EQ(platform::TranslatePath("C:\\Progs\\a.tqs"), "C:/Progs/a.tqs");
    EXPECT_EQ(platform::TranslatePath("/already/linux"), "/already/linux");
    EXPECT_TRUE(platform::IsAbsolutePath("/x"));
    EXPECT_TRUE(platform::IsAbsolutePath("\\Def.bin"));
    EXPECT_TRUE(platform::IsAbsolutePath("c:\\x"));
    EXPECT_FALSE(platform::IsAbsolutePath("x\\y"));
    EXPECT_FALSE(platform::IsAbsolutePath(""));
    EXPECT_EQ(platform::FileNamePart("C:\\Progs\\a.tqs"), "a.tqs");
    EXPECT_EQ(platform::FileNamePart("/home/u/b.tqs"), "b.tqs");
    EXPECT_EQ(platform::FileNamePart("plain"), "plain");
    EXPECT_EQ(platform::FolderPart("/home/u/b.tqs"), "/home/u");
    EXPECT_EQ(platform::FolderPart("/b.tqs"), "/");
    EXPECT_EQ(platform::FolderPart("b.tqs"), "");
}

TEST(Paths, ProgramFolderFollowsVqxHome)
{
    EnvGuard guard("VQX_HOME");
    setenv("VQX_HOME", "/some/where/", 1);
    EXPECT_EQ(platform::InitAppFolder(), "/some/where");
    EXPECT_EQ(g_strAppFolder, "/some/where");
    EXPECT_EQ(platform::AppFolder(), "/some/where");
    // Without it, a test program in the build tree uses the staging folder.
    unsetenv("VQX_HOME");
    EXPECT_TRUE(platform::RunningFromBuildTree());
    EXPECT_TRUE(EndsWith(platform::InitAppFolder(), "/staging/share/vqx"));
    EXPECT_TRUE(EndsWith(platform::ActivePrefix(), "/staging"));
    platform::SetAppFolder("/explicit");
    EXPECT_EQ(platform::AppFolder(), "/explicit");
}

TEST(Paths, DataFilesAreReadFromTheUserFolderFirst)
{
    TestDir dir;
    EnvGuard g1("XDG_DATA_HOME");
    EnvGuard g2("XDG_CONFIG_HOME");
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    EXPECT_EQ(platform::UserDataFolder(), dir / "data/korvessan/vqx");
    EXPECT_EQ(platform::UserConfigFolder(), dir / "config/korvessan");
    mkdir((dir / "prog").c_str(), 0777);
    platform::SetAppFolder(dir / "prog");
    { std::ofstream(dir / "prog/Def.bin") << "shipped"; }
    EXPECT_EQ(platform::FindDataFile("\\Def.bin"), dir / "prog/Def.bin");
    const std::string written = platform::UserDataPath("\\Def.bin");
    EXPECT_EQ(written, dir / "data/korvessan/vqx/Def.bin");
    { std::ofstream(written) << "user's"; }
    EXPECT_EQ(platform::FindDataFile("\\Def.bin"), written);
    EXPECT_EQ(platform::FindDataFile("\\Missing.dat"), dir / "prog/Missing.dat");
    // A relative XDG value is ignored, as the XDG rules say.
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_TRUE(EndsWith(platform::UserDataFolder(), "/.local/share/korvessan/vqx"));
    platform::InitAppFolder();
}
