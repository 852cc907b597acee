// The engine on USB motors: found by the Linux bridge inside the engine library among the ttys of a
// sysfs tree that VQX_USB_ROOT points it at, each tty a simulated motor on a pseudo-terminal.
#include "tests/engine/EngineUsbRig.h"

#include <algorithm>
#include <chrono>

using namespace vqxsim;

namespace {

TEST_F(EngineUsb, DetectedAnsweredDownloadedAndReordered)
{
    MotorProfile base;
    base.channel[0].baud = 38400;
    auto rig = UsbTtyRig::Start(UsbTree(), MakeProfiles(2, base), {{"USB-A", "USB-B"}});
    // A USB-serial adapter that is no motor interface: never opened, never listed.
    UsbOptions other;
    other.product = "Some Other Adapter";
    auto adapter = UsbTtyRig::Start(UsbTree(), MakeProfiles(1, base), other, 2);

    // Detection belongs to a USB port.
    LONG code = -1;
    ASSERT_EQ(comm->DetectUSBMotors(10, 0, &code), S_OK);
    EXPECT_EQ(code, 256);
    EXPECT_ENGINE_ERROR(comm->DetectUSBMotors(10, VQX_DETECT_RAISE_ERRORS, &code), IID_IVQXComm, 19, "Invalid Data!");

    ASSERT_EQ(comm->InitUSB(10), S_OK);
    // No motors yet: no link to stream into.
    ComPtr<IVQXSynmove> synmove;
    ASSERT_EQ(comm->QueryInterface(IID_IVQXSynmove, synmove.outVoid()), S_OK);
    EXPECT_ENGINE_ERROR(synmove->Initialize(1), IID_IVQXSynmove, 8, "The serial port in not open!");
    ASSERT_EQ(comm->DetectUSBMotors(10, 0, &code), S_OK) << TakeEngineError().text;
    EXPECT_EQ(code, 1);
    LONG n = 0;
    ASSERT_EQ(comm->get_NoOfMotors(&n), S_OK);
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(adapter->WithMotor(0, [](SimMotor& m) { return m.CommandLog().empty(); }));
    // Every motor selected after a detection: one reply cannot come from all of them.
    Bstr reply;
    EXPECT_ENGINE_ERROR(comm->ReadResponse(reply.out()), IID_IVQXComm, 32, "Cannot get data from more than one motor!");

    // Addresses in the order of the ttys; each motor answers for itself over its own device.
    for (int i = 0; i < 2; ++i)
        rig->WithMotor(i, [i](SimMotor& m) { m.Values()["P"] = 500 + i; return 0; });
    EXPECT_EQ(Response("1RP"), "500");
    EXPECT_EQ(Response("2RP"), "501");
    EXPECT_EQ(Response("RP"), "501"); // the address in the text selected motor 2

    // Identity from the motor's factory block and version.
    ComPtr<IVQXMotor> first, second;
    ASSERT_EQ(comm->GetMotor(1, first.out()), S_OK);
    ASSERT_EQ(comm->GetMotor(2, second.out()), S_OK);
    Bstr text;
    ASSERT_EQ(first->GetSerialNumber(text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), "A1000");
    ASSERT_EQ(second->GetSerialNumber(text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), "A1001");
    ASSERT_EQ(second->get_Version(text.out()), S_OK);
    EXPECT_EQ(text.bytes(), "450");
    DOUBLE rate = 0;
    ASSERT_EQ(second->get_SampleRate(&rate), S_OK);
    EXPECT_NEAR(rate, 1e8 / 24576, 1e-6);

    // A move reaches its motor only.
    ASSERT_EQ(first->GoTo(-7000, 50000, 200), S_OK) << TakeEngineError().text;
    const auto logged = [&](int i, const std::string& command) {
        return rig->WithMotor(i, [&](SimMotor& m) {
            const auto& log = m.CommandLog();
            return std::find(log.begin(), log.end(), command) != log.end();
        });
    };
    EXPECT_TRUE(logged(0, "P=-7000"));
    EXPECT_TRUE(logged(0, "G"));
    EXPECT_FALSE(logged(1, "P=-7000"));

    // Data memory by word, a program verified by the motor's checksum, and read back as text.
    ASSERT_EQ(second->SetMotorWord(1000, 0xCAFE), S_OK) << TakeEngineError().text;
    USHORT w = 0;
    EXPECT_EQ(second->GetMotorWord(1000, &w), S_OK);
    EXPECT_EQ(w, 0xCAFE);
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Eeprom()[1000] << 8 | m.Eeprom()[1001]; }), 0xCAFE);
    const std::string body = "c=3\nd=c*2\nEND\n";
    LONG result = -1;
    ASSERT_EQ(second->DownloadProgramStr(Bstr(CompiledImage(body)).get(), 0, &result), S_OK) << TakeEngineError().text;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), body);
    EXPECT_TRUE(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Valid(); }));
    EXPECT_NE(rig->WithMotor(0, [](SimMotor& m) { return m.Program().Body(); }), body);
    ASSERT_EQ(second->UpProgramStr(0, text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), body);

    // Reordering by serial text on USB swaps the records only: the motor "A1001" answers at 1.
    for (int i = 0; i < 2; ++i)
        rig->WithMotor(i, [i](SimMotor& m) { m.Values()["P"] = 500 + i; return 0; });
    LONG old = -1;
    ASSERT_EQ(comm->ReorderMotors(1, Bstr("A1001").get(), &old), S_OK) << TakeEngineError().text;
    EXPECT_EQ(old, 2);
    EXPECT_EQ(Response("1RP"), "501");
    EXPECT_EQ(Response("2RP"), "500");
    EXPECT_FALSE(logged(0, "SADDR114"));
    EXPECT_FALSE(logged(1, "SADDR114"));

    // The devices unplugged: a new detection finds none and says so (and, having nothing to put in
    // its place, leaves the list as it was); the motors of the list fail at once, never hang.
    rig.reset();
    ASSERT_EQ(comm->DetectUSBMotors(10, 0, &code), S_OK) << TakeEngineError().text;
    EXPECT_EQ(code, 64);
    EXPECT_ENGINE_ERROR(comm->DetectUSBMotors(10, VQX_DETECT_RAISE_ERRORS, &code), IID_IVQXComm, 4,
                        "Cannot establish a link to Motors!");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_ENGINE_ERROR(comm->GetResponseOf(Bstr("1RP").get(), reply.out()), IID_IVQXComm, 18,
                        "Error(0) writing to serial port!");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

} // namespace
