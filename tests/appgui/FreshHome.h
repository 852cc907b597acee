#pragma once
// A GUI test of the whole program on a fresh home: its own data and configuration folders, no
// splash, tip or start-up device, and the environment as it was afterwards.

#include "GuiFixture.h"

#include "platform/registry/Profile.h"

#include <utility>
#include <vector>

class FreshHomeTest : public GuiTest {
protected:
    // `firstRun`: the welcome box and the start question come up as on a machine never used.
    explicit FreshHomeTest(bool firstRun)
    {
        for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "VQX_PORT", "VQX_USB_ROOT", "PATH"})
            m_saved.emplace_back(var, qgetenv(var));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir / "data"));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir / "config"));
        qunsetenv("VQX_PORT");
        qunsetenv("VQX_USB_ROOT");
        auto& p = platform::AppProfile();
        p.WriteInt("OptionBoxes", "ShowLogo", 0);
        p.WriteInt("OptionBoxes", "NoStartupTips", 1);
        // The playground as the first window has journeys of its own (StartupTest).
        p.WriteInt("OptionBoxes", "ShowPlayground", 0);
        if (!firstRun) {
            p.WriteInt("Workspace", "FirstRun", 0);
            p.WriteInt("OptionBoxes", "StartQuestion", 0);
        }
    }
    ~FreshHomeTest() override
    {
        for (const auto& [var, value] : m_saved)
            value.isNull() ? qunsetenv(var) : qputenv(var, value);
    }
    QString InstanceFolder() const { return QString::fromStdString(dir / "run"); }

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};
