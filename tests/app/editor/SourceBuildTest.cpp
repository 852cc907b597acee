// Scanning and building a source without motors: the messages in the information view with the
// document's path, the language version rules, and the "Undefined Symbols" question whose Force
// Download writes the compiled file anyway and whose check box stays hidden once ticked.

#include "app/editor/SourceBuild.h"
#include "core/motor/Motor.h"
#include "core/ui/Questions.h"
#include "tests/e2e/TransferRig.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace transfertest;

namespace {

struct Doc : editor::ISourceDocument {
    std::string path, text, version;
    bool saved = true;
    std::string PathName() const override { return saved ? path : std::string(); }
    std::string Title() const override { return "doc.tqs"; }
    std::string LanguageVersion() const override { return version; }
    bool IsCalibration() const override { return false; }
    std::string PlainText() const override { return text; }
    bool EnsureSaved() override { return saved; }
};

} // namespace

TEST(SourceBuild, MessagesVersionsAndTheUndefinedSymbolsQuestion)
{
    Services s;
    CScanner scanner;
    editor::CSourceBuild build(scanner, s.context, nullptr);
    Doc doc;
    doc.path = s.folder.File("dir.v2/doc");
    std::filesystem::create_directories(s.folder.File("dir.v2"));
    const std::string compiled = s.folder.File("dir.v2/doc.tqx");

    // Never saved: nothing compiled.
    doc.saved = false;
    EXPECT_FALSE(build.ScanActiveView(doc, nullptr, true, false));
    EXPECT_EQ(s.info.Lines().back().description, editor::kMustSaveText);
    doc.saved = true;

    // A motor of another version than the file's.
    CMotor motor;
    motor.Version = "450";
    doc.version = "462";
    doc.text = "END\n";
    EXPECT_FALSE(build.ScanActiveView(doc, &motor, false, false));
    EXPECT_EQ(s.info.Lines().back().description, "The file version (462) does not match the target motor version (450).");
    doc.version.clear();

    // Errors carry the document's path so that a double-click opens it.
    doc.text = "a=1\n  b=(2\nEND\n";
    EXPECT_FALSE(build.BuildActiveView(doc, nullptr, false, false));
    EXPECT_EQ(s.info.ErrorCount(), 3) << s.InfoText(); // the two above and the bracket
    EXPECT_EQ(s.info.Lines()[s.info.Lines().size() - 2].item->file, doc.path) << s.InfoText();
    EXPECT_FALSE(std::filesystem::exists(compiled));

    // Only undefined symbols: Force Download writes the file; the folder's dot is not the extension.
    doc.text = "NOSUCH=1\nEND\n";
    s.questions.AnswerMessageBox(ui::kLeftButton);
    EXPECT_TRUE(build.BuildActiveView(doc, nullptr, false, true)) << s.InfoText();
    EXPECT_TRUE(std::filesystem::exists(compiled));
    EXPECT_NE(s.InfoText().find("Ignoring undefined symbols."), std::string::npos);
    const auto& asked = s.questions.AskedQuestions().back().message;
    EXPECT_EQ(asked.caption, "Undefined Symbols");
    EXPECT_NE(asked.text.find("not defined in motor version '400'"), std::string::npos) << asked.text;
    EXPECT_FALSE(asked.checkText.empty());

    // OK with the box ticked: nothing written, and the next question has no check box.
    std::filesystem::remove(compiled);
    s.questions.AnswerMessageBox(ui::kRightButton, true);
    EXPECT_FALSE(build.BuildActiveView(doc, nullptr, false, true));
    EXPECT_FALSE(std::filesystem::exists(compiled));
    EXPECT_EQ(ui::GetRememberedAnswer(ui::kProblemsKey), 1);
    s.questions.AnswerMessageBox(ui::kRightButton);
    EXPECT_FALSE(build.BuildActiveView(doc, nullptr, false, true));
    EXPECT_TRUE(s.questions.AskedQuestions().back().message.checkText.empty());
    // Without a summary asked for (a run over several motors) no question: the build fails.
    auto undefinedQuestions = [&] {
        int n = 0;
        for (const auto& q : s.questions.AskedQuestions())
            n += q.message.caption == "Undefined Symbols" ? 1 : 0;
        return n;
    };
    const int before = undefinedQuestions();
    EXPECT_FALSE(build.BuildActiveView(doc, nullptr, false, false));
    EXPECT_EQ(undefinedQuestions(), before);
}
