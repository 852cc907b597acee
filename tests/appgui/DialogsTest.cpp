// Every shared dialog, headless: it opens, shows its verbatim texts, and answers its buttons and
// Escape as it must.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/shell/gui/QtQuestions.h"
#include "app/shell/gui/ChoiceDlg.h"
#include "app/shell/gui/OptionMsgBox.h"
#include "app/shell/gui/PageDlg.h"
#include "app/shell/gui/SelectFolderDlg.h"
#include "app/shell/gui/SplashAbout.h"
#include "app/shell/gui/StartDlg.h"
#include "app/shell/gui/TipDlg.h"
#include "core/shared/Tips.h"
#include "core/ui/OperationContext.h"
#include "platform/paths/Paths.h"

#include <QCheckBox>
#include <QPointer>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

template <class T = QWidget>
T* Child(QWidget* parent, const char* id)
{
    T* w = parent->findChild<T*>(QString::fromLatin1(id));
    EXPECT_NE(w, nullptr) << "control " << id;
    return w;
}

void Click(QWidget* parent, const char* id)
{
    if (auto* b = Child<QPushButton>(parent, id))
        QTest::mouseClick(b, Qt::LeftButton);
}

} // namespace

class DialogsTest : public GuiTest {
protected:
    // The dialogs are handed the shell's boxes for their own messages.
    bridge::QtQuestions questions;
    // The program's context of the page dialogs (Help recorded).
    ui::COperationContext operation;
    TestAppContext app{operation};
};

TEST_F(DialogsTest, OptionBoxButtonsEscapeAndRememberedAnswers)
{
    struct Row {
        const char* what;
        uint32_t style;
        std::vector<const char*> texts; // left, middle, right; "" hidden
        bool escapeCloses;
        int escapeAnswer;
        const char* focused;
    } rows[] = {
        {"OK", ui::MB_OK, {"", "Ok", ""}, true, ui::IDOK, "1110"},
        {"OK/Cancel", ui::MB_OKCANCEL, {"Ok", "", "Cancel"}, true, ui::IDCANCEL, "1002"},
        {"Abort/Retry/Ignore", ui::MB_ABORTRETRYIGNORE, {"Abort", "Retry", "Ignore"}, false, 0, "1002"},
        {"Yes/No/Cancel", ui::MB_YESNOCANCEL | ui::MB_DEFBUTTON2, {"Yes", "No", "Cancel"}, true, ui::IDCANCEL, "1110"},
        {"Yes/No, second default is No", ui::MB_YESNO | ui::MB_DEFBUTTON2, {"Yes", "", "No"}, false, 0, "1111"},
        {"Retry/Cancel", ui::MB_RETRYCANCEL | ui::MB_ICONHAND, {"Retry", "", "Cancel"}, true, ui::IDCANCEL, "1002"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ui::MessageBoxRequest request;
        request.text = "Line one\nline two of the question";
        request.style = r.style;
        COptionMsgBox box(request);
        box.show();
        QTest::qWait(10);
        EXPECT_EQ(box.windowTitle(), "VQX");
        EXPECT_EQ(Child<QLabel>(&box, "1069")->text(), "Line one\nline two of the question");
        const char* ids[3] = {"1002", "1110", "1111"};
        for (int i = 0; i < 3; ++i) {
            auto* b = Child<QPushButton>(&box, ids[i]);
            EXPECT_EQ(b->isVisible(), r.texts[i][0] != 0) << ids[i];
            if (r.texts[i][0]) {
                EXPECT_EQ(b->text(), r.texts[i]);
            }
        }
        EXPECT_EQ(box.focusWidget(), Child<QPushButton>(&box, r.focused));
        EXPECT_GE(box.width(), 320 + 25);
        Snapshot(&box, QStringLiteral("option-box-%1").arg(r.style & 0xF));
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_EQ(box.isVisible(), !r.escapeCloses);
        if (r.escapeCloses) {
            EXPECT_EQ(box.result(), r.escapeAnswer);
        }
    }

    // Remembered: Yes with the box checked is stored; with never-remember-No, No is not.
    for (int answer : {ui::IDNO, ui::IDYES}) {
        WhenModal([answer](QWidget* box) {
            Child<QCheckBox>(box, "1109")->setChecked(true);
            EXPECT_EQ(Child<QCheckBox>(box, "1109")->text(), "Check to disable this message");
            Click(box, answer == ui::IDYES ? "1002" : "1111");
        });
        EXPECT_EQ(ui::OptionMessageBox(questions, "Address the motors?", ui::MB_YESNO | ui::MB_ICONQUESTION | ui::kRememberAnswer |
                                                                 ui::kNeverRememberNo,
                                       {}, ui::kCheckToDisable, "Address"),
                  answer);
    }
    // Now answered without a box.
    EXPECT_EQ(ui::OptionMessageBox(questions, "Address the motors?", ui::MB_YESNO | ui::kRememberAnswer, {}, ui::kCheckToDisable,
                                   "Address"),
              ui::IDYES);
    EXPECT_EQ(ui::GetRememberedAnswer("Address"), ui::IDYES);
}

TEST_F(DialogsTest, ChoiceBoxPacksVisibleAnswersAndAnswersTheirValues)
{
    ui::ChoiceRequest request;
    request.text = "\n\nWelcome to Tessaraxon(TM) Interface!";
    request.values = {0, 0, 100, 101, 102};
    request.labels = {"hidden", "hidden too", "Open an existing Project", "Make a new Project",
                      "Detect motors. (No Project)"};
    request.flags = ui::kChoiceCheckBox;
    {
        CChoiceDlg box(request);
        box.show();
        QTest::qWait(10);
        EXPECT_FALSE(box.Radio(0)->isVisible());
        EXPECT_TRUE(box.Radio(2)->isChecked()) << "the first visible answer, not a hidden one";
        EXPECT_EQ(box.Radio(4)->text(), "Detect motors. (No Project)");
        // Packed: the first visible radio sits where the first radio would.
        EXPECT_LT(box.Radio(2)->y(), box.Radio(3)->y());
        EXPECT_EQ(Child<QCheckBox>(&box, "1244")->text(), "Don't display this dialog box again");
        EXPECT_FALSE(Child<QPushButton>(&box, "57670")->isVisible());
        Snapshot(&box, "choice-box");
    }
    WhenModal([](QWidget* box) {
        Child<QRadioButton>(box, "1249")->setChecked(true);
        Child<QCheckBox>(box, "1244")->setChecked(true);
        Click(box, "1");
    });
    ui::ChoiceReply reply = ui::ChoiceBox(questions, request);
    EXPECT_EQ(reply.value, 101);
    EXPECT_TRUE(reply.checked);

    WhenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(ui::ChoiceBox(questions, request).value, ui::IDCANCEL);

    // Cancel hidden: Escape acts as OK on the checked answer; "Next" on request.
    request.flags = ui::kChoiceNoCancel | ui::kChoiceNext;
    WhenModal([](QWidget* box) {
        EXPECT_EQ(Child<QPushButton>(box, "1")->text(), "Next");
        EXPECT_FALSE(Child<QPushButton>(box, "2")->isVisible());
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(ui::ChoiceBox(questions, request).value, 100);

    // Help opens the box's topic through the opener the boxes were handed; the box stays.
    std::vector<int> topics;
    questions.SetHelpOpener([&](int id) { topics.push_back(id); });
    request.helpId = 0x20000 + 221;
    WhenModal([](QWidget* box) {
        Click(box, "57670");
        EXPECT_TRUE(box->isVisible());
        Click(box, "1");
    });
    EXPECT_EQ(ui::ChoiceBox(questions, request).value, 100);
    EXPECT_EQ(topics, std::vector<int>{0x20000 + 221});
}

TEST_F(DialogsTest, DownloadDoneRunResetCloseAndRemember)
{
    WhenModal([](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), "Program Download");
        Snapshot(box, "download-done");
        Click(box, "1076");
    });
    EXPECT_EQ(ui::DownloadDoneBox(questions), ui::kDownloadDoneRun);
    WhenModal([](QWidget* box) { Click(box, "1077"); });
    EXPECT_EQ(ui::DownloadDoneBox(questions), ui::kDownloadDoneReset);
    WhenModal([](QWidget* box) {
        Child<QCheckBox>(box, "1208")->setChecked(true);
        Click(box, "1");
    });
    EXPECT_EQ(ui::DownloadDoneBox(questions), ui::IDOK);
    EXPECT_EQ(ui::DownloadDoneBox(questions), 1) << "remembered: no box";
}

namespace {

struct TestPage : CPageDlgItem {
    TestPage(int id, bool valid, bool canLeave) : CPageDlgItem(id), valid(valid), canLeave(canLeave)
    {
        setMinimumSize(200 + id, 120);
    }
    bool CanLeavePage() override { return canLeave; }
    bool Validate() override { return valid; }
    void Apply() override { ++applied; }
    void RestoreDefaults() override { ++restored; }
    bool valid, canLeave;
    int applied = 0, restored = 0;
};

} // namespace

TEST_F(DialogsTest, PageSelectorValidatesEveryPageBeforeApplyingAny)
{
    CPageDlg dlg(nullptr, app.context, "New Project");
    auto* general = new TestPage(1, true, true);
    auto* ports = new TestPage(2, false, true);
    auto* sticky = new TestPage(3, true, false);
    EXPECT_EQ(dlg.AddPage("General", general), 1);
    EXPECT_EQ(dlg.AddPage("Ports", ports), 2);
    EXPECT_EQ(dlg.AddPage("Sticky", sticky), 3);
    for (int i = 4; i <= 9; ++i)
        EXPECT_EQ(dlg.AddPage(QStringLiteral("P%1").arg(i), new TestPage(i, true, true)), i);
    auto* tenth = new TestPage(10, true, true);
    EXPECT_EQ(dlg.AddPage("Tenth", tenth), -1);
    delete tenth;
    dlg.m_bShowRestoreDefaults = true;
    dlg.show();
    QTest::qWait(10);
    EXPECT_EQ(dlg.windowTitle(), "New Project");
    EXPECT_EQ(dlg.CurrentPage(), 1);
    EXPECT_TRUE(general->isVisible());
    EXPECT_EQ(dlg.width(), 390 + 30) << "pages narrower than the button row: as wide as the buttons";
    Snapshot(&dlg, "page-selector");

    // OK with page 2 invalid: page 2 shown, nothing applied, dialog open.
    Click(&dlg, "1");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.CurrentPage(), 2);
    EXPECT_EQ(dlg.Tabs()->currentIndex(), 1);
    EXPECT_EQ(general->applied + ports->applied + sticky->applied, 0);

    // A page that refuses to be left keeps the user there, and the tab goes back to it.
    dlg.Tabs()->setCurrentIndex(2);
    EXPECT_EQ(dlg.CurrentPage(), 3);
    dlg.Tabs()->setCurrentIndex(0);
    EXPECT_EQ(dlg.CurrentPage(), 3);
    EXPECT_EQ(dlg.Tabs()->currentIndex(), 2);

    Click(&dlg, "1274");
    EXPECT_EQ(general->restored + ports->restored + sticky->restored, 3) << "every page, not only the shown one";

    ports->valid = true;
    sticky->canLeave = true;
    Click(&dlg, "1");
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(general->applied + ports->applied + sticky->applied, 3);

    // Help opens the shown page's topic (its template id) in the guide, through the context.
    CPageDlg helped(nullptr, app.context, "Options");
    helped.AddPage("Macros", new TestPage(168, true, true));
    helped.show();
    Click(&helped, "57670");
    ASSERT_EQ(app.desktop.helpPages.size(), 1u);
    EXPECT_EQ(app.desktop.helpPages[0], std::make_pair(platform::AppFolder() + "/help/168.htm", std::string()));
}

TEST_F(DialogsTest, TipOfTheDayShowsTipsInTurnAndRemembersTheCheckBox)
{
    const std::string file = dir / "Tips.dat";
    ASSERT_TRUE(WriteTipsFile(file, {"First tip.", "Second tip."}));
    {
        CTipDlg tip(nullptr, file);
        tip.show();
        EXPECT_EQ(tip.windowTitle(), "Tip of the Day");
        EXPECT_EQ(tip.TipText()->toPlainText(), "First tip.");
        Click(&tip, "1153");
        EXPECT_EQ(tip.TipText()->toPlainText(), "Second tip.");
        Click(&tip, "1153");
        EXPECT_EQ(tip.TipText()->toPlainText(), "First tip.") << "wraps after the last";
        EXPECT_EQ(Child<QCheckBox>(&tip, "1151")->text(), "Don't show tips at startup");
        Snapshot(&tip, "tip-of-the-day");
        Child<QCheckBox>(&tip, "1151")->setChecked(true);
        Click(&tip, "1");
    }
    const int nextTip = platform::AppProfile().GetInt("Settings", "NextTip", -1);
    CTipDlg off(nullptr, file);
    EXPECT_EQ(off.DoModal(), ui::IDCANCEL) << "switched off: not shown";
    EXPECT_EQ(platform::AppProfile().GetInt("Settings", "NextTip", -1), nextTip) << "no tip taken while off";

    // A missing or hostile file: the error text as the tip.
    CTipDlg missing(nullptr, dir / "none.dat");
    missing.show();
    EXPECT_EQ(missing.TipText()->toPlainText(), "Error reading Tips database.");
    const std::string hostile = dir / "hostile.dat";
    std::FILE* f = std::fopen(hostile.c_str(), "wb");
    const int32_t header[2] = {3, 0x7FFFFFF0};
    std::fwrite(header, sizeof header, 1, f);
    std::fclose(f);
    platform::AppProfile().WriteInt("Settings", "NextTip", 0);
    CTipDlg bad(nullptr, hostile);
    bad.show();
    EXPECT_EQ(bad.TipText()->toPlainText(), "Error reading Tips database.");
}

TEST_F(DialogsTest, StartDialogAnswersAndAsksForASelection)
{
    const std::vector<std::string> recent{"/w/Line1.spj", "/w/Line2.spj"};
    {
        CStartDlg start(recent, questions);
        start.show();
        EXPECT_EQ(start.windowTitle(), "Welcome to VQX!");
        EXPECT_EQ(start.Radio(1418)->text(), "Open a recently used Project:");
        EXPECT_EQ(start.Radio(1421)->text(), "Detect motors. (No Project)");
        EXPECT_EQ(start.List()->topLevelItemCount(), 2);
        Snapshot(&start, "start-dialog");
    }
    struct Row {
        int radio;
        int select;
        int expect;
    } rows[] = {{1419, -1, 100}, {1420, -1, 101}, {1421, -1, 102}, {1418, 1, 1}};
    for (const Row& r : rows) {
        CStartDlg start(recent, questions);
        WhenModal([&](QWidget* box) {
            auto* dlg = static_cast<CStartDlg*>(box);
            dlg->Radio(r.radio)->setChecked(true);
            if (r.select >= 0)
                dlg->List()->setCurrentItem(dlg->List()->topLevelItem(r.select));
            Child<QCheckBox>(box, "1244")->setChecked(true);
            Click(box, "1");
        });
        EXPECT_EQ(start.DoModal(), r.expect);
        EXPECT_TRUE(start.m_bDontDisplay);
    }
    // Radio 1418 without a selection: the box asks, the dialog stays; Cancel gives -1.
    CStartDlg start(recent, questions);
    WhenModal([](QWidget* box) {
        WhenModal([](QWidget* message) {
            EXPECT_EQ(Child<QLabel>(message, "1069")->text(), "Please select an item from the list!");
            Click(message, "1110");
        });
        Click(box, "1");
        EXPECT_TRUE(box->isVisible());
        Click(box, "2");
    });
    EXPECT_EQ(start.DoModal(), -1);
}

TEST_F(DialogsTest, SplashAboutAndSelectFolder)
{
    auto* splash = new CSplashWnd("1.0.0 (test)");
    QPointer<CSplashWnd> alive = splash;
    splash->Create();
    EXPECT_TRUE(splash->isVisible());
    Snapshot(splash, "splash");
    QTest::mouseDClick(splash, Qt::LeftButton);
    QTest::qWait(10);
    EXPECT_TRUE(alive.isNull()) << "a double-click ends the splash";

    CAboutDlg about("1.0.0 (test)");
    about.show();
    EXPECT_EQ(Child<QLabel>(&about, "1015")->text(), "Tessaraxon Interface\n1.0.0 (test)");
    Snapshot(&about, "about");

    QDir(QString::fromStdString(dir.Path())).mkpath("a/b");
    const QString start = QString::fromStdString(dir / "a");
    CSelectFolderDlg folder(nullptr, questions, start);
    folder.show();
    EXPECT_EQ(folder.windowTitle(), "Select Folder");
    EXPECT_EQ(folder.PathEdit()->text(), start);
    EXPECT_EQ(folder.PathOf(folder.Tree()->currentItem()), start) << "the start folder is selected";
    QTreeWidgetItem* made = folder.NewFolder("New Folder");
    made->setText(0, "Made");
    EXPECT_TRUE(QDir(start + "/Made").exists());
    EXPECT_EQ(folder.PathEdit()->text(), start + "/Made");
    Snapshot(&folder, "select-folder");
    Click(&folder, "1265");
    EXPECT_EQ(folder.Path(), start + "/Made");

    // A folder that cannot be made: the error box, and the item goes.
    CSelectFolderDlg again(nullptr, questions, start);
    again.show();
    QTreeWidgetItem* bad = again.NewFolder("New Folder");
    WhenModal([](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), "Error");
        Click(box, "1110");
    });
    bad->setText(0, "Made"); // exists already
    EXPECT_EQ(again.Tree()->findItems("Made", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
}
