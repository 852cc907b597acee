#pragma once
// The communication-error request (WM_COMM_ERROR) and its one answer contract.
//
// Code that finds that the motors of a port do not answer as expected does not decide what to do
// next: it asks the main frame (ICommErrorHandler::OnCommError) while its own operation waits, and
// acts on the answer:
//
//   answer & kAnswerKeepPolling (0x10000)  communication works and the port's motor list was
//                                          replaced: re-resolve motors, then carry on polling
//   answer & kAnswerRepeat (0x20000)       communication works, the port is unchanged: repeat the
//                                          failed operation at once
//   neither                                stop (the user gave up, declined, or the detection
//                                          failed); kGaveUp (0x40000) when the user gave up
//
// Detection gives kPortReplaced (0x10001) or kPortUnchanged (0x20001) when it worked. Bit 0x1
// alone (the user ignored the detected settings) is neither: the sender stops.

#include <cstdint>

class CCommPort;
class CMotor;

namespace commerror {

inline constexpr uint32_t WM_COMM_ERROR = 1208;

// ---- Request word (wParam) ----
inline constexpr uint32_t kCodeMask = 0xFFFF;         // the error code (with kAskFirst)
inline constexpr uint32_t kAskFirst = 0x10000;        // show the error query for the code first
inline constexpr uint32_t kPortTarget = 0x20000;      // the target is a port, else a motor
inline constexpr uint32_t kToTerminal = 0x40000;      // detection writes into the terminal pane
inline constexpr uint32_t kToInfoView = 0x80000;      // detection reports to the information view
inline constexpr uint32_t kThrowOption = 0x100000;    // passed through to detection
inline constexpr uint32_t kTakeAsFound = 0x200000;    // take the motors found without comparing
inline constexpr uint32_t kAddressChain = 0x400000;   // RS-232: address the chain
inline constexpr uint32_t kSearchTo100 = 0x800000;    // search addresses up to 100
inline constexpr uint32_t kShowProgress = 0x1000000;  // detection shows the please-wait dialog
inline constexpr uint32_t kShowSummary = 0x2000000;   // summary of the information view at the end

// ---- Request values the senders use ----
inline constexpr uint32_t kMotorOperationFailed = 0x3090000;    // | code
inline constexpr uint32_t kPortOperationFailed = 0x30B0000;     // | code
inline constexpr uint32_t kTerminalOperationFailed = 0x30F0000; // | code
inline constexpr uint32_t kDetectPort = 0x10E0000;              // Detect Motors, no query
inline constexpr uint32_t kDetectTakeAsFound = 0x1220000;       // detect and take as found
inline constexpr uint32_t kDetectPortAddressing = 0x14E0000;    // detect and address the chain
inline constexpr uint32_t kDetectWithSummary = 0x31A0000;       // detect with summary

// ---- Answer word ----
inline constexpr uint32_t kAnswerWorks = 0x1;
inline constexpr uint32_t kAnswerKeepPolling = 0x10000;
inline constexpr uint32_t kAnswerRepeat = 0x20000;
inline constexpr uint32_t kPortReplaced = kAnswerKeepPolling | kAnswerWorks; // 0x10001
inline constexpr uint32_t kPortUnchanged = kAnswerRepeat | kAnswerWorks;     // 0x20001
inline constexpr uint32_t kGaveUp = 0x40000;

// Detection results that end in a recovery choice.
inline constexpr uint32_t kResultUnaddressed = 0x2;
inline constexpr uint32_t kResultAboveMax = 0x4;
inline constexpr uint32_t kResultDuplicates = 0x8;
inline constexpr uint32_t kResultOnlyBroadcast = 0x10;
inline constexpr uint32_t kResultCommError = 0x20;
inline constexpr uint32_t kResultNoLink = 0x40;
inline constexpr uint32_t kResultNetwork = 0x80;
inline constexpr uint32_t kResultNoUsb = 0x100;

// Codes that mean the motors stopped answering as they should (no reply, no or wrong echo, parity,
// framing, break): a poller hands these to the main frame; other failures only stop it.
inline bool IsCommLoss(int32_t code)
{
    return (code >= 1005 && code <= 1007) || (code >= 1011 && code <= 1013);
}

// What a sender does with an answer.
inline bool KeepPolling(uint32_t answer) { return (answer & kAnswerKeepPolling) != 0; }
inline bool RepeatNow(uint32_t answer) { return (answer & kAnswerRepeat) != 0; }
inline bool ShouldStop(uint32_t answer) { return !KeepPolling(answer) && !RepeatNow(answer); }

// The target of a request: a port, or a motor of a port.
struct Target {
    CCommPort* port = nullptr;
    CMotor* motor = nullptr;
    static Target Port(CCommPort* p) { return Target{p, nullptr}; }
    static Target Motor(CMotor* m) { return Target{nullptr, m}; }
};

// The main frame's side. A sender calls it while its own operation waits; it never throws.
class ICommErrorHandler {
public:
    virtual ~ICommErrorHandler() = default;
    virtual uint32_t OnCommError(uint32_t request, Target target) = 0;
};

} // namespace commerror
