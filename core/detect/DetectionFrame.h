#pragma once
// What every detection shares: the request flags and result values, the please-wait dialog
// driven by the flags, creating and entering the motors found, the reference-port match, the
// order by address and the simple calibration check.

#include "core/port/CommPort.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CMotor;

// Request flags.
enum : int {
    DETECT_SHOW_PROGRESS = 0x1000000, // show the please-wait dialog; only then can the user cancel
    DETECT_THROW = 0x100000,          // failures are thrown as CVQXException instead of returned
    DETECT_KEEP_MAX = 0x800000,       // scans stay within MaxMotors and shrink it to the highest found
};

// Results (exactly one is returned).
enum : int {
    DETECT_FOUND = 1,            // motors found, all on their own addresses
    DETECT_UNADDRESSED = 2,      // motors found, and something without an address answers
    DETECT_ABOVE_MAX = 4,        // something answers on an address above MaxMotors
    DETECT_LINE_GARBAGE = 8,     // line errors or a probe reply that is not "0" or "1"
    DETECT_ONLY_BROADCAST = 16,  // no motor on its own address, but something answers to all
    DETECT_FAILED = 32,          // an exception ended the run (throw flag not set)
    DETECT_NONE = 64,            // wrong port type, or no motor found
    DETECT_NO_SOCKET = 128,      // a network socket cannot be opened
    DETECT_NO_USB_LIBRARY = 256, // the USB library cannot count its devices
    DETECT_CANCELLED = 0x40000,
};

// The please-wait dialog of one detection: shown only when asked for; closed when the run ends
// (on every way out) if it was opened here. Step returns false once the user has cancelled.
class CDetectionProgress {
public:
    // `progress` is the port's context's (the dialog shown is the caller's).
    CDetectionProgress(ui::IProgress& progress, bool shown) : m_progress(progress), m_shown(shown) {}
    ~CDetectionProgress() { Close(); }
    CDetectionProgress(const CDetectionProgress&) = delete;
    CDetectionProgress& operator=(const CDetectionProgress&) = delete;

    bool Shown() const { return m_shown; }
    // Shows the dialog with its main text; cancelMark clears the dialog's cancelled mark.
    void Open(const std::string& text, const std::string& subText = {}, bool cancellable = true,
              bool clearCancelled = false);
    void Total(int64_t steps);
    bool Step(int64_t reached);
    // The second line (the main text stays).
    void SubText(const std::string& text);
    void Close();

private:
    ui::IProgress& m_progress;
    bool m_shown;
    bool m_opened = false;
};

// Forces the strict echo check for the lifetime of the scope, whatever the user's EchoErrors
// setting; Restore (or the end of the scope) puts back the port's previous state.
class CStrictEchoScope {
public:
    explicit CStrictEchoScope(CCommPort& port);
    ~CStrictEchoScope();
    CStrictEchoScope(const CStrictEchoScope&) = delete;
    CStrictEchoScope& operator=(const CStrictEchoScope&) = delete;
    void Restore();

private:
    CCommPort& m_port;
    bool m_previous;
    bool m_restored = false;
};

// Sends "WAKE" (or its channel-1 form) to all motors when the scope ends, unless dismissed:
// motors put to sleep by a scan must never stay asleep, whatever ends the run. Errors of this
// last command are swallowed (it runs while another error may be on its way).
class CWakeAllOnExit {
public:
    CWakeAllOnExit(CCommPort& port, bool channel1) : m_port(port), m_channel1(channel1) {}
    ~CWakeAllOnExit() { Wake(); }
    CWakeAllOnExit(const CWakeAllOnExit&) = delete;
    CWakeAllOnExit& operator=(const CWakeAllOnExit&) = delete;
    // Sends the WAKE now (errors passed on) and disarms.
    void WakeNow();

private:
    void Wake() noexcept;
    CCommPort& m_port;
    bool m_channel1;
    bool m_done = false;
};

// "Motor%d-%s" with the address and the port's name.
std::string DetectedMotorName(int address, const CCommPort& port);

// Deletes every motor of the list, clears the address table and the calibration-warning count.
void EmptyMotorList(CCommPort& port);
// Creates a motor at an address (MaxMotors raised first when the address is above it), appends
// it to the list and enters it in the address table. Throws 1019 when the list is full or the
// address is taken by another motor. A motor object made beforehand may be given.
CMotor* EnterDetectedMotor(CCommPort& port, int address, std::unique_ptr<CMotor> made = nullptr);
// Removes a motor from the list and the address table and deletes it; the later motors move up.
void RemoveDetectedMotor(CCommPort& port, CMotor* motor);
// Moves a listed motor to another address in the table and renames it. False (nothing changed)
// when another motor holds that address.
bool MoveDetectedMotor(CCommPort& port, CMotor* motor, int address);
// Moves a motor within the list in front of the first earlier motor whose address is greater.
void OrderByAddress(CCommPort& port, CMotor* motor);
// Swaps two list positions (list indexes follow).
void SwapListPositions(CCommPort& port, int a, int b);
// The lowest address 1..MaxMotors whose table entry is empty, 0 when none.
int LowestFreeAddress(const CCommPort& port);

// Gives a detected motor the address of the reference port's motor with the same serial number,
// or else with the same link text (the Ethernet host or the USB serial text). When that address
// is held by another detected motor the motor keeps its own and a warning is added. Returns
// whether the address changed.
bool MatchReferencePort(CCommPort& port, CMotor* motor, const CCommPort* reference,
                        const std::function<std::string(const CMotor&)>& linkText);

// The calibration checks run only where the port's context says so
// (COperationContext::CalibrationChecksShown: they need the main window).
// The simple check: a 462 motor whose "RBn" begins with "1" gets the calibration warning.
void SimpleCalibrationCheck(CCommPort& port, CMotor& motor);
// The warning text of an unfinished calibration without a named cause.
std::string CalibrationWarningText(const std::string& motorName);
