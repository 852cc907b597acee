#include "core/backends/MotorBackEnd.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "platform/clock/Clock.h"

#include <algorithm>

void CMotorBackEnd::Log(uint32_t flags, const uint8_t* bytes, size_t n) const
{
    if (m_log && n)
        m_log->LogData(m_page, flags, bytes, n);
}

void CMotorBackEnd::MarkLineContinues(bool set) const
{
    if (m_log)
        m_log->SetPageFlags(m_page, SDA_CONTINUES, set);
}

void CMotorBackEnd::WriteFrame(const uint8_t* frame, size_t n)
{
    MarkLineContinues(false);
    try {
        for (size_t done = 0; done < n;) {
            const size_t chunk = std::min(kChunkSize, n - done);
            WriteBytes(frame + done, chunk);
            Log(SDA_LOG_SENT, frame + done, chunk);
            platform::SleepMs(kChunkPauseMs);
            done += chunk;
            MarkLineContinues(done < n);
        }
    } catch (...) {
        MarkLineContinues(false);
        throw;
    }
}

size_t CMotorBackEnd::ReadReply(char* buffer, size_t size, int timeoutMs)
{
    if (size == 0)
        return 0;
    const platform::TimePoint start = platform::Now();
    size_t count = 0;
    while (count + 1 < size) {
        uint8_t c = 0;
        if (Read(&c, 1, timeoutMs) == 0) {
            Log(SDA_LOG_RECEIVED, reinterpret_cast<const uint8_t*>(buffer), count);
            buffer[count] = '\0';
            throw CVQXException(CVQXException::NoResponse);
        }
        buffer[count] = static_cast<char>(c);
        if (c == '\0' || c == '\r' || c == '\n') {
            Log(SDA_LOG_RECEIVED, reinterpret_cast<const uint8_t*>(buffer), count + 1);
            buffer[count] = '\0';
            return count;
        }
        ++count;
        // A motor that chatters without ending its line cannot hold the reader forever.
        if (platform::MillisSince(start) > 2LL * timeoutMs)
            break;
    }
    Log(SDA_LOG_RECEIVED, reinterpret_cast<const uint8_t*>(buffer), count);
    buffer[count] = '\0';
    return count;
}
