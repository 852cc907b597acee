#include "core/ui/Questions.h"

#include "platform/registry/Profile.h"

// The remembered answers live in the application's profile, section "OptionBoxes".
namespace ui {

int GetRememberedAnswer(std::string_view key)
{
    if (key.empty())
        return 0;
    return platform::GetProfileInt(kOptionBoxesSection, key, 0);
}

void SetRememberedAnswer(std::string_view key, int answer)
{
    if (!key.empty())
        platform::WriteProfileInt(kOptionBoxesSection, key, answer);
}

void ForgetRememberedAnswer(std::string_view key) { SetRememberedAnswer(key, 0); }

} // namespace ui
