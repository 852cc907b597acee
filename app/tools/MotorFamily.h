#pragma once
// The firmware family a motor view tells motors apart by: version-5 motors, 4.6 motors (4.x at or
// above 4.6) and older ones, with the "46" and "462" texts some labels and queries depend on.

#include <string>

class CMotor;

namespace tools {

enum class FirmwareFamily { Older, V46, V5 };

struct FamilyTraits {
    FirmwareFamily family = FirmwareFamily::Older;
    bool begins46 = false;  // firmware text begins "46"
    bool begins462 = false; // firmware text begins "462"
    bool IsV5() const { return family == FirmwareFamily::V5; }
    bool Is46Plus() const { return family == FirmwareFamily::V46; }
};

FamilyTraits FamilyOf(CMotor& motor);

} // namespace tools
