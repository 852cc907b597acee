#pragma once
// The engine's text log, one per process: lines selected by LogFlags, written to LogFileName with
// the local time. Thread-safe: a change of the file name never closes the file under a writer.

#include <cstdint>
#include <string>

namespace engine {

inline constexpr uint32_t kLogAppend = 0x10000;
inline constexpr uint32_t kLogClose = 0x20000;

// Writes "hh:mm:ss.mmm text\n" when flags meet LogFlags (flags exactly kLogClose closes the file).
void WriteLog(uint32_t flags, const std::string& text);

uint32_t LogFlags();
void SetLogFlags(uint32_t flags);
std::string LogFileName();
// Stores the name and closes the open file, so that the next line opens the new one.
void SetLogFileName(const std::string& name);

} // namespace engine
