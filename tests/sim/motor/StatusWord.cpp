#include "tests/sim/motor/StatusWord.h"

#include <cctype>

namespace vqxsim {

Family FamilyOf(const std::string& firmware)
{
    if (!firmware.empty() && firmware[0] == '5')
        return Family::V5;
    if (firmware.size() >= 2 && firmware[0] == '4' && std::isdigit(static_cast<unsigned char>(firmware[1])) &&
        firmware[1] >= '6')
        return Family::V46;
    return Family::Older;
}

const std::vector<std::string>& StatusWordFlags(Family family)
{
    static const std::vector<std::string> older{"Bt", "Br", "Bl", "Bi", "Bw", "Be", "T6", "Bo",
                                                "Bx", "Bp", "Bm", "Bd", "Bu", "Bs", "Ba", "Bk"};
    static const std::vector<std::string> v46{"Bt", "Br", "Bl", "Bi", "Bw", "Be", "Bh", "Bo",
                                              "Bx", "Bp", "Bm", "Bd", "Bu", "Bs", "Ba", "Bk"};
    static const std::vector<std::string> v5{"Bt", "Br", "Bl", "Bi", "Bw", "Be", "Bh", "Bo", "I0", "Bp", "Bm", "BP",
                                             "BT", "Bs", "Bv", "I7", "Bg", "Bb", "Bc", "Sl", "Sr", "Sb", "Sc"};
    switch (family) {
    case Family::V5:
        return v5;
    case Family::V46:
        return v46;
    default:
        return older;
    }
}

std::string LatchedFlags(Family family)
{
    // Older motors: b, c, f are the line's parity, overflow and framing latches; on version 5
    // those letters are live soft-limit states, and n and k are latches of their own.
    return family == Family::V5 ? "rlwehsduakn" : "rlwehsduabcf";
}

} // namespace vqxsim
