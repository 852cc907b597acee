#include "platform/registry/Registry.h"
#include "tests/support/platform/FakeSerialLine.h"
#include "platform/serial/PortNames.h"
#include "tests/platform/TestDir.h"

#include <gtest/gtest.h>

using platform::RegHive;
using platform::ResolveSerialPortName;

TEST(PortNames, ComNamesResolveThroughTheRegistryUserFirst)
{
    TestDir dir;
    platform::Registry reg(dir / "user.reg", dir / "machine.reg");
    platform::ScopedDefaultRegistry scope(reg);
    const char* key = "Software\\Korvessan\\Ports";

    // Nothing configured: the documented default.
    EXPECT_EQ(ResolveSerialPortName("Com1"), "/dev/ttyS0");
    EXPECT_EQ(ResolveSerialPortName("COM12"), "/dev/ttyS11");

    ASSERT_TRUE(reg.SetString(RegHive::LocalMachine, key, "Com3", "/dev/ttyUSB0"));
    EXPECT_EQ(ResolveSerialPortName("com3"), "/dev/ttyUSB0");
    ASSERT_TRUE(reg.SetString(RegHive::CurrentUser, key, "COM3", "/dev/ttyACM1"));
    EXPECT_EQ(ResolveSerialPortName("Com3"), "/dev/ttyACM1");
    // An empty mapping falls through.
    ASSERT_TRUE(reg.SetString(RegHive::CurrentUser, key, "Com3", ""));
    EXPECT_EQ(ResolveSerialPortName("Com3"), "/dev/ttyUSB0");
    // A mapping of another type is not a device name.
    ASSERT_TRUE(reg.SetDword(RegHive::CurrentUser, key, "Com4", 7));
    EXPECT_EQ(ResolveSerialPortName("Com4"), "/dev/ttyS3");
}

TEST(PortNames, PathsFakeLinesAndOtherNames)
{
    EXPECT_EQ(ResolveSerialPortName("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(ResolveSerialPortName("ttyUSB1"), "/dev/ttyUSB1");
    auto line = platform::FakeSerialLine::Create("fake:names");
    EXPECT_EQ(ResolveSerialPortName("fake:names"), "fake:names");
    for (const char* notCom : {"Com", "Com0x", "Cam1", "Com12345678"})
        EXPECT_EQ(platform::ComPortNumber(notCom), 0) << notCom;
    EXPECT_EQ(platform::ComPortNumber("COM30"), 30);
}
