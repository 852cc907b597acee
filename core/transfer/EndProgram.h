#pragma once
// The END program: what replaces a motor's program when it is cleared, and after every failed or
// cancelled download. It is compiled from the source "END" for the motor's firmware by the
// program compiler that the application installs; without one, or when it cannot compile "END",
// the image compiled by hand (FixedEndImage) is used.

#include <functional>
#include <optional>
#include <string>

namespace transfer {

// Compiles a program source for a language version into a compiled image; returns none (or
// throws) when it cannot.
using ProgramCompiler =
    std::function<std::optional<std::string>(const std::string& source, const std::string& languageVersion)>;
void SetProgramCompiler(ProgramCompiler compiler);
bool HasProgramCompiler();

// The END program's image for a firmware version.
std::string EndProgramImage(const std::string& firmware);

inline constexpr const char* kEndProgramName = "<END>";
inline constexpr int kEndProgramChecksum = 225;

} // namespace transfer
