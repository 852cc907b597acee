#pragma once
// One port (channel) of a project: a serial line to an RS-232 daisy chain or an RS-485 bus, or a
// group of motors reached one by one over Ethernet or USB. All traffic to motors goes through it:
// line and timeouts (CommPort.cpp), framing and echo (CommPortFraming.cpp), reading and replies
// (CommPortReading.cpp), chain-wide commands (CommPortCommands.cpp). Ethernet and USB motors are
// reached through IPortMotors/IMotorLink; what differs in the engine library is CPortPolicy.

#include "core/port/IntervalTimer.h"
#include "core/port/MotorLink.h"
#include "core/port/MotorList.h"
#include "core/port/PortPolicy.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "platform/serial/SerialDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMotor;
class CTagArchive;

// Communication types.
enum : uint8_t { COMM_RS232 = 1, COMM_RS485 = 2, COMM_ETHERNET = 6, COMM_USB = 9 };

// Highest motor address of any port.
inline constexpr int MAX_MOTOR_ADDRESS = 120;
// Longest command text and the usual reply buffer.
inline constexpr int MAX_COMMAND_TEXT = 255;
inline constexpr int REPLY_BUFFER_SIZE = 255;

class CCommPort {
public:
    CCommPort();
    ~CCommPort();
    // Hook the user interface sets to let go of a port (and the motors it holds) before it is
    // deleted; like CMotor::SetDestroyHook.
    static void SetDestroyHook(std::function<void(CCommPort*)> hook);
    CCommPort(const CCommPort&) = delete;            // copying is part of the port record
    CCommPort& operator=(const CCommPort& src);      // deep copy with motors (CommPortRecord.cpp); keeps its own context

    // ---- Line ----
    // Opens the port for its CommType; throws 1002 (serial), 1003, 1045 (Ethernet), 1046 (USB).
    // A port whose open fails stays closed. Opening an open port reopens it.
    bool OpenPort();
    // Closes the port; returns whether it was open.
    bool ClosePort();
    // Purges the line and raises pending line errors (serial), or drains every available motor.
    void ClearBuffer();
    // Puts a read timeout in force: mode 0 the total timeout, 1 the echo timeout, else that many ms.
    void SetTimeout(int mode);
    // Recomputes echoTimeout and totalTimeout for n motor addresses.
    void CalcTimeouts(int n);
    // Serial only: changes the baud rate (baud > 0) and parity (parity >= 0) and opens again.
    void Reopen(int baud, int parity);
    // The device name a serial PortName opens ("Com<n>" resolved, absolute paths as they are).
    std::string DeviceName() const;

    // ---- Framing ----
    // Sends a command without reading a reply. address -2: no address byte at all (the text is sent
    // as it is); else a leading number in the text is the address. With track, the address becomes
    // currentAddress and a pending address change is sent first.
    void WriteCommand(std::string_view text, int address = -1, bool track = true);
    // As WriteCommand, then reads one reply line into reply (at most replySize-1 characters plus
    // NUL). No reply throws 1005. Returns the reply length.
    int Query(std::string_view text, char* reply, int replySize = REPLY_BUFFER_SIZE, int address = -1,
              bool track = true);
    std::string Query(std::string_view text, int address = -1, bool track = true);
    // Cuts text at its first CR or LF and removes a leading run of decimal digits, returned as the
    // address (-1 when none; a run too long for a motor address gives a value above 120).
    static int SplitAddress(std::string& text);
    // Frames (address byte, text and terminator, or raw bytes), writes with echo check and, with a
    // reply buffer, reads the reply. address -1: no address byte (serial), the current motor
    // (Ethernet/USB). Returns the reply length (0 without a reply buffer).
    int Transact(int address, const uint8_t* data, size_t length, bool textMode, char* reply = nullptr,
                 int replySize = 0, bool stopAtEol = true);
    // Writes in chunks of at most 8 bytes, each checked against its echo; an echo error (1006/1007)
    // is raised after the last chunk.
    void WriteChecked(const uint8_t* bytes, size_t length);
    // Reads the echo of one chunk (see the echo modes of Echo and the EchoErrors setting).
    void CheckEcho(const uint8_t* bytes, size_t length);
    // Writes bytes (length -1: a NUL-terminated text); paces itself when echo is off.
    void WriteBytes(const uint8_t* bytes, long length);
    // Reads count bytes with timeout t ms (> 0: put in force for this read and restored after on
    // every path; -1: the timeout in force; 0: only what is queued). A short read with t != 0
    // throws 1005; got is the number read in any case.
    void ReadBytes(uint8_t* buffer, size_t count, size_t& got, int t);
    // As ReadBytes, from one motor: on Ethernet and USB the link of the motor at address (-1: the
    // current motor; 0: every motor, as ReadBytes), so that a motor's reply is neither mixed with
    // another's bytes nor waits for theirs; a missing or unreachable motor throws 1005. A serial
    // line is shared: ReadBytes.
    void ReadBytesOf(int address, uint8_t* buffer, size_t count, size_t& got, int t);
    // One character: the pushback buffer first, else the line with the timeout in force. Returns 1
    // with the character, 0 when none came (and on Ethernet/USB).
    int ReadChar(char& c);
    // Reads a reply (to CR, LF or NUL when stopAtEol) into buffer: at most size-1 characters, always
    // NUL-terminated; stops without error after twice the total timeout. No character: 1005.
    int ReadResponse(char* buffer, int size, bool stopAtEol = true);
    // Tells all motors a new baud rate and follows with the line (serial only).
    void SetMotorsBaudRate(int baud);
    // Makes address the current motor (puts its address byte on the wire on a serial line).
    void SelectMotor(int address);
    // Switches motor echo on or off (RS-232 chains only; other types never echo).
    void SetEchoMode(bool on);

    // ---- Seams ----
    // The operation context of every operation on this port and on its motors: progress,
    // questions, information lines, settings, traffic log, port events (null: the default
    // context). The caller keeps it alive while the port uses it.
    void SetContext(ui::COperationContext* context)
    {
        m_context = context ? context : &ui::COperationContext::Default();
    }
    ui::COperationContext& Context() const { return *m_context; }
    // Forces the strict echo check whatever the EchoErrors setting (echo set-up, detection
    // scans); returns the previous state.
    bool ForceStrictEcho(bool on)
    {
        const bool was = m_forceStrictEcho;
        m_forceStrictEcho = on;
        return was;
    }
    bool IsStrictEchoForced() const { return m_forceStrictEcho; }
    // The program's or the engine's choices; the caller keeps ownership (null: the program's).
    void SetPolicy(CPortPolicy* policy) { m_policy = policy ? policy : &CPortPolicy::Default(); }
    CPortPolicy& Policy() const { return *m_policy; }
    // The motors of an Ethernet or USB port with their links: the port's own motor list unless a
    // test installs another (null restores the list).
    void SetMotorLinks(IPortMotors* links) { m_motorLinks = links ? links : &motors; }
    IPortMotors* MotorLinks() const { return m_motorLinks; }
    // The serial device while open (tests and the line-collection reads of detection).
    platform::SerialDevice* Device() const { return m_device.get(); }
    // The baud rate used in arithmetic: BitPerSec when supported, else 9600.
    int EffectiveBaud() const;
    // Number of motors in the port's list.
    int MotorCount() const;
    bool IsSerial() const { return CommType == COMM_RS232 || CommType == COMM_RS485; }
    // Highest address a command may carry on this port.
    int MaxAddress() const;

    // ---- Fields ----
    int id = -1;               // index in the project's port list; also the analyzer page
    std::string Name;
    uint8_t AllVer5s = 1;
    int MaxMotors = 10;        // highest motor address used on this port

    // ---- Port record: motor list, address table, storage, copy, merge (CommPortRecord.cpp) ----
    CMotorList motors{this};
    std::vector<CMotor*> addressTable = std::vector<CMotor*>(11); // MaxMotors + 1, index = address
    // Sets MaxMotors (clamped to 1..120) and rebuilds the address table.
    void SetMaxMotors(int n);
    // Rebuilds the address table from the list; every motor's port becomes this port, and the
    // list becomes the port's motor links.
    void RebuildAddressTable();
    // The motor at 1 <= address <= MaxMotors, or none.
    CMotor* GetMotor(int address) const;
    // The first motor with this serial number; none for 0, -1 or a non-printable top byte.
    CMotor* FindMotorByUid(uint32_t id) const;
    std::string GetDescription() const;
    // Merges this detected port into the port defined in the project; true when anything differs.
    bool MergeDetected(CCommPort& defined);
    void Serialize(const std::string& group, CTagArchive& ar);

    uint8_t isOpen = 0;
    int handle = -1;           // the device's descriptor while a serial line is open
    std::string PortName = "Com1";
    int BitPerSec = 9600;
    int savedBitPerSec = 9600;
    uint8_t Parity = 0;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t CommType = COMM_RS232;
    int echoTimeout;           // ms: first character of an echo
    int totalTimeout;          // ms: a whole reply
    int currentTimeout;        // ms: the read timeout in force
    int networkDelay;          // ms
    uint8_t Echo = 1;          // the motors echo every character
    int currentAddress = -2;   // the selected motor, -2 none
    uint8_t addressDirty = 1;  // the address byte last sent differs from currentAddress
    uint8_t lineBuffer[256] = {};
    int lineCount = 0;         // unsolicited text collected during chain detection
    int MotorChannel = 0;      // 1: channel-1 forms of the chain commands
    uint8_t IsOpen = 0;        // reopen when the project is opened
    uint8_t pushback[256] = {};
    int pushbackCount = 0;     // bytes read ahead (an echo) that the next character reads take first
    CCommPort* peer = nullptr; // not owned; set while a detection result is merged
    int calibrationWarnings = 0;

private:
    void OpenSerial();
    void OpenLinks();
    void ApplyTimeoutMs(int ms) { ApplyTimeout(CPortPolicy::TimeoutKind::Explicit, ms); }
    void ApplyTimeout(CPortPolicy::TimeoutKind kind, int ms);
    void PurgeSerial(bool raiseErrors);
    void RaiseLineErrors();
    void Report(uint32_t flags, const uint8_t* bytes, size_t n) const;
    void MarkLineContinues(bool set) const;
    void PlayReceiveSound() const;
    bool StrictEcho() const;
    int CheckAddress(int address) const;
    void SendCommand(std::string_view text, int address, bool track, char* reply, int replySize);
    int TransactLinks(int address, const std::vector<uint8_t>& frame, char* reply, int replySize);
    // The link of the available motor at address (> 0, checked), else null.
    IMotorLink* AvailableLink(int address);
    void WriteSerial(const uint8_t* bytes, size_t n);
    void PaceUnechoed(size_t n);

    CPortPolicy* m_policy;
    ui::COperationContext* m_context = &ui::COperationContext::Default();
    IPortMotors* m_motorLinks = nullptr;
    std::unique_ptr<platform::SerialDevice> m_device;
    CPortPolicy::TimeoutKind m_timeoutKind = CPortPolicy::TimeoutKind::Total;
    bool m_forceStrictEcho = false; // echo set-up checks strictly whatever the setting
    bool m_linksOpen = false;       // the motors' links were opened (until the port closes)
    platform::TimePoint m_paceUntil{}; // end of the last pause after a write without echo
    platform::TimePoint m_pacedAt{};   // when that pause really ended
};
