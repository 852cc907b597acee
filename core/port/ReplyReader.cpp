#include "core/port/ReplyReader.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/port/CommPort.h"

namespace {
void LogReceived(const CCommPort& port, const char* bytes, int n)
{
    if (n > 0)
        if (ITrafficLog* log = port.Context().TrafficLog())
            log->LogData(port.id, SDA_LOG_RECEIVED, reinterpret_cast<const uint8_t*>(bytes), static_cast<size_t>(n));
}
} // namespace

int ReadReplyLine(CCommPort& port, char* buffer, int size, bool stopAtEol, const std::function<bool(char&)>& readChar,
                  uint32_t noReplyData)
{
    if (!buffer || size <= 0)
        throw CVQXException(CVQXException::InvalidData);
    port.SetTimeout(0);
    CIntervalTimer timer;
    timer.Start();
    // A motor that chatters without ending its line cannot hold the reader longer than this.
    const int64_t cutOff = 2 * static_cast<int64_t>(port.totalTimeout);
    int n = 0;
    while (n < size - 1) {
        char c = 0;
        if (!readChar(c)) {
            buffer[n] = 0;
            LogReceived(port, buffer, n);
            throw CVQXException(CVQXException::NoResponse, noReplyData);
        }
        buffer[n++] = c;
        if (stopAtEol && (c == 0 || c == '\n' || c == '\r')) {
            LogReceived(port, buffer, n);
            buffer[n - 1] = 0;
            return n - 1;
        }
        if (static_cast<int64_t>(timer.ElapsedMs()) > cutOff)
            break;
    }
    buffer[n] = 0;
    LogReceived(port, buffer, n);
    return n;
}
