#pragma once
// Putting a compiled program file into a motor, the one way the editor and the project's build
// commands both do it: the information line "Transmitting "<file>" (<n> bytes) to <motor>", the
// blind-download warning when verification is off, the program's tag on the port's analyzer page
// and the please-wait dialog with the same line while the motor takes the program.

#include <cstdint>
#include <string>

class CMotor;

// The size of a compiled file; throws CVQXException 1034 when it cannot be opened.
long CompiledFileSize(const std::string& file);

// The name a download line gives its target: the motor's name in quotes; the record standing
// for every motor of a port (address 0) names itself.
std::string DownloadTargetName(const CMotor& motor);

// Downloads `file` with the flag word `flags`; returns the flags the download answers (0x40:
// cancelled or skipped). Throws CVQXException: 1034 when the file cannot be opened (nothing is
// sent), or the motor's own error (the dialog is closed and the tag removed first).
uint32_t DownloadCompiledFile(CMotor& motor, const std::string& file, uint32_t flags, bool recordInfo = true);
