#pragma once
// A GUI test against a simulated RS-232 chain of three echoing motors on the in-process line, with
// the headless seams, a manual clock past the motors' boot time and a private user data folder.

#include "GuiFixture.h"

#include "app/project/gui/TerminalBar.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/common/HeadlessContext.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QLineEdit>

#include <cstdlib>

// Types a line into the terminal's command line and presses Enter.
inline void TypeLine(CTerminalBar& bar, const char* line)
{
    QTest::keyClicks(bar.CommandEdit(), QString::fromLatin1(line));
    QTest::keyClick(bar.CommandEdit(), Qt::Key_Return);
}

class SimChainGuiTest : public GuiTest {
protected:
    explicit SimChainGuiTest(const char* line) : m_line(line) {}
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = ('T' << 24) | 500;
        p.echo[0] = true;
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(3, p, true), m_line);
        clock.Advance(std::chrono::seconds(2));
        h.context.Options().ShowTyping = true;
        h.context.Options().RunStartup = false;
        h.context.Options().RestoreSerialState = true;
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    static void Type(CTerminalBar& bar, const char* line) { TypeLine(bar, line); }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    HeadlessContext h;
    std::unique_ptr<vqxsim::FakeLineRig> rig;

private:
    const char* m_line;
};
