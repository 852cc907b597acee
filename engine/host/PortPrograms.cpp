#include "engine/host/PortPrograms.h"

#include "VQXEngine.h"
#include "core/VQXException.h"
#include "core/motor/MotorPortAccess.h"
#include "core/port/CommPort.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/TransferSteps.h"
#include "engine/errors/EngineError.h"
#include "engine/host/NotifyProgress.h"
#include "platform/clock/Clock.h"
#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"

#include <cstdio>
#include <string>
#include <vector>

namespace engine {

namespace {

using transfer::kImageTerminator;

// A program that prints "a=a" when run: whether the motor keeps what it is sent.
const std::string kProbeImage = "$40000004BF00001500000000040000000000000000PRINT(\"a=a\",#13)\nEND\n";
// The empty program that erasing leaves behind.
const std::string kEraseImage = "$40000000EB00000500000000040000000000000000END\n\n";
constexpr int kChecksumTimeoutMs = 8000;
constexpr size_t kChunk = 8;
// A program is at most 32767 bytes: a motor that sends more without its end mark sends no program.
constexpr size_t kMaxUploadBytes = 65535;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

void WriteChunked(CCommPort& port, const std::vector<uint8_t>& bytes)
{
    for (size_t at = 0; at < bytes.size(); at += kChunk)
        port.WriteChecked(bytes.data() + at, std::min(kChunk, bytes.size() - at));
}

void WriteWithTerminator(CCommPort& port, std::vector<uint8_t> bytes)
{
    bytes.insert(bytes.end(), kImageTerminator, kImageTerminator + 3);
    WriteChunked(port, bytes);
}

// Only this motor listens (others asleep), its program stops, and it takes program bytes.
void PrepareLoad(CCommPort& port, int address)
{
    if (address > 0) {
        port.WriteCommand(transfer::SleepCommand(port), 0, false);
        port.WriteCommand(transfer::WakeCommand(port), address, false);
    }
    port.WriteCommand("END", address, false);
    port.WriteCommand("LOAD", address, false);
}

std::string AskChecksum(CCommPort& port, int address)
{
    motorport::CTimeoutScope timeouts(port, -1, kChecksumTimeoutMs);
    return port.Query("RCKS", address, false);
}

// After a break-off: the motor's program is made empty, every motor woken; errors are ignored.
void EraseAfterCancel(CCommPort& port, int address) noexcept
{
    try {
        platform::SleepMs(50);
        PortErase(port, address);
    } catch (...) {
        transfer::WakeAllQuietly(port);
    }
}

} // namespace

bool PortProgramCheck(CCommPort& port, int address)
{
    if (transfer::IsChecksumReply(AskChecksum(port, address), true))
        return true;
    bool valid = false;
    try {
        PrepareLoad(port, address);
        WriteWithTerminator(port, Bytes(kProbeImage));
        valid = port.Query("RUN", address, false) == transfer::kProbeRunReply;
    } catch (const ::CVQXException& e) {
        if (e.GetCode() != ::CVQXException::NoResponse) {
            transfer::WakeAllQuietly(port);
            throw;
        }
    }
    // The other motors were put to sleep for the probe.
    transfer::WakeAllQuietly(port);
    return valid;
}

bool PortDownload(CCommPort& port, CNotifyProgress& progress, int address, const std::string& fileName)
{
    std::string image;
    switch (platform::ReadRegularFile(fileName, image, 1u << 24)) {
    case platform::ReadStatus::Ok: break;
    case platform::ReadStatus::TooLarge: throw CVQXException(VQXE_OUT_OF_MEMORY);
    default: throw CVQXException(VQXE_CANNOT_OPEN_FILE);
    }

    if (address == 0) {
        for (int i = 0; i < port.motors.GetCount(); ++i) {
            const int a = port.motors.GetAt(i)->Address;
            if (!PortProgramCheck(port, a)) {
                char text[80];
                std::snprintf(text, sizeof text, "The motor with address \"%d\" has no EEPROM", a);
                throw CVQXException(VQXE_NO_EEPROM, text, uint32_t(a));
            }
        }
    } else if (!PortProgramCheck(port, address)) {
        throw CVQXException(VQXE_NO_EEPROM);
    }

    progress.Begin(CNotifyProgress::Operation::Download);
    const std::vector<uint8_t> bytes = Bytes(image);
    try {
        PrepareLoad(port, address);
        if (progress.Send(VQXN_DOWNLOAD_BEGIN, int64_t(bytes.size())) == 0) {
            try {
                WriteChunked(port, std::vector<uint8_t>(kImageTerminator, kImageTerminator + 3));
            } catch (...) {
            }
            EraseAfterCancel(port, address);
            return false;
        }
        size_t sent = 0;
        while (bytes.size() - sent > kChunk) {
            port.WriteChecked(bytes.data() + sent, kChunk);
            sent += kChunk;
            if (progress.Send(VQXN_STEP, int64_t(sent)) == 0) {
                try {
                    WriteWithTerminator(port, Bytes(transfer::kCancelBytes));
                } catch (...) {
                }
                EraseAfterCancel(port, address);
                return false;
            }
        }
        WriteWithTerminator(port, std::vector<uint8_t>(bytes.begin() + long(sent), bytes.end()));
        progress.Send(VQXN_END, 0);
        // A motor that refused the image must not pass for one that took it.
        if (address > 0) {
            const std::optional<uint32_t> expected = transfer::HeaderChecksum(image);
            const std::string reply = AskChecksum(port, address);
            if (!expected || !transfer::IsChecksumReply(reply, false) || transfer::ReplyChecksum(reply) != *expected)
                throw CVQXException(VQXE_NOT_DOWNLOADED);
        }
    } catch (...) {
        transfer::WakeAllQuietly(port);
        throw;
    }
    transfer::WakeAllQuietly(port);
    return true;
}

void PortErase(CCommPort& port, int address)
{
    try {
        PrepareLoad(port, address);
        WriteWithTerminator(port, Bytes(kEraseImage));
        transfer::WakeAll(port);
    } catch (...) {
        transfer::WakeAllQuietly(port);
        throw;
    }
}

void PortUpload(CCommPort& port, int address, const std::string& fileName)
{
    // The program reaches the file only whole: an interrupted upload leaves the old file as it was.
    platform::AtomicFileWriter file;
    if (!file.Begin(fileName))
        throw CVQXException(VQXE_CANNOT_WRITE_FILE);
    try {
        port.WriteCommand(transfer::SleepCommand(port), 0, false);
        port.WriteCommand(transfer::WakeCommand(port), address, false);
        const std::string reply = AskChecksum(port, address);
        if (!transfer::IsChecksumReply(reply, false))
            throw CVQXException(VQXE_NO_EEPROM);
        port.WriteCommand("UPLOAD", address, false);
        size_t count = 0;
        for (;;) {
            uint8_t b = 0;
            size_t got = 0;
            port.ReadBytes(&b, 1, got, port.totalTimeout);
            if (got != 1)
                throw CVQXException(VQXE_NO_RESPONSE);
            if (b == 0xFF)
                break;
            if (++count > kMaxUploadBytes)
                throw CVQXException(VQXE_PROGRAM_CORRUPTED);
            const char* out = b == '\n' ? "\r\n" : reinterpret_cast<const char*>(&b);
            if (!file.Write(out, b == '\n' ? 2 : 1))
                throw CVQXException(VQXE_CANNOT_WRITE_FILE);
        }
        transfer::WakeAll(port);
    } catch (...) {
        file.Abort();
        // The other motors were put to sleep for the upload.
        transfer::WakeAllQuietly(port);
        throw;
    }
    if (!file.Commit())
        throw CVQXException(VQXE_CANNOT_WRITE_FILE);
}

} // namespace engine
