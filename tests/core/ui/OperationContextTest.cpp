// Each operation context has its own seams: what one test, window or engine host installs is
// never seen by another.
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/support/ui/HeadlessProgress.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(OperationContext, SeamsArePerContextAndQuietUntilSet)
{
    TestProfile profile;
    COperationContext a, b;
    CHeadlessProgress mine;
    a.SetProgress(&mine);
    EXPECT_EQ(&a.Progress(), &mine);
    EXPECT_NE(&b.Progress(), &mine);
    a.SetProgress(nullptr);
    EXPECT_NE(&a.Progress(), &mine) << "null puts the context's quiet seam back";

    // The quiet seams never cancel and answer as a user who closes the box.
    EXPECT_TRUE(a.Progress().Show(std::string("x"), std::nullopt));
    EXPECT_FALSE(a.Progress().Show(std::string("y"), std::nullopt)) << "one dialog at a time";
    EXPECT_EQ(a.Progress().Notify(kProgressCount, 1), 1);
    a.Progress().Close();
    EXPECT_EQ(OptionMessageBox(a.Questions(), "Save?", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(OptionMessageBox(a.Questions(), "Sure?", MB_YESNO), IDNO);
    EXPECT_EQ(OptionMessageBox(a.Questions(), "Fail?", MB_ABORTRETRYIGNORE), IDABORT);
    ChoiceRequest choice;
    choice.values = {101, 102, 0, 0, 0};
    EXPECT_EQ(ChoiceBox(a.Questions(), choice).value, IDCANCEL);
    std::string address = "10.0.0.1";
    EXPECT_FALSE(MotorIPBox(a.Questions(), address, "note"));
    EXPECT_EQ(DownloadDoneBox(a.Questions()), IDOK);

    // Lines, settings and state stay in their context.
    a.Info().AddError("e");
    EXPECT_EQ(a.Info().ErrorCount(), 1);
    EXPECT_EQ(b.Info().ErrorCount(), 0);
    a.Options().TabSize = 9;
    EXPECT_EQ(b.Options().TabSize, COptions().TabSize);
    a.SetCalibrationChecksShown(false);
    EXPECT_TRUE(b.CalibrationChecksShown());
    COptions shared;
    a.SetOptions(&shared);
    b.SetOptions(&shared);
    a.Options().EchoTimeout = 77;
    EXPECT_EQ(b.Options().EchoTimeout, 77) << "two contexts may share one settings record";
    EXPECT_EQ(a.TrafficLog(), nullptr);
    EXPECT_EQ(a.PortEvents(), nullptr);
    EXPECT_FALSE(a.Compiler());
}

TEST(OperationContext, APortAndItsMotorsUseTheContextTheyAreGiven)
{
    COperationContext mine;
    CCommPort port;
    EXPECT_EQ(&port.Context(), &COperationContext::Default()) << "a port given none uses the default";
    auto* motor = new CMotor;
    motor->Address = 1;
    port.motors.Add(motor);
    port.RebuildAddressTable();
    port.SetContext(&mine);
    EXPECT_EQ(&port.Context(), &mine);
    EXPECT_EQ(&motor->Context(), &mine);
    CMotor alone;
    EXPECT_EQ(&alone.Context(), &COperationContext::Default());
    port.SetContext(nullptr);
    EXPECT_EQ(&motor->Context(), &COperationContext::Default());

    // A copy of a port keeps its own context (an editing copy must not take the live one's).
    CCommPort copy;
    copy.SetContext(&mine);
    copy = port;
    EXPECT_EQ(&copy.Context(), &mine);
}
