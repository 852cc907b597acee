// The start's decisions: command-line classification, the first screen, the frame title, and
// the recent-project list.

#include "app/framework/RecentFileList.h"
#include "app/shell/StartupDecisions.h"
#include "platform/registry/Profile.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

TEST(CommandLine, ClassificationTable)
{
    struct Row {
        const char* raw;
        bool play;
        const char* project;
        const char* ext;
        bool document;
    } rows[] = {
        {"", false, "/last.spj", "", false},
        {"-Play", true, "", "", false},
        {"\"pLAY\"", true, "", "", false},
        {"  --play\t", true, "", "", false},
        {"/w/Line.SPJ", false, "/w/Line.SPJ", "spj", false},
        {"\"/w/prog.tqs\"", false, "", "tqs", true},
        {"/w/cal.TQC", false, "", "tqc", true},
        {"/w/log.trm", false, "", "trm", true},
        {"/w/log.ssf", false, "", "ssf", true},
        {"/w/notes.txt", false, "/last.spj", "txt", false},
        {"ab", false, "/last.spj", "ab", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.raw);
        const auto c = shell::ClassifyCommandLine(r.raw, "/last.spj");
        EXPECT_EQ(c.play, r.play);
        EXPECT_EQ(c.projectPath, r.project);
        EXPECT_EQ(c.extension, r.ext);
        EXPECT_EQ(c.opensDocument, r.document);
    }
    EXPECT_EQ(shell::TrimCommandLine(" \t-\"a-b\" \t"), "a-b");
}

TEST(FirstScreen, DecisionTable)
{
    using F = shell::FirstScreen;
    struct Row {
        const char* what;
        shell::FirstScreenInputs in;
        F expect;
    } rows[] = {
        {"defaults: playground", {}, F::Playground},
        {"play mode with ShowPlayground off", {false, true, true, "", true, true, true, true}, F::Playground},
        {"a .tqs skips playground, welcome and start question", {true, false, true, "tqs", true, true, true, false}, F::Tip},
        {"a .spj skips the playground only", {true, false, true, "spj", true, true, true, false}, F::Welcome},
        {"first run, default project", {false, false, true, "", true, true, true, true}, F::Welcome},
        {"first run, real project: tip", {false, false, true, "", true, false, true, true}, F::Tip},
        {"start question", {false, false, true, "", false, true, true, true}, F::StartQuestion},
        {"start question off", {false, false, true, "", false, true, false, true}, F::Tip},
        {"playground not in this program", {true, false, false, "", false, true, true, true}, F::StartQuestion},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(shell::ChooseFirstScreen(r.in), r.expect);
    }
}

TEST(FrameTitle, ProjectAndChild)
{
    EXPECT_EQ(shell::FrameTitle("Line1", false, "Prog.tqs", false), "Line1 - Tessaraxon Interface - [Prog.tqs]");
    EXPECT_EQ(shell::FrameTitle("Line1", false, "Prog.tqs", true), "Line1 - Tessaraxon Interface");
    EXPECT_EQ(shell::FrameTitle("", true, "", false), "Tessaraxon Interface");
}

TEST(RecentFileList, AddMoveRemoveAndProfileRoundTrip)
{
    TempFolder dir;
    platform::Registry registry(dir / "user.reg", dir / "machine.reg");
    platform::Profile profile(&registry);
    fw::RecentFileList list("Recent WSP List", "WSP%d", 4, 30);
    for (const char* p : {"/a/1.spj", "/a/2.spj", "/a/3.spj", "/a/4.spj", "/a/5.spj"})
        list.Add(p);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a/5.spj", "/a/4.spj", "/a/3.spj", "/a/2.spj"}));
    list.Add("/A/3.SPJ"); // the same file: moved to the top, not listed twice
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/A/3.SPJ", "/a/5.spj", "/a/4.spj", "/a/2.spj"}));
    list.Remove(1);
    list.MoveToTop(2);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a/2.spj", "/A/3.SPJ", "/a/4.spj"}));
    ASSERT_TRUE(list.WriteList(profile));
    EXPECT_EQ(profile.GetString("Recent WSP List", "WSP1", ""), "/a/2.spj");
    EXPECT_FALSE(profile.FindString("Recent WSP List", "WSP4"));

    fw::RecentFileList again("Recent WSP List", "WSP%d", 4, 30);
    again.ReadList(profile);
    EXPECT_EQ(again.Entries(), list.Entries());
    EXPECT_EQ(again.Find("/a/4.spj"), 2);

    EXPECT_EQ(fw::RecentFileList::Abbreviate("/home/user/projects/long-folder-name/Line1.spj", 30), "/home/.../Line1.spj");
    EXPECT_EQ(fw::RecentFileList::Abbreviate("/short/Line1.spj", 30), "/short/Line1.spj");
    EXPECT_LE(fw::RecentFileList::Abbreviate("/x/a-very-long-project-file-name-indeed.spj", 30).size(), 44u);
}
