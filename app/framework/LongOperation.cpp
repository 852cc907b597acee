#include "app/framework/LongOperation.h"

#include <map>

namespace fw {
namespace {

int g_depth = 0;
int g_nextHandle = 1;

std::map<int, std::function<void(bool)>>& Listeners()
{
    static std::map<int, std::function<void(bool)>> listeners;
    return listeners;
}

void Tell(bool active)
{
    // A listener may remove itself or others while it is told: work on a copy.
    const auto listeners = Listeners();
    for (const auto& [handle, listener] : listeners)
        if (Listeners().count(handle) && listener)
            listener(active);
}

} // namespace

LongOperation::LongOperation() { Enter(); }
LongOperation::~LongOperation() { Leave(); }

bool LongOperation::Active() { return g_depth > 0; }
int LongOperation::Depth() { return g_depth; }

int LongOperation::AddListener(std::function<void(bool)> listener)
{
    const int handle = g_nextHandle++;
    Listeners()[handle] = std::move(listener);
    return handle;
}

void LongOperation::RemoveListener(int handle) { Listeners().erase(handle); }

void LongOperation::Enter()
{
    if (g_depth++ == 0)
        Tell(true);
}

void LongOperation::Leave()
{
    if (g_depth == 0)
        return;
    if (--g_depth == 0)
        Tell(false);
}

} // namespace fw
