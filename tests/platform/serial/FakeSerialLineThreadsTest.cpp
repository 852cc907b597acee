// The fake line when host and peer run on threads of their own (real time).
#include "tests/support/platform/FakeSerialLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
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

TEST(FakeSerialLineThreads, ReadWithoutTimeLimitFailsWhenThePeerDropsTheLine)
{
    auto line = FakeSerialLine::Create();
    std::weak_ptr<FakeSerialLine> weak = line;
    auto host = line->OpenHost({});
    ASSERT_TRUE(host);
    host->SetTimeouts({}); // no limit at all: wait for the bytes
    auto read = std::async(std::launch::async, [&] {
        uint8_t b = 0;
        size_t got = 0;
        return host->Read(&b, 1, got);
    });
    std::this_thread::sleep_for(30ms);
    line.reset(); // the other end goes away, as a cable pulled out
    const bool finished = read.wait_for(2s) == std::future_status::ready;
    if (!finished) {
        // Release the stuck reader so that the test can end.
        if (auto still = weak.lock())
            still->Unplug();
        read.wait();
    }
    ASSERT_TRUE(finished) << "the read kept waiting for a peer that is gone";
    EXPECT_FALSE(read.get());
}
