#pragma once
// Steps that the download, the memory probe, the upload and the END program share.

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace transfer {

CCommPort& PortOf(const CMotor& motor);
// "WAKE"/"SLEEP" or their channel-1 forms.
const char* WakeCommand(const CCommPort& port);
const char* SleepCommand(const CCommPort& port);
// WAKE to all motors of the port.
void WakeAll(CCommPort& port);
// WAKE to all, for the end of a path that failed: nothing may hide the first error.
void WakeAllQuietly(CCommPort& port) noexcept;
// SLEEP to all motors, then WAKE to this one, so that only it listens.
void IsolateMotor(CMotor& motor);
// Whether the motor's firmware is a 462, without asking the whole port (address 0) a question:
// there the stored versions of the port's motors decide.
bool Is462(CMotor& motor);

// The preparation of a transfer: echo on (RS-232), the target isolated (address above 0), END,
// LOAD or LOADC. With blind, a failing step is passed over. loadSent tells whether the motor may
// now be in load mode.
void PrepareTransfer(CMotor& motor, bool calibration, bool blind, bool& loadSent);

// The analyzer page of the port: traffic, and the mark that joins chunks into one line.
void LogTraffic(const CCommPort& port, uint32_t flags, const uint8_t* bytes, size_t n);
void MarkLineContinues(const CCommPort& port, bool set);

bool EndsWithNoCase(const std::string& s, const char* suffix);
// A UTC time stamp in the motor record's form.
SystemTime ToSystemTime(std::time_t t);

inline constexpr int kChecksumTimeoutMs = 8000;

// An information line unless the run is quiet.
void AddErrorLine(const CMotor& motor, uint32_t flags, const std::string& text);
void AddInfoLine(const CMotor& motor, uint32_t flags, const std::string& text);

// Puts the END program in place after a failed or cancelled transfer, blind and quiet, and wakes
// the motors: never throws.
void RescueWithEndProgram(CMotor& motor) noexcept;

// Called after a download with the record-information switch: the port events of the motor's
// context hear that the motor's record changed (the configuration tree refreshes).
void RefreshTree(CMotor& motor);

} // namespace transfer
