// The engine on an RS-485 bus and on Ethernet motors, found by its detection.
#include "tests/engine/EngineClientFixture.h"

#include "tests/engine/EngineNetRig.h"
#include "tests/sim/wiring/SerialRig.h"

using namespace vqxsim;

namespace {

TEST_F(EngineClient, RS485BusIsScannedAndAnswers)
{
    auto rig = SerialRig::Bus(MakeProfiles(3, MotorProfile{}, true));
    ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);
    Recorder progress;
    Notify(progress);
    LONG code = -1;
    ASSERT_EQ(comm->DetectRS485(10, 0, 0, &code), S_OK) << TakeEngineError().text;
    EXPECT_EQ(code, 1);
    LONG n = 0, rs485 = 0;
    EXPECT_EQ(comm->get_NoOfMotors(&n), S_OK);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(comm->get_IsRS485(&rs485), S_OK);
    EXPECT_EQ(rs485, 1);
    EXPECT_TRUE(progress.Saw(6)) << progress.Trace();
    EXPECT_TRUE(progress.Saw(3));
    for (int m = 1; m <= 3; ++m) {
        rig->WithMotor(m - 1, [m](SimMotor& s) { s.Values()["P"] = -m; return 0; });
        EXPECT_EQ(Response((std::to_string(m) + "RP").c_str()), std::to_string(-m)) << m;
    }
    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(3, motor.out()), S_OK);
    ASSERT_EQ(motor->SetMotorWord(1000, 4242), S_OK) << TakeEngineError().text;
    USHORT w = 0;
    EXPECT_EQ(motor->GetMotorWord(1000, &w), S_OK);
    EXPECT_EQ(w, 4242);
    // The bus never echoes: the echo property is for chains only.
    EXPECT_ENGINE_ERROR(comm->put_Echo(VARIANT_TRUE), IID_IVQXComm, 19, "Invalid Data!");
}

TEST_F(EngineClient, InitRS485BringsTheBusToThePortsRate)
{
    // Motors that power up at another rate than the port's, and with echo on.
    MotorProfile base;
    base.channel[0].baud = 19200;
    base.echo[0] = true;
    auto rig = SerialRig::Bus(MakeProfiles(3, base, true));
    ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);
    EXPECT_ENGINE_ERROR(comm->InitRS485(0, 0), IID_IVQXComm, 19, "Invalid Data!");
    ASSERT_EQ(comm->InitRS485(3, 0), S_OK) << TakeEngineError().text;
    LONG n = 0;
    EXPECT_EQ(comm->get_NoOfMotors(&n), S_OK);
    EXPECT_EQ(n, 3);
    for (int m = 1; m <= 3; ++m) {
        EXPECT_EQ(rig->WithMotor(m - 1, [](SimMotor& s) { return s.Channel(0).baud; }), 9600) << m;
        EXPECT_FALSE(rig->WithMotor(m - 1, [](SimMotor& s) { return s.Echo(0); })) << m;
        rig->WithMotor(m - 1, [m](SimMotor& s) { s.Values()["P"] = 7 * m; return 0; });
        EXPECT_EQ(Response((std::to_string(m) + "RP").c_str()), std::to_string(7 * m)) << m;
    }
}

class EngineNet : public EngineClient {
protected:
    void SetUp() override
    {
        base = TestLoopbackBase();
        rig = StartNetMotorsAt(MakeProfiles(2), base + "2");
        PointEngineAt(*rig);
        EngineClient::SetUp();
    }
    std::string base;
    std::unique_ptr<NetRig> rig;
};

TEST_F(EngineNet, DetectedAndAddedMotorsAnswerOneByOne)
{
    ASSERT_EQ(comm->InitEthernet(10), S_OK);
    Recorder progress;
    Notify(progress);
    LONG code = -1;
    ASSERT_EQ(comm->DetectNetMotors(10, 0, &code), S_OK) << TakeEngineError().text;
    EXPECT_EQ(code, 1);
    LONG n = 0;
    EXPECT_EQ(comm->get_NoOfMotors(&n), S_OK);
    EXPECT_EQ(n, 2);
    // The empty polls so far before every poll (a poll that finds a reply repeats the count), the
    // discovery's end, then the motors connected, counted as each is done.
    std::string steps, trace, last;
    for (int i = 0; i < 10; ++i)
        steps += "(2," + std::to_string(i) + ")";
    const std::string all = progress.Trace();
    for (size_t at = 0, end; (end = all.find(')', at)) != std::string::npos; at = end + 1) {
        const std::string one = all.substr(at, end + 1 - at);
        if (one != last || one.rfind("(2,", 0) != 0)
            trace += one;
        last = one;
    }
    EXPECT_EQ(trace, "(6,10)" + steps + "(3,0)(5,2)(2,0)(2,1)(2,2)(3,0)") << progress.Trace();

    // Every motor selected: one reply cannot come from all of them.
    LONG selected = -1;
    EXPECT_EQ(comm->get_DefaultMotor(&selected), S_OK);
    EXPECT_EQ(selected, 0);
    Bstr reply;
    EXPECT_ENGINE_ERROR(comm->ReadResponse(reply.out()), IID_IVQXComm, 32, "Cannot get data from more than one motor!");
    EXPECT_ENGINE_ERROR(comm->GetResponseOf(Bstr("RP").get(), reply.out()), IID_IVQXComm, 32,
                        "Cannot get data from more than one motor!");
    // Addresses follow the order of the discovery replies: each motor answers for itself.
    for (int i = 0; i < 2; ++i)
        rig->WithMotor(i, [i](SimMotor& m) { m.Values()["P"] = 700 + i; return 0; });
    const std::string first = Response("1RP"), second = Response("2RP");
    EXPECT_TRUE((first == "700" && second == "701") || (first == "701" && second == "700")) << first << " " << second;
    EXPECT_EQ(Response("RP"), second); // the address in the text selected motor 2

    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(1, motor.out()), S_OK);
    ASSERT_EQ(motor->SetMotorDWord(2000, 0x01020304u), S_OK) << TakeEngineError().text;
    EXPECT_TRUE(rig->WithMotor(0, [](SimMotor& m) { return m.Eeprom()[2000] == 1 && m.Eeprom()[2003] == 4; }) ||
                rig->WithMotor(1, [](SimMotor& m) { return m.Eeprom()[2000] == 1 && m.Eeprom()[2003] == 4; }));
    LONG value = 0;
    EXPECT_EQ(motor->GetMotorLong(2000, &value), S_OK) << TakeEngineError().text;
    EXPECT_EQ(value, 0x01020304);
    LONG result = -1;
    ASSERT_EQ(motor->DownloadProgramStr(Bstr(CompiledImage("d=4\nEND\n")).get(), 0, &result), S_OK)
        << TakeEngineError().text;
    EXPECT_EQ(result, 1);
    const int index = first == "700" ? 0 : 1; // the motor at address 1
    EXPECT_EQ(rig->WithMotor(index, [](SimMotor& m) { return m.Program().Body(); }), "d=4\nEND\n");

    // One more motor, added by its address: it takes the lowest free address.
    auto extra = StartNetMotorsAt(MakeProfiles(1), base + "20");
    LONG address = -1;
    ASSERT_EQ(comm->AddNetMotor(Bstr(base + "20").get(), &address), S_OK) << TakeEngineError().text;
    EXPECT_EQ(address, 3);
    extra->WithMotor(0, [](SimMotor& m) { m.Values()["P"] = 31; return 0; });
    EXPECT_EQ(Response("3RP"), "31");
    // Nobody listens there: not added, no error.
    EXPECT_EQ(comm->AddNetMotor(Bstr(base + "99").get(), &address), S_OK);
    EXPECT_EQ(address, 0);
    EXPECT_EQ(comm->get_NoOfMotors(&n), S_OK);
    EXPECT_EQ(n, 3);
}

// A command to an address no motor of the list has is refused, not dropped or left unanswered.
TEST_F(EngineNet, CommandsToAMissingMotorFail)
{
    ASSERT_EQ(comm->InitEthernet(10), S_OK);
    LONG address = 0;
    ASSERT_EQ(comm->AddNetMotor(Bstr(base + "2").get(), &address), S_OK) << TakeEngineError().text;
    ASSERT_EQ(address, 1);
    ASSERT_EQ(comm->AddNetMotor(Bstr(base + "3").get(), &address), S_OK) << TakeEngineError().text;
    ASSERT_EQ(address, 2);
    Bstr reply;
    EXPECT_ENGINE_ERROR(comm->WriteCmd(Bstr("5RP").get()), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->GetResponseOf(Bstr("5RP").get(), reply.out()), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_EQ(comm->GetResponseOf(Bstr("2RP").get(), reply.out()), S_OK) << TakeEngineError().text;
}

} // namespace
