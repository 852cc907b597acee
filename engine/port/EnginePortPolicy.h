#pragma once
// Where the engine's port differs from the program's, as a policy of the one port: commands end
// with a carriage return; without echo the port paces itself by the characters' time; failed
// writes are retried as the settings say and logged; the line's time-outs come from the engine
// settings; a chunk whose echo is wrong stops the write; the RS-485 scan probes with "RCLK";
// reading a motor's identity never rewrites its factory block.
// (The host's operation context gives the port its strict echo check and no traffic log.)

#include "core/port/PortPolicy.h"
#include "engine/settings/EngineSettings.h"

#include <functional>

namespace engine {

class CEnginePortPolicy final : public CPortPolicy {
public:
    explicit CEnginePortPolicy(const CEngineSettings& settings);

    char Terminator() const override { return '\r'; }
    int64_t PaceMs(const CCommPort& port, size_t n) const override;
    bool RetryWrite(CCommPort& port, size_t written, size_t asked, int attempt) override;
    platform::SerialTimeouts DriverTimeouts(const CCommPort& port, TimeoutKind kind, int timeoutMs) const override;
    uint32_t WriteErrorData(int systemError) const override { return uint32_t(systemError); }
    bool StopAtEchoError() const override { return true; }
    const char* BusScanProbe() const override { return "RCLK"; }
    bool EndBeforeBusScan() const override { return true; }
    bool RebuildsFactoryData() const override { return false; }
    bool RefusesMissingLinkMotor() const override { return true; }
    bool CountsNetStepsBefore() const override { return true; }
    bool WaitsOnFirstSilentLinkOnly() const override { return true; }
    bool SpacesUploadedKeywords() const override { return false; }
    void MemoryReadBegins(int bytes) override
    {
        if (bytes >= kLongMemoryRead && m_memoryRead)
            m_memoryRead(bytes);
    }
    // Who hears of reads of kLongMemoryRead bytes or more (the host's notification).
    static constexpr int kLongMemoryRead = 150;
    void SetMemoryReadListener(std::function<void(int)> listener) { m_memoryRead = std::move(listener); }

    // Bits the engine counts for one character: start, 8 data, parity when used, and the
    // stop-bit code (0 for the one stop bit the engine's line has).
    static int CharacterBits(const CCommPort& port);

private:
    const CEngineSettings& m_settings;
    std::function<void(int)> m_memoryRead;
};

} // namespace engine
