// The windows around the terminal in the real main frame, headless, against a simulated RS-232
// chain of three: a detection that differs from a named project opens "Different settings
// detected", whose "See Differences" resolves motor by motor; Tools > Macros adds a macro through
// its properties dialog and runs it; the pane's context menu names the port's kind and saves the
// pane as a ".trm" file, which the terminal document opens again with its colours.

#include "SimChainGui.h"
#include "TestAppContext.h"

#include "app/editor/EditorCommands.h"
#include "app/shell/gui/FindReplaceDlg.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/project/TerminalMenu.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TermView.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/shell/CommandIds.h"
#include "app/frame/gui/MainFrame.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

namespace {

class ProjectDialogsGui : public SimChainGuiTest {
protected:
    ProjectDialogsGui() : SimChainGuiTest("dlg-chain") {}
    template <class T>
    static T* Child(QWidget* w, int id)
    {
        return w->findChild<T*>(QString::number(id));
    }
};

} // namespace

TEST_F(ProjectDialogsGui, DifferentSettingsResolveMacrosContextMenuAndTerminalFile)
{
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    session.Start("dlg-chain");
    frame.Project().RunStartup(); // the ports saved open, as the program's start does
    CTerminalBar& bar = session.TerminalBar();
    CProject& project = session.Project();
    CCommPort& port = *project.Port(0);

    // The default project takes the chain's motors silently.
    h.questions.AnswerMessageBox(ui::IDYES);
    Type(bar, "5RP");
    ASSERT_EQ(port.MotorCount(), 3);

    // A named project whose motor 2 is out of date and which knows a motor 5 the chain lacks.
    project.isDefault = false;
    port.GetMotor(2)->Version = "old";
    EnterDetectedMotor(port, 5)->IsAvailable = true;
    bool sawDifferent = false, sawResolve = false;
    WhenModal([&](QWidget* dlg) {
        sawDifferent = dlg->objectName() == QStringLiteral("223");
        auto* current = Child<QTreeWidget>(dlg, 1150);
        auto* detected = Child<QTreeWidget>(dlg, 1149);
        EXPECT_EQ(current->topLevelItem(0)->text(0), QStringLiteral("Current Configuration"));
        EXPECT_EQ(current->topLevelItem(0)->childCount(), 4);
        EXPECT_EQ(detected->topLevelItem(0)->childCount(), 3);
        EXPECT_TRUE(Child<QRadioButton>(dlg, 1238)->isChecked());
        Child<QRadioButton>(dlg, 1245)->click();
        EXPECT_FALSE(Child<QCheckBox>(dlg, 1244)->isEnabled());
        Child<QRadioButton>(dlg, 1237)->click();
        EXPECT_TRUE(Child<QCheckBox>(dlg, 1244)->isEnabled());
        Snapshot(dlg, QStringLiteral("different-settings"));
        WhenModal([&](QWidget* resolve) {
            sawResolve = resolve->objectName() == QStringLiteral("227");
            auto* rows = Child<QTreeWidget>(resolve, 1003);
            ASSERT_EQ(rows->topLevelItemCount(), 2);
            EXPECT_EQ(rows->topLevelItem(0)->text(3), QStringLiteral("Update"));
            EXPECT_EQ(rows->topLevelItem(1)->text(3), QStringLiteral("Leave"));
            EXPECT_EQ(Child<QPushButton>(resolve, 1262)->text(), QStringLiteral("Update"));
            EXPECT_GE(Child<QTreeWidget>(resolve, 1255)->topLevelItemCount(), 10);
            Child<QPushButton>(resolve, 1002)->click(); // Delete All Undetected
            EXPECT_EQ(rows->topLevelItem(1)->text(3), QStringLiteral("Delete"));
            Snapshot(resolve, QStringLiteral("resolve-motors"));
            Child<QPushButton>(resolve, 1)->click(); // Apply and Exit
        });
        Child<QPushButton>(dlg, 1263)->click();
    });
    h.questions.AnswerMessageBox(ui::IDYES);
    Type(bar, "7RP");
    EXPECT_TRUE(sawDifferent);
    EXPECT_TRUE(sawResolve);
    EXPECT_EQ(port.MotorCount(), 3);
    EXPECT_EQ(port.GetMotor(5), nullptr);
    EXPECT_EQ(port.GetMotor(2)->Version, "450");
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(ui::GetRememberedAnswer("DifferentChannel"), 0);

    // Tools > Macros: Add opens "Add New Macro"; a missing name keeps it open; then it is added and run.
    bool sawMacros = false;
    WhenModal([&](QWidget* macros) {
        sawMacros = macros->objectName() == QStringLiteral("168");
        WhenModal([&](QWidget* props) {
            EXPECT_EQ(props->windowTitle(), QStringLiteral("Add New Macro"));
            auto* shortcut = Child<QComboBox>(props, 1001);
            EXPECT_EQ(shortcut->count(), 11);
            Child<QPlainTextEdit>(props, 1075)->setPlainText(QStringLiteral("1RP;2RP\n3RP"));
            shortcut->setCurrentIndex(shortcut->findText(QStringLiteral("Ctrl+3")));
            h.questions.AnswerMessageBox(ui::IDOK);
            Child<QPushButton>(props, 1)->click(); // no name: refused, stays open
            EXPECT_TRUE(props->isVisible());
            Child<QLineEdit>(props, 1023)->setText(QStringLiteral("three"));
            Child<QPushButton>(props, 1)->click();
        });
        Child<QPushButton>(macros, 2004)->click();
        auto* list = Child<QTreeWidget>(macros, 1003);
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Ctrl+3"));
        list->setCurrentItem(list->topLevelItem(0));
        Snapshot(macros, QStringLiteral("macros"));
        Child<QPushButton>(macros, 1076)->click(); // Run
        EXPECT_EQ(Child<QPushButton>(macros, 1076)->text(), QStringLiteral("&Run"));
        Child<QPushButton>(macros, 1)->click();
    });
    const int before = bar.View(0)->toPlainText().size();
    frame.Commands().Execute(cmd::ID_MACRO);
    EXPECT_TRUE(sawMacros);
    ASSERT_EQ(project.Macros().size(), 1u);
    EXPECT_EQ(project.Macros()[0]->Commands, "1RP;2RP\n3RP\r\n");
    const QString ran = bar.View(0)->toPlainText().mid(before);
    EXPECT_TRUE(ran.contains(QStringLiteral("3RP"))) << ran.toStdString();
    EXPECT_TRUE(h.questions.MessageTexts().back() == "Please enter a name for this macro.");

    // The context menu: the RS-232 title; Save writes the pane, and the terminal file opens with
    // its text and colours; Clear empties the pane.
    std::unique_ptr<QMenu> menu(bar.MakeContextMenu());
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Detect/Address Motors on RS-232 chain"));
    const QString file = QString::fromStdString(dir / "pane.trm");
    app.desktop.files.push_back(file);
    menu->findChild<QAction*>(QString::number(terminalmenu::kSave))->trigger();
    ASSERT_FALSE(app.desktop.asked.empty());
    EXPECT_EQ(app.desktop.asked.back().start, QStringLiteral("dlg-chain.trm"));
    std::string error;
    std::unique_ptr<QWidget> opened(MakeTermView(h.context, file, &error));
    auto* view = qobject_cast<CTermView*>(opened.get());
    ASSERT_NE(view, nullptr) << error;
    EXPECT_EQ(view->toPlainText(), bar.View(0)->toPlainText());
    QTextCursor at(view->document());
    at.setPosition(1);
    EXPECT_EQ(at.charFormat().foreground().color(), QColor(255, 255, 255)); // sent text in white
    EXPECT_EQ(view->palette().color(QPalette::Base), QColor(0x09, 0x09, 0xD7));
    view->moveCursor(QTextCursor::Down);
    EXPECT_EQ(view->PositionText(), QStringLiteral("Ln 2, Col 1"));
    // The editor's Find on the terminal file: Ctrl+F opens the find dialog on the view, Find Next
    // selects the text, F3 finds the next one.
    view->moveCursor(QTextCursor::Start);
    ASSERT_TRUE(view->OnCommand(editor::ID_EDIT_FIND));
    CFindReplaceDlg* find = CFindReplaceDlg::Current();
    ASSERT_NE(find, nullptr);
    find->FindEdit()->setText(QStringLiteral("RP"));
    find->OnFindNext();
    EXPECT_EQ(view->textCursor().selectedText(), QStringLiteral("RP"));
    const int first = view->textCursor().position();
    ASSERT_TRUE(view->OnCommand(editor::ID_EDIT_REPEAT));
    EXPECT_GT(view->textCursor().position(), first);
    EXPECT_FALSE(view->OnCommand(cmd::ID_MACRO));
    find->close();
    menu->findChild<QAction*>(QString::number(terminalmenu::kClear))->trigger();
    EXPECT_TRUE(bar.View(0)->toPlainText().isEmpty());
    EXPECT_FALSE(MakeTermView(h.context, QString::fromStdString(dir / "none.trm"), &error));
    EXPECT_NE(error.find("none.trm"), std::string::npos);
}

TEST_F(ProjectDialogsGui, OpenOrNewKeepsDocumentsAndRefusesABadFile)
{
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    fw::DocTemplates templates;
    templates.Add(130, "\nTerminal\nVQX Terminal File\nTerminal Files (*.trm)\n.trm\nVQXTerminal.File\nVQX Terminal File");
    templates.Find(130)->makeView = [&](const QString& path, std::string* error) {
        return MakeTermView(h.context, path, error);
    };
    session.SetTemplates(&templates);
    session.Start("dlg-chain");
    frame.Project().RunStartup(); // the ports saved open, as the program's start does
    CProject& project = session.Project();
    CTerminalBar& bar = session.TerminalBar();
    Type(bar, "1RP");

    // A named project with a macro and an open terminal file.
    const std::string folder = dir / "Road";
    std::filesystem::create_directories(folder);
    project.isDefault = false;
    project.Name = "Road";
    project.FileName = folder + "/Road.spj";
    auto macro = std::make_unique<CMacro>();
    macro->Name = "startup";
    macro->Commands = "2RP\n";
    ASSERT_TRUE(project.AddMacro(std::move(macro)));
    const std::string trm = folder + "/pane.trm";
    ASSERT_TRUE(bar.SavePane(0, trm, nullptr));
    std::string error;
    fw::CChildFrame* doc = templates.OpenDocument(frame.MdiArea(), QString::fromStdString(trm), &error);
    ASSERT_NE(doc, nullptr) << error;
    doc->setGeometry(10, 20, 300, 200);
    ASSERT_TRUE(project.Save());
    EXPECT_EQ(project.OpenDocuments.rfind(trm + "<0,1,-1,-1,-1,-1,10,20,310,220,", 0), 0u) << project.OpenDocuments;

    // A file that is no project: the message, and nothing changes.
    const std::string bogus = folder + "/bogus.spj";
    { std::ofstream(bogus) << "not a project"; }
    h.questions.AnswerMessageBox(ui::IDOK);
    EXPECT_FALSE(session.OpenOrNew(bogus, false));
    EXPECT_EQ(h.questions.MessageTexts().back(), "Invalid Project File!");
    EXPECT_EQ(project.Name, "Road");
    EXPECT_EQ(frame.MdiArea()->subWindowList().size(), 1);

    // Unsaved changes without "SaveWorkspace": Cancel keeps everything, No goes on.
    h.context.Options().SaveWorkspace = false;
    project.modified = true;
    h.questions.AnswerMessageBox(ui::IDCANCEL);
    EXPECT_FALSE(session.OpenOrNew({}, false));
    EXPECT_EQ(h.questions.MessageTexts().back(), "Do you want to save changes to the current project?");
    EXPECT_EQ(project.Name, "Road");

    // Closing the project: the default project, no documents, empty panes.
    h.questions.AnswerMessageBox(ui::IDNO);
    EXPECT_TRUE(session.OpenOrNew({}, false));
    EXPECT_TRUE(project.isDefault);
    EXPECT_EQ(project.Name, "EmptyPrj");
    EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(bar.View(0)->toPlainText().isEmpty());
    EXPECT_TRUE(project.Macros().empty());

    // Opening it again: its port, motors and macro, the document where it was, and the
    // "startup" macro ran.
    h.context.Options().RunStartup = true;
    ASSERT_TRUE(session.OpenOrNew(folder + "/Road.spj", false));
    EXPECT_EQ(project.Name, "Road");
    EXPECT_FALSE(project.isDefault);
    ASSERT_EQ(project.Macros().size(), 1u);
    ASSERT_GE(project.PortCount(), 1);
    EXPECT_EQ(project.Port(0)->PortName, "dlg-chain");
    const auto windows = frame.MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(qobject_cast<fw::CChildFrame*>(windows[0])->PathName(), QString::fromStdString(trm));
    EXPECT_EQ(windows[0]->geometry(), QRect(10, 20, 300, 200));
    EXPECT_TRUE(bar.View(0)->toPlainText().contains(QStringLiteral("2RP"))) << bar.View(0)->toPlainText().toStdString();
}
