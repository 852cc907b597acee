// Reading from the line: bytes under a timeout, single characters with pushback, reply lines.
#include "core/port/CommPort.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/port/ReplyReader.h"

#include <algorithm>
#include <cstring>

namespace {
// Puts the previous read timeout back however a read ends.
class TimeoutRestorer {
public:
    using Kind = CPortPolicy::TimeoutKind;
    using Apply = void (CCommPort::*)(Kind, int);
    TimeoutRestorer(CCommPort* port, Kind kind, int previous, Apply apply)
        : m_port(port), m_kind(kind), m_previous(previous), m_apply(apply)
    {
    }
    ~TimeoutRestorer()
    {
        try {
            Restore();
        } catch (...) {
            // an error already on its way wins over a failed restore
        }
    }
    // Restores now, letting a failure propagate.
    void Restore()
    {
        CCommPort* port = m_port;
        m_port = nullptr;
        if (port)
            (port->*m_apply)(m_kind, m_previous);
    }

private:
    CCommPort* m_port;
    Kind m_kind;
    int m_previous;
    Apply m_apply;
};
} // namespace

void CCommPort::ReadBytes(uint8_t* buffer, size_t count, size_t& got, int t)
{
    got = 0;
    if (!IsSerial()) {
        if (!isOpen || !m_motorLinks)
            throw CVQXException(CVQXException::PortNotOpen);
        int wait = t < 0 ? currentTimeout : t;
        for (int i = 0; i < m_motorLinks->Count() && got < count; ++i)
            if (m_motorLinks->IsAvailable(i))
                if (IMotorLink* link = m_motorLinks->LinkAt(i)) {
                    got += link->Read(buffer + got, count - got, wait);
                    if (got < count && Policy().WaitsOnFirstSilentLinkOnly())
                        wait = 0;
                }
        if (got < count && t != 0)
            throw CVQXException(CVQXException::NoResponse);
        return;
    }
    if (!m_device)
        throw CVQXException(CVQXException::PortNotOpen);
    if (t == 0) {
        RaiseLineErrors();
        const size_t want = std::min(count, m_device->Queued());
        if (want > 0 && !m_device->Read(buffer, want, got))
            throw CVQXException(CVQXException::ReadError);
        RaiseLineErrors();
        if (got > 0)
            PlayReceiveSound();
        return;
    }
    TimeoutRestorer restore(t > 0 ? this : nullptr, m_timeoutKind, currentTimeout, &CCommPort::ApplyTimeout);
    if (t > 0)
        ApplyTimeoutMs(t);
    if (!m_device->Read(buffer, count, got))
        throw CVQXException(CVQXException::ReadError);
    RaiseLineErrors();
    if (got < count)
        throw CVQXException(CVQXException::NoResponse);
    restore.Restore();
    PlayReceiveSound();
}

void CCommPort::ReadBytesOf(int address, uint8_t* buffer, size_t count, size_t& got, int t)
{
    if (!IsSerial() && address == -1)
        address = currentAddress;
    if (IsSerial() || address == 0) {
        ReadBytes(buffer, count, got, t);
        return;
    }
    got = 0;
    if (!isOpen || !m_motorLinks)
        throw CVQXException(CVQXException::PortNotOpen);
    IMotorLink* link = AvailableLink(address);
    if (!link)
        throw CVQXException(CVQXException::NoResponse, MakeMotorDataWord(id, std::max(address, 0)));
    got = link->Read(buffer, count, t < 0 ? currentTimeout : t);
    if (got < count && t != 0)
        throw CVQXException(CVQXException::NoResponse, MakeMotorDataWord(id, address));
}

int CCommPort::ReadChar(char& c)
{
    if (!IsSerial())
        return 0;
    if (pushbackCount > 0) {
        c = static_cast<char>(pushback[0]);
        --pushbackCount;
        std::memmove(pushback, pushback + 1, static_cast<size_t>(pushbackCount));
        return 1;
    }
    size_t got = 0;
    try {
        ReadBytes(reinterpret_cast<uint8_t*>(&c), 1, got, -1);
    } catch (const CVQXException& e) {
        if (e.GetCode() == CVQXException::NoResponse)
            return 0;
        throw;
    }
    return 1;
}

int CCommPort::ReadResponse(char* buffer, int size, bool stopAtEol)
{
    if (!buffer || size <= 0)
        throw CVQXException(CVQXException::InvalidData);
    buffer[0] = 0;
    if (!IsSerial())
        return 0;
    return ReadReplyLine(*this, buffer, size, stopAtEol, [this](char& c) { return ReadChar(c) != 0; });
}
