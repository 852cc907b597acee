#pragma once
// The status word "W" by firmware family: which flag each bit carries. Flags are named as the
// motor's reports name them ("Bt", "I0", "Sl"); "T6" is the older motors' temperature bit, which
// has no report of its own.

#include <string>
#include <vector>

namespace vqxsim {

enum class Family { Older, V46, V5 };

// "5xx" version 5; 4.x at or above 4.6 ("461", "462ah"); anything else older.
Family FamilyOf(const std::string& firmware);

// Flag names of bits 0, 1, ... of W (16 bits, 23 on version 5).
const std::vector<std::string>& StatusWordFlags(Family family);

// Latched flags "ZS" clears (letters after 'B'); the soft-limit latches "Sl".."Sc" are cleared too.
std::string LatchedFlags(Family family);

} // namespace vqxsim
