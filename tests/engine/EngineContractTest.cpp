// What a client sees of the engine's contract: the notifications of each detection and transfer
// in order, the character time, the error codes and texts, uploads as the motor keeps them, and
// what a motor record remembers across the objects that share it.
#include "tests/engine/EngineClientFixture.h"

#include "tests/sim/wiring/SerialRig.h"

#include <algorithm>
#include <fstream>

using namespace vqxsim;

namespace {

class EngineContract : public EngineClient {
protected:
    void OpenChain(size_t n = 3)
    {
        MotorProfile base;
        base.echo[0] = true;
        rig = SerialRig::Chain(MakeProfiles(n, base));
        ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);
        // Chain addressing tells the last motor by its echo: room for a loaded machine.
        ASSERT_EQ(comm->put_EchoTimeoutConst(kEchoMarginMs), S_OK);
        ASSERT_EQ(comm->EstablishChain(), S_OK) << TakeEngineError().text;
    }
    void AddressChain(size_t n = 3)
    {
        LONG count = 0;
        ASSERT_EQ(comm->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
        ASSERT_EQ(count, LONG(n));
    }
    size_t Count(size_t motor, const std::string& command)
    {
        return rig->WithMotor(motor, [&](SimMotor& m) {
            const auto& log = m.CommandLog();
            return size_t(std::count(log.begin(), log.end(), command));
        });
    }
    // (1,size), a step per 8 bytes sent while more than 8 remain, (3,0).
    static std::string DownloadTrace(size_t size)
    {
        std::string t = "(1," + std::to_string(size) + ")";
        for (size_t sent = 0; size - sent > 8;) {
            sent += 8;
            t += "(2," + std::to_string(sent) + ")";
        }
        return t + "(3,0)";
    }
    static std::string Steps(int from, int to)
    {
        std::string t;
        for (int i = from; i <= to; ++i)
            t += "(2," + std::to_string(i) + ")";
        return t;
    }

    std::unique_ptr<SerialRig> rig;
};

TEST_F(EngineContract, DetectionAndAddressingNotifyInOrderAndCancel)
{
    OpenChain();
    Recorder progress;
    Notify(progress);
    struct Case {
        const char* name;
        LONG cancelCode;
        std::function<void()> run;
        std::string trace;
    };
    LONG result = -1;
    const std::vector<Case> cases = {
        {"chain addressing", -1, [&] { AddressChain(); }, "(5,10)" + Steps(1, 3) + "(3,0)"},
        {"chain detection", -1,
         [&] {
             ASSERT_EQ(comm->DetectRS232(10, 0, &result), S_OK) << TakeEngineError().text;
             EXPECT_EQ(result & 1, 1);
         },
         "(6,10)" + Steps(1, 11) + "(3,0)"},
        // A reply of 0 to a step ends the pass, which still ends with its 3.
        {"chain detection cancelled", 2,
         [&] {
             ASSERT_EQ(comm->DetectRS232(10, 0, &result), S_OK) << TakeEngineError().text;
             EXPECT_EQ(result, 0x40000);
         },
         "(6,10)(2,1)(3,0)"},
        {"chain addressing cancelled", 2,
         [&] {
             LONG count = -1;
             EXPECT_EQ(comm->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
         },
         "(5,10)(2,1)(3,0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        progress.seen.clear();
        progress.cancelCode = c.cancelCode;
        c.run();
        EXPECT_EQ(progress.Trace(), c.trace);
    }
    progress.cancelCode = -1;
    AddressChain();
    for (size_t m = 0; m < 3; ++m)
        EXPECT_FALSE(rig->WithMotor(m, [](SimMotor& s) { return s.Asleep(0); })) << m;
}

TEST_F(EngineContract, TransfersNotifyAndKeepTheMotorsText)
{
    OpenChain();
    AddressChain();
    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(2, motor.out()), S_OK);
    Recorder progress;
    Notify(progress);

    // Erasing is a download of the empty program, with its notifications.
    LONG result = -1;
    ASSERT_EQ(motor->ClearProgram(0), S_OK) << TakeEngineError().text;
    EXPECT_EQ(progress.Trace(), DownloadTrace(std::string("$40000000E100000400000000040000000000000000END\n").size()));
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), "END\n");

    // A program whose keywords run on into their expression comes back as the motor keeps it.
    const std::string body = "a=1\nWHILEa<6\na=a+1\nLOOP\nEND\n";
    ASSERT_EQ(motor->DownloadProgramStr(Bstr(CompiledImage(body)).get(), 0, &result), S_OK) << TakeEngineError().text;
    EXPECT_EQ(result, 1);
    progress.seen.clear();
    Bstr text;
    ASSERT_EQ(motor->UploadProgramStr(0, text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), "a=1\r\nWHILEa<6\r\na=a+1\r\nLOOP\r\nEND\r\n");
    ASSERT_FALSE(progress.seen.empty());
    EXPECT_EQ(progress.seen.front().first, 4);
    EXPECT_EQ(progress.seen.back(), std::make_pair(LONG(3), LONG(0)));
    ASSERT_EQ(motor->UpProgramStr(0, text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), body);

    // The port upload leaves a running program running, and writes the text with CR LF.
    TempFolder folder;
    rig->WithMotor(1, [](SimMotor& m) { m.SetProgramRunning(true); return 0; });
    const size_t endsBefore = Count(1, "END");
    ASSERT_EQ(comm->Upload(2, Bstr(folder / "up.txt").get()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(Count(1, "END"), endsBefore);
    EXPECT_TRUE(rig->WithMotor(1, [](SimMotor& m) { return m.ProgramRunning(); }));
    {
        std::ifstream in(folder / "up.txt", std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
                  "a=1\r\nWHILEa<6\r\na=a+1\r\nLOOP\r\nEND\r\n");
    }
    for (size_t m = 0; m < 3; ++m)
        EXPECT_FALSE(rig->WithMotor(m, [](SimMotor& s) { return s.Asleep(0); })) << m;

    // Reading the factory block (200 bytes) announces the long read.
    progress.seen.clear();
    LONG info = -1;
    ASSERT_EQ(motor->GetMotorInfo(&info), S_OK);
    EXPECT_EQ(info, 1);
    EXPECT_EQ(progress.Trace(), "(8,200)");
}

TEST_F(EngineContract, CharacterTimeByBaudRateAndParity)
{
    struct Row {
        LONG baud;
        enum_parity parity;
        LONG charDelay;
    };
    // ceil(bits * 1500 / baud) with 9 bits for 8N1, 10 with parity.
    const Row rows[] = {
        {2400, vqx_none, 6}, {4800, vqx_none, 3}, {9600, vqx_none, 2}, {19200, vqx_none, 1},
        {38400, vqx_none, 1}, {2400, vqx_even, 7}, {9600, vqx_odd, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.baud);
        ASSERT_EQ(comm->put_BaudRate(r.baud), S_OK) << TakeEngineError().text;
        ASSERT_EQ(comm->put_Parity(r.parity), S_OK);
        LONG delay = -1;
        ASSERT_EQ(comm->get_CharDelay(&delay), S_OK);
        EXPECT_EQ(delay, r.charDelay);
        // The put is accepted and changes nothing.
        EXPECT_EQ(comm->put_CharDelay(99), S_OK);
        ASSERT_EQ(comm->get_CharDelay(&delay), S_OK);
        EXPECT_EQ(delay, r.charDelay);
    }
}

TEST_F(EngineContract, ErrorPathsCarryTheEnginesCodesAndTexts)
{
    // Closed port: the self-addressing guard follows the client's flags.
    LONG code = -1;
    EXPECT_EQ(comm->AddressServos(0, &code), S_OK);
    EXPECT_EQ(code, 0x10000);
    EXPECT_ENGINE_ERROR(comm->AddressServos(0x100000, &code), IID_IVQXComm, 8, "The serial port in not open!");

    OpenChain();
    AddressChain();
    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(2, motor.out()), S_OK);
    ASSERT_EQ(comm->ClosePort(), S_OK);
    // The address is refused before the closed port is.
    EXPECT_ENGINE_ERROR(motor->SetMotorDWord(32000, 1), IID_IVQXMotor, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(motor->SetMotorByte(100, 1), IID_IVQXMotor, 8, "The serial port in not open!");
    ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);

    // The engine's own wording, never the program's.
    LONG result = -1;
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::Wrong; return 0; });
    EXPECT_ENGINE_ERROR(motor->DownloadProgramStr(Bstr(CompiledImage("a=1\nEND\n")).get(), 0, &result), IID_IVQXMotor,
                        44, "The program was NOT downloaded successfully!");
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::None; return 0; });
    EXPECT_ENGINE_ERROR(motor->DownloadEx(Bstr("/nonexistent/prog.tqx").get(), 0, &result), IID_IVQXMotor, 34,
                        "Can not open the file specified!");
    ComPtr<IVQXScan> scan;
    ASSERT_EQ(CoCreateInstance(CLSID_VQXScan, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXScan, scan.outVoid()), S_OK);
    EXPECT_ENGINE_ERROR(scan->ScanFile(Bstr("/nonexistent/prog.tqs").get()), IID_IVQXScan, 34,
                        "Can not open the file specified!");

    // An upload from a motor whose program is broken: no program memory to read, 36.
    TempFolder folder;
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::Invalid; return 0; });
    EXPECT_ENGINE_ERROR(comm->Upload(2, Bstr(folder / "up.txt").get()), IID_IVQXComm, 36, "The motor has no EEPROM!");
    EXPECT_FALSE(std::ifstream(folder / "up.txt").good()); // no file made of it
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::None; return 0; });
    for (size_t m = 0; m < 3; ++m)
        EXPECT_FALSE(rig->WithMotor(m, [](SimMotor& s) { return s.Asleep(0); })) << m;
}

TEST_F(EngineContract, ARecordKeepsWhatItsObjectsLearn)
{
    OpenChain();
    AddressChain();
    ComPtr<IVQXMotor> first, second;
    ASSERT_EQ(comm->GetMotor(1, first.out()), S_OK);
    ASSERT_EQ(comm->GetMotor(1, second.out()), S_OK);
    // Detection read the identity into the record: no object asks again.
    const size_t rspBefore = Count(0, "RSP");
    DOUBLE rate1 = 0, rate2 = 0;
    ASSERT_EQ(first->get_SampleRate(&rate1), S_OK);
    ASSERT_EQ(second->get_SampleRate(&rate2), S_OK);
    EXPECT_NEAR(rate1, 1e8 / 24576, 1e-6);
    EXPECT_EQ(rate1, rate2);
    EXPECT_EQ(Count(0, "RSP"), rspBefore);

    // Without a loaded block the serial number is the long at 32256; once the block is loaded it
    // comes from the block, without reading data memory again.
    Bstr sn;
    ASSERT_EQ(first->GetSerialNumber(sn.out()), S_OK);
    EXPECT_EQ(sn.bytes(), "A1000");
    LONG info = 0;
    ASSERT_EQ(first->GetMotorInfo(&info), S_OK);
    ASSERT_EQ(info, 1);
    const size_t loadsBefore = Count(0, "EPTR=32256") + Count(0, "EPTR=32468");
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(second->GetSerialNumber(sn.out()), S_OK);
        EXPECT_EQ(sn.bytes(), "A1000");
    }
    Bstr model;
    ASSERT_EQ(second->GetModelStr(model.out()), S_OK);
    EXPECT_EQ(model.bytes(), "TX23-61");
    EXPECT_EQ(Count(0, "EPTR=32256") + Count(0, "EPTR=32468"), loadsBefore);
}

} // namespace
