// "Communication Settings" with its ports page and the port dialog inside it, the project name
// page, and the motor IP dialog, through their real widgets.

#include "SetupGui.h"

#include "app/project/Project.h"
#include "app/setup/gui/ProjectPages.h"
#include "app/shell/gui/MotorIPDlg.h"
#include "core/port/CommPort.h"

#include <QLineEdit>
#include <QTreeWidget>


TEST_F(SetupGuiTest, CommunicationSettingsEditsACopyUntilOk)
{
    CProject project;
    for (auto [name, device] : {std::pair{"Line", "Com1"}, std::pair{"Bus", "Com2"}}) {
        auto p = std::make_unique<CCommPort>();
        p->Name = name;
        p->PortName = device;
        ASSERT_TRUE(project.AddPort(std::move(p)));
    }
    project.modified = false;
    int changed = 0;
    TwoDevices probe;

    // Cancel after edits: the project is as it was.
    WhenModal([&](QWidget* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Communication Settings");
        auto* list = Id<QTreeWidget>(dlg, 1026);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->headerItem()->text(3), "Max Motor Address");
        EXPECT_EQ(list->topLevelItem(0)->text(2), "Com1,9600,Ch:0,8N1");
        Snapshot(dlg, "communication-settings");
        list->setCurrentItem(list->topLevelItem(0));
        questions.AnswerMessageBox(ui::IDYES);
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(list->topLevelItemCount(), 1);
        Click(dlg, 2);
    });
    EXPECT_FALSE(EditCommunication(nullptr, project, Services(&probe), [&] { ++changed; }));
    EXPECT_EQ(project.PortCount(), 2);
    EXPECT_EQ(changed, 0);

    // Properties of a port in the nested port dialog, a duplicate device refused, then OK.
    WhenModal([&](QWidget* dlg) {
        auto* list = Id<QTreeWidget>(dlg, 1026);
        list->setCurrentItem(list->topLevelItem(1));
        WhenModal([&](QWidget* portDlg) {
            EXPECT_EQ(portDlg->windowTitle(), "Port Properties");
            Id<QLineEdit>(portDlg, 1023)->setText("Axis");
            Click(portDlg, 1);
            CloseIfOpen(portDlg);
        });
        Click(dlg, 1006);
        EXPECT_EQ(list->topLevelItem(1)->text(0), "Axis");
        Click(dlg, 1);
        CloseIfOpen(dlg);
    });
    EXPECT_TRUE(EditCommunication(nullptr, project, Services(&probe), [&] { ++changed; }));
    EXPECT_EQ(project.Port(1)->Name, "Axis");
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(changed, 1);

    project.Port(1)->PortName = "Com1";
    WhenModal([&](QWidget* dlg) {
        Click(dlg, 1);
        EXPECT_EQ(LastMessage(), "Ports \"Line\" and \"Axis\" use the same serial port!\nChange the port for one of them.");
        EXPECT_TRUE(dlg->isVisible());
        Click(dlg, 2);
    });
    EXPECT_FALSE(EditCommunication(nullptr, project, Services(&probe)));
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

TEST_F(SetupGuiTest, ProjectNamePageAndMotorIPDialog)
{
    CProject project;
    project.Name = "Old";
    project.FileName = "/data/Projects/Old/Old.spj";
    app.desktop.folders.push_back(QStringLiteral("/srv/cells"));
    CPageDlg dlg(nullptr, app.context, QStringLiteral("New Project"));
    dlg.AddPage(QStringLiteral("General"), new CProjectNamePage(project, app.context));
    dlg.show();
    auto* name = Id<QLineEdit>(&dlg, 1023);
    auto* location = Id<QLineEdit>(&dlg, 1001);
    EXPECT_EQ(location->text(), "/data/Projects/Old");
    name->clear();
    QTest::keyClicks(name, "Cell");
    EXPECT_EQ(location->text(), "/data/Projects/Cell");
    Click(&dlg, 1002);
    EXPECT_EQ(location->text(), "/srv/cells/Cell");
    ASSERT_EQ(app.desktop.asked.size(), 1u);
    EXPECT_EQ(app.desktop.asked[0].start, QStringLiteral("/data/Projects")) << "Browse starts at the base folder";
    name->setText("../up");
    Click(&dlg, 1);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(project.FileName, "/data/Projects/Old/Old.spj") << "nothing applied";
    name->setText("Cell");
    Click(&dlg, 1);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(project.FileName, "/srv/cells/Cell/Cell.spj");

    std::string address = "10.0.0.9";
    CMotorIPDlg ip(nullptr, questions, address, "Enter the motor's address.");
    ip.show();
    EXPECT_EQ(ip.windowTitle(), "Motor IP Address");
    EXPECT_EQ(Id<QLineEdit>(&ip, 1018)->text(), "10.0.0.9");
    Id<QLineEdit>(&ip, 1018)->setText("10.0.0.300");
    Click(&ip, 1);
    EXPECT_EQ(LastMessage(), "Invalid IP Address. Please enter an IP Address in the form of \"xxx.xxx.xxx.xxx\".");
    EXPECT_TRUE(ip.isVisible());
    EXPECT_EQ(address, "10.0.0.9");
    Id<QLineEdit>(&ip, 1018)->setText("010.000.0.07");
    Click(&ip, 1);
    EXPECT_EQ(ip.result(), QDialog::Accepted);
    EXPECT_EQ(address, "10.0.0.7");
}
