// Macros: splitting, the last command without a separator, the line-buffer limit, stopping, the
// archive record, the properties rules and one macro at a time.
#include <gtest/gtest.h>

#include "app/project/Macro.h"
#include "core/archive/TagArchive.h"

#include <string>
#include <vector>

namespace {

struct RecordingPane final : IMacroTarget {
    std::vector<CMacro::Command> lines;
    std::vector<std::string> errors;
    std::string failOn;
    std::function<void()> onLine;
    bool ExecuteLine(const std::string& line, bool noReply) override
    {
        lines.push_back({line, noReply});
        if (onLine)
            onLine();
        return line != failOn;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
};

using C = CMacro::Command;

} // namespace

TEST(Macro, SplitsRunsAndStopsAsTheUserExpects)
{
    // ";" hands a command without reading its reply, a line end with; empties are skipped; the last
    // command needs no separator; CR is dropped.
    EXPECT_EQ(CMacro::Split("A;B\nC\n"), (std::vector<C>{{"A", true}, {"B", false}, {"C", false}}));
    EXPECT_EQ(CMacro::Split(";;A;;\r\n\r\nB"), (std::vector<C>{{"A", true}, {"B", false}}));
    EXPECT_EQ(CMacro::Split("*skip\n:note\n1RP"), (std::vector<C>{{"*skip", false}, {":note", false}, {"1RP", false}}));
    EXPECT_TRUE(CMacro::Split("").empty());

    // 255 characters fit; 256 stop the list before that command.
    bool tooLong = true;
    EXPECT_EQ(CMacro::Split(std::string(255, 'x'), &tooLong).size(), 1u);
    EXPECT_FALSE(tooLong);
    const auto cut = CMacro::Split("G;" + std::string(10000, 'x') + ";END", &tooLong);
    EXPECT_TRUE(tooLong);
    EXPECT_EQ(cut, (std::vector<C>{{"G", true}}));

    // Run: every command reaches the pane, then a too-long command stops the macro with an error.
    CMacro m;
    m.Commands = "MP;A=100\nV=2000;G;" + std::string(300, 'y') + "\nEND";
    RecordingPane pane;
    int pumps = 0;
    EXPECT_FALSE(m.Run(pane, [&] { ++pumps; }));
    EXPECT_EQ(pane.lines, (std::vector<C>{{"MP", true}, {"A=100", false}, {"V=2000", true}, {"G", true}}));
    EXPECT_EQ(pumps, 4);
    ASSERT_EQ(pane.errors.size(), 1u);
    EXPECT_EQ(pane.errors[0], CMacro::kCommandTooLong);

    // A failed command ends the macro.
    RecordingPane failing;
    failing.failOn = "B";
    m.Commands = "A;B;C";
    EXPECT_FALSE(m.Run(failing));
    EXPECT_EQ(failing.lines.size(), 2u);

    // A stop request shows the stop line and ends it; the runner refuses a second macro meanwhile.
    CMacroRunner runner;
    RecordingPane stopping;
    CMacro other;
    other.Commands = "X";
    bool nested = true;
    stopping.onLine = [&] {
        if (stopping.lines.size() == 2) {
            nested = runner.Run(other, stopping, {});
            runner.Stop();
        }
    };
    m.Commands = "A\nB\nC\nD\n";
    bool result = false;
    EXPECT_TRUE(runner.Run(m, stopping, {}, &result));
    EXPECT_TRUE(result);
    EXPECT_FALSE(nested);
    EXPECT_EQ(stopping.lines, (std::vector<C>{{"A", false}, {"B", false}, {CMacro::kStoppedLine, false}}));
    EXPECT_FALSE(runner.Running());
}

TEST(Macro, RecordShortcutsAndProperties)
{
    std::vector<std::unique_ptr<CMacro>> macros;
    for (int i = 0; i < 3; ++i) {
        macros.push_back(std::make_unique<CMacro>());
        macros.back()->index = i;
        macros.back()->Name = "M" + std::to_string(i);
    }
    macros[0]->Shortcut = 1;
    macros[1]->Shortcut = 3;
    macros[2]->Description = "home\tall";
    macros[2]->Commands = "0WAKE;0ZS\r\n";

    // Archive round trip; a stored shortcut above 9 means none.
    CTagArchive out("VQXWSPFILE");
    out.OpenForWriteMemory();
    for (auto& m : macros)
        m->Serialize('M' + std::to_string(m->index), out);
    char bad = 42;
    out.OpenGroup("Bad");
    out.SerializeChar("Shortcut", bad, 0);
    out.CloseGroup();
    ASSERT_TRUE(out.Close());
    CTagArchive in("VQXWSPFILE");
    ASSERT_TRUE(in.OpenForReadMemory(out.TakeBytes()));
    CMacro back, badBack, absent;
    back.Serialize("M2", in);
    badBack.Serialize("Bad", in);
    absent.Name = "kept";
    absent.Serialize("Missing", in);
    EXPECT_EQ(back.Name, "M2");
    EXPECT_EQ(back.Description, "home\tall");
    EXPECT_EQ(back.Commands, "0WAKE;0ZS\r\n");
    EXPECT_EQ(back.Shortcut, CMacro::kNoShortcut);
    EXPECT_EQ(badBack.Shortcut, CMacro::kNoShortcut);
    EXPECT_EQ(absent.Name, "kept");

    // Two macros cannot share a digit: the edited macro keeps its own digit on offer.
    EXPECT_EQ(ShortcutChoices(macros, macros[0].get()),
              (std::vector<std::string>{"None", "Ctrl+0", "Ctrl+1", "Ctrl+2", "Ctrl+4", "Ctrl+5", "Ctrl+6", "Ctrl+7",
                                        "Ctrl+8", "Ctrl+9"}));
    EXPECT_EQ(ShortcutChoices(macros, nullptr).size(), 9u);
    EXPECT_EQ(CMacroRunner::FindByShortcut(macros, 3), macros[1].get());
    EXPECT_EQ(CMacroRunner::FindByShortcut(macros, 5), nullptr);
    EXPECT_EQ(ShortcutText(7), "Ctrl+7");
    EXPECT_EQ(ShortcutText(255), "None");

    // The properties dialog's OK.
    CMacro edited;
    EXPECT_EQ(ApplyMacroProperties(edited, "", "d", "None", "RP"), "Please enter a name for this macro.");
    EXPECT_EQ(ApplyMacroProperties(edited, "n", "d", "Ctrl+4", ""), "Please enter some commands for this macro!");
    EXPECT_EQ(ApplyMacroProperties(edited, "n", "d", "Ctrl+4", "RP;RV"), "");
    EXPECT_EQ(edited.Commands, "RP;RV\r\n");
    EXPECT_EQ(edited.Shortcut, 4);
    EXPECT_EQ(ApplyMacroProperties(edited, "n", "d", "None", "RP\n"), "");
    EXPECT_EQ(edited.Commands, "RP\n");
    EXPECT_EQ(edited.Shortcut, CMacro::kNoShortcut);
}
