#include "core/ui/Questions.h"

#include <map>
#include <mutex>

// Temporary store of the remembered answers until the profile (platform/registry) is merged.
namespace ui {
namespace {
std::mutex g_mutex;
std::map<std::string, int, std::less<>> g_answers;
} // namespace

int GetRememberedAnswer(std::string_view key)
{
    std::lock_guard lock(g_mutex);
    const auto it = g_answers.find(key);
    return it == g_answers.end() ? 0 : it->second;
}

void SetRememberedAnswer(std::string_view key, int answer)
{
    std::lock_guard lock(g_mutex);
    g_answers[std::string(key)] = answer;
}

void ForgetRememberedAnswer(std::string_view key) { SetRememberedAnswer(key, 0); }

} // namespace ui
