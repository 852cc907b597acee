#pragma once
// Programs at port level, as IVQXComm's Download, Upload and ClearEEPROM run them on a serial
// line: the image goes out as it is, in echo-checked chunks, without the motor record's checks
// (no servo test, no version test, no baud change), so a servoing motor stays servoing.

#include <string>

class CCommPort;
class CMotor;

namespace engine {

class CNotifyProgress;

// Whether the motor has program memory: a well-formed "RCKS" reply (valid or not), else a probe
// program that must print "a=a" when run. No reply to "RCKS" throws 5.
bool PortProgramCheck(CCommPort& port, int address);

// The file's image to one motor or, with address 0, to every motor at once. Returns false when
// the client cancelled (the motor is then left with an empty program).
bool PortDownload(CCommPort& port, CNotifyProgress& progress, int address, const std::string& fileName);

// Loads the empty program into the motor (0: all motors) and wakes them all, also on failure.
void PortErase(CCommPort& port, int address);

// The motor's program into the file, line feeds as CR LF; the running program is not stopped.
void PortUpload(CCommPort& port, int address, const std::string& fileName);

} // namespace engine
