// Tools > Options in the real main frame, headless, with the project session and a source open in
// the real editor view: new editor colours and font re-highlight the open editor after the
// reformat question, a refused page keeps the dialog open on that page, the Advanced tree's image
// clicks reach the remembered answers, the record is saved; Cancel changes nothing but the
// language registrations made on the Scanner page, which the firmware menu then lists.

#include "SetupGui.h"
#include "TestAppContext.h"

#include "app/editor/gui/EditorEnvironment.h"
#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/shell/CommandIds.h"
#include "app/shell/LanguageFiles.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/gui/OptionsDlg.h"
#include "core/settings/Options.h"
#include "scanner/Language.h"
#include "scanner/Scanner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace shell::ids;

// A dialog left open by a failed check is cancelled, so that the test ends.
struct CloseWhenDone {
    QDialog* dlg;
    ~CloseWhenDone()
    {
        if (dlg->isVisible())
            dlg->reject();
    }
};

class OptionsGui : public SetupGuiTest {
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        app.context.Options() = COptions();
        frame = std::make_unique<CMainFrame>(app.context);
        templates.Add(129, "\nVQX\nVQX Source File\nVQX Files (*.tqs)\n.tqs\nVQX.Document\nVQX Source File");
        editor::RegisterEditor(templates, *frame, editorEnv);
        session = std::make_unique<CProjectSession>(*frame);
        session->Start("");
        frame->Project().RunStartup(); // the ports saved open, as the program's start does
        session->ConnectEditor(editorEnv);
    }
    void TearDown() override
    {
        session.reset();
        frame.reset();
        app.context.Options() = COptions();
    }
    CVQXView* OpenSource(const std::string& text)
    {
        const std::string path = dir / "motion.tqs";
        std::ofstream(path, std::ios::binary) << text;
        std::string error;
        fw::CChildFrame* child = templates.OpenDocument(frame->MdiArea(), QString::fromStdString(path), &error);
        EXPECT_NE(child, nullptr) << error;
        QApplication::processEvents();
        return child ? qobject_cast<CVQXView*>(child->widget()) : nullptr;
    }
    // The colour of the first highlighted range of a line.
    static QColor LineColor(CVQXView* view, int line)
    {
        const auto formats = view->document()->findBlockByNumber(line).layout()->formats();
        return formats.isEmpty() ? QColor() : formats.front().format.foreground().color();
    }
    static void SelectPage(CPageDlg* dlg, int position)
    {
        dlg->List()->setCurrentRow(position - 1);
        QApplication::processEvents();
    }
    std::optional<int32_t> Stored(const char* section, const char* key)
    {
        return platform::AppProfile().FindInt(section, key);
    }

    editor::EditorEnvironment editorEnv;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CProjectSession> session;
    fw::DocTemplates templates;
};

} // namespace

TEST_F(OptionsGui, NewEditorColoursRehighlightTheOpenEditorAndTheRecordIsSaved)
{
    CVQXView* view = OpenSource("a=1\nWHILE a<10\n  a=a+1\nLOOP\nEND\n");
    ASSERT_NE(view, nullptr);
    const QColor flowBefore = LineColor(view, 1);
    ASSERT_EQ(flowBefore, QColor(0xC9, 0x16, 0xB3)) << "WHILE in the default flow colour";
    session->TerminalBar().View(0)->Append("RSP", TermFormat::Echo);
    const uint32_t red = 0x0000FF;
    app.desktop.colors.push_back(red);
    questions.AnswerMessageBox(ui::IDOK);  // the refused response timeout
    questions.AnswerMessageBox(ui::IDYES); // "Do you want to format the keywords in open documents?"

    bool sawDialog = false;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CPageDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        const CloseWhenDone close{dlg};
        sawDialog = true;
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Options"));
        ASSERT_EQ(dlg->List()->count(), 5);
        EXPECT_EQ(dlg->List()->item(3)->text(), QStringLiteral("Serial Data Analyzer"));
        // Editor: the flow colour and a larger font; the preview follows.
        SelectPage(dlg, 2);
        auto* editorPage = dlg->findChild<CEditorOptionsPage*>();
        ASSERT_TRUE(editorPage && editorPage->isVisible());
        Click(editorPage, 1109);
        ASSERT_EQ(app.desktop.colorsAsked.size(), 1u);
        EXPECT_EQ(app.desktop.colorsAsked[0], 0xB316C9u) << "the colour dialog starts on the current colour";
        Id<QComboBox>(editorPage, 1150)->setCurrentIndex(3); // 12 points
        EXPECT_EQ(editorPage->Preview()->toPlainText().left(16), QStringLiteral("' Sample Program"));
        EXPECT_EQ(editorPage->Preview()->font().pointSize(), 12);
        Snapshot(dlg, QStringLiteral("OptionsDlg-Editor"));
        // Terminal: a response timeout below 100 keeps the dialog open on its page.
        SelectPage(dlg, 3);
        QWidget* terminalPage = dlg->findChild<CTerminalOptionsPage*>();
        EXPECT_FALSE(Id<QLineEdit>(terminalPage, 1001)->isEnabled()) << "automatic echo timeout";
        Id<QLineEdit>(terminalPage, 1002)->setText(QStringLiteral("50"));
        Id<QComboBox>(terminalPage, 1150)->setCurrentIndex(4); // 14 points
        Snapshot(dlg, QStringLiteral("OptionsDlg-Terminal"));
        SelectPage(dlg, 1);
        Click(dlg, 1);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->CurrentPage(), 3);
        EXPECT_EQ(LastMessage(), "Invalid \"Response Timeout\" value.\nPlease enter a number more than 100 mSec.");
        EXPECT_EQ(app.context.Options().FlowColor, 0xB316C9u) << "nothing applied while a page is invalid";
        Id<QLineEdit>(terminalPage, 1002)->setText(QStringLiteral("600"));
        // Advanced: a click on the logo item's image clears it; a click on its text does nothing.
        SelectPage(dlg, 5);
        auto* advanced = dlg->findChild<CAdvancedOptionsPage*>();
        QTreeWidgetItem* logo = nullptr;
        for (QTreeWidgetItemIterator it(advanced->Tree()); *it; ++it)
            if ((*it)->text(0) == QStringLiteral("Show VQX logo at startup"))
                logo = *it;
        ASSERT_NE(logo, nullptr);
        EXPECT_EQ(logo->data(0, Qt::UserRole).toInt(), 1);
        const QRect row = advanced->Tree()->visualItemRect(logo);
        QTest::mouseClick(advanced->Tree()->viewport(), Qt::LeftButton, {}, QPoint(row.right() - 5, row.center().y()));
        EXPECT_EQ(logo->data(0, Qt::UserRole).toInt(), 1);
        QTest::mouseClick(advanced->Tree()->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 8, row.center().y()));
        EXPECT_EQ(logo->data(0, Qt::UserRole).toInt(), 0);
        Snapshot(dlg, QStringLiteral("OptionsDlg-Advanced"));
        Click(dlg, 1);
        EXPECT_FALSE(dlg->isVisible()) << LastMessage();
    });
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_OPTIONS));
    ASSERT_TRUE(sawDialog);

    // The open editor is highlighted anew in the new colour and font.
    EXPECT_EQ(LastMessage(), shell::options::kReformatQuestion);
    EXPECT_EQ(LineColor(view, 1), QColor(0xFF, 0, 0));
    EXPECT_EQ(LineColor(view, 3), QColor(0xFF, 0, 0)) << "LOOP";
    EXPECT_EQ(view->font().pointSize(), 12);
    // The record took the pages and is saved; the terminal panes were cleared for the new look.
    const COptions& o = app.context.Options();
    EXPECT_EQ(o.FlowColor, red);
    EXPECT_EQ(o.EditorFontSize, 12);
    EXPECT_EQ(o.ResponseTimeout, 600);
    EXPECT_EQ(o.TermFontSize, 14);
    EXPECT_EQ(Stored("Editor", "FlowColor"), 0xFF);
    EXPECT_EQ(Stored("Editor", "EditorFontSize"), 12);
    EXPECT_EQ(Stored("Communication", "ResponseTimeout"), 600);
    EXPECT_EQ(Stored("OptionBoxes", "ShowLogo"), 0);
    EXPECT_EQ(Stored("OptionBoxes", "AutoReformat"), 0) << "asked, not remembered";
    EXPECT_TRUE(session->TerminalBar().View(0)->toPlainText().isEmpty());
    EXPECT_EQ(session->TerminalBar().View(0)->Style().pointSize, 14);
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

TEST_F(OptionsGui, CancelKeepsTheRecordButTheLanguageRegistrationsStay)
{
    // A language folder with one registered version, and a new language file to add.
    std::filesystem::create_directories(dir / "lang");
    registry.SetString(platform::RegHive::LocalMachine, shell::kLanguageKey, "Path", dir / "lang");
    registry.SetString(platform::RegHive::LocalMachine, shell::kLanguageKey, "Default", "440");
    registry.SetString(platform::RegHive::LocalMachine, shell::kLanguageKey, "440", dir / "lang/440.sld");
    CLanguage language;
    language.Version = "470; 471";
    ASSERT_TRUE(language.Write(dir / "new.sld"));
    app.desktop.files.push_back(QString::fromStdString(dir / "new.sld"));
    app.desktop.colors = {0x00FF00, 0x00FF00}; // the editor's and the analyzer's swatch
    app.scanner.Errors().MaxErrors = 50;
    questions.AnswerMessageBox(ui::IDOK); // the refused number

    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CPageDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        const CloseWhenDone close{dlg};
        auto* scanner = dlg->findChild<CScannerOptionsPage*>();
        ASSERT_TRUE(scanner && scanner->isVisible());
        QTreeWidget* list = scanner->List();
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("X"));
        // An invalid number keeps the page from being left.
        Id<QLineEdit>(scanner, 1000)->setText(QStringLiteral("0"));
        SelectPage(dlg, 2);
        EXPECT_EQ(dlg->CurrentPage(), 1);
        EXPECT_EQ(LastMessage(), "Please enter a positive number for Max Number of Errors.");
        Id<QLineEdit>(scanner, 1000)->setText(QStringLiteral("20"));
        // Add registers both versions at once; Hide and Set default act at once too.
        Click(scanner, 2004);
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("470"));
        list->setCurrentItem(list->topLevelItem(2));
        Click(scanner, 1380);
        EXPECT_EQ(list->topLevelItemCount(), 2);
        Id<QCheckBox>(scanner, 1379)->click(); // show all: the hidden one is listed again
        ASSERT_EQ(list->topLevelItemCount(), 3);
        list->setCurrentItem(list->topLevelItem(1));
        Click(scanner, 1119);
        EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("X"));
        Snapshot(dlg, QStringLiteral("OptionsDlg-Scanner"));
        // Colours changed, then Cancel.
        SelectPage(dlg, 2);
        Click(dlg->findChild<CEditorOptionsPage*>(), 1104);
        SelectPage(dlg, 4);
        Click(dlg->findChild<CAnalyzerOptionsPage*>(), 1105);
        Snapshot(dlg, QStringLiteral("OptionsDlg-Analyzer"));
        Click(dlg, 2);
        EXPECT_FALSE(dlg->isVisible());
    });
    ASSERT_TRUE(frame->Commands().Execute(cmd::ID_OPTIONS));
    ASSERT_EQ(app.desktop.asked.size(), 1u);
    EXPECT_EQ(app.desktop.asked[0].title, QStringLiteral("Add VQX Language File"));
    EXPECT_TRUE(app.desktop.colors.empty()) << "both swatches opened the colour chooser";

    EXPECT_EQ(app.context.Options().KeywordColor, 0xFF0000u);
    EXPECT_EQ(app.context.Options().IOTermBackColor, 0xFFF2FCu);
    EXPECT_FALSE(app.context.Options().ShowAllLanguages);
    EXPECT_EQ(app.scanner.Errors().MaxErrors, 50);
    EXPECT_FALSE(Stored("Editor", "KeywordColor"));
    // The registrations stay, with the copy in the language folder; the firmware list shows them.
    const std::string copy = dir / "lang/470.sld";
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(registry.GetString(platform::RegHive::LocalMachine, shell::kLanguageKey, "470"), copy);
    EXPECT_EQ(registry.GetString(platform::RegHive::LocalMachine, shell::kHiddenLanguageKey, "471"), copy);
    EXPECT_EQ(registry.GetString(platform::RegHive::LocalMachine, shell::kLanguageKey, "Default"), "470");
    EXPECT_EQ(frame->FirmwareVersions(), (std::vector<std::string>{"440-", "470@"}));
    EXPECT_TRUE(questions.ScriptErrors().empty());
}
