#include "core/detect/ReadAvailable.h"

#include "core/analyzer/TrafficLog.h"
#include "core/port/CommPort.h"

#include <cstring>

int ReadAvailable(CCommPort& port, uint8_t* buffer, size_t count)
{
    const size_t ahead = static_cast<size_t>(port.pushbackCount > 0 ? port.pushbackCount : 0);
    std::memcpy(buffer, port.pushback, ahead);
    port.pushbackCount = 0;
    size_t got = 0;
    if (count > 0)
        port.ReadBytes(buffer + ahead, count, got, 0);
    if (got > 0)
        if (ITrafficLog* log = port.Context().TrafficLog())
            log->LogData(port.id, SDA_LOG_RECEIVED, buffer + ahead, got);
    return static_cast<int>(ahead + got);
}
