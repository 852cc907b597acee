#include "core/port/CommPort.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/port/PortEvents.h"
#include "core/settings/Options.h"
#include "platform/serial/PortNames.h"

#include <algorithm>

static_assert(platform::kLineRxOver == CE_RXOVER && platform::kLineOverrun == CE_OVERRUN &&
                  platform::kLineParity == CE_RXPARITY && platform::kLineFrame == CE_FRAME &&
                  platform::kLineBreak == CE_BREAK && platform::kLineTxFull == CE_TXFULL &&
                  platform::kLineIOError == CE_IOE,
              "serial line-error flags must be the driver's error flags");

namespace {
std::function<void(CCommPort*)>& DestroyHook()
{
    static std::function<void(CCommPort*)> hook;
    return hook;
}

void TellTerminalBar(const CCommPort& port)
{
    if (IPortEvents* events = port.Context().PortEvents())
        events->PortStateChanged(port);
}
} // namespace

CCommPort::CCommPort() : m_policy(&CPortPolicy::Default())
{
    m_motorLinks = &motors;
    const COptions& o = Context().Options();
    echoTimeout = o.EchoTimeout;
    totalTimeout = o.ResponseTimeout;
    currentTimeout = o.ResponseTimeout;
    networkDelay = o.NetworkDelay;
}

void CCommPort::SetDestroyHook(std::function<void(CCommPort*)> hook) { DestroyHook() = std::move(hook); }

CCommPort::~CCommPort()
{
    // Told first, while the port and its motors are whole.
    if (DestroyHook())
        DestroyHook()(this);
    try {
        ClosePort();
    } catch (...) {
        // closing never fails in a way a destructor could act on
    }
}

std::string CCommPort::DeviceName() const { return platform::ResolveSerialPortName(PortName); }

int CCommPort::EffectiveBaud() const { return platform::IsSupportedBaud(BitPerSec) ? BitPerSec : 9600; }

int CCommPort::MaxAddress() const
{
    if (IsSerial())
        return MAX_MOTOR_ADDRESS;
    return std::clamp(MaxMotors, 0, MAX_MOTOR_ADDRESS);
}

bool CCommPort::OpenPort()
{
    if (isOpen)
        ClosePort();
    if (IsSerial())
        OpenSerial();
    else if (CommType == COMM_ETHERNET || CommType == COMM_USB)
        OpenLinks();
    else
        throw CVQXException(CVQXException::CannotOpenPort);

    // From here on a failure closes the port again: an open that failed never leaves it marked open.
    try {
        SetTimeout(0);
        if (IsSerial())
            // Purged without raising the line errors: errors left from before this open are not
            // its failure (a freshly opened handle starts without any), and an open must not
            // fail on them after the device was already taken.
            PurgeSerial(false);
        else
            ClearBuffer();
    } catch (...) {
        ClosePort();
        throw;
    }
    TellTerminalBar(*this);
    CalcTimeouts(MaxMotors);
    if (CommType != COMM_RS232)
        Echo = 0;
    pushbackCount = 0;
    // Which motor is selected on the wire is unknown after an open (at another rate a motor may
    // have heard no address byte at all): the next tracked command carries its address byte.
    addressDirty = 1;
    return true;
}

void CCommPort::OpenSerial()
{
    if (!platform::IsSupportedBaud(BitPerSec) || Parity > 4)
        throw CVQXException(CVQXException::CannotOpenPort);
    std::string error;
    m_device = platform::OpenSerialDevice(DeviceName(), m_policy->LineSettings(*this), &error);
    if (!m_device)
        throw CVQXException(CVQXException::CannotOpenPort);
    handle = m_device->Handle();
    isOpen = 1;
}

void CCommPort::OpenLinks()
{
    const int failure = CommType == COMM_ETHERNET ? CVQXException::NetworkError : CVQXException::NoUSBMotor;
    const int count = m_motorLinks->Count();
    bool any = false;
    for (int i = 0; i < count; ++i) {
        IMotorLink* link = m_motorLinks->LinkAt(i);
        // A port outside a project has no page; page -1 would mean every page.
        if (link)
            link->SetTrafficLog(id >= 0 ? Context().TrafficLog() : nullptr, id);
        const bool connected = link && link->Connect(500);
        if (!connected && link)
            link->Disconnect();
        m_motorLinks->SetAvailable(i, connected);
        any = any || connected;
    }
    if (IPortEvents* events = Context().PortEvents())
        events->RebuildConfigTree();
    if (count > 0 && !any)
        throw CVQXException(failure);
    isOpen = 1;
    m_linksOpen = true;
}

bool CCommPort::ClosePort()
{
    const bool was = isOpen != 0;
    // Everything this port opened goes, also when its type was switched while it was open: a serial
    // line kept here would lock the device against the next open.
    m_device.reset();
    handle = -1;
    if (m_linksOpen && m_motorLinks) {
        for (int i = 0; i < m_motorLinks->Count(); ++i)
            if (IMotorLink* link = m_motorLinks->LinkAt(i))
                link->Disconnect();
    }
    m_linksOpen = false;
    isOpen = 0;
    if (was)
        TellTerminalBar(*this);
    return was;
}

void CCommPort::PurgeSerial(bool raiseErrors)
{
    if (!m_device)
        return;
    m_device->Purge(true, true);
    const uint32_t flags = m_device->TakeLineErrors();
    if (raiseErrors && flags)
        ThrowCommError(flags);
}

void CCommPort::ClearBuffer()
{
    if (IsSerial()) {
        PurgeSerial(true);
        return;
    }
    if (!isOpen || !m_motorLinks)
        return;
    for (int i = 0; i < m_motorLinks->Count(); ++i)
        if (m_motorLinks->IsAvailable(i))
            if (IMotorLink* link = m_motorLinks->LinkAt(i))
                link->Drain();
}

void CCommPort::RaiseLineErrors()
{
    if (!m_device)
        return;
    if (const uint32_t flags = m_device->TakeLineErrors())
        ThrowCommError(flags);
}

void CCommPort::SetTimeout(int mode)
{
    using Kind = CPortPolicy::TimeoutKind;
    if (mode == 0)
        ApplyTimeout(Kind::Total, totalTimeout);
    else if (mode == 1)
        ApplyTimeout(Kind::Echo, echoTimeout);
    else
        ApplyTimeout(Kind::Explicit, mode);
}

void CCommPort::ApplyTimeout(CPortPolicy::TimeoutKind kind, int ms)
{
    currentTimeout = ms;
    m_timeoutKind = kind;
    if (IsSerial() && m_device && !m_device->SetTimeouts(m_policy->DriverTimeouts(*this, kind, ms)))
        throw CVQXException(CVQXException::CannotSetTimeout);
}

void CCommPort::CalcTimeouts(int n)
{
    const COptions& o = Context().Options();
    const int64_t response = o.ResponseTimeout;
    networkDelay = o.NetworkDelay;
    const int64_t baud = EffectiveBaud();
    const int64_t motors = std::clamp(n, 0, MAX_MOTOR_ADDRESS);
    int64_t echo;
    if (o.CalTimeouts)
        echo = CommType == COMM_RS485 ? 10000 / baud + 10 : (motors * 10000 + 10000) / baud + 100;
    else
        echo = o.EchoTimeout;
    if (CommType == COMM_ETHERNET)
        echo += networkDelay;
    auto clampMs = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 0x7FFFFFFF)); };
    echoTimeout = clampMs(echo);
    totalTimeout = clampMs(echo + response);
}

void CCommPort::Reopen(int baud, int parity)
{
    if (!IsSerial())
        return;
    // A request the line cannot take changes nothing.
    if ((baud > 0 && !platform::IsSupportedBaud(baud)) || parity > 4)
        throw CVQXException(CVQXException::CannotOpenPort);
    if (baud > 0)
        BitPerSec = baud;
    if (parity >= 0)
        Parity = static_cast<uint8_t>(parity);
    OpenPort();
}

void CCommPort::Report(uint32_t flags, const uint8_t* bytes, size_t n) const
{
    if (ITrafficLog* log = Context().TrafficLog())
        log->LogData(id, flags, bytes, n);
}

void CCommPort::MarkLineContinues(bool set) const
{
    // A port outside a project has no page; page -1 would mean every page.
    if (id < 0)
        return;
    if (ITrafficLog* log = Context().TrafficLog())
        log->SetPageFlags(id, SDA_CONTINUES, set);
}

void CCommPort::PlayReceiveSound() const
{
    const COptions& o = Context().Options();
    if (!o.ReceiveSounds)
        return;
    if (IPortEvents* events = Context().PortEvents())
        events->PlayReceiveSound(o.SoundFile);
}

bool CCommPort::StrictEcho() const { return m_forceStrictEcho || Context().Options().EchoErrors; }
