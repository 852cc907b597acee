// How a motor's bytes travel: through the port on a serial line, through the motor's own link
// (TCP socket or USB bridge) on Ethernet and USB.

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/port/ReplyReader.h"
#include "core/transfer/TransferSteps.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <optional>

using namespace transfer;

namespace {

constexpr size_t kChunk = 8;
constexpr int kLinkChunkPauseMs = 5;

} // namespace

IMotorLink* CMotor::Link()
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial())
        return nullptr;
    IMotorLink* link = p.CommType == COMM_ETHERNET ? static_cast<IMotorLink*>(Socket.get())
                                                   : static_cast<IMotorLink*>(USBCom.get());
    if (!link)
        throw CVQXException(p.CommType == COMM_ETHERNET ? CVQXException::NetworkError : CVQXException::NoUSBMotor,
                            MakeMotorDataWord(p.id, Address));
    return link;
}

void CMotor::WriteBytes(const uint8_t* bytes, size_t count)
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial() || Address == 0) {
        // Address 0 on Ethernet and USB: every motor's link, as the port writes.
        p.WriteBytes(bytes, static_cast<long>(count));
        return;
    }
    Link()->WriteBytes(bytes, count);
}

void CMotor::Read(uint8_t* buffer, size_t count, size_t& got, int timeoutMs)
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial()) {
        p.ReadBytes(buffer, count, got, timeoutMs);
        return;
    }
    got = Link()->Read(buffer, count, timeoutMs < 0 ? p.currentTimeout : timeoutMs);
    if (got < count && timeoutMs != 0)
        throw CVQXException(CVQXException::NoResponse, MakeMotorDataWord(p.id, Address));
}

bool CMotor::ReadChar(char& c)
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial())
        return p.ReadChar(c) != 0;
    uint8_t b = 0;
    if (Link()->Read(&b, 1, p.currentTimeout) != 1)
        return false;
    c = static_cast<char>(b);
    return true;
}

int CMotor::ReadResponse(char* buffer, int size, bool stopAtEol)
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial())
        return p.ReadResponse(buffer, size, stopAtEol);
    return ReadReplyLine(p, buffer, size, stopAtEol, [this](char& c) { return ReadChar(c); },
                         MakeMotorDataWord(p.id, Address));
}

void CMotor::CheckEcho(const uint8_t* bytes, size_t count)
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial()) {
        p.CheckEcho(bytes, count);
        return;
    }
    // Nothing echoes on these links: log the chunk as sent and give the motor time to take it.
    LogTraffic(p, SDA_LOG_SENT, bytes, count);
    platform::SleepMs(kLinkChunkPauseMs);
}

void CMotor::WriteChecked(const uint8_t* bytes, size_t count)
{
    CCommPort& p = PortOf(*this);
    if (p.IsSerial()) {
        p.WriteChecked(bytes, count);
        return;
    }
    MarkLineContinues(p, false);
    std::optional<CVQXException> echoError;
    for (size_t offset = 0; offset < count; offset += kChunk) {
        const size_t n = std::min(kChunk, count - offset);
        try {
            WriteBytes(bytes + offset, n);
            CheckEcho(bytes + offset, n);
        } catch (const CVQXException& e) {
            if (e.GetCode() != CVQXException::NoEcho && e.GetCode() != CVQXException::InvalidEcho) {
                MarkLineContinues(p, false);
                throw;
            }
            echoError = e;
        }
        MarkLineContinues(p, true);
    }
    MarkLineContinues(p, false);
    if (echoError)
        throw *echoError;
}
