// The seam through which the engine library's port differs from the program's.
#include "core/VQXException.h"
#include "tests/core/port/FakePort.h"
#include "tests/common/CodeOf.h"

using namespace std::chrono_literals;
using Kind = CPortPolicy::TimeoutKind;

namespace {

struct EngineLikePolicy : CPortPolicy {
    std::shared_ptr<platform::FakeSerialLine> line;
    int maxRetry = 1;
    std::vector<std::pair<Kind, int>> timeouts;
    std::vector<int> retries;
    bool heals = true;
    char Terminator() const override { return '\r'; }
    int64_t PaceMs(const CCommPort& port, size_t n) const override
    {
        return static_cast<int64_t>(n) * ((10 * 1500 + port.EffectiveBaud() - 1) / port.EffectiveBaud());
    }
    bool RetryWrite(CCommPort&, size_t, size_t, int attempt) override
    {
        retries.push_back(attempt);
        if (attempt > maxRetry)
            return false;
        if (heals)
            line->Replug();
        return true;
    }
    platform::SerialTimeouts DriverTimeouts(const CCommPort& port, Kind kind, int ms) const override
    {
        const_cast<EngineLikePolicy*>(this)->timeouts.emplace_back(kind, ms);
        return CPortPolicy::DriverTimeouts(port, kind, ms);
    }
};

class PolicyTest : public FakePortTest {
protected:
    void SetUp() override
    {
        FakePortTest::SetUp();
        engine.line = line;
        context.SetTrafficLog(nullptr); // the engine's context logs nowhere
        port->SetPolicy(&engine);
    }
    EngineLikePolicy engine;
};

} // namespace

TEST_F(PolicyTest, TerminatorAndNoAnalyzer)
{
    Open();
    port->WriteCommand("RP", 3, true);
    EXPECT_EQ(Wire(), "\x83RP\r");
    EXPECT_EQ(analyzer.Page(port->id).EntryCount(), 0);
}

TEST_F(PolicyTest, FailedWritesAreRetriedAsThePolicySays)
{
    Open();
    line->Unplug();
    port->WriteCommand("RP", 3, true);
    EXPECT_EQ(engine.retries, std::vector<int>{1});
    EXPECT_EQ(Wire(), "\x83RP\r");

    engine.heals = false;
    engine.retries.clear();
    line->Unplug();
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("RP", 3, true); }), CVQXException::WriteError);
    EXPECT_EQ(engine.retries, (std::vector<int>{1, 2}));
}

TEST_F(PolicyTest, TimeoutKindsReachThePolicyAndAreRestored)
{
    Open();
    engine.timeouts.clear();
    port->SetTimeout(0);
    port->SetTimeout(1);
    uint8_t buf[2];
    size_t got = 0;
    EXPECT_EQ(CodeOf([&] { port->ReadBytes(buf, 2, got, 40); }), CVQXException::NoResponse);
    ASSERT_EQ(engine.timeouts.size(), 4u);
    EXPECT_EQ(engine.timeouts[0].first, Kind::Total);
    EXPECT_EQ(engine.timeouts[1].first, Kind::Echo);
    EXPECT_EQ(engine.timeouts[2], std::make_pair(Kind::Explicit, 40));
    EXPECT_EQ(engine.timeouts[3], std::make_pair(Kind::Echo, port->echoTimeout));
}

TEST_F(PolicyTest, PacingComesFromThePolicy)
{
    motors.echo = false;
    Open();
    port->Echo = 0;
    const auto slept = clock.Slept();
    port->WriteCommand("123456789", -2, true); // 8 + 2 bytes at 9600: 2 ms per byte
    EXPECT_EQ(clock.Slept() - slept, 20ms);
}
