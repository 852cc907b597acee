#pragma once
// The END program: what replaces a motor's program when it is cleared, and after every failed or
// cancelled download. It is compiled from the source "END" for the motor's firmware by the
// program compiler of the operation context (COperationContext::SetProgramCompiler); without one,
// or when it cannot compile "END", the image compiled by hand (FixedEndImage) is used.

#include "core/ui/OperationContext.h"

#include <string>

namespace transfer {

using ui::ProgramCompiler;

// The END program's image for a firmware version, compiled by `compiler` when there is one
// (a motor's context: motor.Context().Compiler()).
std::string EndProgramImage(const ProgramCompiler& compiler, const std::string& firmware);

inline constexpr const char* kEndProgramName = "<END>";
inline constexpr int kEndProgramChecksum = 225;

} // namespace transfer
