// What a client that only detects, addresses or downloads through the port must not do to a
// customer's motors: change their data memory, or switch off a servoing motor.
#include "tests/engine/EngineClientFixture.h"

#include "tests/sim/wiring/SerialRig.h"

#include <algorithm>
#include <fstream>

using namespace vqxsim;

namespace {

class EngineMotorSafety : public EngineClient {
protected:
    void Open(std::vector<MotorProfile> profiles, bool bus = false)
    {
        rig = bus ? SerialRig::Bus(profiles) : SerialRig::Chain(profiles);
        ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);
        // Chain addressing tells the last motor by its echo: room for a loaded machine.
        ASSERT_EQ(comm->put_EchoTimeoutConst(kEchoMarginMs), S_OK);
    }
    std::vector<Bytes> Eeproms()
    {
        std::vector<Bytes> all;
        for (size_t i = 0; i < rig->Count(); ++i)
            all.push_back(rig->WithMotor(i, [](SimMotor& m) { return m.Eeprom(); }));
        return all;
    }
    bool Logged(size_t motor, const std::string& command)
    {
        return rig->WithMotor(motor, [&](SimMotor& m) {
            const auto& log = m.CommandLog();
            return std::find(log.begin(), log.end(), command) != log.end();
        });
    }
    bool AnyAsleep()
    {
        for (size_t i = 0; i < rig->Count(); ++i)
            if (rig->WithMotor(i, [](SimMotor& m) { return m.Asleep(0) || m.Asleep(1); }))
                return true;
        return false;
    }

    std::unique_ptr<SerialRig> rig;
};

// Motors without a valid factory block, one per kind of data memory a motor can come with.
std::vector<MotorProfile> MotorsWithoutFactoryBlock(bool echo, bool addressed)
{
    MotorProfile base;
    base.echo[0] = echo;
    auto profiles = MakeProfiles(4, base, addressed);
    profiles[0].layout = FactoryLayout::None;
    profiles[1].layout = FactoryLayout::LengthByte;
    profiles[2].layout = FactoryLayout::OldestRecord;
    profiles[3].blankEeprom = true;
    // A blank motor on a bus has no power-up address to be found at.
    if (addressed)
        profiles.pop_back();
    return profiles;
}

TEST_F(EngineMotorSafety, DetectionAndAddressingLeaveDataMemoryUnchanged)
{
    struct Case {
        const char* name;
        bool bus;
        std::function<void(IVQXComm*)> run;
    };
    const std::vector<Case> cases = {
        {"DetectRS485", true,
         [](IVQXComm* c) {
             LONG result = -1;
             ASSERT_EQ(c->DetectRS485(10, 0, 0x100000, &result), S_OK) << TakeEngineError().text;
             LONG count = 0;
             EXPECT_EQ(c->get_NoOfMotors(&count), S_OK);
             EXPECT_EQ(count, 3) << "result " << result;
         }},
        {"AddressMotorChain", false,
         [](IVQXComm* c) {
             ASSERT_EQ(c->EstablishChain(), S_OK) << TakeEngineError().text;
             LONG count = 0;
             ASSERT_EQ(c->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
             EXPECT_EQ(count, 4);
         }},
        {"DetectRS232", false,
         [](IVQXComm* c) {
             LONG result = -1;
             ASSERT_EQ(c->DetectRS232(10, 0x400000, &result), S_OK) << TakeEngineError().text;
             LONG count = 0;
             EXPECT_EQ(c->get_NoOfMotors(&count), S_OK);
             EXPECT_EQ(count, 4);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A client program of its own for each: a new host.
        comm.reset();
        ASSERT_EQ(CoCreateInstance(CLSID_VQXHost, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXComm, comm.outVoid()), S_OK);
        Open(MotorsWithoutFactoryBlock(!c.bus, c.bus), c.bus);
        const std::vector<Bytes> before = Eeproms();
        c.run(comm.get());
        // The identity was read (the motors answer), yet not one byte of data memory changed.
        ComPtr<IVQXMotor> motor;
        ASSERT_EQ(comm->GetMotor(2, motor.out()), S_OK) << TakeEngineError().text;
        Bstr version;
        EXPECT_EQ(motor->get_Version(version.out()), S_OK);
        EXPECT_EQ(version.bytes(), "450");
        LONG info = -1;
        EXPECT_EQ(motor->GetMotorInfo(&info), S_OK);
        EXPECT_EQ(info, 0);
        const std::vector<Bytes> after = Eeproms();
        for (size_t i = 0; i < before.size(); ++i) {
            const auto diff = std::mismatch(before[i].begin(), before[i].end(), after[i].begin());
            EXPECT_TRUE(diff.first == before[i].end())
                << "motor " << i << " changed at " << (diff.first - before[i].begin());
        }
        EXPECT_FALSE(Logged(0, "VST(aaa,10)"));
        motor.reset();
        ASSERT_EQ(comm->ClosePort(), S_OK);
    }
}

TEST_F(EngineMotorSafety, PortDownloadLeavesAServoingMotorServoing)
{
    MotorProfile base;
    base.echo[0] = true;
    auto profiles = MakeProfiles(3, base);
    // A program made for other firmware: the port download sends it as it is.
    profiles[1].firmware = "463";
    Open(profiles);
    ASSERT_EQ(comm->EstablishChain(), S_OK) << TakeEngineError().text;
    LONG count = 0;
    ASSERT_EQ(comm->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
    ASSERT_EQ(count, 3);

    TempFolder folder;
    const std::string body = "c=1\nd=2\nEND\n";
    {
        std::ofstream(folder / "prog.tqx", std::ios::binary) << CompiledImage(body);
    }
    Recorder progress;
    Notify(progress);
    struct Case {
        const char* name;
        std::function<HRESULT()> download;
    };
    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(2, motor.out()), S_OK);
    const std::vector<Case> cases = {
        {"IVQXComm", [&] { return comm->Download(2, Bstr(folder / "prog.tqx").get()); }},
        {"IVQXMotor", [&] { return motor->Download(Bstr(folder / "prog.tqx").get()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig->WithMotor(1, [](SimMotor& m) {
            m.SetServo(true);
            m.Program().Clear();
            return 0;
        });
        progress.seen.clear();
        ASSERT_EQ(c.download(), S_OK) << TakeEngineError().text;
        EXPECT_TRUE(rig->WithMotor(1, [](SimMotor& m) { return m.ServoOn(); }));
        EXPECT_FALSE(Logged(1, "OFF"));
        EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), body);
        EXPECT_TRUE(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Valid(); }));
        EXPECT_FALSE(AnyAsleep());
        // Begin with the size, a step per 8 bytes sent, then the end.
        const LONG size = LONG(CompiledImage(body).size());
        std::vector<std::pair<LONG, LONG>> expected{{1, size}};
        for (LONG sent = 0; size - sent > 8;) {
            sent += 8;
            expected.emplace_back(2, sent);
        }
        expected.emplace_back(3, 0);
        EXPECT_EQ(progress.seen, expected) << progress.Trace();
    }

    // A cancel at the first step: the motor keeps an empty program, is woken, and no end comes.
    progress.seen.clear();
    progress.cancelCode = 2;
    ASSERT_EQ(comm->Download(2, Bstr(folder / "prog.tqx").get()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(progress.Trace(), "(1," + std::to_string(CompiledImage(body).size()) + ")(2,8)");
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), "END\n\n");
    EXPECT_TRUE(rig->WithMotor(1, [](SimMotor& m) { return m.ServoOn(); }));
    EXPECT_FALSE(AnyAsleep());
    progress.cancelCode = -1;

    // A motor that refuses the image: no success.
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::Wrong; return 0; });
    EXPECT_ENGINE_ERROR(comm->Download(2, Bstr(folder / "prog.tqx").get()), IID_IVQXComm, 44,
                        "The program was NOT downloaded successfully!");
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::None; return 0; });
    EXPECT_FALSE(AnyAsleep());

    // Every motor at once, and erasing one.
    ASSERT_EQ(comm->Download(0, Bstr(folder / "prog.tqx").get()), S_OK) << TakeEngineError().text;
    for (size_t m = 0; m < 3; ++m)
        EXPECT_EQ(rig->WithMotor(m, [](SimMotor& s) { return s.Program().Body(); }), body) << m;
    ASSERT_EQ(comm->ClearEEPROM(3), S_OK) << TakeEngineError().text;
    EXPECT_EQ(rig->WithMotor(2, [](SimMotor& m) { return m.Program().Body(); }), "END\n\n");
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), body);
    EXPECT_FALSE(AnyAsleep());
}

} // namespace
