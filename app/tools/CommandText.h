#pragma once
// Text typed by a user that goes to a motor (an item's poll command, its double-click commands, a
// custom poll command, a terminal line). A byte at or above 0x80 is an address byte on a serial
// chain and would re-address the motors; control bytes end or garble the frame. Only printable
// 7-bit ASCII goes out.

#include <string>
#include <string_view>

namespace tools {

inline bool IsSendableText(std::string_view text)
{
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E)
            return false;
    }
    return true;
}

// The refusal shown when a command holds anything else; `what` names the field ("Poll Command").
inline std::string UnsendableTextMessage(std::string_view what)
{
    return "The " + std::string(what) +
           " may hold only printable ASCII characters (letters, digits, blanks and punctuation); "
           "other characters would be taken by the motors as addresses.";
}

} // namespace tools
