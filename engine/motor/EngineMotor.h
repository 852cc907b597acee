#pragma once
// What the engine does with a motor record beyond the core's commands: identity by "RSP", the
// factory block read as the engine reads it, downloads from a file or a string with the engine's
// flags, erasing, and upload as a file or as text. Progress goes to the host's notification.

#include <cstdint>
#include <string>

class CMotor;

namespace engine {

class CVQXHost;

// Download flags of the engine (IVQXMotor DownloadEx, DownloadProgramStr, ClearProgram).
// Returns true when downloaded, false when the client cancelled or a refused download under 0x10.
bool DownloadFile(CVQXHost& host, CMotor& motor, const std::string& fileName, int32_t flags, bool recordInfo);
bool DownloadString(CVQXHost& host, CMotor& motor, const std::string& image, int32_t flags);
void ClearMotorProgram(CVQXHost& host, CMotor& motor, int32_t flags);
void UploadFile(CVQXHost& host, CMotor& motor, const std::string& fileName);
// The program as text: raw keeps LF line ends and asks "UP"; else CR LF; calibration asks UPLOADC.
std::string UploadText(CVQXHost& host, CMotor& motor, bool calibration, bool raw);

// "RSP": Version = the text after '/', as sent, and the sample period from the number before it
// (0 when that is not a positive number). A reply without '/' stores nothing.
void ReadIdentity(CMotor& motor);
// 1e8 / the identity's number, kept on the record (0 until read or when it was no number).
double SampleRateOf(const CMotor& motor);
bool IsVersion46(CMotor& motor);

// The factory block (length 101..299 with a right sum), or an empty text.
std::string ReadFactoryBlock(CMotor& motor);
// "%c%d" of a serial number whose top byte is printable, else "N/A".
std::string SerialText(uint32_t serial);
// Bytes 44-47 of the factory block, else the data-memory long at 32256.
uint32_t SerialValue(CMotor& motor, const std::string& block);
// The model: number of bytes 9-12 and the suffix from 13, with the letters of bytes 6-8 put in
// front; "N/A" without a block or without a first letter.
std::string ModelString(const std::string& block);
uint32_t EncoderResolution(const std::string& block);

} // namespace engine
