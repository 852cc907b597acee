// The host object: life, interfaces, and the IVQXComm members of the line and the commands.
#include "engine/host/VQXHost.h"

#include "core/VQXException.h"
#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "core/motor/Motor.h"
#include "engine/errors/EngineError.h"
#include "engine/motor/EngineMotor.h"
#include "engine/settings/EngineLog.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace engine {

HRESULT CVQXHost::Create(IUnknown*, REFIID riid, void** ppv)
{
    CVQXHost* host = nullptr;
    try {
        host = new CVQXHost;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    host->AddRef();
    const HRESULT hr = host->QueryInterface(riid, ppv);
    host->Release();
    return hr;
}

CVQXHost::CVQXHost()
{
    EngineModule().Lock();
    m_options.CalTimeouts = false;
    m_options.EchoErrors = true; // strict echo checks
    m_options.ResponseTimeout = 400;
    m_options.DownloadDelay = 0;
    m_options.ReceiveSounds = false;
    m_context.SetOptions(&m_options);
    m_context.SetProgress(&m_progress);
    m_context.SetCalibrationChecksShown(false);
    m_port.SetContext(&m_context);
    m_port.SetPolicy(&m_policy);
    m_policy.SetMemoryReadListener([this](int bytes) { m_progress.Send(VQXN_EEPROM_READ, bytes); });
    m_port.PortName = "Com1";
    m_port.BitPerSec = 9600;
    m_port.Parity = 0;
    m_port.Echo = 1;
    m_port.CommType = COMM_RS232;
    m_port.MotorChannel = 0;
    m_port.SetMaxMotors(10);
    m_port.currentAddress = 1;
    m_port.addressDirty = 1;
    m_port.totalTimeout = m_options.ResponseTimeout;
    m_settings.Load();
    m_options.EchoTimeout = m_settings.EchoTimeoutConst;
    WriteLog(kLogComm, "********** IVQXHost Object created.");
}

CVQXHost::~CVQXHost()
{
    try {
        std::lock_guard lock(m_mutex);
        m_port.ClosePort();
    } catch (...) {
        // closing a line that went away must not stop the release
    }
    EngineModule().Unlock();
}

HRESULT CVQXHost::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IVQXComm)
        *ppv = static_cast<IVQXComm*>(this);
    else if (riid == IID_IVQXSynmove)
        *ppv = static_cast<IVQXSynmove*>(&m_synmove);
    else if (riid == IID_IVQXPath)
        *ppv = static_cast<IVQXPath*>(&m_path);
    else if (riid == IID_ISupportErrorInfo)
        *ppv = static_cast<ISupportErrorInfo*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CVQXHost::Release()
{
    const ULONG n = m_refs.Drop();
    if (n == 0)
        delete this;
    return n;
}

HRESULT CVQXHost::InterfaceSupportsErrorInfo(REFIID riid)
{
    return (riid == IID_IVQXComm || riid == IID_IVQXSynmove || riid == IID_IVQXPath) ? S_OK : S_FALSE;
}

CMotor& CVQXHost::AllMotors()
{
    if (!m_allMotors) {
        m_allMotors = std::make_unique<CMotor>();
        m_allMotors->Address = 0;
        m_allMotors->SetPort(&m_port);
    }
    return *m_allMotors;
}

// ---- guards ----

bool CVQXHost::IsOpen() const
{
    if (m_port.IsSerial())
        return m_port.isOpen && m_port.Device();
    if (m_port.CommType == COMM_ETHERNET || m_port.CommType == COMM_USB)
        return m_port.isOpen != 0;
    return false;
}

void CVQXHost::RequireSerialOpen() const
{
    if (m_port.IsSerial() && !IsOpen())
        throw CVQXException(VQXE_PORT_NOT_OPEN);
}

void CVQXHost::RequireSerialPort() const { Require(m_port.IsSerial()); }

void CVQXHost::ApplyLineTimeouts()
{
    m_port.totalTimeout = m_options.ResponseTimeout;
    if (m_port.IsSerial() && IsOpen())
        m_port.SetTimeout(0);
}

// ---- line ----

HRESULT CVQXHost::OpenPort(BSTR PortName)
{
    return Comm([&] {
        if (m_port.IsSerial()) {
            Require(PortName != nullptr);
            m_port.PortName = BstrToCString(PortName);
        }
        m_port.OpenPort();
        m_port.echoTimeout = m_settings.EchoTimeoutConst;
        ApplyLineTimeouts();
    });
}

HRESULT CVQXHost::ClosePort()
{
    return Comm([&] { m_port.ClosePort(); });
}

HRESULT CVQXHost::get_PortHandle(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_port.IsSerial() && IsOpen() ? m_port.handle : -1;
    });
}

HRESULT CVQXHost::ClearBuffer()
{
    return Comm([&] {
        RequireSerialOpen();
        if (IsOpen())
            m_port.ClearBuffer();
    });
}

HRESULT CVQXHost::get_BytesAvailable(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        RequireSerialOpen();
        size_t total = 0;
        if (m_port.IsSerial()) {
            if (const uint32_t errors = m_port.Device()->TakeLineErrors())
                ThrowCommError(errors);
            total = m_port.Device()->Queued();
        } else if (IsOpen()) {
            IPortMotors* links = m_port.MotorLinks();
            for (int i = 0; links && i < links->Count(); ++i) {
                if (!links->IsAvailable(i))
                    continue;
                const CMotor* m = m_port.motors.GetAt(i);
                total += m->Socket ? m->Socket->BytesAvailable() : m->USBCom ? m->USBCom->BytesAvailable() : 0;
            }
        }
        *pVal = static_cast<LONG>(std::min<size_t>(total, 0x7FFFFFFF));
    });
}

// ---- commands ----

namespace {
std::string FirstCharacters(BSTR s, size_t n)
{
    std::string text = BstrToCString(s);
    if (text.size() > n)
        text.resize(n);
    return text;
}
} // namespace

HRESULT CVQXHost::WriteCommand(BSTR Command)
{
    return Comm([&] {
        RequireSerialOpen();
        if (!Command)
            return;
        const std::string text = FirstCharacters(Command, MAX_COMMAND_TEXT);
        if (m_port.addressDirty && m_port.currentAddress >= 0) {
            m_port.Transact(m_port.currentAddress, nullptr, 0, true);
            m_port.addressDirty = 0;
        }
        m_port.Transact(-1, reinterpret_cast<const uint8_t*>(text.data()), text.size(), true);
    });
}

HRESULT CVQXHost::WriteString(BSTR Data)
{
    return Comm([&] {
        RequireSerialOpen();
        Require(SysStringLen(Data) < 256);
        if (!Data)
            return;
        const std::string bytes = BstrToCString(Data);
        if (m_port.addressDirty && m_port.currentAddress >= 0) {
            m_port.Transact(m_port.currentAddress, nullptr, 0, true);
            m_port.addressDirty = 0;
        }
        m_port.Transact(-1, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
    });
}

namespace {
// A reply line from the default motor of an Ethernet or USB port.
std::string ReadLinkLine(CCommPort& port, int timeoutMs)
{
    const int address = port.currentAddress;
    if (address == 0)
        throw CVQXException(VQXE_MORE_THAN_ONE_MOTOR);
    IPortMotors* links = port.MotorLinks();
    const int index = address > 0 && links ? links->IndexOfAddress(address) : -1;
    if (index < 0)
        throw CVQXException(VQXE_INVALID_DATA);
    IMotorLink* link = links->IsAvailable(index) ? links->LinkAt(index) : nullptr;
    if (!link)
        throw CVQXException(VQXE_PORT_NOT_OPEN);
    char reply[REPLY_BUFFER_SIZE + 1];
    link->ReadReply(reply, sizeof reply, timeoutMs);
    return reply;
}
} // namespace

HRESULT CVQXHost::ReadResponse(BSTR* Response)
{
    return Comm([&] {
        Require(Response != nullptr);
        *Response = nullptr;
        RequireSerialOpen();
        std::string reply;
        if (m_port.IsSerial()) {
            char buffer[REPLY_BUFFER_SIZE + 1];
            m_port.SetTimeout(0);
            m_port.ReadResponse(buffer, sizeof buffer, true);
            reply = buffer;
        } else {
            if (!IsOpen())
                throw CVQXException(VQXE_PORT_NOT_OPEN);
            reply = ReadLinkLine(m_port, m_options.ResponseTimeout);
        }
        *Response = ToBstr(reply);
    });
}

HRESULT CVQXHost::ReadString(LONG NoOfBytes, BSTR* Data)
{
    return Comm([&] {
        Require(Data != nullptr);
        *Data = nullptr;
        Require(NoOfBytes >= 0 && NoOfBytes <= 255);
        RequireSerialOpen();
        uint8_t buffer[256] = {};
        size_t got = 0;
        m_port.ReadBytes(buffer, static_cast<size_t>(NoOfBytes), got, 0);
        // The text ends at the first zero byte, as the callers of this method expect.
        *Data = ToBstr(std::string(reinterpret_cast<const char*>(buffer), strnlen(reinterpret_cast<const char*>(buffer), got)));
    });
}

HRESULT CVQXHost::Wait(LONG Time)
{
    return MethodFrame(IID_IVQXComm, [&] { platform::SleepMs(std::max<LONG>(Time, 0)); });
}

HRESULT CVQXHost::WriteCmd(BSTR Command)
{
    return Comm([&] {
        RequireSerialOpen();
        if (Command)
            m_port.WriteCommand(FirstCharacters(Command, MAX_COMMAND_TEXT), -1, true);
    });
}

HRESULT CVQXHost::GetResponseOf(BSTR Command, BSTR* Response)
{
    return Comm([&] {
        Require(Response != nullptr);
        *Response = nullptr;
        RequireSerialOpen();
        Require(Command != nullptr);
        std::string text = FirstCharacters(Command, MAX_COMMAND_TEXT);
        if (!m_port.IsSerial()) {
            // All motors of a network port cannot answer as one: the command still goes out.
            std::string rest = text;
            const int address = CCommPort::SplitAddress(rest);
            if ((address == -1 ? m_port.currentAddress : address) == 0) {
                // Their replies are read and dropped: left unread they would answer later queries.
                try {
                    m_port.Query(text, -1, true);
                } catch (const ::CVQXException&) {
                }
                throw CVQXException(VQXE_MORE_THAN_ONE_MOTOR);
            }
        }
        *Response = ToBstr(m_port.Query(text, -1, true));
    });
}

// ---- properties of the line ----

HRESULT CVQXHost::get_DefaultMotor(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_port.currentAddress;
    });
}

HRESULT CVQXHost::put_DefaultMotor(LONG newVal)
{
    return Comm([&] {
        RequireSerialOpen();
        Require(newVal >= 0 && newVal <= m_port.MaxMotors);
        m_port.SelectMotor(newVal);
    });
}

HRESULT CVQXHost::get_Echo(VARIANT_BOOL* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_port.Echo ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

HRESULT CVQXHost::put_Echo(VARIANT_BOOL newVal)
{
    return Comm([&] {
        Require(m_port.CommType == COMM_RS232);
        RequireSerialOpen();
        m_port.SetEchoMode(newVal != VARIANT_FALSE);
    });
}

HRESULT CVQXHost::get_Parity(enum_parity* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = static_cast<enum_parity>(m_port.Parity);
    });
}

HRESULT CVQXHost::put_Parity(enum_parity newVal)
{
    return Comm([&] { m_port.Parity = static_cast<uint8_t>(newVal); });
}

HRESULT CVQXHost::get_BaudRate(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        RequireSerialPort();
        *pVal = m_port.BitPerSec;
    });
}

HRESULT CVQXHost::put_BaudRate(LONG newVal)
{
    return Comm([&] {
        RequireSerialPort();
        m_port.SetMotorsBaudRate(newVal);
        ApplyLineTimeouts();
    });
}

HRESULT CVQXHost::get_Timeout(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_options.ResponseTimeout;
    });
}

HRESULT CVQXHost::put_Timeout(LONG newVal)
{
    return Comm([&] {
        m_options.ResponseTimeout = newVal;
        m_port.totalTimeout = newVal;
    });
}

HRESULT CVQXHost::get_CharDelay(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        const int64_t baud = m_port.EffectiveBaud();
        *pVal = static_cast<LONG>((CEnginePortPolicy::CharacterBits(m_port) * 1500 + baud - 1) / baud);
    });
}

HRESULT CVQXHost::put_CharDelay(LONG) { return S_OK; }

HRESULT CVQXHost::get_PortName(BSTR* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = ToBstr(m_port.PortName);
    });
}

HRESULT CVQXHost::get_MaxMotors(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_port.MaxMotors;
    });
}

HRESULT CVQXHost::put_MaxMotors(LONG newVal)
{
    return Comm([&] {
        // The address table holds addresses 0..119.
        Require(newVal >= 1 && newVal <= MAX_MOTOR_ADDRESS - 1);
        m_port.SetMaxMotors(newVal);
    });
}

HRESULT CVQXHost::get_IsRS485(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_port.CommType == COMM_RS485 ? 1 : 0;
    });
}

HRESULT CVQXHost::put_IsRS485(LONG)
{
    return Comm([&] { Require(m_port.CommType == COMM_RS485); });
}

HRESULT CVQXHost::get_NoOfMotors(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        *pVal = m_port.MotorCount();
    });
}

HRESULT CVQXHost::get_EngineVersion(LONG* pVal)
{
    return Comm([&] {
        Require(pVal != nullptr);
        const std::string v = kProductVersion;
        LONG version = 0;
        if (v.size() == 10)
            for (int i = 0; i < 4; ++i)
                version |= LONG(v[size_t(i) * 3] - '0') << (24 - 8 * i);
        *pVal = version;
    });
}

HRESULT CVQXHost::InitializeNotification(LONG hWindow, LONG message)
{
    return Comm([&] { m_progress.SetTarget(hWindow, message); });
}

// ---- settings ----

namespace {
template <class Apply>
HRESULT StoreSetting(CVQXHost& host, int32_t& field, LONG value, Apply apply)
{
    return host.Call(IID_IVQXComm, [&] {
        field = value;
        apply();
    });
}
} // namespace

HRESULT CVQXHost::get_TxMaxRetry(LONG* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_settings.TxMaxRetry;
    return S_OK;
}

HRESULT CVQXHost::put_TxMaxRetry(LONG newVal)
{
    m_settings.TxMaxRetry = newVal;
    return S_OK;
}

HRESULT CVQXHost::get_TxTimeoutMul(LONG* pVal)
{
    return Comm([&] { Require(pVal != nullptr); *pVal = m_settings.TxTimeoutMul; });
}
HRESULT CVQXHost::put_TxTimeoutMul(LONG v)
{
    return StoreSetting(*this, m_settings.TxTimeoutMul, v, [&] { ApplyLineTimeouts(); });
}
HRESULT CVQXHost::get_TxTimeoutConst(LONG* pVal)
{
    return Comm([&] { Require(pVal != nullptr); *pVal = m_settings.TxTimeoutConst; });
}
HRESULT CVQXHost::put_TxTimeoutConst(LONG v)
{
    return StoreSetting(*this, m_settings.TxTimeoutConst, v, [&] { ApplyLineTimeouts(); });
}
HRESULT CVQXHost::get_EchoTimeoutMul(LONG* pVal)
{
    return Comm([&] { Require(pVal != nullptr); *pVal = m_settings.EchoTimeoutMul; });
}
HRESULT CVQXHost::put_EchoTimeoutMul(LONG v)
{
    return StoreSetting(*this, m_settings.EchoTimeoutMul, v, [&] { ApplyLineTimeouts(); });
}
HRESULT CVQXHost::get_EchoTimeoutConst(LONG* pVal)
{
    return Comm([&] { Require(pVal != nullptr); *pVal = m_settings.EchoTimeoutConst; });
}
HRESULT CVQXHost::put_EchoTimeoutConst(LONG v)
{
    return StoreSetting(*this, m_settings.EchoTimeoutConst, v, [&] {
        m_port.echoTimeout = v;
        ApplyLineTimeouts();
    });
}

HRESULT CVQXHost::get_LogFlags(LONG* pVal)
{
    return Comm([&] { Require(pVal != nullptr); *pVal = static_cast<LONG>(LogFlags()); });
}
HRESULT CVQXHost::put_LogFlags(LONG newVal)
{
    return Comm([&] { SetLogFlags(static_cast<uint32_t>(newVal)); });
}
HRESULT CVQXHost::get_LogFileName(BSTR* pVal)
{
    return Comm([&] { Require(pVal != nullptr); *pVal = ToBstr(LogFileName()); });
}
HRESULT CVQXHost::put_LogFileName(BSTR newVal)
{
    return Comm([&] { SetLogFileName(BstrToCString(newVal)); });
}

const std::string& CVQXHost::FactoryBlock(CMotor& motor, bool reload)
{
    // Records of an earlier detection are gone: their blocks with them.
    for (auto it = m_factoryBlocks.begin(); it != m_factoryBlocks.end();)
        it = it->second.first != m_generation ? m_factoryBlocks.erase(it) : std::next(it);
    auto& entry = m_factoryBlocks[&motor];
    if (reload || entry.second.empty()) {
        entry = {m_generation, std::string()}; // a failed read leaves none loaded
        entry.second = ReadFactoryBlock(motor);
    }
    return entry.second;
}

const std::string* CVQXHost::LoadedFactoryBlock(const CMotor& motor) const
{
    const auto it = m_factoryBlocks.find(&motor);
    if (it == m_factoryBlocks.end() || it->second.first != m_generation || it->second.second.empty())
        return nullptr;
    return &it->second.second;
}

} // namespace engine
