#include "engine/motor/VQXMotor.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "engine/errors/EngineError.h"
#include "engine/host/VQXHost.h"
#include "engine/motor/EngineMotor.h"
#include "engine/host/PortPrograms.h"

#include <cstdio>
#include <new>

namespace engine {

IVQXMotor* CVQXMotor::Create(CVQXHost& host, CMotor* record, bool allMotors)
{
    auto* motor = new (std::nothrow) CVQXMotor(host, record, allMotors);
    if (!motor)
        throw CVQXException(VQXE_OUT_OF_MEMORY);
    motor->AddRef();
    return motor;
}

CVQXMotor::CVQXMotor(CVQXHost& host, CMotor* record, bool allMotors)
    : m_host(host), m_record(record), m_allMotors(allMotors), m_generation(host.ListGeneration())
{
    m_host.AddRef();
    EngineModule().Lock();
}

CVQXMotor::~CVQXMotor()
{
    EngineModule().Unlock();
    m_host.Release();
}

HRESULT CVQXMotor::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IVQXMotor)
        *ppv = static_cast<IVQXMotor*>(this);
    else if (riid == IID_ISupportErrorInfo)
        *ppv = static_cast<ISupportErrorInfo*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CVQXMotor::Release()
{
    const ULONG n = m_refs.Drop();
    if (n == 0)
        delete this;
    return n;
}

CMotor& CVQXMotor::Record()
{
    // A detection since this object was made has replaced the port's records.
    if (!m_record || (!m_allMotors && m_generation != m_host.ListGeneration()))
        throw CVQXException(VQXE_INVALID_DATA);
    return *m_record;
}

template <class Body>
HRESULT CVQXMotor::Run(unsigned guards, Body&& body)
{
    return m_host.Call(IID_IVQXMotor, [&] {
        CMotor& m = Record();
        if (m.Address == 0 && (guards & kOneMotor32))
            throw CVQXException(VQXE_MORE_THAN_ONE_MOTOR);
        if (m.Address == 0 && (guards & kOneMotor19))
            throw CVQXException(VQXE_INVALID_DATA);
        if (!m.GetPort())
            throw CVQXException(VQXE_INVALID_DATA);
        if ((guards & kPortOpen) && !m.GetPort()->isOpen)
            throw CVQXException(VQXE_PORT_NOT_OPEN);
        body(m);
    });
}

void CVQXMotor::Send(const std::string& text) { Record().SendCommand(text); }
std::string CVQXMotor::Query(const std::string& text) { return Record().SendAndReceive(text); }

namespace {
LONG Number(const std::string& reply) { return static_cast<LONG>(ReplyToNumber(reply)); }
std::string WithValue(const char* format, long long value)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}
} // namespace

LONG CVQXMotor::ReadThroughA(const char* source) { return Number(Record().GetVariable(source, true)); }

// ---- motion ----

HRESULT CVQXMotor::GetPosition(LONG* Pos)
{
    return Run(kOneMotor32, [&](CMotor&) { Require(Pos != nullptr); *Pos = Number(Query("RP")); });
}
HRESULT CVQXMotor::get_P(LONG* pVal)
{
    return Run(kOneMotor32, [&](CMotor&) { Require(pVal != nullptr); *pVal = ReadThroughA("P"); });
}
HRESULT CVQXMotor::put_P(LONG v)
{
    return Run(0, [&](CMotor&) { Send(WithValue("P=%lld", v)); });
}
HRESULT CVQXMotor::get_V(LONG* pVal)
{
    return Run(kOneMotor32, [&](CMotor&) { Require(pVal != nullptr); *pVal = ReadThroughA("V"); });
}
HRESULT CVQXMotor::put_V(LONG v)
{
    return Run(0, [&](CMotor&) { Send(WithValue("V=%lld", v)); });
}
HRESULT CVQXMotor::get_A(LONG* pVal)
{
    return Run(kOneMotor32, [&](CMotor&) { Require(pVal != nullptr); *pVal = ReadThroughA("A"); });
}
HRESULT CVQXMotor::put_A(LONG v)
{
    return Run(0, [&](CMotor&) {
        Require(v >= 0);
        Send(WithValue("A=%lld", v));
    });
}
HRESULT CVQXMotor::GetSpeed(LONG* Speed)
{
    return Run(kOneMotor32, [&](CMotor&) { Require(Speed != nullptr); *Speed = Number(Query("RV")); });
}
HRESULT CVQXMotor::GetAcceleration(LONG* Acceleration)
{
    return Run(kOneMotor32, [&](CMotor&) { Require(Acceleration != nullptr); *Acceleration = Number(Query("RA")); });
}
HRESULT CVQXMotor::Go()
{
    return Run(0, [&](CMotor&) { Send("G"); });
}
HRESULT CVQXMotor::WriteCommand(BSTR Command)
{
    return Run(0, [&](CMotor&) {
        if (Command)
            Send(BstrToCString(Command));
    });
}
HRESULT CVQXMotor::GetResponseOf(BSTR Command, BSTR* Response)
{
    return Run(kOneMotor32, [&](CMotor&) {
        Require(Response != nullptr);
        *Response = nullptr;
        Require(Command != nullptr);
        *Response = ToBstr(Query(BstrToCString(Command)));
    });
}
HRESULT CVQXMotor::SetPositionMode()
{
    return Run(0, [&](CMotor&) { Send("MP"); });
}
HRESULT CVQXMotor::SetVelocityMode()
{
    return Run(0, [&](CMotor&) { Send("MV"); });
}
HRESULT CVQXMotor::get_Version(BSTR* pVal)
{
    return Run(kOneMotor32, [&](CMotor& m) {
        Require(pVal != nullptr);
        *pVal = nullptr;
        if (m.Version.empty())
            ReadIdentity(m);
        *pVal = ToBstr(m.Version);
    });
}
HRESULT CVQXMotor::get_SampleRate(DOUBLE* pVal)
{
    return Run(kOneMotor32, [&](CMotor& m) {
        Require(pVal != nullptr);
        if (SampleRateOf(m) == 0)
            ReadIdentity(m);
        *pVal = SampleRateOf(m);
    });
}
HRESULT CVQXMotor::WaitForStop()
{
    return Run(kOneMotor32, [&](CMotor&) {
        // Ends on '0', or on the port's error when the motor stops answering.
        for (;;) {
            const std::string reply = Query("RBt");
            if (!reply.empty() && reply[0] == '0')
                return;
            Require(!reply.empty() && reply[0] == '1');
        }
    });
}
HRESULT CVQXMotor::Stop(LONG Decelerate)
{
    return Run(0, [&](CMotor&) { Send(Decelerate ? "X" : "S"); });
}
HRESULT CVQXMotor::GoTo(LONG Position, LONG Velocity, LONG Acceleration)
{
    return Run(0, [&](CMotor& m) {
        Require(Velocity > 0 && Acceleration > 0);
        Send("MP");
        CCommPort& port = *m.GetPort();
        // The rest goes to the motor the MP just reached: on a serial line without an address byte
        // (MP's selected it); on Ethernet and USB, where each motor has its own link and nothing
        // was selected, to the same motor again, never to the port's default motor.
        const int address = port.IsSerial() ? -2 : m.Address;
        const char* const formats[] = {"P=%lld", "V=%lld", "A=%lld"};
        const long long values[] = {Position, Velocity, Acceleration};
        for (int i = 0; i < 3; ++i)
            port.WriteCommand(WithValue(formats[i], values[i]), address, false);
        port.WriteCommand("G", address, false);
    });
}

// ---- programs ----

HRESULT CVQXMotor::Download(BSTR FileName)
{
    return Run(0, [&](CMotor& m) {
        Require(FileName != nullptr);
        // The port download serves serial lines only; other ports download through DownloadEx.
        Require(m.GetPort()->IsSerial());
        PortDownload(*m.GetPort(), m_host.Progress(), m.Address, BstrToCString(FileName));
    });
}
HRESULT CVQXMotor::Upload(BSTR FileName)
{
    return Run(kOneMotor32, [&](CMotor& m) {
        Require(FileName != nullptr);
        if (m.GetPort()->IsSerial())
            PortUpload(*m.GetPort(), m.Address, BstrToCString(FileName));
        else
            UploadFile(m_host, m, BstrToCString(FileName));
    });
}
HRESULT CVQXMotor::DownloadEx(BSTR FileName, LONG Flags, LONG* Result)
{
    return Run(kOneMotor19 | kPortOpen, [&](CMotor& m) {
        Require(Result != nullptr);
        Require(FileName != nullptr);
        *Result = DownloadFile(m_host, m, BstrToCString(FileName), Flags, true) ? 1 : 0;
    });
}
HRESULT CVQXMotor::UploadEx(BSTR FileName)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(FileName != nullptr);
        UploadFile(m_host, m, BstrToCString(FileName));
    });
}
HRESULT CVQXMotor::ClearProgram(LONG Flags)
{
    return Run(kOneMotor19 | kPortOpen, [&](CMotor& m) { ClearMotorProgram(m_host, m, Flags); });
}
HRESULT CVQXMotor::DownloadProgramStr(BSTR ProgramStr, LONG Flags, LONG* Result)
{
    return Run(kOneMotor19 | kPortOpen, [&](CMotor& m) {
        Require(Result != nullptr);
        Require(ProgramStr != nullptr);
        *Result = DownloadString(m_host, m, BstrToCString(ProgramStr), Flags) ? 1 : 0;
    });
}
HRESULT CVQXMotor::UploadProgramStr(LONG CalPrg, BSTR* ProgramStr)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(ProgramStr != nullptr);
        *ProgramStr = nullptr;
        *ProgramStr = ToBstr(UploadText(m_host, m, CalPrg == 1, false));
    });
}
HRESULT CVQXMotor::UpProgramStr(LONG CalPrg, BSTR* ProgramStr)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(ProgramStr != nullptr);
        *ProgramStr = nullptr;
        *ProgramStr = ToBstr(UploadText(m_host, m, CalPrg == 1, true));
    });
}

// ---- identity and data memory ----

HRESULT CVQXMotor::GetMotorInfo(LONG* Result)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(Result != nullptr);
        *Result = m_host.FactoryBlock(m, true).empty() ? 0 : 1;
    });
}
HRESULT CVQXMotor::GetSerialNumber(BSTR* SN)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(SN != nullptr);
        // A block already read gives it; without one the long at 32256 is read, not the block.
        const std::string* block = m_host.LoadedFactoryBlock(m);
        *SN = ToBstr(SerialText(SerialValue(m, block ? *block : std::string())));
    });
}
HRESULT CVQXMotor::GetModelStr(BSTR* ModelStr)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(ModelStr != nullptr);
        *ModelStr = ToBstr(ModelString(m_host.FactoryBlock(m, false)));
    });
}
HRESULT CVQXMotor::GetEncoderResolution(LONG* EncoderResolution)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(EncoderResolution != nullptr);
        *EncoderResolution = static_cast<LONG>(engine::EncoderResolution(m_host.FactoryBlock(m, false)));
    });
}

namespace {
// Data-memory addresses a single access may name.
void RequireReadAddress(LONG address) { Require(address >= 0 && address < EEPROM_SIZE); }
void RequireWriteAddress(LONG address) { Require(address >= 0 && address <= 31999); }
} // namespace

template <class T, class Read>
HRESULT CVQXMotor::ReadMemory(LONG address, T* out, Read read)
{
    return Run(kOneMotor32 | kPortOpen, [&](CMotor& m) {
        Require(out != nullptr);
        RequireReadAddress(address);
        *out = static_cast<T>(read(m));
    });
}
template <class Write>
HRESULT CVQXMotor::WriteMemory(LONG address, Write write)
{
    return Run(kOneMotor19, [&](CMotor& m) {
        RequireWriteAddress(address);
        if (!m.GetPort()->isOpen)
            throw CVQXException(VQXE_PORT_NOT_OPEN);
        write(m);
    });
}

HRESULT CVQXMotor::GetMotorByte(LONG Address, BYTE* TheByte)
{
    return ReadMemory(Address, TheByte, [&](CMotor& m) { return m.ReadEEPROMByte(Address); });
}
HRESULT CVQXMotor::GetMotorWord(LONG Address, USHORT* TheWord)
{
    return ReadMemory(Address, TheWord, [&](CMotor& m) { return m.ReadEEPROMWord(Address); });
}
HRESULT CVQXMotor::GetMotorDWord(LONG Address, ULONG* TheDWord)
{
    return ReadMemory(Address, TheDWord, [&](CMotor& m) { return m.ReadEEPROMLong(Address); });
}
HRESULT CVQXMotor::GetMotorInt(LONG Address, SHORT* TheInt)
{
    return ReadMemory(Address, TheInt, [&](CMotor& m) { return m.ReadEEPROMWord(Address); });
}
HRESULT CVQXMotor::GetMotorLong(LONG Address, LONG* TheLong)
{
    return ReadMemory(Address, TheLong, [&](CMotor& m) { return m.ReadEEPROMLong(Address); });
}
HRESULT CVQXMotor::SetMotorByte(LONG Address, BYTE TheByte)
{
    return WriteMemory(Address, [&](CMotor& m) { m.WriteEEPROMByte(Address, TheByte); });
}
HRESULT CVQXMotor::SetMotorWord(LONG Address, USHORT TheWord)
{
    return WriteMemory(Address, [&](CMotor& m) { m.WriteEEPROMWord(Address, TheWord); });
}
HRESULT CVQXMotor::SetMotorDWord(LONG Address, ULONG TheDWord)
{
    return WriteMemory(Address, [&](CMotor& m) { m.WriteEEPROMLong(Address, TheDWord); });
}
HRESULT CVQXMotor::SetMotorInt(LONG Address, SHORT TheInt)
{
    return WriteMemory(Address, [&](CMotor& m) { m.WriteEEPROMWord(Address, static_cast<uint16_t>(TheInt)); });
}
HRESULT CVQXMotor::SetMotorLong(LONG Address, LONG TheLong)
{
    return WriteMemory(Address, [&](CMotor& m) { m.WriteEEPROMLong(Address, static_cast<uint32_t>(TheLong)); });
}
HRESULT CVQXMotor::IsServo(LONG* Result)
{
    return Run(kOneMotor32, [&](CMotor& m) {
        Require(Result != nullptr);
        *Result = IsVersion46(m) ? 1 : 0;
    });
}

// ---- GetMotor of the host ----

} // namespace engine

HRESULT engine::CVQXHost::GetMotor(LONG Address, IVQXMotor** Motor)
{
    return Comm([&] {
        Require(Motor != nullptr);
        *Motor = nullptr;
        RequireSerialOpen();
        if (Address == 0) {
            *Motor = CVQXMotor::Create(*this, &AllMotors(), true);
            return;
        }
        CMotor* record = Address >= 1 && Address <= m_port.MaxMotors ? m_port.GetMotor(Address) : nullptr;
        Require(record != nullptr);
        *Motor = CVQXMotor::Create(*this, record, false);
    });
}
