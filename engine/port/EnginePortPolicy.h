#pragma once
// Where the engine's port differs from the program's, as a policy of the one port: commands end
// with a carriage return; without echo the port paces itself by the characters' time; failed
// writes are retried as the settings say and logged; the line's time-outs come from the engine
// settings; a chunk whose echo is wrong stops the write; the RS-485 scan probes with "RCLK";
// reading a motor's identity never rewrites its factory block.
// (The host's operation context gives the port its strict echo check and no traffic log.)

#include "core/port/PortPolicy.h"
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
    bool RebuildsFactoryData() const override { return false; }

    // Bits of one character: start, 8 data, stop, and parity when used.
    static int CharacterBits(const CCommPort& port);

private:
    const CEngineSettings& m_settings;
};

} // namespace engine
