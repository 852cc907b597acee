// The engine against a simulated RS-232 chain of three motors: start-up and addressing, commands,
// motion, data memory, programs with progress and cancel, and the error paths a client sees.
#include "tests/engine/EngineClientFixture.h"

#include "tests/sim/wiring/SerialRig.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

using namespace vqxsim;

namespace {

class EngineChain : public EngineClient {
protected:
    void OpenChain(bool addressed = false)
    {
        MotorProfile base;
        base.echo[0] = true;
        rig = SerialRig::Chain(MakeProfiles(3, base, addressed));
        ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);
        ASSERT_EQ(comm->EstablishChain(), S_OK) << TakeEngineError().text;
        LONG count = 0;
        ASSERT_EQ(comm->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
        ASSERT_EQ(count, 3);
    }
    bool Logged(int motor, const std::string& command)
    {
        return rig->WithMotor(motor, [&](SimMotor& m) {
            const auto& log = m.CommandLog();
            return std::find(log.begin(), log.end(), command) != log.end();
        });
    }

    std::unique_ptr<SerialRig> rig;
};

TEST_F(EngineChain, AddressesCommandsMovesAndReadsMemory)
{
    OpenChain();
    LONG n = 0;
    ASSERT_EQ(comm->get_NoOfMotors(&n), S_OK);
    EXPECT_EQ(n, 3);
    for (int m = 1; m <= 3; ++m) {
        rig->WithMotor(m - 1, [m](SimMotor& s) { s.Values()["P"] = 100 * m; return 0; });
        EXPECT_EQ(Response((std::to_string(m) + "RP").c_str()), std::to_string(100 * m)) << m;
    }
    LONG handle = -1;
    EXPECT_EQ(comm->get_PortHandle(&handle), S_OK);
    EXPECT_GE(handle, 0);

    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(2, motor.out()), S_OK);
    ASSERT_EQ(motor->GoTo(5000, 100000, 100), S_OK) << TakeEngineError().text;
    EXPECT_TRUE(Logged(1, "MP"));
    EXPECT_TRUE(Logged(1, "P=5000"));
    EXPECT_TRUE(Logged(1, "V=100000"));
    EXPECT_TRUE(Logged(1, "A=100"));
    EXPECT_TRUE(Logged(1, "G"));
    EXPECT_FALSE(Logged(0, "P=5000")); // the other motors were not addressed
    EXPECT_FALSE(Logged(2, "P=5000"));

    // Data memory by byte, word and long, signed and unsigned; the simulator holds the bytes.
    ASSERT_EQ(motor->SetMotorByte(100, 0xAB), S_OK) << TakeEngineError().text;
    ASSERT_EQ(motor->SetMotorWord(200, 0xBEEF), S_OK);
    ASSERT_EQ(motor->SetMotorDWord(300, 0xDEADBEEFu), S_OK);
    ASSERT_EQ(motor->SetMotorLong(400, -2), S_OK);
    BYTE b = 0;
    USHORT w = 0;
    ULONG d = 0;
    SHORT i = 0;
    LONG l = 0;
    EXPECT_EQ(motor->GetMotorByte(100, &b), S_OK);
    EXPECT_EQ(motor->GetMotorWord(200, &w), S_OK);
    EXPECT_EQ(motor->GetMotorDWord(300, &d), S_OK);
    EXPECT_EQ(motor->GetMotorInt(200, &i), S_OK);
    EXPECT_EQ(motor->GetMotorLong(400, &l), S_OK);
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(w, 0xBEEF);
    EXPECT_EQ(d, 0xDEADBEEFu);
    EXPECT_EQ(i, SHORT(0xBEEF));
    EXPECT_EQ(l, -2);
    const auto bytes = rig->WithMotor(1, [](SimMotor& m) {
        const auto& e = m.Eeprom();
        return std::vector<uint8_t>{e[100], e[200], e[201], e[300], e[301], e[302], e[303]};
    });
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAB, 0xBE, 0xEF, 0xDE, 0xAD, 0xBE, 0xEF}));

    // Identity: the serial number and model of the factory block, the version once.
    Bstr text;
    ASSERT_EQ(motor->GetSerialNumber(text.out()), S_OK);
    EXPECT_EQ(text.bytes(), "A1001");
    ASSERT_EQ(motor->get_Version(text.out()), S_OK);
    EXPECT_EQ(text.bytes(), "450");
    DOUBLE rate = 0;
    ASSERT_EQ(motor->get_SampleRate(&rate), S_OK);
    EXPECT_NEAR(rate, 1e8 / 24576, 1e-6);
    LONG servo = -1, info = -1;
    EXPECT_EQ(motor->IsServo(&servo), S_OK);
    EXPECT_EQ(servo, 0);
    EXPECT_EQ(motor->GetMotorInfo(&info), S_OK);
    EXPECT_EQ(info, 1);

    // Guards and bad input: the engine's code and text under IVQXMotor, nothing sent.
    EXPECT_ENGINE_ERROR(motor->SetMotorDWord(32000, 1), IID_IVQXMotor, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(motor->put_A(-1), IID_IVQXMotor, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(motor->GoTo(1, 0, 1), IID_IVQXMotor, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(motor->GetMotorByte(-5, &b), IID_IVQXMotor, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(motor->GetResponseOf(nullptr, text.out()), IID_IVQXMotor, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->GetMotor(7, motor.out()), IID_IVQXComm, 19, "Invalid Data!");
    Bstr data;
    EXPECT_ENGINE_ERROR(comm->ReadString(256, data.out()), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->ReadString(-1, data.out()), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_EQ(comm->ReadString(10, data.out()), S_OK); // nothing waits: empty at once
    EXPECT_EQ(data.bytes(), "");
    EXPECT_ENGINE_ERROR(comm->WriteString(Bstr(std::string(256, 'x')).get()), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->Upload(0, Bstr("/tmp/x").get()), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->ReorderMotors(0, Bstr("A1001").get(), &l), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->ReorderMotors(500, Bstr("A1001").get(), &l), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->put_MaxMotors(120), IID_IVQXComm, 19, "Invalid Data!");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(comm->Wait(-5), S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)); // not a huge sleep

    // The all-motors object reaches every motor, and refuses what one motor must answer.
    ComPtr<IVQXMotor> all;
    ASSERT_EQ(comm->GetMotor(0, all.out()), S_OK);
    EXPECT_EQ(all->Go(), S_OK);
    EXPECT_ENGINE_ERROR(all->GetPosition(&l), IID_IVQXMotor, 32, "Cannot get data from more than one motor!");
    EXPECT_ENGINE_ERROR(all->SetMotorByte(1, 1), IID_IVQXMotor, 19, "Invalid Data!");

    // A motor that stops answering: no response, and the port stays usable.
    rig->WithMotor(2, [](SimMotor& m) { m.knobs.mute = true; return 0; });
    EXPECT_ENGINE_ERROR(comm->GetResponseOf(Bstr("3RP").get(), text.out()), IID_IVQXComm, 5, "No response received!");
    rig->WithMotor(2, [](SimMotor& m) { m.knobs.mute = false; return 0; });
    EXPECT_EQ(Response("1RP"), "100");

    // A motor object of an earlier detection has no record any more; it still holds its host.
    ComPtr<IVQXMotor> stale;
    ASSERT_EQ(comm->GetMotor(3, stale.out()), S_OK);
    LONG count = 0;
    ASSERT_EQ(comm->AddressMotorChain(&count), S_OK);
    comm.reset(); // the client lets go of the host first
    EXPECT_ENGINE_ERROR(stale->GetPosition(&l), IID_IVQXMotor, 19, "Invalid Data!");
}

TEST_F(EngineChain, ProgramsDownloadVerifiedUploadAsTextAndCancel)
{
    OpenChain();
    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(2, motor.out()), S_OK);
    const std::string body = "a=5\nb=7\nEND\n";
    Recorder progress;
    Notify(progress);

    LONG result = -1;
    ASSERT_EQ(motor->DownloadProgramStr(Bstr(CompiledImage(body)).get(), 0, &result), S_OK) << TakeEngineError().text;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(progress.message, 0x8123);
    ASSERT_FALSE(progress.seen.empty());
    EXPECT_EQ(progress.seen.front(), std::make_pair(LONG(1), LONG(CompiledImage(body).size())));
    EXPECT_TRUE(progress.Saw(2));
    EXPECT_TRUE(progress.Saw(3));
    EXPECT_TRUE(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Valid(); }));
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), body);
    for (int m = 0; m < 3; ++m)
        EXPECT_FALSE(rig->WithMotor(m, [](SimMotor& s) { return s.Asleep(0); })) << m;

    Bstr text;
    ASSERT_EQ(motor->UploadProgramStr(0, text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), "a=5\r\nb=7\r\nEND\r\n");
    ASSERT_EQ(motor->UpProgramStr(0, text.out()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(text.bytes(), body);

    // From a file through the port, verified by its checksum.
    TempFolder folder;
    {
        std::ofstream(folder / "prog.tqx", std::ios::binary) << CompiledImage("c=1\nEND\n");
    }
    ASSERT_EQ(comm->Download(2, Bstr(folder / "prog.tqx").get()), S_OK) << TakeEngineError().text;
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), "c=1\nEND\n");
    ASSERT_EQ(comm->Upload(2, Bstr(folder / "up.txt").get()), S_OK) << TakeEngineError().text;
    {
        std::ifstream in(folder / "up.txt", std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "c=1\r\nEND\r\n");
    }
    EXPECT_ENGINE_ERROR(motor->DownloadEx(Bstr(folder / "missing.tqx").get(), 0, &result), IID_IVQXMotor, 34,
                        "Can not open the file specified!");
    {
        std::ofstream(folder / "CAL.SCX", std::ios::binary) << std::string(4600, 'x');
    }
    EXPECT_ENGINE_ERROR(motor->DownloadEx(Bstr(folder / "CAL.SCX").get(), 0, &result), IID_IVQXMotor, 39, "File too long!");

    // A checksum the motor does not confirm is no success.
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::Wrong; return 0; });
    // The motor also refuses the END program's checksum; the client gets the engine's own text.
    EXPECT_ENGINE_ERROR(motor->DownloadProgramStr(Bstr(CompiledImage(body)).get(), 0, &result), IID_IVQXMotor, 44,
                        "The program was NOT downloaded successfully!");
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.checksumFault = ChecksumFault::None; return 0; });

    // The client answers 0 to the first notification: nothing of the program goes out, the motor
    // is left with a valid empty program and awake.
    progress.seen.clear();
    progress.cancelCode = 1;
    ASSERT_EQ(motor->DownloadProgramStr(Bstr(CompiledImage(body)).get(), 0, &result), S_OK) << TakeEngineError().text;
    EXPECT_EQ(result, 0);
    EXPECT_NE(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), body);
    for (int m = 0; m < 3; ++m)
        EXPECT_FALSE(rig->WithMotor(m, [](SimMotor& s) { return s.Asleep(0); })) << m;
    // ... and at a step.
    progress.cancelCode = 2;
    ASSERT_EQ(motor->DownloadProgramStr(Bstr(CompiledImage(body)).get(), 0, &result), S_OK) << TakeEngineError().text;
    EXPECT_EQ(result, 0);
    EXPECT_NE(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), body);
    progress.cancelCode = -1;
    ASSERT_EQ(motor->ClearProgram(0), S_OK) << TakeEngineError().text;
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), "END\n");
}

TEST_F(EngineChain, ClosedPortAndLateBinding)
{
    OpenChain(true);
    // Late binding by name and dispatch identifier, on the host and on a motor.
    ComPtr<IDispatch> disp;
    ASSERT_EQ(comm.As(IID_IDispatch, disp), S_OK);
    auto id = [&](IDispatch* d, const char16_t* name) {
        DISPID x = 0;
        LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
        return d->GetIDsOfNames(IID_IVQXComm, names, 1, 0, &x) == S_OK ? x : -1;
    };
    EXPECT_EQ(id(disp.get(), u"GetResponseOf"), 29);
    EXPECT_EQ(id(disp.get(), u"ReorderMotors"), 57);
    EXPECT_EQ(id(disp.get(), u"CharDelay"), 18);
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = vqxcom::BstrFromBytes("2RV");
    rig->WithMotor(1, [](SimMotor& m) { m.SetSteadyVelocity(4321); return 0; });
    DISPPARAMS params{args, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(disp->Invoke(29, IID_IVQXComm, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(vqxcom::BytesFromBstr(result.bstrVal), "4321");
    VariantClear(&result);
    VariantClear(&args[0]);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(disp->Invoke(id(disp.get(), u"NoOfMotors"), IID_IVQXComm, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.lVal, 3);
    // GetMotor late-bound hands out a motor's IDispatch; GetMotorDWord through it.
    args[0].vt = VT_I4;
    args[0].lVal = 1;
    ASSERT_EQ(disp->Invoke(30, IID_IVQXComm, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    ComPtr<IDispatch> motor(result.pdispVal);
    VariantClear(&result);
    args[0].lVal = 32256;
    ASSERT_EQ(motor->Invoke(28, IID_IVQXMotor, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_UI4);
    EXPECT_EQ(result.ulVal, (uint32_t('A') << 24) | 1000u);
    // A failing call late-bound: the exception carries the engine's text.
    args[0].lVal = 99;
    EXCEPINFO ex{};
    EXPECT_EQ(disp->Invoke(30, IID_IVQXComm, 0, DISPATCH_METHOD, &params, &result, &ex, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(vqxcom::BytesFromBstr(ex.bstrDescription), "Invalid Data!");
    EXPECT_EQ(ex.dwHelpContext, 19u);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
    TakeEngineError();

    // Two client threads on one host: their exchanges do not interleave.
    std::vector<std::thread> threads;
    std::vector<std::string> replies(2);
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 10; ++k) {
                Bstr reply;
                if (comm->GetResponseOf(Bstr(t ? "1RP" : "3RP").get(), reply.out()) != S_OK)
                    replies[t] = "failed";
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(replies, (std::vector<std::string>{"", ""}));

    // A closed port: code 8 and its text as the engine words it.
    ASSERT_EQ(comm->ClosePort(), S_OK);
    LONG n = 0;
    EXPECT_ENGINE_ERROR(comm->get_BytesAvailable(&n), IID_IVQXComm, 8, "The serial port in not open!");
    Bstr text;
    EXPECT_ENGINE_ERROR(comm->GetResponseOf(Bstr("1RP").get(), text.out()), IID_IVQXComm, 8, "The serial port in not open!");
    ComPtr<IVQXMotor> m;
    EXPECT_ENGINE_ERROR(comm->GetMotor(1, m.out()), IID_IVQXComm, 8, "The serial port in not open!");
    LONG code = 0;
    EXPECT_EQ(comm->DetectRS232(10, 0, &code), S_OK);
    EXPECT_EQ(code, 0x10000);
    EXPECT_ENGINE_ERROR(comm->DetectRS232(10, 0x100000, &code), IID_IVQXComm, 8, "The serial port in not open!");
}

} // namespace
