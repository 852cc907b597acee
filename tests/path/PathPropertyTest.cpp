// Properties of generated paths over thousands of random segments.
#include "engine/path/PathGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

struct Segment {
    double startSpeed, acceleration, maxSpeed, endSpeed;
    bool slow;
    int32_t dt;
    int kind; // 0 distance, 1 line, 2 arc
    int axes;
};

// Speeds the profile may reach: the limits the caller set.
double SpeedLimit(const CPathGenerator& g, const Segment& s)
{
    return std::max({s.startSpeed, s.maxSpeed, g.FinalSpeed()});
}

TEST(PathProperties, RandomSegments)
{
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> unit(0, 1);
    int generated = 0, arcs = 0, accelerationChecked = 0;
    for (int run = 0; run < 6000; ++run) {
        Segment s{};
        s.dt = 1 << static_cast<int>(unit(rng) * 7);           // 1..64, as slot deltas are
        s.maxSpeed = 1 + unit(rng) * 200;
        s.acceleration = s.maxSpeed / (s.dt * (1 + unit(rng) * 60));
        s.startSpeed = unit(rng) < 0.3 ? 0 : unit(rng) * s.maxSpeed * 1.2;
        s.endSpeed = unit(rng) < 0.5 ? 0 : unit(rng) * s.maxSpeed;
        s.slow = unit(rng) < 0.7;
        s.kind = static_cast<int>(unit(rng) * 3);
        s.axes = s.kind == 0 ? 1 : s.kind == 1 ? 1 + static_cast<int>(unit(rng) * 6) : 2 + static_cast<int>(unit(rng) * 2);
        CPathGenerator g;
        g.SetStartSpeed(s.startSpeed);
        g.SetAcceleration(s.acceleration);
        g.SetEndSpeed(s.endSpeed);
        g.SetSlowToEndSpeed(s.slow);
        g.SetTimeDelta(s.dt);
        g.SetStartClock(static_cast<int32_t>(unit(rng) * 100000));
        std::vector<double> start(static_cast<size_t>(s.axes)), end(start), centre(start);
        const double scale = std::pow(10.0, unit(rng) * 4);
        for (int k = 0; k < s.axes; ++k) {
            start[static_cast<size_t>(k)] = (unit(rng) - 0.5) * scale;
            g.SetStartPoint(k + 1, start[static_cast<size_t>(k)]);
            end[static_cast<size_t>(k)] = (unit(rng) - 0.5) * scale;
        }
        double radius = 0, length = 0;
        if (s.kind == 0) {
            length = unit(rng) * scale;
        } else if (s.kind == 1) {
            for (int k = 0; k < s.axes; ++k)
                length += (end[static_cast<size_t>(k)] - start[static_cast<size_t>(k)]) *
                          (end[static_cast<size_t>(k)] - start[static_cast<size_t>(k)]);
            length = std::sqrt(length);
        }
        // Every other distance or line has room for its ramps: a length of several deltas at full
        // speed and an acceleration that can reach and leave the maximum speed within it.
        const bool roomy = s.kind != 2 && run % 2 == 0 && length > 1;
        if (roomy) {
            s.maxSpeed = std::min(s.maxSpeed, length / (8.0 * s.dt));
            s.startSpeed = std::min(s.startSpeed, s.maxSpeed);
            s.endSpeed = std::min(s.endSpeed, s.maxSpeed);
            s.acceleration = (s.startSpeed * s.startSpeed + s.maxSpeed * s.maxSpeed) /
                             (2 * (length - 4 * s.maxSpeed * s.dt)) * (1 + 3 * unit(rng));
            g.SetStartSpeed(s.startSpeed);
            g.SetEndSpeed(s.endSpeed);
            g.SetAcceleration(s.acceleration);
        }
        if (s.kind == 0) {
            g.GenerateDistance(s.maxSpeed, length);
        } else if (s.kind == 1) {
            g.GenerateLine(s.maxSpeed, end);
        } else {
            // An end point on the circle through the start, at a random angle.
            centre = start;
            centre[0] += (unit(rng) - 0.5) * scale;
            centre[1] += (unit(rng) - 0.5) * scale;
            radius = std::hypot(start[0] - centre[0], start[1] - centre[1]);
            if (radius < 1e-3)
                continue;
            const double angle = unit(rng) * 2 * M_PI;
            end[0] = centre[0] + radius * std::cos(angle);
            end[1] = centre[1] + radius * std::sin(angle);
            g.GenerateArc(s.maxSpeed, end, centre, unit(rng) < 0.5);
            ++arcs;
        }
        ++generated;
        SCOPED_TRACE(::testing::Message() << "run " << run << " kind " << s.kind << " dt " << s.dt << " Vs "
                                          << s.startSpeed << " A " << s.acceleration << " Vmax " << s.maxSpeed
                                          << " end " << s.endSpeed << " slow " << s.slow);
        const auto& pts = g.Points();
        ASSERT_GE(pts.size(), 1u);
        // Time order, one delta apart.
        for (size_t i = 1; i < pts.size(); ++i)
            ASSERT_EQ(pts[i].clock - pts[i - 1].clock, s.dt);
        // The first point is the start, the last the end, exactly.
        length = g.TotalLength();
        for (int k = 0; k < s.axes; ++k) {
            const size_t kk = static_cast<size_t>(k);
            if (s.kind != 0) {
                ASSERT_NEAR(pts.front().axis[kk], start[kk], 1e-9 * scale);
                ASSERT_EQ(pts.back().axis[kk], end[kk]);
            }
        }
        if (s.kind == 0) {
            ASSERT_EQ(pts.back().axis[0], length);
        }
        // Distance along the path from point to point: speeds from the points themselves.
        std::vector<double> dist(pts.size());
        for (size_t i = 1; i < pts.size(); ++i) {
            double d2 = 0;
            for (int k = 0; k < s.axes; ++k) {
                const double d = pts[i].axis[static_cast<size_t>(k)] - pts[i - 1].axis[static_cast<size_t>(k)];
                d2 += d * d;
            }
            dist[i] = std::sqrt(d2);
        }
        const double speedLimit = SpeedLimit(g, s);
        const double rounding = 1e-7 * (scale + speedLimit * s.dt);
        for (size_t i = 1; i < pts.size(); ++i)
            ASSERT_LE(dist[i] / s.dt, speedLimit + rounding / s.dt) << "interval " << i;
        // Acceleration: the change of the mean speed of neighbouring intervals. Where the segment
        // has room for its ramps it stays within twice the limit (the ramp up ends on a whole
        // delta at the maximum speed; cruise and ramp down absorb what that rounding adds, which
        // over a short cruise brakes harder than the limit); otherwise it stays within the
        // profile's own phases (a move too short for the limit cannot keep it on whole deltas).
        const auto& a = g.PhaseAccelerations();
        const double phaseMax = std::max({std::fabs(a[0]), std::fabs(a[1]), std::fabs(a[2])});
        const double accelerationLimit = roomy ? 2 * s.acceleration : phaseMax;
        if (s.kind != 2) {
            for (size_t i = 2; i < pts.size(); ++i) {
                const double change = std::fabs(dist[i] - dist[i - 1]) / (double(s.dt) * s.dt);
                ASSERT_LE(change, accelerationLimit * (1 + 1e-9) + rounding / (double(s.dt) * s.dt))
                    << "interval " << i << (roomy ? " (roomy)" : "");
            }
            accelerationChecked += roomy;
        }
        // Arcs stay on their circle.
        if (s.kind == 2) {
            for (const auto& p : pts)
                ASSERT_NEAR(std::hypot(p.axis[0] - centre[0], p.axis[1] - centre[1]), radius, 1e-6);
        }
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(generated, 5500);
    EXPECT_GT(arcs, 1000);
    EXPECT_GT(accelerationChecked, 1000);
    std::printf("%d segments, %d arcs, %d checked against the acceleration limit\n", generated, arcs,
                accelerationChecked);
}

} // namespace
