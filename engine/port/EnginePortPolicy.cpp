#include "engine/port/EnginePortPolicy.h"

#include "core/port/CommPort.h"
#include "engine/errors/EngineError.h"
#include "engine/settings/EngineLog.h"

#include <algorithm>
#include <cstdio>

namespace engine {

CEnginePortPolicy::CEnginePortPolicy(const CEngineSettings& settings) : m_settings(settings) {}

int CEnginePortPolicy::CharacterBits(const CCommPort& port) { return 1 + 8 + (port.Parity != 0 ? 1 : 0); }

int64_t CEnginePortPolicy::PaceMs(const CCommPort& port, size_t n) const
{
    const int64_t baud = port.EffectiveBaud();
    return (int64_t(CharacterBits(port)) * int64_t(n) * 2000 + baud - 1) / baud;
}

bool CEnginePortPolicy::RetryWrite(CCommPort& port, size_t written, size_t asked, int attempt)
{
    if (attempt > m_settings.TxMaxRetry)
        return false;
    char line[80];
    std::snprintf(line, sizeof line, "WriteFile Error, n=%zu/%zu, Try#:%d", written, asked, attempt);
    WriteLog(kLogComm, line);
    return port.Device() && port.Device()->SetLine(LineSettings(port));
}

platform::SerialTimeouts CEnginePortPolicy::DriverTimeouts(const CCommPort& port, TimeoutKind kind, int timeoutMs) const
{
    platform::SerialTimeouts t;
    if (kind == TimeoutKind::Echo) {
        const int64_t perByte = m_settings.EchoTimeoutMul == -1
                                    ? (int64_t(port.MaxMotors) + 1) * 12000 / port.EffectiveBaud()
                                    : m_settings.EchoTimeoutMul;
        t.ReadTotalTimeoutMultiplier = uint32_t(std::max<int64_t>(perByte, 0));
        t.ReadTotalTimeoutConstant = uint32_t(std::max(m_settings.EchoTimeoutConst, 0));
    } else if (timeoutMs > 0) {
        t.ReadTotalTimeoutConstant = uint32_t(timeoutMs);
    } else {
        t.ReadIntervalTimeout = platform::kMaxTimeout; // return at once with what is queued
    }
    const int32_t mul = m_settings.TxTimeoutMul == -1 ? 1 : m_settings.TxTimeoutMul;
    t.WriteTotalTimeoutMultiplier = uint32_t(std::max(mul, 0));
    t.WriteTotalTimeoutConstant = uint32_t(std::max(m_settings.TxTimeoutConst == -1 ? 2 * mul : m_settings.TxTimeoutConst, 0));
    return t;
}

} // namespace engine
