#pragma once
// Numbers typed by the user or answered by a motor, read strictly: a field that is not a whole
// number within range is refused instead of being read as 0 or spliced into a command.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vqxclient {

// Optional blanks, an optional sign, decimal digits, optional blanks; within 32 bits.
std::optional<int32_t> ParseInt32(std::string_view text);

// The leading integer of a motor's reply (blanks and a sign allowed, the rest ignored), 64 bits
// wide so that a status word with bit 31 set is read whole; nullopt without digits.
std::optional<int64_t> LeadingInteger(std::string_view reply);

} // namespace vqxclient
