// The host object as created, its settings, and what is refused before any traffic.
#include "tests/engine/EngineClientFixture.h"

#include <fstream>

namespace {

TEST_F(EngineClient, NewHostHasTheDefaults)
{
    Bstr name;
    LONG v = 0;
    ASSERT_EQ(comm->get_PortName(name.out()), S_OK);
    EXPECT_EQ(name.bytes(), "Com1");
    const std::pair<HRESULT (IVQXComm::*)(LONG*), LONG> expected[] = {
        {&IVQXComm::get_BaudRate, 9600},   {&IVQXComm::get_Timeout, 400},       {&IVQXComm::get_MaxMotors, 10},
        {&IVQXComm::get_NoOfMotors, 0},    {&IVQXComm::get_PortHandle, -1},     {&IVQXComm::get_DefaultMotor, 1},
        {&IVQXComm::get_TxMaxRetry, 1},    {&IVQXComm::get_TxTimeoutMul, -1},   {&IVQXComm::get_TxTimeoutConst, -1},
        {&IVQXComm::get_EchoTimeoutMul, -1}, {&IVQXComm::get_EchoTimeoutConst, 100}, {&IVQXComm::get_CharDelay, 2},
        {&IVQXComm::get_EngineVersion, 0x02010101}, {&IVQXComm::get_IsRS485, 0},
    };
    for (const auto& [get, value] : expected) {
        v = -12345;
        EXPECT_EQ((comm.get()->*get)(&v), S_OK);
        EXPECT_EQ(v, value);
    }
    VARIANT_BOOL echo = VARIANT_FALSE;
    EXPECT_EQ(comm->get_Echo(&echo), S_OK);
    EXPECT_EQ(echo, VARIANT_TRUE);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(comm.As(IID_ISupportErrorInfo, support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IVQXComm), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IVQXMotor), S_FALSE);

    // The motor class has no class object; the ProgID leads to the host.
    ComPtr<IUnknown> motor;
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_VQXMotor, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, motor.outVoid())));
    CLSID byName{};
    EXPECT_EQ(CLSIDFromProgID(u"VQXEngine.VQXHost", &byName), S_OK);
    EXPECT_EQ(byName, CLSID_VQXHost);
}

TEST_F(EngineClient, RefusalsBeforeAnyTraffic)
{
    LONG code = -1;
    // Detection on a port of another kind: a result, or an error with the raise flag.
    EXPECT_EQ(comm->DetectNetMotors(10, 0, &code), S_OK);
    EXPECT_EQ(code, 128);
    EXPECT_ENGINE_ERROR(comm->DetectNetMotors(10, 0x100000, &code), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_EQ(comm->DetectUSBMotors(10, 0, &code), S_OK);
    EXPECT_EQ(code, 256);
    LONG address = -1;
    EXPECT_ENGINE_ERROR(comm->AddNetMotor(Bstr("127.0.0.1").get(), &address), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->OpenPort(nullptr), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->OpenPort(Bstr("/nonexistent/tty").get()), IID_IVQXComm, 2, "Cannot open serial port!");
    EXPECT_ENGINE_ERROR(comm->ClearBuffer(), IID_IVQXComm, 8, "The serial port in not open!");
    EXPECT_ENGINE_ERROR(comm->InitRS485(3, 0), IID_IVQXComm, 8, "The serial port in not open!");
    EXPECT_ENGINE_ERROR(comm->put_IsRS485(1), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(comm->put_MaxMotors(0), IID_IVQXComm, 19, "Invalid Data!");
    EXPECT_EQ(comm->put_MaxMotors(119), S_OK);

    // The log: the raise of an error is a line under the interface's flag.
    TempFolder folder;
    ASSERT_EQ(comm->put_LogFileName(Bstr(folder / "engine.log").get()), S_OK);
    ASSERT_EQ(comm->put_LogFlags(1), S_OK);
    EXPECT_EQ(comm->ClearBuffer(), E_FAIL);
    TakeEngineError();
    ASSERT_EQ(comm->put_LogFlags(2), S_OK);
    EXPECT_EQ(comm->ClearBuffer(), E_FAIL); // not logged: IVQXComm's flag is off
    ASSERT_EQ(comm->put_LogFlags(0), S_OK);
    ASSERT_EQ(comm->put_LogFileName(Bstr("").get()), S_OK);
    std::ifstream in(folder / "engine.log");
    std::string line, all;
    int lines = 0;
    while (std::getline(in, line)) {
        all += line + "\n";
        ++lines;
    }
    EXPECT_EQ(lines, 2) << all; // the exception line ends with a blank line
    EXPECT_NE(all.find(" ****** Exception:The serial port in not open!"), std::string::npos) << all;
    EXPECT_EQ(all.size() > 13 ? all.substr(2, 1) + all.substr(5, 1) + all.substr(8, 1) : "", "::.") << all;
}

} // namespace
