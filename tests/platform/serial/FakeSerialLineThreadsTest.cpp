// The fake line when host and peer run on threads of their own (real time).
#include "platform/serial/FakeSerialLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using platform::FakeSerialLine;

TEST(FakeSerialLineThreads, OnlyOneOfManySimultaneousOpenersGetsTheLine)
{
    constexpr int kThreads = 8;
    for (int round = 0; round < 300; ++round) {
        auto line = FakeSerialLine::Create();
        std::atomic<int> ready{0};
        std::atomic<bool> go{false};
        std::vector<std::unique_ptr<platform::SerialDevice>> hosts(kThreads);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&, i] {
                ++ready;
                while (!go)
                    std::this_thread::yield();
                hosts[i] = line->OpenHost({});
            });
        while (ready < kThreads)
            std::this_thread::yield();
        go = true;
        for (auto& t : threads)
            t.join();
        int opened = 0;
        for (auto& h : hosts)
            opened += h ? 1 : 0;
        ASSERT_EQ(opened, 1) << "round " << round;
    }
}
