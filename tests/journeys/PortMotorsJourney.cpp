// Port Properties from the tree, on its Motors page: Detect asks the main frame to find the
// chain's motors, the page lists them, and OK puts them into the project.

#include "JourneyRig.h"

#include "app/frame/gui/ProjectSession.h"
#include "app/setup/gui/PortPages.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/gui/PageDlg.h"

#include <QListWidget>
#include <QTreeWidget>

class PortMotorsJourney : public Journey {};

TEST_F(PortMotorsJourney, DetectOnTheMotorsPageFindsTheChainThroughTheFrame)
{
    ASSERT_TRUE(Start());
    CProject& project = app->Session()->Project();
    ASSERT_EQ(project.Port(0)->MotorCount(), 0);
    ASSERT_TRUE(Tree().Select(0));

    AutoAnswer("The operation finished successfully.", "OK");
    QStringList rows;
    QString title;
    Answer([&](QWidget* w) {
        auto* dlg = qobject_cast<CPageDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        dlg->List()->setCurrentRow(1);
        QApplication::processEvents();
        auto* motors = dlg->findChild<CPortMotorsPage*>();
        ASSERT_TRUE(motors && motors->isVisible());
        Click(motors, 1007);
        for (int i = 0; i < motors->List()->topLevelItemCount(); ++i)
            rows << motors->List()->topLevelItem(i)->text(1);
        Snapshot(dlg, QStringLiteral("port-motors-detected"));
        Click(dlg, 1);
    });
    ASSERT_TRUE(Command(shell::ids::kTreeProperties));
    EXPECT_EQ(title, QStringLiteral("Port Properties"));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("Motor1-Chain"), QStringLiteral("Motor2-Chain"), QStringLiteral("Motor3-Chain")}));
    ASSERT_EQ(project.Port(0)->MotorCount(), 3);
    EXPECT_EQ(project.Port(0)->motors.GetAt(2)->Address, 3);
    EXPECT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }));
    EXPECT_EQ(TreeText(0, 0).toStdString(), "Motor1-Chain (450)");
}
