// The Options dialog's rules without widgets: the language registrations against a registry of
// our own (Add asks before it copies or writes anything, refuses a file without a version and
// never copies a file onto itself), the pages' checks as tables, what their apply steps store and
// report, and the Advanced page's tree against the remembered answers.

#include "app/shell/LanguageFiles.h"
#include "app/shell/OptionsPages.h"
#include "core/ui/OperationContext.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"
#include "scanner/Language.h"
#include "scanner/Scanner.h"
#include "tests/common/TempFolder.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace shell;
using namespace shell::options;
using platform::RegHive;

namespace {

std::string WriteLanguage(const std::string& path, const std::string& version)
{
    CLanguage lang;
    lang.Version = version;
    lang.Author = "test " + version;
    EXPECT_TRUE(lang.Write(path));
    return path;
}

std::string Content(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class LanguageFilesTest : public ::testing::Test {
protected:
    LanguageFilesTest() : registry(dir / "user.reg", dir / "machine.reg"), files(registry, questions)
    {
        std::filesystem::create_directory(dir / "lang");
        std::filesystem::create_directory(dir / "in");
        registry.SetString(RegHive::LocalMachine, kLanguageKey, "Path", dir / "lang");
        registry.SetString(RegHive::LocalMachine, kLanguageKey, "Default", "440");
        registry.SetString(RegHive::LocalMachine, kLanguageKey, "440", dir / "lang/440.sld");
    }
    std::optional<std::string> Value(const char* key, const std::string& name)
    {
        return registry.GetString(RegHive::LocalMachine, key, name);
    }
    std::vector<LanguageRow> Rows(bool showAll) { return files.Read(showAll).rows; }

    TempFolder dir;
    platform::Registry registry;
    ui::CHeadlessQuestions questions;
    CLanguageFiles files;
};

} // namespace

TEST(LanguageVersions, SplitAndFileNameAsATable)
{
    struct Case {
        std::string text;
        std::vector<std::string> versions;
        std::string file;
    };
    const Case cases[] = {
        {"450", {"450"}, "450.sld"},
        {"450; 451", {"450", "451"}, "450.sld"},
        {"4.5-0a,460 470", {"4.5-0a", "460", "470"}, "450a.sld"},
        {"", {}, ""},
        {" ; ,", {}, ""},
        {"...;460", {"...", "460"}, ""}, // the first version has no letter or digit: no ".sld" of nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitLanguageVersions(c.text), c.versions) << c.text;
        EXPECT_EQ(LanguageFileName(SplitLanguageVersions(c.text)), c.file) << c.text;
    }
}

TEST_F(LanguageFilesTest, AddAsksFirstCopiesThenWritesAndNeverCopiesOntoItself)
{
    // A file naming two versions: both registered to one copy named after the first.
    const std::string first = WriteLanguage(dir / "in/first.sld", "450; 451");
    ASSERT_TRUE(files.Add(first));
    EXPECT_EQ(Value(kLanguageKey, "450"), dir / "lang/450.sld");
    EXPECT_EQ(Value(kLanguageKey, "451"), dir / "lang/450.sld");
    EXPECT_EQ(Content(dir / "lang/450.sld"), Content(first));
    EXPECT_EQ(questions.MessageBoxCount(), 0);
    EXPECT_EQ(Rows(false), (std::vector<LanguageRow>{{"440", true, false}, {"450", false, false}, {"451", false, false}}));

    // A second file listing 451 again: one question; No leaves every registration and file as it was.
    const std::string second = WriteLanguage(dir / "in/second.sld", "451,460");
    questions.AnswerMessageBox(ui::IDNO);
    EXPECT_FALSE(files.Add(second));
    ASSERT_EQ(questions.MessageTexts(), std::vector<std::string>{CLanguageFiles::kReplaceQuestion});
    EXPECT_EQ(questions.AskedQuestions().back().message.style, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON2);
    EXPECT_EQ(Value(kLanguageKey, "451"), dir / "lang/450.sld");
    EXPECT_FALSE(Value(kLanguageKey, "460"));
    EXPECT_FALSE(std::filesystem::exists(dir / "lang/451.sld")) << "nothing copied after No";

    // Yes: asked once although only one version clashes; every version it lists points to its copy.
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(files.Add(second));
    EXPECT_EQ(questions.MessageBoxCount(), 2);
    EXPECT_EQ(Value(kLanguageKey, "451"), dir / "lang/451.sld");
    EXPECT_EQ(Value(kLanguageKey, "460"), dir / "lang/451.sld");
    EXPECT_EQ(Value(kLanguageKey, "450"), dir / "lang/450.sld");

    // Adding the registered copy itself: asked (its versions are taken), not copied onto itself.
    struct stat before {};
    ASSERT_EQ(stat((dir / "lang/451.sld").c_str(), &before), 0);
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(files.Add(dir / "lang/451.sld"));
    struct stat after {};
    ASSERT_EQ(stat((dir / "lang/451.sld").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino) << "the file was replaced by a copy of itself";
    EXPECT_EQ(Content(dir / "lang/451.sld"), Content(second));

    // Refused with a message, nothing written: no version, not a language file, a missing file.
    const auto valuesBefore = registry.Values(RegHive::LocalMachine, kLanguageKey);
    const std::string noVersion = WriteLanguage(dir / "in/none.sld", " ; ");
    std::ofstream(dir / "in/junk.sld") << "not an archive";
    struct Refused {
        std::string file;
        const char* message;
    };
    for (const Refused& r : {Refused{noVersion, CLanguageFiles::kNoVersion},
                             Refused{dir / "in/junk.sld", CLanguageFiles::kReadError},
                             Refused{dir / "in/missing.sld", CLanguageFiles::kReadError}}) {
        EXPECT_FALSE(files.Add(r.file)) << r.file;
        EXPECT_EQ(questions.MessageTexts().back(), r.message) << r.file;
        EXPECT_EQ(questions.AskedQuestions().back().message.style, ui::MB_OK | ui::MB_ICONERROR);
    }
    EXPECT_EQ(registry.Values(RegHive::LocalMachine, kLanguageKey), valuesBefore);
    EXPECT_FALSE(std::filesystem::exists(dir / "lang/.sld"));
    EXPECT_TRUE(questions.ScriptErrors().empty());
    EXPECT_EQ(questions.PendingAnswers(), 0u);
}

TEST_F(LanguageFilesTest, HideShowAllSetDefaultAndDeleteAHiddenVersion)
{
    registry.SetString(RegHive::LocalMachine, kLanguageKey, "450", dir / "lang/450.sld");
    registry.SetString(RegHive::LocalMachine, kLanguageKey, "462", dir / "lang/462.sld");
    registry.SetDword(RegHive::LocalMachine, kLanguageKey, "Count", 3); // ends the enumeration
    registry.SetString(RegHive::LocalMachine, kLanguageKey, "500", dir / "lang/500.sld");
    EXPECT_EQ(Rows(false), (std::vector<LanguageRow>{{"440", true, false}, {"450", false, false}, {"462", false, false}}));
    // (A value moved back is written at the end: with "Count" in place it would not be listed.)
    registry.DeleteValue(RegHive::LocalMachine, kLanguageKey, "Count");
    registry.DeleteValue(RegHive::LocalMachine, kLanguageKey, "500");

    // Hidden: gone from the list, listed again with "Show all"; the default keeps its mark.
    files.Hide("440");
    files.Hide("999"); // not registered: nothing happens
    EXPECT_FALSE(Value(kLanguageKey, "440"));
    EXPECT_EQ(Value(kHiddenLanguageKey, "440"), dir / "lang/440.sld");
    EXPECT_FALSE(Value(kHiddenLanguageKey, "999"));
    EXPECT_EQ(Rows(false), (std::vector<LanguageRow>{{"450", false, false}, {"462", false, false}}));
    EXPECT_EQ(Rows(true), (std::vector<LanguageRow>{{"450", false, false}, {"462", false, false}, {"440", true, true}}));

    // Set default on a hidden version brings it back.
    files.Hide("462");
    files.SetDefault("462");
    EXPECT_EQ(Value(kLanguageKey, "Default"), "462");
    EXPECT_EQ(Value(kLanguageKey, "462"), dir / "lang/462.sld");
    EXPECT_FALSE(Value(kHiddenLanguageKey, "462"));

    // Delete: refused without a selection; asked; No keeps it; Yes removes a hidden one too.
    EXPECT_FALSE(files.Delete(""));
    EXPECT_EQ(questions.MessageTexts().back(), CLanguageFiles::kNoSelection);
    questions.AnswerMessageBox(ui::IDNO);
    EXPECT_FALSE(files.Delete("440"));
    EXPECT_EQ(Value(kHiddenLanguageKey, "440"), dir / "lang/440.sld");
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_TRUE(files.Delete("440"));
    EXPECT_EQ(questions.MessageTexts().back(), CLanguageFiles::kDeleteQuestion);
    EXPECT_FALSE(Value(kHiddenLanguageKey, "440"));
    EXPECT_FALSE(Value(kLanguageKey, "440"));
    EXPECT_EQ(Rows(true), (std::vector<LanguageRow>{{"450", false, false}, {"462", true, false}}));

    // Without "Path" the list is read but Add has no folder to copy to.
    registry.DeleteValue(RegHive::LocalMachine, kLanguageKey, "Path");
    EXPECT_TRUE(files.Read(false).folderMissing);
    EXPECT_FALSE(files.Add(WriteLanguage(dir / "in/x.sld", "470")));
    EXPECT_EQ(questions.MessageTexts().back(), CLanguageFiles::kNoFolder);
    EXPECT_FALSE(Value(kLanguageKey, "470"));
    // No Scanner key at all: an empty list.
    registry.DeleteKey(RegHive::LocalMachine, kLanguageKey);
    EXPECT_FALSE(files.Read(true).keyExists);
    EXPECT_TRUE(Rows(true).empty());
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

TEST(OptionsPages, ChecksFontSizesAndApplyStepsAsTables)
{
    // Font sizes: position = size / 2 - 3 within the list of eight; a stored odd or wild size is clamped.
    const std::pair<int, int> sizes[] = {{6, 0}, {10, 2}, {11, 2}, {20, 7}, {4, 0}, {-40, 0}, {200, 7}};
    for (auto [points, position] : sizes)
        EXPECT_EQ(FontSizePosition(points), position) << points;
    for (int position = 0; position < kFontSizeCount; ++position)
        EXPECT_EQ(FontSizePosition(FontSizeOfPosition(position)), position);
    EXPECT_EQ(TabWidthTwips(8, 4), 480);

    // Scanner page: errors checked before warnings; positive numbers only.
    const std::tuple<int, int, const char*> scannerCases[] = {
        {50, 50, nullptr},
        {1, 1, nullptr},
        {0, 50, "Please enter a positive number for Max Number of Errors."},
        {-3, 0, "Please enter a positive number for Max Number of Errors."},
        {5, 0, "Please enter a positive number for Max Number of Warnings."},
    };
    for (auto [errors, warnings, message] : scannerCases) {
        ScannerPage p;
        p.maxErrors = errors;
        p.maxWarnings = warnings;
        const auto problem = ValidateScannerPage(p);
        EXPECT_EQ(problem.value_or(""), message ? message : "") << errors << "/" << warnings;
    }

    // Terminal page: the four checks in order; 10 ms and 100 are accepted; with the automatic echo
    // timeout any echo timeout passes.
    struct TerminalCase {
        bool automatic;
        int echo, response, network, byteDelay;
        const char* message;
    };
    const TerminalCase terminal[] = {
        {true, 0, 100, 100, 100, nullptr},
        {false, 10, 500, 1000, 260, nullptr},
        {false, 9, 500, 1000, 260, "Invalid \"Echo Timeout\" value.\nPlease enter a number more than 10 mSec."},
        {false, 9, 99, 1000, 260, "Invalid \"Echo Timeout\" value.\nPlease enter a number more than 10 mSec."},
        {true, 0, 99, 99, 99, "Invalid \"Response Timeout\" value.\nPlease enter a number more than 100 mSec."},
        {true, 0, 100, 99, 99, "Invalid \"Network Delay\" value.\nPlease enter a number more than 100 mSec."},
        {true, 0, 100, 100, 99, "Invalid \"Dwonload Delay\" value.\nPlease enter a number more than 100 uSec."},
    };
    for (const TerminalCase& c : terminal) {
        TerminalPage p;
        p.calTimeouts = c.automatic;
        p.echoTimeout = c.echo;
        p.responseTimeout = c.response;
        p.networkDelay = c.network;
        p.downloadDelay = c.byteDelay;
        const auto problem = ValidateTerminalPage(p);
        EXPECT_EQ(problem.value_or(""), c.message ? c.message : "") << c.echo << " " << c.response;
    }

    // Editor page: nothing stored (not even the measured tab width) while nothing it compares changed.
    COptions o;
    EditorPage editor = ReadEditorPage(o);
    editor.tabSizePoint = 999;
    EXPECT_FALSE(ApplyEditorPage(editor, o));
    EXPECT_EQ(o.TabSizePoint, 480);
    editor.keywordColor = 0x0000FF;
    editor.tabSize = 8;
    EXPECT_TRUE(ApplyEditorPage(editor, o));
    EXPECT_EQ(o.KeywordColor, 0x0000FFu);
    EXPECT_EQ(o.TabSize, 8);
    EXPECT_EQ(o.TabSizePoint, 999);

    // Terminal page: numbers and switches always stored; the look reported only when it changed.
    TerminalPage t = ReadTerminalPage(o);
    t.responseTimeout = 700;
    t.echoErrors = true;
    EXPECT_FALSE(ApplyTerminalPage(t, o));
    EXPECT_EQ(o.ResponseTimeout, 700);
    EXPECT_TRUE(o.EchoErrors);
    t.fontSize = 14;
    EXPECT_TRUE(ApplyTerminalPage(t, o));
    EXPECT_EQ(o.TermFontSize, 14);

    // Analyzer page: a new measured line height is a new look; Restore Defaults keeps the echo and
    // analyzer colours and the sound.
    AnalyzerPage a = ReadAnalyzerPage(o);
    a.soundFile = "ding.wav";
    a.receiveSounds = true;
    EXPECT_FALSE(ApplyAnalyzerPage(a, o));
    EXPECT_EQ(o.SoundFile, "ding.wav");
    a.lineHeight = 19;
    EXPECT_TRUE(ApplyAnalyzerPage(a, o));
    EXPECT_EQ(o.SDALineHeight, 19);
    a.echoColor = 0x123456;
    a.analyzerColor = 0x654321;
    a.backColor = a.sentColor = 0xABCDEF;
    a.includePolling = true;
    a.includeInternal = false;
    a.fontSize = 20;
    RestoreAnalyzerDefaults(a);
    EXPECT_EQ(a.backColor, 0xFFF2FCu);
    EXPECT_EQ(a.sentColor, 0u);
    EXPECT_EQ(a.receivedColor, 0x008000u);
    EXPECT_EQ(a.echoColor, 0x123456u);
    EXPECT_EQ(a.analyzerColor, 0x654321u);
    EXPECT_FALSE(a.includePolling);
    EXPECT_TRUE(a.includeInternal);
    EXPECT_EQ(a.fontSize, 10);
    EXPECT_TRUE(a.receiveSounds);
    EXPECT_EQ(a.soundFile, "ding.wav");

    // Scanner page: the compiler's own settings and the record's switch.
    CScanner scanner;
    ScannerPage s = ReadScannerPage(scanner, o);
    EXPECT_EQ(s, ScannerPage{});
    s.maxErrors = 7;
    s.checkParameterRanges = true;
    s.showAllLanguages = true;
    ApplyScannerPage(s, scanner, o);
    EXPECT_EQ(scanner.Errors().MaxErrors, 7);
    EXPECT_TRUE(scanner.CheckParamRange);
    EXPECT_TRUE(o.ShowAllLanguages);
}

TEST(OptionsPages, ReformatQuestionIsRememberedUnderItsKey)
{
    TempFolder dir;
    platform::Registry registry(dir / "user.reg", dir / "machine.reg");
    platform::ScopedDefaultRegistry use(registry);
    ui::CHeadlessQuestions questions;
    // Asked with its check box; a checked Yes is remembered and answers the next time unasked.
    questions.AnswerMessageBox(ui::IDYES, true);
    EXPECT_TRUE(AskReformat(questions));
    ASSERT_EQ(questions.MessageBoxCount(), 1);
    const auto& asked = questions.AskedQuestions().back().message;
    EXPECT_EQ(asked.text, kReformatQuestion);
    EXPECT_EQ(asked.checkText, ui::kCheckToDisable);
    EXPECT_EQ(asked.style & ui::MB_ICONMASK, ui::MB_ICONQUESTION);
    EXPECT_TRUE(AskReformat(questions));
    EXPECT_EQ(questions.MessageBoxCount(), 1);
    platform::AppProfile().WriteInt(ui::kOptionBoxesSection, "AutoReformat", ui::IDNO);
    EXPECT_FALSE(AskReformat(questions));
    EXPECT_EQ(questions.MessageBoxCount(), 1);
}

TEST(AdvancedTree, LoadClickApplyAndRestoreDefaultsAgainstTheProfile)
{
    TempFolder dir;
    platform::Registry registry(dir / "user.reg", dir / "machine.reg");
    platform::Profile profile(&registry);
    const auto& items = AdvancedItems();
    auto index = [&](const char* text) {
        for (size_t i = 0; i < items.size(); ++i)
            if (std::string_view(items[i].text) == text)
                return static_cast<int>(i);
        ADD_FAILURE() << text;
        return 0;
    };
    auto stored = [&](const char* key) { return profile.FindInt(ui::kOptionBoxesSection, key); };

    // An empty profile shows the defaults: "always ask" everywhere, the logo, tips and welcome shown.
    COptions o;
    o.ReloadWorkspace = false;
    CAdvancedTree tree;
    tree.Load(profile, o);
    EXPECT_TRUE(tree.IsSet(index("Always ask before Addressing motors")));
    EXPECT_TRUE(tree.IsSet(index("Show \"Tip of the Day\" at startup")));
    EXPECT_TRUE(tree.IsSet(index("Show VQX logo at startup")));
    EXPECT_FALSE(tree.IsSet(index("Insert include file markers in the TQX file.")));
    EXPECT_FALSE(tree.IsSet(index("Reload last project at startup")));
    EXPECT_EQ(tree.Image(index("Project")), 5);
    EXPECT_EQ(tree.Image(index("Confirmation")), 4);
    EXPECT_EQ(tree.Image(index("When a new configuration is detected:")), 4);

    // Stored answers: 6 under "Address" clears its item; 1238 sets that option and no other.
    profile.WriteInt(ui::kOptionBoxesSection, "Address", 6);
    profile.WriteInt(ui::kOptionBoxesSection, "DifferentChannel", 1238);
    tree.Load(profile, o);
    EXPECT_EQ(tree.Image(index("Always ask before Addressing motors")), 0);
    const int update = index("Always add new motors, and update existing ones");
    EXPECT_EQ(tree.Image(update), 3);
    EXPECT_EQ(tree.Image(update - 1), 2);

    // Clicks: a check toggles, an option takes the group's one mark; a group ignores the click.
    tree.Click(index("Always ask before Addressing motors"));
    tree.Click(index("Show VQX logo at startup"));
    tree.Click(index("Reload last project at startup"));
    const int replace = index("Always replace current settings with the detected settings");
    tree.Click(replace);
    tree.Click(index("Never format"));
    tree.Click(index("Polling"));
    tree.Click(-1);
    tree.Click(static_cast<int>(items.size()));
    EXPECT_FALSE(tree.IsSet(update));
    EXPECT_TRUE(tree.IsSet(replace));
    EXPECT_FALSE(tree.IsSet(index("Polling")));

    // Apply: every check writes its set or clear value, each group its set option, the settings
    // go to the record.
    tree.Apply(profile, o);
    const std::pair<const char*, int> written[] = {
        {"Address", 0},       {"Download", 0},      {"DownloadCal", 0}, {"PollingProgram", 0}, {"ErrorsDetected", 0},
        {"SuccessMsg", 0},    {"EndDownload", 0},   {"AutoReformat", 7}, {"DifferentChannel", 1235},
        {"OnCommError", 0},   {"DownloadPollProgram", 0}, {"ShowLogo", 0}, {"NoStartupTips", 0},
        {"ShowPlayground", 1}, {"StartQuestion", 1}, {"YesDefault", 1}, {"InsertMarker", 0},
    };
    for (auto [key, value] : written)
        EXPECT_EQ(stored(key), value) << key;
    EXPECT_TRUE(o.ReloadWorkspace);
    EXPECT_TRUE(o.NoPollingOnError);

    // Restore Defaults changes only the tree; Apply then writes the defaults.
    tree.RestoreDefaults();
    EXPECT_EQ(stored("ShowLogo"), 0);
    tree.Click(index("Reload last project at startup"));
    tree.Click(index("Stop polling when a communication error occurs"));
    tree.RestoreDefaults();
    o.RunStartup = false;
    tree.Apply(profile, o);
    const std::pair<const char*, int> defaults[] = {
        {"Address", 0},       {"DownloadCal", 0},       {"EndDownload", 0}, {"AutoReformat", 0},
        {"DifferentChannel", 0}, {"OnCommError", 0},    {"DownloadPollProgram", 0}, {"ShowLogo", 1},
        {"NoStartupTips", 0}, {"ShowPlayground", 1},    {"StartQuestion", 1}, {"YesDefault", 1}, {"InsertMarker", 0},
    };
    for (auto [key, value] : defaults)
        EXPECT_EQ(stored(key), value) << key;
    EXPECT_TRUE(o.RunStartup && o.ReloadWorkspace && o.NoPollingOnError && o.SaveWorkspace && o.RestoreSerialState);
}
