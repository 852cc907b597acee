#pragma once
// What the Ethernet and USB back ends share: the motor-level transport on top of their raw reads
// and writes. A frame goes out in chunks of at most 8 bytes with a short pause after each, so the
// motor's small receive buffer keeps up; a reply is read byte by byte up to its line end.

#include "core/port/MotorLink.h"

#include <cstddef>
#include <cstdint>

class ITrafficLog;

class CMotorBackEnd : public IMotorLink {
public:
    // Pause after each chunk of a checked write: nothing echoes on these links to pace the sender.
    static constexpr int kChunkPauseMs = 5;
    static constexpr size_t kChunkSize = 8;

    // Where this motor's traffic is reported (the analyzer and the page of its port); none when
    // log is null.
    void SetTrafficLog(ITrafficLog* log, int page) override
    {
        m_log = log;
        m_page = page;
    }

    // Writes the frame in chunks of 8, each reported as sent and followed by the pause; the
    // analyzer's line-continues mark joins the chunks into one line and is cleared on every path.
    void WriteFrame(const uint8_t* frame, size_t n) override;
    // Reads one reply up to CR, LF or NUL (reported with its line end, which becomes the NUL).
    // Each byte may take timeoutMs; no byte in time reports what came and throws 1005; after twice
    // timeoutMs in all the reply read so far is returned. At most size-1 characters.
    size_t ReadReply(char* buffer, size_t size, int timeoutMs) override;

protected:
    void Log(uint32_t flags, const uint8_t* bytes, size_t n) const;
    void MarkLineContinues(bool set) const;

private:
    ITrafficLog* m_log = nullptr;
    int m_page = -1;
};
