// Notification targets: integer handles for client callbacks.
#include "vqxcom/Com.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace {

struct Target {
    NotifyCallback callback;
    void* context;
    int running = 0;
    std::thread::id caller; // the thread of the last call still running
};

std::mutex g_mutex;
std::condition_variable g_idle;
std::map<LONG, Target>& Targets()
{
    static std::map<LONG, Target> targets;
    return targets;
}
LONG g_next = 0;

} // namespace

LONG RegisterNotifyTarget(NotifyCallback callback, void* context)
{
    if (!callback)
        return 0;
    std::lock_guard lock(g_mutex);
    // Handles count up and skip 0 and those still in use, so a stale handle never reaches a
    // newer target by accident until the count wraps.
    do {
        g_next = g_next == 0x7FFFFFFF ? 1 : g_next + 1;
    } while (Targets().count(g_next));
    Targets()[g_next] = Target{callback, context, 0, {}};
    return g_next;
}

void UnregisterNotifyTarget(LONG handle)
{
    std::unique_lock lock(g_mutex);
    auto it = Targets().find(handle);
    if (it == Targets().end())
        return;
    if (!(it->second.running && it->second.caller == std::this_thread::get_id()))
        g_idle.wait(lock, [&] {
            auto found = Targets().find(handle);
            return found == Targets().end() || found->second.running == 0;
        });
    Targets().erase(handle);
}

LONG SendNotification(LONG handle, LONG message, LONG wParam, LONG lParam, bool* delivered)
{
    NotifyCallback callback;
    void* context;
    {
        std::lock_guard lock(g_mutex);
        auto it = Targets().find(handle);
        if (it == Targets().end()) {
            if (delivered)
                *delivered = false;
            return 0;
        }
        ++it->second.running;
        it->second.caller = std::this_thread::get_id();
        callback = it->second.callback;
        context = it->second.context;
    }
    if (delivered)
        *delivered = true;
    LONG reply = 0;
    try {
        reply = callback(context, message, wParam, lParam);
    } catch (...) {
        reply = 0; // a throwing callback must not unwind through the server
    }
    {
        std::lock_guard lock(g_mutex);
        auto it = Targets().find(handle);
        if (it != Targets().end())
            --it->second.running;
    }
    g_idle.notify_all();
    return reply;
}
