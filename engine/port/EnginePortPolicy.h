#pragma once
// Where the engine's port differs from the program's, as a policy of the one port: commands end
// with a carriage return; without echo the port paces itself by the characters' time; failed
// writes are retried as the settings say and logged; the line's time-outs come from the engine
// settings; a chunk whose echo is wrong stops the write; no traffic log; strict echo checks.

#include "core/port/PortPolicy.h"
#include "core/settings/Options.h"
#include "engine/settings/EngineSettings.h"

namespace engine {

class CEnginePortPolicy final : public CPortPolicy {
public:
    explicit CEnginePortPolicy(const CEngineSettings& settings);

    char Terminator() const override { return '\r'; }
    int64_t PaceMs(const CCommPort& port, size_t n) const override;
    bool RetryWrite(CCommPort& port, size_t written, size_t asked, int attempt) override;
    platform::SerialTimeouts DriverTimeouts(const CCommPort& port, TimeoutKind kind, int timeoutMs) const override;
    bool StopAtEchoError() const override { return true; }
    const char* BusScanProbe() const override { return "RCLK"; }
    bool EndBeforeBusScan() const override { return true; }
    ITrafficLog* Analyzer() const override { return nullptr; }
    const COptions& Settings() const override { return m_options; }

    // The port's read time-out (IVQXComm Timeout), the reply time-out of every read.
    void SetReplyTimeout(int ms) { m_options.ResponseTimeout = ms; }
    int ReplyTimeout() const { return m_options.ResponseTimeout; }

    // Bits of one character: start, 8 data, stop, and parity when used.
    static int CharacterBits(const CCommPort& port);

private:
    const CEngineSettings& m_settings;
    COptions m_options;
};

} // namespace engine
