// The speed profile and the points of single paths, from worked numbers.
#include "engine/path/PathGenerator.h"
#include "tests/common/CodeOf.h"

#include "core/VQXException.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ProfileCase {
    const char* name;
    double startSpeed, acceleration, maxSpeed, endSpeed;
    bool slow;
    int32_t dt;
    double length;
    double t1, t2, T, a1, a2, a3;
};

// Each branch of the profile, worked by hand.
const ProfileCase kProfiles[] = {
    {"trapezoid", 0, 1, 10, 0, true, 1, 200, 10, 20, 30, 1, 0, -1},
    {"triangle below the maximum speed", 0, 1, 10, 0, true, 1, 50, 8, 8, 16, 0.78125, 0, -0.78125},
    {"short move over several deltas", 0, 1, 100, 10, true, 1, 50, 5, 5, 10, 1, 0, 1},
    {"short move within one delta", 0, 1, 100, 1, true, 1, 0.5, 1, 1, 2, 0, 0, 1},
    {"cruise only", 10, 1, 10, 0, false, 1, 100, 5, 10, 10, 0, 0, 0},
    {"accelerate then cruise", 0, 1, 10, 0, false, 1, 100, 10, 15, 15, 1, 0, 0},
    {"accelerate, no room to cruise", 0, 1, 10, 0, false, 3, 55, 6, 12, 12, 25.0 / 36, 35.0 / 36, 0},
    {"cruise then brake", 10, 1, 10, 0, true, 1, 100, 0, 5, 15, 0, 0, -1},
    {"accelerate past the maximum to the end speed", 0, 1, 10, 12, true, 3, 73, 12, 12, 15, 22.0 / 36,
     0, 14.0 / 9},
};

class ProfileBranches : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileBranches, PhasesAndAccelerations)
{
    const ProfileCase& c = GetParam();
    CPathGenerator g;
    g.SetStartSpeed(c.startSpeed);
    g.SetAcceleration(c.acceleration);
    g.SetEndSpeed(c.endSpeed);
    g.SetSlowToEndSpeed(c.slow);
    g.SetTimeDelta(c.dt);
    g.GenerateDistance(c.maxSpeed, c.length);
    const auto& t = g.PhaseEnds();
    const auto& a = g.PhaseAccelerations();
    EXPECT_DOUBLE_EQ(t[0], c.t1);
    EXPECT_DOUBLE_EQ(t[1], c.t2);
    EXPECT_DOUBLE_EQ(t[2], c.T);
    EXPECT_NEAR(a[0], c.a1, 1e-12);
    EXPECT_NEAR(a[1], c.a2, 1e-12);
    EXPECT_NEAR(a[2], c.a3, 1e-12);
    // One point per delta, the last exactly at the length and the clock on every delta.
    ASSERT_EQ(g.PointCount(), static_cast<int32_t>(c.T / c.dt) + 1);
    EXPECT_EQ(g.Points().front().axis[0], 0.0);
    EXPECT_EQ(g.Points().back().axis[0], c.length);
    for (int i = 0; i < g.PointCount(); ++i)
        EXPECT_EQ(g.Points()[static_cast<size_t>(i)].clock, i * c.dt);
    // The phases integrate to the length before the end is pinned to it.
    const double v1 = c.startSpeed + a[0] * t[0];
    const double v2 = v1 + a[1] * (t[1] - t[0]);
    const double covered = (c.startSpeed + v1) * t[0] / 2 + (v1 + v2) * (t[1] - t[0]) / 2 +
                           (v2 + v2 + a[2] * (t[2] - t[1])) * (t[2] - t[1]) / 2;
    EXPECT_NEAR(covered, c.length, 1e-9 * c.length);
}

INSTANTIATE_TEST_SUITE_P(Path, ProfileBranches, ::testing::ValuesIn(kProfiles),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

// Constant speed 100 over a line of 1000: with a delta of 5 the line takes exactly two deltas;
// with 8 it takes 16 clock units (10 raised to whole deltas), so the speed falls to 25 at the
// middle point and rises to 100 again, and the points stay at 0, 500 and 1000.
TEST(PathGenerator, ConstantSpeedLineOnTwoTimeDeltas)
{
    for (const int32_t dt : {5, 8}) {
        SCOPED_TRACE(dt);
        CPathGenerator g;
        g.SetStartSpeed(100);
        g.SetSlowToEndSpeed(false);
        g.SetTimeDelta(dt);
        g.GenerateLine(100, {600, 800});
        ASSERT_EQ(g.PointCount(), 3);
        EXPECT_DOUBLE_EQ(g.TotalLength(), 1000);
        const double expectX[] = {0, 300, 600}, expectY[] = {0, 400, 800};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(g.Points()[i].axis[0], expectX[i], 1e-9);
            EXPECT_NEAR(g.Points()[i].axis[1], expectY[i], 1e-9);
            EXPECT_EQ(g.Points()[i].clock, static_cast<int32_t>(i) * dt);
        }
        const auto& a = g.PhaseAccelerations();
        const double middleSpeed = 100 + a[0] * g.PhaseEnds()[0];
        EXPECT_DOUBLE_EQ(middleSpeed, dt == 5 ? 100 : 25);
        EXPECT_DOUBLE_EQ(middleSpeed + a[2] * (g.PhaseEnds()[2] - g.PhaseEnds()[1]), 100);
        EXPECT_DOUBLE_EQ(g.StartSpeed(), 100); // the next path starts at the speed this one ended with
        EXPECT_EQ(g.StartClock(), 2 * dt);
        // Two columns of positions and one of clocks; the Generate form leaves out the first row.
        const std::vector<double> rows = g.GetDataPairs(1);
        ASSERT_EQ(rows.size(), 6u);
        EXPECT_NEAR(rows[0], 300, 1e-9);
        EXPECT_NEAR(rows[1], 400, 1e-9);
        EXPECT_EQ(rows[2], dt);
        EXPECT_EQ(rows[5], 2 * dt);
        EXPECT_EQ(g.GetDataPairs(0).size(), 9u);
    }
}

TEST(PathGenerator, ChainedLinesContinueWhereThePreviousEnded)
{
    CPathGenerator g;
    g.SetAcceleration(2);
    g.SetTimeDelta(4);
    g.SetSlowToEndSpeed(false); // end at the maximum speed, and start the next line from it
    g.GenerateLine(20, {500, 0});
    EXPECT_DOUBLE_EQ(g.StartSpeed(), 20);
    const int32_t lastClock = g.Points().back().clock;
    EXPECT_EQ(g.StartClock(), lastClock);
    g.SetSlowToEndSpeed(true); // and come to a standstill at the end of the second
    g.GenerateLine(20, {500, 300});
    EXPECT_EQ(g.Points().front().axis[0], 500);
    EXPECT_EQ(g.Points().front().axis[1], 0);
    EXPECT_EQ(g.Points().front().clock, lastClock);
    EXPECT_EQ(g.Points()[1].clock, lastClock + 4);
    EXPECT_GT(g.Points()[1].axis[1] - g.Points()[0].axis[1], 0.9 * 20 * 4); // still near full speed
    EXPECT_EQ(g.Points().back().axis[1], 300);
    EXPECT_EQ(g.StartSpeed(), 0);
    EXPECT_EQ(g.StartPoint(1), 500);
    EXPECT_EQ(g.StartPoint(2), 300);
}

TEST(PathGenerator, ZeroLengthLineIsOnePointAtTheStart)
{
    CPathGenerator g;
    g.SetStartPoint(1, 7);
    g.SetStartPoint(2, -3);
    g.SetStartClock(40);
    g.SetAcceleration(1);
    g.SetTimeDelta(8);
    g.GenerateLine(10, {7, -3});
    ASSERT_EQ(g.PointCount(), 1);
    EXPECT_EQ(g.Points()[0].axis[0], 7);
    EXPECT_EQ(g.Points()[0].clock, 40);
    EXPECT_TRUE(g.GetDataPairs(1).empty());
    EXPECT_EQ(g.GetDataPairs(0), (std::vector<double>{7, -3, 40}));
    EXPECT_EQ(g.StartClock(), 40);
}

TEST(PathGenerator, FullCircleWhenTheEndLiesAtTheStartAngle)
{
    CPathGenerator g;
    g.SetStartPoint(1, 100);
    g.SetAcceleration(1);
    g.SetTimeDelta(2);
    g.GenerateArc(20, {100, 0}, {0, 0}, false);
    EXPECT_NEAR(g.TotalLength(), 2 * M_PI * 100, 1e-9);
    EXPECT_DOUBLE_EQ(g.Radius(), 100);
    // A quarter of the way round (by distance) the counter-clockwise arc is near the top.
    bool passedTop = false;
    for (const auto& p : g.Points())
        passedTop |= p.axis[1] > 99;
    EXPECT_TRUE(passedTop);
    g.GenerateArc(20, {100, 0}, {0, 0}, true); // clockwise: through the bottom
    bool passedBottom = false;
    for (const auto& p : g.Points())
        passedBottom |= p.axis[1] < -99;
    EXPECT_TRUE(passedBottom);
}

TEST(PathGenerator, HelixRaisesTheLinearAxisWithTheDistance)
{
    CPathGenerator g;
    g.SetStartPoint(1, 10);
    g.SetAcceleration(0.5);
    g.SetTimeDelta(1);
    g.GenerateArc(5, {-10, 0, 30}, {0, 0, 0}, false); // half a turn, rising 30
    const double half = M_PI * 10;
    EXPECT_NEAR(g.TotalLength(), std::sqrt(half * half + 900), 1e-9);
    for (const auto& p : g.Points()) {
        EXPECT_NEAR(std::hypot(p.axis[0], p.axis[1]), 10, 1e-6);
        const double turned = std::atan2(p.axis[1], p.axis[0]);
        const double expectRise = 30 * (turned < 0 ? turned + 2 * M_PI : turned) / M_PI;
        if (turned > 1e-9 || p.axis[2] < 1) {
            EXPECT_NEAR(p.axis[2], expectRise, 1e-6);
        }
    }
    EXPECT_EQ(g.Points().back().axis[2], 30);
}

TEST(PathGenerator, RefusesWhatItCannotPlan)
{
    const auto refused = [](auto&& f) { return CodeOf(f) == CVQXException::InvalidData; };
    CPathGenerator g;
    EXPECT_TRUE(refused([&] { g.SetStartPoint(0, 1); }));
    EXPECT_TRUE(refused([&] { g.SetStartPoint(7, 1); }));
    EXPECT_TRUE(refused([&] { (void)g.StartPoint(7); }));
    EXPECT_TRUE(refused([&] { g.SetAcceleration(-1); }));
    EXPECT_TRUE(refused([&] { g.SetStartSpeed(NAN); }));
    EXPECT_TRUE(refused([&] { g.SetPlane(3); }));
    EXPECT_TRUE(refused([&] { g.SetTimeDelta(-1); }));
    g.SetTimeDelta(0); // accepted, but nothing can be generated with it
    g.SetAcceleration(1);
    EXPECT_TRUE(refused([&] { g.GenerateDistance(10, 100); }));
    g.SetTimeDelta(4);
    EXPECT_TRUE(refused([&] { g.GenerateDistance(-1, 100); }));
    EXPECT_TRUE(refused([&] { g.GenerateDistance(10, INFINITY); }));
    EXPECT_TRUE(refused([&] { g.GenerateDistance(0, 100); }));                 // no speed to get there
    EXPECT_TRUE(refused([&] { g.GenerateDistance(1e-12, 100); }));             // absurd point count
    EXPECT_TRUE(refused([&] { g.GenerateLine(10, {1, 2, 3, 4, 5, 6, 7}); }));
    EXPECT_TRUE(refused([&] { g.GenerateLine(10, {}); }));
    EXPECT_TRUE(refused([&] { g.GenerateArc(10, {1, 2, 3, 4}, {0, 0, 0, 0}, true); }));
    EXPECT_TRUE(refused([&] { g.GenerateArc(10, {1, 2}, {0, 0, 0}, true); }));
    EXPECT_TRUE(refused([&] { g.GenerateArc(10, {1, 2}, {0, 0}, true); }));    // start on the centre
    EXPECT_TRUE(refused([&] { g.GenerateArc(10, {1}, {0}, true); }));          // the plane needs two axes
    g.SetAcceleration(0);
    EXPECT_TRUE(refused([&] { g.GenerateDistance(0, 100); }));                 // nothing ever moves
    EXPECT_TRUE(refused([&] { g.GenerateDistance(5, 100); }));                 // no acceleration to reach 5
    g.SetStartClock(-1);
    g.SetAcceleration(1);
    EXPECT_TRUE(refused([&] { g.GenerateDistance(5, 100); }));
    // Nothing moved on after the refusals.
    EXPECT_EQ(g.StartSpeed(), 0);
    EXPECT_EQ(g.StartPoint(1), 0);
    EXPECT_EQ(g.StartClock(), -1);
    g.SetStartClock(0x7FFFFF00);
    EXPECT_TRUE(refused([&] { g.GenerateDistance(1, 1000); }));                // the clock would wrap
}

} // namespace
