// Commands on the wire: addressing, frames, chunked writes checked against the echo.
#include "core/port/CommPort.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {
constexpr size_t kChunk = 8; // the motors' receive buffers and the echo check keep pace with this

// Hands the link of every available motor to f. A motor whose link fails does not keep the others
// from their turn (a WAKE to all must reach every motor that can hear it); the first failure is
// kept in error for the caller to raise. Returns the links that took their turn, in list order.
template <class F>
std::vector<IMotorLink*> ToEveryAvailableLink(IPortMotors& motors, F&& f, std::optional<CVQXException>& error)
{
    std::vector<IMotorLink*> reached;
    for (int i = 0; i < motors.Count(); ++i) {
        IMotorLink* link = motors.IsAvailable(i) ? motors.LinkAt(i) : nullptr;
        if (!link)
            continue;
        try {
            f(*link);
            reached.push_back(link);
        } catch (const CVQXException& e) {
            if (!error)
                error = e;
        }
    }
    return reached;
}
} // namespace

int CCommPort::SplitAddress(std::string& text)
{
    const size_t eol = text.find_first_of("\r\n");
    if (eol != std::string::npos)
        text.erase(eol);
    size_t digits = 0;
    long value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        // Saturates far above any motor address instead of overflowing.
        value = std::min<long>(value * 10 + (text[digits] - '0'), 1000000);
        ++digits;
    }
    if (digits == 0)
        return -1;
    text.erase(0, digits);
    return static_cast<int>(value);
}

int CCommPort::CheckAddress(int address) const
{
    if (address != -1 && (address < 0 || address > MaxAddress()))
        throw CVQXException(CVQXException::InvalidData);
    return address;
}

void CCommPort::SendCommand(std::string_view text, int address, bool track, char* reply, int replySize)
{
    std::string command(text.substr(0, MAX_COMMAND_TEXT));
    int sendAddress = -1;
    if (address != -2) {
        const int found = SplitAddress(command);
        if (found != -1)
            address = found;
        CheckAddress(address);
        // An address written in the text is always sent; an argument address is sent unless the
        // port tracks it as the current motor and it is selected already.
        sendAddress = found != -1 || !track ? address : -1;
        if (track) {
            if (address != -1) {
                if (address != currentAddress)
                    addressDirty = 1;
                currentAddress = address;
            }
            if (addressDirty && currentAddress >= 0) {
                sendAddress = currentAddress;
                addressDirty = 0;
            }
        }
    }
    Transact(sendAddress, reinterpret_cast<const uint8_t*>(command.data()), command.size(), true, reply, replySize,
             true);
}

void CCommPort::WriteCommand(std::string_view text, int address, bool track)
{
    SendCommand(text, address, track, nullptr, 0);
}

int CCommPort::Query(std::string_view text, char* reply, int replySize, int address, bool track)
{
    if (!reply || replySize <= 0)
        throw CVQXException(CVQXException::InvalidData);
    reply[0] = 0;
    SendCommand(text, address, track, reply, replySize);
    return static_cast<int>(std::strlen(reply));
}

std::string CCommPort::Query(std::string_view text, int address, bool track)
{
    char reply[REPLY_BUFFER_SIZE + 1];
    Query(text, reply, sizeof reply, address, track);
    return reply;
}

int CCommPort::Transact(int address, const uint8_t* data, size_t length, bool textMode, char* reply, int replySize,
                        bool stopAtEol)
{
    if (reply && replySize <= 0)
        throw CVQXException(CVQXException::InvalidData);
    if (!isOpen)
        throw CVQXException(CVQXException::PortNotOpen);
    std::vector<uint8_t> frame;
    frame.reserve(length + 2);
    if (!IsSerial()) {
        frame.push_back(0x80);
        frame.insert(frame.end(), data, data + length);
        if (textMode)
            frame.push_back(static_cast<uint8_t>(m_policy->Terminator()));
        return TransactLinks(address, frame, reply, replySize);
    }
    if (address != -1) {
        CheckAddress(address);
        addressDirty = address != currentAddress;
        frame.push_back(static_cast<uint8_t>(0x80 + address));
    }
    frame.insert(frame.end(), data, data + length);
    if (textMode)
        frame.push_back(static_cast<uint8_t>(m_policy->Terminator()));
    WriteChecked(frame.data(), frame.size());
    if (!reply)
        return 0;
    int n = ReadResponse(reply, replySize, stopAtEol);
    // Motors that echo although the port thought they did not: the reply starts with the frame.
    const size_t f = frame.size();
    if (CommType == COMM_RS232 && !Echo && f < static_cast<size_t>(replySize) && static_cast<size_t>(n) >= f &&
        std::memcmp(reply, frame.data(), f) == 0) {
        Echo = 1;
        std::memmove(reply, reply + f, static_cast<size_t>(n) - f + 1);
        n -= static_cast<int>(f);
    }
    return n;
}

IMotorLink* CCommPort::AvailableLink(int address)
{
    if (address <= 0 || !m_motorLinks)
        return nullptr;
    CheckAddress(address);
    const int index = m_motorLinks->IndexOfAddress(address);
    return index >= 0 && m_motorLinks->IsAvailable(index) ? m_motorLinks->LinkAt(index) : nullptr;
}

int CCommPort::TransactLinks(int address, const std::vector<uint8_t>& frame, char* reply, int replySize)
{
    if (!m_motorLinks)
        throw CVQXException(CVQXException::PortNotOpen);
    if (address == -1)
        address = currentAddress;
    if (address != 0) {
        IMotorLink* link = AvailableLink(address);
        // A motor that is missing or unreachable cannot answer; a plain write to it is dropped.
        if (!link) {
            if (Policy().RefusesMissingLinkMotor())
                throw CVQXException(address < 0 || m_motorLinks->IndexOfAddress(address) < 0 ? CVQXException::InvalidData
                                                                                              : CVQXException::PortNotOpen);
            if (reply)
                throw CVQXException(CVQXException::NoResponse, MakeMotorDataWord(id, std::max(address, 0)));
            return 0;
        }
        link->WriteFrame(frame.data(), frame.size());
        if (!reply)
            return 0;
        SetTimeout(0);
        return static_cast<int>(link->ReadReply(reply, static_cast<size_t>(replySize), currentTimeout));
    }
    std::optional<CVQXException> writeError;
    const std::vector<IMotorLink*> reached = ToEveryAvailableLink(
        *m_motorLinks, [&](IMotorLink& link) { link.WriteFrame(frame.data(), frame.size()); }, writeError);
    if (!reply) {
        if (writeError)
            throw *writeError;
        return 0;
    }
    SetTimeout(0);
    std::string joined;
    bool answered = false;
    const size_t room = static_cast<size_t>(replySize) - 1;
    // Every motor's reply is read, also once the buffer is full: one left unread would be taken
    // for the answer to the next command to that motor.
    for (IMotorLink* link : reached) {
        char one[REPLY_BUFFER_SIZE + 1];
        try {
            link->ReadReply(one, sizeof one, currentTimeout);
        } catch (const CVQXException&) {
            continue; // a motor that does not answer is left out
        }
        if (joined.size() < room) {
            if (answered)
                joined += '\r';
            joined += one;
        }
        answered = true;
    }
    if (!answered) {
        if (writeError)
            throw *writeError;
        throw CVQXException(CVQXException::NoResponse);
    }
    joined.resize(std::min(joined.size(), room));
    std::memcpy(reply, joined.c_str(), joined.size() + 1);
    return static_cast<int>(joined.size());
}

void CCommPort::WriteChecked(const uint8_t* bytes, size_t length)
{
    if (!IsSerial()) {
        WriteBytes(bytes, static_cast<long>(length));
        return;
    }
    MarkLineContinues(false);
    std::optional<CVQXException> echoError;
    for (size_t offset = 0; offset < length; offset += kChunk) {
        const size_t n = std::min(kChunk, length - offset);
        try {
            WriteBytes(bytes + offset, static_cast<long>(n));
            CheckEcho(bytes + offset, n);
        } catch (const CVQXException& e) {
            // A bad echo does not stop the command: the rest still goes out, the error comes after.
            if ((e.GetCode() != CVQXException::NoEcho && e.GetCode() != CVQXException::InvalidEcho) ||
                m_policy->StopAtEchoError()) {
                MarkLineContinues(false);
                throw;
            }
            echoError = e;
        }
        MarkLineContinues(true);
    }
    MarkLineContinues(false);
    if (echoError)
        throw *echoError;
}

void CCommPort::WriteBytes(const uint8_t* bytes, long length)
{
    const size_t n = length < 0 ? std::strlen(reinterpret_cast<const char*>(bytes)) : static_cast<size_t>(length);
    if (!IsSerial()) {
        if (!isOpen || !m_motorLinks)
            throw CVQXException(CVQXException::PortNotOpen);
        std::optional<CVQXException> error;
        ToEveryAvailableLink(*m_motorLinks, [&](IMotorLink& link) { link.WriteBytes(bytes, n); }, error);
        if (error)
            throw *error;
        return;
    }
    WriteSerial(bytes, n);
    if (!Echo)
        PaceUnechoed(n);
}

void CCommPort::PaceUnechoed(size_t n)
{
    // A write that directly follows the previous pause has that pause's oversleep taken off its
    // own, so that oversleeping does not add up while pauses in a row never total less than
    // asked. Time spent between the two (reading a reply) is not pause time: it shortens nothing.
    // Either way the bytes have left the line before the pause ends, so a rate change after it
    // cuts none of them.
    const platform::TimePoint now = platform::Now();
    const platform::Duration pause = std::chrono::milliseconds(m_policy->PaceMs(*this, n));
    const double bits = Parity != 0 ? 11.0 : 10.0;
    const auto onLine = std::chrono::duration_cast<platform::Duration>(
        std::chrono::duration<double>(bits * double(n) / std::max(1, EffectiveBaud())));
    const platform::Duration overslept = m_pacedAt - m_paceUntil;
    const bool follows = now - m_pacedAt < pause && overslept > platform::Duration::zero();
    const platform::Duration credit = follows ? std::min(overslept, pause) : platform::Duration::zero();
    m_paceUntil = std::max(now + pause - credit, now + onLine);
    platform::Sleep(m_paceUntil - now);
    m_pacedAt = platform::Now();
}

void CCommPort::WriteSerial(const uint8_t* bytes, size_t n)
{
    size_t done = 0;
    for (int attempt = 1;; ++attempt) {
        if (!m_device)
            throw CVQXException(CVQXException::PortNotOpen);
        size_t written = 0;
        const bool ok = m_device->Write(bytes + done, n - done, written);
        done += written;
        if (ok && done == n)
            return;
        // A short write without an error is no system error: data 0.
        if (ok)
            throw CVQXException(CVQXException::WriteError);
        if (!m_policy->RetryWrite(*this, done, n, attempt))
            throw CVQXException(CVQXException::WriteError, m_policy->WriteErrorData(m_device->LastError()));
    }
}

void CCommPort::CheckEcho(const uint8_t* bytes, size_t length)
{
    if (!Echo) {
        Report(SDA_LOG_SENT, bytes, length);
        return;
    }
    length = std::min(length, sizeof pushback);
    SetTimeout(1);
    pushbackCount = 0;
    size_t got = 0;
    try {
        ReadBytes(pushback, length, got, -1);
    } catch (const CVQXException& e) {
        if (e.GetCode() != CVQXException::NoResponse)
            throw;
    }
    pushbackCount = static_cast<int>(got);
    const bool match = got == length && std::memcmp(pushback, bytes, length) == 0;
    if (StrictEcho()) {
        if (!match) {
            Report(SDA_LOG_ECHO_ERROR, bytes, length);
            throw CVQXException(got == length ? CVQXException::InvalidEcho : CVQXException::NoEcho);
        }
        Report(SDA_LOG_SENT, bytes, length);
        Report(SDA_LOG_ECHO, pushback, length);
        pushbackCount = 0;
        return;
    }
    // Adaptive: the motors' echo decides whether the port expects one; bytes that did come back
    // start the next reply.
    Report(SDA_LOG_SENT, bytes, length);
    if (match) {
        Echo = 1;
        pushbackCount = 0;
        Report(SDA_LOG_ECHO, pushback, length);
    } else {
        Echo = 0;
    }
}
