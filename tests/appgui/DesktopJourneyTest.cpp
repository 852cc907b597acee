// VQX on a Linux desktop, through the real program: every command of the menus and the toolbar
// shows a picture (the desktop's theme, the system's fallback theme or our own drawing, never a
// lettered badge), the Help menu opens pages of the shipped guide, and where no browser can be
// started the guide is shown in the program's own help window, whose links lead on.

#include "FreshHome.h"
#include "TestAppContext.h"

#include "app/framework/gui/CommandTable.h"
#include "app/frame/CommandIcons.h"
#include "app/res/gui/Icons.h"
#include "app/shell/CommandIds.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/HelpViewer.h"
#include "app/tools/ChartView.h"
#include "app/frame/gui/MainFrame.h"
#include "app/frame/gui/VQXApp.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/gui/InfoBar.h"
#include "platform/paths/Paths.h"

#include <QAction>
#include <QLineEdit>
#include <QTreeWidget>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QToolBar>

#include <filesystem>

namespace {

// Every action of a menu and its submenus.
void CollectActions(QMenu* menu, std::vector<QAction*>& out)
{
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        if (a->menu())
            CollectActions(a->menu(), out);
        else
            out.push_back(a);
    }
}

} // namespace

class DesktopJourney : public FreshHomeTest {
protected:
    DesktopJourney() : FreshHomeTest(false) {}
};

TEST_F(DesktopJourney, EveryMenuAndToolbarCommandShowsAPicture)
{
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({}));
    CMainFrame* frame = app.MainFrame();
    std::vector<QAction*> actions;
    for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        CollectActions(menu, actions);
    const size_t inMenus = actions.size();
    for (QToolBar* bar : frame->findChildren<QToolBar*>())
        for (QAction* a : bar->actions())
            if (!a->isSeparator())
                actions.push_back(a);
    ASSERT_GT(inMenus, 40u);
    ASSERT_GT(actions.size(), inMenus + 20);
    int themed = 0, drawn = 0;
    for (QAction* a : actions) {
        bool numbered = false;
        const int id = a->data().toInt(&numbered);
        // Entries made at run time (recent projects, firmware versions, macros) are lists, not commands.
        if (!numbered || (id >= cmd::ID_RECENT_PROJECT_FIRST && id <= cmd::ID_RECENT_PROJECT_LAST) ||
            (id >= cmd::ID_FIRMWARE_FIRST && id <= cmd::ID_FIRMWARE_LAST))
            continue;
        const res::CommandPicture* picture = res::CommandPictureOf(id);
        if (!picture) {
            ADD_FAILURE() << "no picture: " << a->text().toStdString() << " " << id;
            continue;
        }
        ASSERT_FALSE(a->icon().pixmap(22, 22).isNull()) << a->text().toStdString();
        if (!a->icon().name().isEmpty()) {
            ++themed;
            EXPECT_EQ(a->icon().name().toStdString(), picture->theme) << a->text().toStdString();
        } else {
            ++drawn;
            ASSERT_NE(picture->own, nullptr) << a->text().toStdString() << ": no theme has " << picture->theme;
            EXPECT_EQ(a->icon().pixmap(22, 22).toImage(), res::CommandIcon(picture->theme, picture->own).pixmap(22, 22).toImage());
        }
    }
    EXPECT_GT(themed, 20) << "the system's icon theme stands in for the desktop's";
    EXPECT_GT(drawn, 10);
    // Our drawings are all shipped and readable.
    std::vector<const char*> drawings;
    for (const res::CommandPicture& p : res::CommandPictures())
        drawings.push_back(p.own);
    for (int id : chartview::ContextMenu())
        drawings.push_back(chartview::PictureOf(id).own);
    for (const char* own : drawings)
        if (own) {
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/icons/cmd/%1.svg").arg(QString::fromLatin1(own)))) << own;
        }
    EXPECT_FALSE(frame->windowIcon().pixmap(48, 48).isNull());
    Snapshot(frame, QStringLiteral("desktop-main-frame"));
    frame->close();
    app.ExitInstance(0);
}

TEST_F(DesktopJourney, HelpMenuAndF1OpenPagesOfTheShippedGuide)
{
    // The desktop services record what the program asks them to show.
    ScriptedDesktop desktop;
    auto& opened = desktop.helpPages;
    CVQXApp app(InstanceFolder(), &desktop);
    ASSERT_TRUE(app.InitInstance({}));
    fw::CommandTable& commands = app.MainFrame()->Commands();
    const std::string guide = platform::AppFolder() + "/help/";
    struct Step {
        int id;
        const char* file;
        const char* anchor;
    };
    const Step steps[] = {
        {cmd::ID_HELP_CONTENTS, "index.htm", ""},
        {cmd::ID_HELP_INDEX, "index.htm", "keywords"},
        {cmd::ID_HELP_USING, "HowToUseVQXHelp.htm", ""},
    };
    for (const Step& s : steps) {
        opened.clear();
        ASSERT_TRUE(commands.Execute(s.id)) << s.id;
        ASSERT_EQ(opened.size(), 1u) << s.id;
        EXPECT_EQ(opened[0].first, guide + s.file);
        EXPECT_EQ(opened[0].second, s.anchor);
        EXPECT_TRUE(std::filesystem::is_regular_file(opened[0].first)) << opened[0].first;
    }

    // The Programmer's Guide, and F1: the page of the bar being worked in, else the contents.
    opened.clear();
    ASSERT_TRUE(commands.Execute(shell::ids::kProgrammersGuide));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, guide + "ProgrammersGuide/index.htm");
    CMainFrame* frame = app.MainFrame();
    frame->activateWindow();
    QApplication::setActiveWindow(frame);
    struct Focus {
        QWidget* widget;
        const char* page;
    };
    CTerminalBar* terminal = frame->findChild<CTerminalBar*>();
    CConfigBar* tree = frame->findChild<CConfigBar*>();
    ASSERT_TRUE(terminal && tree);
    const Focus places[] = {
        {terminal->CommandEdit(), "VQXUsersGuide/Terminal.htm"},
        {tree->Tree(), "VQXUsersGuide/ConfigurationView.htm"},
        {frame->findChild<CInfoBar*>()->List(), "VQXUsersGuide/InformationView.htm"},
        {nullptr, "index.htm"},
    };
    if (!frame->findChild<CInfoBar*>()->isVisible()) {
        ASSERT_TRUE(commands.Execute(cmd::ID_VIEW_INFORMATION));
    }
    for (const Focus& f : places) {
        opened.clear();
        if (f.widget) {
            f.widget->setFocus();
        } else if (QApplication::focusWidget()) {
            QApplication::focusWidget()->clearFocus();
        }
        QTest::keyClick(frame, Qt::Key_F1);
        ASSERT_EQ(opened.size(), 1u) << f.page;
        EXPECT_EQ(opened[0].first, guide + f.page);
        EXPECT_TRUE(std::filesystem::is_regular_file(opened[0].first)) << opened[0].first;
    }
    app.MainFrame()->close();
    app.ExitInstance(0);
}

TEST_F(DesktopJourney, WithoutABrowserTheHelpWindowShowsTheGuideAndFollowsItsLinks)
{
    // The program's own desktop services; no browser can be started.
    qputenv("PATH", QByteArray::fromStdString(dir / "no-programs"));
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({}));
    auto* desktop = dynamic_cast<shell::CQtDesktopServices*>(&app.Context().Desktop());
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(desktop->HelpViewer(), nullptr) << "made when first needed";
    ASSERT_TRUE(app.MainFrame()->Commands().Execute(cmd::ID_HELP_INDEX));
    ASSERT_NE(desktop->HelpViewer(), nullptr);
    help::CHelpViewer& viewer = *desktop->HelpViewer();
    ASSERT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.Browser()->source().fileName(), "index.htm");
    EXPECT_EQ(viewer.Browser()->source().fragment(), "keywords");
    EXPECT_TRUE(viewer.Browser()->toPlainText().contains("Keyword index"));
    Snapshot(&viewer, QStringLiteral("help-viewer"));
    viewer.Browser()->setSource(viewer.Browser()->source().resolved(QUrl("VQXUsersGuide/GettingStarted.htm#SerialDevices")));
    EXPECT_TRUE(viewer.Browser()->toPlainText().contains("/dev/serial/by-id"));
    EXPECT_TRUE(viewer.Browser()->isBackwardAvailable());
    viewer.close();
    app.MainFrame()->close();
    app.ExitInstance(0);
}
