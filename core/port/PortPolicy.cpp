#include "core/port/PortPolicy.h"

#include "core/port/CommPort.h"
#include "core/settings/Options.h"

#include <algorithm>
#include <cmath>

int64_t CPortPolicy::PaceMs(const CCommPort& port, size_t n) const
{
    // Transmit time of n characters (start, 8 data, stop, and a parity bit when used) plus the
    // configured extra delay per character.
    const double bits = port.Parity != 0 ? 11.0 : 10.0;
    const double delayUs = std::max(0, port.Context().Options().DownloadDelay);
    return static_cast<int64_t>(std::ceil(bits * double(n) * 1000.0 / port.EffectiveBaud())) +
           static_cast<int64_t>(std::ceil(double(n) * delayUs * 0.001));
}

bool CPortPolicy::RetryWrite(CCommPort&, size_t, size_t, int) { return false; }

platform::SerialTimeouts CPortPolicy::DriverTimeouts(const CCommPort&, TimeoutKind, int timeoutMs) const
{
    platform::SerialTimeouts t;
    if (timeoutMs > 0)
        t.ReadTotalTimeoutConstant = static_cast<uint32_t>(timeoutMs);
    else
        t.ReadIntervalTimeout = platform::kMaxTimeout; // no time at all: return what is there, never block
    return t;
}

platform::SerialLineSettings CPortPolicy::LineSettings(const CCommPort& port) const
{
    platform::SerialLineSettings line;
    line.baud = port.BitPerSec;
    line.parity = static_cast<platform::SerialParity>(port.Parity);
    return line;
}

CPortPolicy& CPortPolicy::Default()
{
    static CPortPolicy policy;
    return policy;
}
