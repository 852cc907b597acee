// The real "Select Motor" dialog, headless: lists, the address field following the rows, the
// blind-download box, and the refusal that keeps the dialog open.
#include "GuiFixture.h"

#include "app/project/Project.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QTreeWidget>

namespace {

std::unique_ptr<CCommPort> PortWithMotors(const char* name, std::initializer_list<int> addresses)
{
    auto port = std::make_unique<CCommPort>();
    port->Name = port->PortName = name;
    for (int a : addresses) {
        auto* m = new CMotor;
        m->Address = a;
        m->Name = "Motor" + std::to_string(a);
        port->motors.Add(m);
    }
    return port;
}

class SelectMotorGui : public GuiTest {};

} // namespace

TEST_F(SelectMotorGui, RowsAddressBlindAndRefusal)
{
    CProject project;
    ASSERT_TRUE(project.AddPort(PortWithMotors("Chain", {1, 2, 3})));
    ASSERT_TRUE(project.AddPort(PortWithMotors("Bus", {4})));

    uint32_t selection = selectmotor::MakeSelection(0, 2);
    bool blind = false;
    {
        CSelectMotorDlg dlg(nullptr, project, &selection, selectmotor::kGroupChoices | selectmotor::kBlindDownload,
                            selectmotor::kDefaultPrompt, &blind);
        dlg.show();
        EXPECT_EQ(dlg.Ports()->topLevelItemCount(), 3);
        EXPECT_EQ(dlg.Ports()->currentItem()->text(0), QStringLiteral("Chain"));
        ASSERT_EQ(dlg.Motors()->topLevelItemCount(), 5);
        EXPECT_EQ(dlg.Motors()->currentItem()->text(0), QStringLiteral("Motor2"));
        EXPECT_EQ(dlg.AddressEdit()->value(), 2);
        EXPECT_TRUE(dlg.BlindBox()->isVisible());
        GuiTest::Snapshot(&dlg, QStringLiteral("SelectMotorDlg"));

        // Another port, then "Each Motor in port": the address field shows 0xFFFF's row choice.
        dlg.Ports()->setCurrentItem(dlg.Ports()->topLevelItem(2));
        ASSERT_EQ(dlg.Motors()->topLevelItemCount(), 3); // global, each, Motor4
        dlg.Motors()->setCurrentItem(dlg.Motors()->topLevelItem(2));
        EXPECT_EQ(dlg.AddressEdit()->value(), 4);
        dlg.AddressEdit()->setValue(1); // no such motor on "Bus"
        EXPECT_EQ(dlg.Motors()->currentItem(), nullptr);
        dlg.BlindBox()->setChecked(true);
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(selection, selectmotor::MakeSelection(1, 1));
    EXPECT_TRUE(blind);

    // A listed motor is required: the refusal keeps the dialog open.
    ui::CHeadlessQuestions questions;
    ui::COperationContext::Default().SetQuestions(&questions);
    CSelectMotorDlg strict(nullptr, project, &selection, selectmotor::kListedMotorOnly);
    strict.show();
    EXPECT_FALSE(strict.BlindBox()->isVisible());
    strict.accept();
    EXPECT_TRUE(strict.isVisible());
    ui::COperationContext::Default().SetQuestions(nullptr);
    EXPECT_EQ(questions.MessageTexts(), std::vector<std::string>{selectmotor::kNoMotorText});
}
