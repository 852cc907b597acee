#pragma once
// What the setup dialogs' tests share: controls found by their ids, a click, a probe that shows
// Com1 and Com2, and a fixture whose message boxes are answered by a script and whose choosers
// by the test.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/setup/gui/SetupServices.h"

#include "core/ui/OperationContext.h"
#include "platform/serial/SerialProbe.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <QDialog>
#include <QPushButton>

template <class W = QWidget>
W* Id(QWidget* parent, int id)
{
    W* w = parent->findChild<W*>(QString::number(id));
    EXPECT_NE(w, nullptr) << "control " << id;
    return w;
}

inline void Click(QWidget* parent, int id) { QTest::mouseClick(Id<QPushButton>(parent, id), Qt::LeftButton); }

struct TwoDevices final : platform::ISerialPortProbe {
    std::vector<std::string> Candidates() override { return {}; }
    platform::SerialPresence Probe(const std::string& name) override
    {
        return name == "Com1" || name == "Com2" ? platform::SerialPresence::Present : platform::SerialPresence::NotFound;
    }
};

class SetupGuiTest : public GuiTest {
protected:
    SetupGuiTest() { ui::COperationContext::Default().SetQuestions(&questions); }
    ~SetupGuiTest() override { ui::COperationContext::Default().SetQuestions(nullptr); }
    std::string LastMessage() const
    {
        const auto texts = questions.MessageTexts();
        return texts.empty() ? std::string() : texts.back();
    }
    // A dialog a test expected to have closed is closed, so that the test goes on.
    void CloseIfOpen(QWidget* dlg)
    {
        if (dlg->isVisible()) {
            ADD_FAILURE() << "still open: " << LastMessage();
            static_cast<QDialog*>(dlg)->reject();
        }
    }
    // What the set-up dialogs are handed: the program's context over the default one (its
    // questions are the script's), no firmware list, no detection.
    setup::SetupServices Services(platform::ISerialPortProbe* probe = nullptr)
    {
        return setup::SetupServices{app.context, {}, nullptr, probe};
    }
    ui::CHeadlessQuestions questions;
    TestAppContext app{ui::COperationContext::Default()};
};
