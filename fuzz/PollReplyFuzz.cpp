// The playground's poll reply on any text: only the known letters are reported, and the values
// read, sent again as a reply, read back the same.
#include "app/tools/PlaygroundPoll.h"
#include "fuzz/FuzzTarget.h"

#include <string>

VQX_FUZZ_TARGET(poll_reply, data, size)
{
    const std::string_view reply = fuzz::Text(data, size);
    tools::PollValues values;
    const std::string letters = tools::ParsePollReply(reply, values);
    VQX_FUZZ_CHECK(letters.size() * 2 <= reply.size());
    VQX_FUZZ_CHECK(letters.find_first_not_of("PEWIVOX") == std::string::npos);

    std::string again;
    for (char letter : letters) {
        int32_t v = 0;
        switch (letter) {
        case 'P': v = values.Position; break;
        case 'E': v = values.PositionError; break;
        case 'W': v = values.StatusWord; break;
        case 'I': v = values.Inputs; break;
        case 'V': v = values.Velocity; break;
        case 'O': v = values.Outputs; break;
        default: break;
        }
        again += letter + std::to_string(v);
    }
    tools::PollValues reread;
    VQX_FUZZ_CHECK(tools::ParsePollReply(again, reread) == letters);
    VQX_FUZZ_CHECK(reread.Position == values.Position && reread.PositionError == values.PositionError &&
                   reread.StatusWord == values.StatusWord && reread.Inputs == values.Inputs &&
                   reread.Velocity == values.Velocity && reread.Outputs == values.Outputs);
}
