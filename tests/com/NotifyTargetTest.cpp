// Notification targets: handles for callbacks, synchronous calls, safe removal while in use.
#include "vqxcom/Com.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Target {
    std::atomic<int> calls{0};
    LONG last[3] = {};
    std::atomic<bool> inside{false};
    std::atomic<bool> release{true};
    static LONG Call(void* self, LONG message, LONG wParam, LONG lParam)
    {
        auto* t = static_cast<Target*>(self);
        t->inside = true;
        while (!t->release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        t->last[0] = message;
        t->last[1] = wParam;
        t->last[2] = lParam;
        ++t->calls;
        t->inside = false;
        return wParam == 0 ? 0 : wParam * 10;
    }
};

TEST(NotifyTarget, HandlesCallsAndRemoval)
{
    Target a, b;
    const LONG ha = RegisterNotifyTarget(&Target::Call, &a);
    const LONG hb = RegisterNotifyTarget(&Target::Call, &b);
    EXPECT_NE(ha, 0);
    EXPECT_NE(hb, 0);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(RegisterNotifyTarget(nullptr, &a), 0);

    bool delivered = false;
    EXPECT_EQ(SendNotification(ha, 0x400, 2, 77, &delivered), 20);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(b.calls, 0);
    EXPECT_EQ(a.last[0], 0x400);
    EXPECT_EQ(a.last[2], 77);
    EXPECT_EQ(SendNotification(hb, 1, 0, 0, nullptr), 0); // the client's own 0 comes back

    // A handle nobody registered, and one removed: nothing is called, the reply is 0.
    EXPECT_EQ(SendNotification(0, 1, 1, 1, &delivered), 0);
    EXPECT_FALSE(delivered);
    UnregisterNotifyTarget(hb);
    EXPECT_EQ(SendNotification(hb, 1, 1, 1, &delivered), 0);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(b.calls, 1);

    // Removal waits for a call still running on another thread, so the context outlives it.
    a.release = false;
    std::thread caller([&] { SendNotification(ha, 1, 3, 0, nullptr); });
    while (!a.inside)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        UnregisterNotifyTarget(ha);
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(removed); // still inside the callback
    a.release = true;
    caller.join();
    remover.join();
    EXPECT_TRUE(removed);
    EXPECT_EQ(a.calls, 2);
}

} // namespace
