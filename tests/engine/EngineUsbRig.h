#pragma once
// USB motors for a client of the engine: the engine library carries its own Linux USB bridge, which
// finds the simulated motors' ttys in a sysfs tree of this process once VQX_USB_ROOT names it.

#include "tests/engine/EngineClientFixture.h"

#include "tests/sim/usb/UsbTtyRig.h"

#include <cstdlib>

// One tree per process: the engine reads VQX_USB_ROOT at its first USB call.
inline platform::usb::UsbSysfsTree& UsbTree()
{
    static platform::usb::UsbSysfsTree tree;
    static const bool pointed = setenv("VQX_USB_ROOT", tree.Root().c_str(), 1) == 0;
    EXPECT_TRUE(pointed);
    return tree;
}

class EngineUsb : public EngineClient {
protected:
    void SetUp() override
    {
        UsbTree();
        EngineClient::SetUp();
    }
};
