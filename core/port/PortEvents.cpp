#include "core/port/PortEvents.h"

#include <atomic>

namespace {
std::atomic<IPortEvents*> g_events{nullptr};
}

IPortEvents* GetPortEvents() { return g_events.load(std::memory_order_acquire); }

void SetPortEvents(IPortEvents* events) { g_events.store(events, std::memory_order_release); }
