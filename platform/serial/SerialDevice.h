#pragma once
// One serial line as the port code sees it: line settings, read and write timeouts with the
// interval/multiplier/constant semantics the motor protocol relies on, purge, line-error state.
// The termios device and the in-process fake line both implement it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Read and write timeouts in milliseconds.
// Reads: the total limit is ReadTotalTimeoutMultiplier * bytes asked + ReadTotalTimeoutConstant
// (both 0: no total limit); ReadIntervalTimeout limits the gap between two received bytes once the
// first has come (0: no interval limit). Interval kMaxTimeout with both totals 0 returns at once
// with what is queued. Interval kMaxTimeout, multiplier kMaxTimeout and a constant between 1 and
// kMaxTimeout-1 returns as soon as any byte is there, waiting at most the constant for the first.
// Writes: WriteTotalTimeoutMultiplier * bytes + WriteTotalTimeoutConstant (both 0: no limit).
// A read or write that runs out of time is not an error: it reports the bytes moved so far.
struct SerialTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};
inline constexpr uint32_t kMaxTimeout = 0xFFFFFFFFu;

// Parity codes as the ports store them: 0 none, 1 odd, 2 even, 3 mark, 4 space.
enum class SerialParity : uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

struct SerialLineSettings {
    int baud = 9600;
    int dataBits = 8; // 5 to 8
    SerialParity parity = SerialParity::None;
    int stopBits = 1; // 1 or 2
    bool operator==(const SerialLineSettings&) const = default;
};

// Line-error flags reported by TakeLineErrors. The values are those of the serial driver's error
// query, so the communication core maps them to its error codes unchanged.
inline constexpr uint32_t kLineRxOver = 0x0001;  // input buffer overflow
inline constexpr uint32_t kLineOverrun = 0x0002; // character overrun
inline constexpr uint32_t kLineParity = 0x0004;
inline constexpr uint32_t kLineFrame = 0x0008;
inline constexpr uint32_t kLineBreak = 0x0010;
inline constexpr uint32_t kLineTxFull = 0x0100;
inline constexpr uint32_t kLineIOError = 0x0400;

// Baud rates a serial line accepts.
bool IsSupportedBaud(int baud);

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Applies the line settings; false (line unchanged) when the device refuses them.
    virtual bool SetLine(const SerialLineSettings& line) = 0;
    virtual SerialLineSettings GetLine() const = 0;
    virtual bool SetTimeouts(const SerialTimeouts& timeouts) = 0;
    virtual SerialTimeouts GetTimeouts() const = 0;

    // Reads up to n bytes under the timeouts; got = bytes read. False on a device failure
    // (unplugged, hang-up, I/O error), which is reported at once, never after a timeout.
    virtual bool Read(uint8_t* buffer, size_t n, size_t& got) = 0;
    // Writes n bytes under the write timeouts; written = bytes accepted. False on a failure.
    virtual bool Write(const uint8_t* bytes, size_t n, size_t& written) = 0;
    // Bytes received and not yet read.
    virtual size_t Queued() = 0;
    // Discards unsent output and/or unread input.
    virtual bool Purge(bool output, bool input) = 0;
    // Line-error flags raised since the previous call (0 when none or when the driver keeps no
    // counts).
    virtual uint32_t TakeLineErrors() = 0;
    // The system error of the last failure (errno on POSIX), 0 when unknown.
    virtual int LastError() const = 0;
    // A number identifying the open device (the descriptor of a terminal), never -1.
    virtual int Handle() const { return 0; }
};

// Devices that are not terminals, by name: the in-process lines a test installs. The program
// installs none.
class ISerialDeviceSource {
public:
    virtual ~ISerialDeviceSource() = default;
    // Whether the name is one of its devices.
    virtual bool Has(const std::string& name) = 0;
    // Opens one of its devices; null (and *error when given) on failure.
    virtual std::unique_ptr<SerialDevice> Open(const std::string& name, const SerialLineSettings& line,
                                               std::string* error) = 0;
};
// Installs the source (null: none) and returns the one installed before. The caller keeps it
// alive while it is installed.
ISerialDeviceSource* SetSerialDeviceSource(ISerialDeviceSource* source);
// Whether an installed source has a device of this name.
bool IsSourceDevice(const std::string& name);

// Opens a serial line by device name: a device of the installed source, an absolute device path,
// or a bare device name looked up under /dev. The open is exclusive: a second opener is refused.
// On failure returns null and describes the reason in *error (when given).
std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& name, const SerialLineSettings& line,
                                               std::string* error = nullptr);

// For a simulated line behind a pseudo-terminal: `hook` runs each time the device at `path` is
// about to be opened (before the new session's settings apply) and before its output queue is
// purged. A real line has sent every byte by the time close() returns, and the time a write waits
// for its bytes to go out; a pseudo-terminal only queues them (a purge even drops what its other
// side has not taken yet), so the simulator takes them here at the settings they were written
// with: a command that changes the motors' rate, sent just before the port is reopened at the new
// rate. An empty hook removes it.
void SetSerialLineHook(const std::string& path, std::function<void()> hook);
// Runs the hook of `path`, if one is set (the devices call it before they purge their output).
void RunSerialLineHook(const std::string& path);

} // namespace platform
