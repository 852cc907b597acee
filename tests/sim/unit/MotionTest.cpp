// The moving motor, driven byte by byte on the test's own time line: trapezoid end times worked out
// by hand, the flags and the status word by family, limits, modes, inputs and outputs, the reset.

#include "tests/sim/unit/TimedMotor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace vqxsim::test {
namespace {

constexpr double kSampleMs = 0.24576; // figure 24576 x 10 ns

using Motor = TimedMotor;

// 4000 counts with the tools' units: V = rpm * EnRes * SP * 65536 / 60000 and
// A = rps^2 * EnRes * SP^2 * 65536 / 1e6 (EnRes 4000, SP 0.24576 ms), truncated.
TEST(Motion, TrapezoidEndsWhenTheFormulaSays)
{
    struct Case {
        const char* what;
        int v, a;
        double endMs; // worked out below
        bool cruises;
    } cases[] = {
        // 300 rpm = 20000 counts/s, 100 rps^2 = 400000 counts/s^2. Each ramp takes
        // 20000^2 / (2 * 400000) = 500 counts, less than half of 4000: it cruises.
        // t = D / v + v / a = 4000 / 20000 + 20000 / 400000 = 0.2 + 0.05 s.
        {"300 rpm", 322122, 1583, 250.0, true},
        // 150 rpm = 10000 counts/s: t = 0.4 + 0.025 s.
        {"150 rpm", 161061, 1583, 425.0, true},
        // 3000 rpm = 200000 counts/s would need 50000 counts per ramp: too short to cruise.
        // t = 2 * sqrt(D / a) = 2 * sqrt(4000 / 400000) = 0.2 s.
        {"3000 rpm", 3221225, 1583, 200.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Motor m;
        m.Send("MP", 0);
        m.Send("A=" + std::to_string(c.a), 0);
        m.Send("V=" + std::to_string(c.v), 0);
        m.Send("P=4000", 0);
        m.Send("G", 0);
        // A margin for the truncated units and the motor's whole samples: 1% and 2 samples.
        const double margin = c.endMs * 0.01 + 2 * kSampleMs;
        EXPECT_EQ(m.Send("RBt", c.endMs / 2), "1");
        if (c.cruises)
            EXPECT_EQ(m.Number("RV", c.endMs / 2), c.v) << "cruising at V in the middle";
        else
            EXPECT_LT(m.Number("RV", c.endMs / 2), c.v) << "never reaches V";
        EXPECT_EQ(m.Send("RBt", c.endMs - margin), "1");
        EXPECT_LT(m.Number("RP", c.endMs - margin), 4000);
        EXPECT_EQ(m.Send("RBt", c.endMs + margin), "0");
        EXPECT_EQ(m.Number("RP", c.endMs + margin), 4000);
        EXPECT_EQ(m.Number("RV", c.endMs + margin), 0);
        EXPECT_EQ(m.Number("RW", c.endMs + margin) & 0x81, 0) << "no trajectory, servo on";
    }
}

TEST(Motion, ErrorFollowsAccelerationAndModesMoveTheShaft)
{
    Motor m;
    m.Send("A=1583 V=322122 P=4000 G", 0); // several commands in one frame
    const int ramping = m.Number("RPE", 10);
    const int cruising = m.Number("RE", 125);
    EXPECT_GT(ramping, cruising) << "the error grows with acceleration";
    EXPECT_LT(m.Number("RPE", 240), 0) << "and turns round while braking";
    EXPECT_EQ(m.Send("RMODE", 300), "P");
    EXPECT_EQ(m.Send("a=@P+1 Ra", 300), "4001");

    // Relative move, then "X" ramps down and "S" stops at once.
    m.Send("D=-1000 G", 300);
    EXPECT_LT(m.Number("RP", 400), 4000);
    m.Send("MV V=-161061 G", 1000);
    const int v = m.Number("RV", 1100);
    EXPECT_EQ(v, -161061);
    EXPECT_EQ(m.Send("RMODE", 1100), "V");
    m.Send("X", 1100);
    EXPECT_NE(m.Number("RV", 1101), 0) << "decelerating, not stopped";
    // 161061 / 1583 = 102 samples = 25 ms to stop.
    EXPECT_EQ(m.Number("RV", 1130), 0);
    const int stopped = m.Number("RP", 1130);
    EXPECT_EQ(m.Number("RP", 1500), stopped);
    m.Send("G", 1500);
    m.Send("S", 1600);
    const int held = m.Number("RP", 1600);
    EXPECT_EQ(m.Number("RP", 1700), held) << "S stops at once";

    // Torque mode: the speed follows T; "OFF" lets go.
    m.Send("T=1000 MT", 2000);
    EXPECT_EQ(m.Send("RMODE", 2100), "T");
    EXPECT_EQ(m.Number("RV", 2300), 1000 * MotionModel::kSpeedPerTorque);
    m.Send("T=-1", 2300); // how the tools let go after a negative torque
    EXPECT_EQ(m.Number("RV", 2600), 0);
    m.Send("OFF", 2600);
    EXPECT_EQ(m.Send("RBo RMODE", 2600), "1\rO");
    EXPECT_EQ(m.Number("RV", 2700), 0);

    // "O=" sets the encoder; past "E=" the motor trips.
    m.Send("O=0", 2800);
    EXPECT_EQ(m.Number("RP", 2800), 0);
    m.Send("E=100 MP V=161061 A=1583 P=100 G", 2900);
    m.motor->knobs.extraPositionError = 500;
    EXPECT_EQ(m.Send("RBe RBo", 2910), "1\r1");
}

TEST(Motion, StatusWordAndLimitsByFamily)
{
    struct Case {
        const char* firmware;
        int overheatBit;    // bit of W the temperature latch takes
        int softLatchBit;   // version 5: Sr; others latch Br instead
    } cases[] = {{"450", 6, 1}, {"462", 6, 1}, {"5xx", 6, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        Motor m(c.firmware);
        const bool v5 = c.firmware[0] == '5';
        EXPECT_EQ(m.Number("RW", 0), 128) << "servo off after power-up";
        m.Send("MV A=65536 V=655360 G", 0);
        EXPECT_EQ(m.Number("RW", 1) & 0x81, 1) << "trajectory, servo on";

        // A hardware limit the test holds asserted stops a move towards it.
        m.motor->SetHardwareLimit(+1, true);
        EXPECT_EQ(m.Send("RBt", 3), "0");
        const int w = m.Number("RW", 3);
        EXPECT_EQ(w & 0x202, 0x202) << "Br latched, Bp asserted";
        EXPECT_EQ(m.Number("RW", 3) & 0x2, v5 ? 2 : 0) << "older motors clear Br when W is read";
        m.Send("ZS", 4);
        EXPECT_EQ(m.Number("RW", 4) & 0x2, 0);
        // Disabled, the limit stops nothing (LPD on version 5, UCI on others).
        m.Send(v5 ? "LPD" : "UCI", 5);
        m.Send("G", 5);
        EXPECT_EQ(m.Send("RBt", 50), "1");
        m.motor->SetHardwareLimit(+1, false);

        // Soft limits enabled without SLN or SLP (as the playground leaves a motor): the
        // power-up limits hold every position, so a move CCW stopped half way latches nothing.
        m.Send("S ZS O=0 MP A=65536 V=655360 D=-4000000 SLE G", 60);
        EXPECT_EQ(m.Send("RBt", 80), "1") << "still moving";
        m.Send("S", 80);
        EXPECT_LT(m.Number("RP", 81), -100) << "well past 0";
        EXPECT_EQ(m.Number("RW", 81) & (0x6 | 1 << 19 | 1 << 20), 0) << "no limit latched";
        m.Send("SLD MV", 82);

        // Soft limits: past SLP the motor stops and latches.
        m.Send("S O=0 SLN=-500 SLP=500 SLE G", 100);
        EXPECT_EQ(m.Send("RBt", 200), "0");
        const int at = m.Number("RP", 200);
        EXPECT_GT(at, 500);
        EXPECT_LT(at, 520);
        EXPECT_EQ(m.Number("RW", 200) >> c.softLatchBit & 1, 1);
        if (v5) {
            EXPECT_EQ(m.Send("RBc RBb RBf", 200), "1\r0\r0") << "live soft-limit states";
            m.Send("ZSr", 201);
            EXPECT_EQ(m.Number("RW", 201) >> 20 & 1, 0);
        }

        // Overheat: the latch, the servo off; ZS clears the latch.
        m.motor->SetOverheat(true);
        EXPECT_EQ(m.Number("RW", 300) & (1 << c.overheatBit | 0x80), 1 << c.overheatBit | 0x80);
        m.motor->SetOverheat(false);
        m.Send("ZS Zs", 301);
        EXPECT_EQ(m.Number("RW", 301) & (1 << c.overheatBit), 0);

        // The knob that garbles W.
        m.motor->knobs.statusReply = "-1";
        EXPECT_EQ(m.Send("RW", 302), "-1");
    }
}

TEST(Motion, InputsAndOutputsByFamily)
{
    Motor v5("5xx");
    v5.motor->SetInput(0, true);
    v5.motor->SetInput(7, true);
    v5.motor->SetInput(5, true); // not in RIN
    EXPECT_EQ(v5.Send("RIN RI0 RI1 RI7", 0), "129\r1\r0\r1");
    EXPECT_EQ(v5.Number("RW", 0) & (1 << 8 | 1 << 15), 1 << 8 | 1 << 15);
    v5.Send("OUT=5", 0);
    EXPECT_EQ(v5.Send("ROUT RO0 RO1", 0), "5\r1\r0");
    v5.Send("O1=1 O0=0", 0);
    EXPECT_EQ(v5.Send("ROUT", 0), "6");
    EXPECT_TRUE(v5.motor->Output(2));

    Motor v46("461");
    v46.motor->SetInput(1, true);
    v46.motor->SetInput(6, true);
    v46.Send("UAO UA=1", 0);
    EXPECT_EQ(v46.Send("RU", 0), std::to_string(1 | 2 | 64));

    Motor older("450");
    older.motor->SetInput(2, true);
    EXPECT_EQ(older.Send("z=UCI Rz", 0), "1");
    EXPECT_EQ(older.Send("z=UAI Rz", 0), "0");
    older.Send("UBO UB=1", 0);
    EXPECT_TRUE(older.motor->Output(1));
    // "Ux=" alone makes the pin an output at that level, and it reads back as set.
    older.Send("UA=1", 0);
    EXPECT_EQ(older.Send("z=UAI Rz", 0), "1");
    older.Send("UA=0", 0);
    EXPECT_EQ(older.Send("z=UAI Rz", 0), "0");
    EXPECT_FALSE(older.motor->Output(0));
}

TEST(Motion, ResetKeepsTheAddressAndStartsAtZero)
{
    Motor m;
    m.Send("SADDR7", 0);
    m.Send("\x87" "MV A=65536 V=655360 G", 0);
    EXPECT_GT(m.Number("RP", 100), 0);
    m.motor->knobs.bootMs = 50;
    m.Send("Z", 100);
    EXPECT_EQ(m.Send("RSP", 120), "") << "silent while it restarts";
    EXPECT_EQ(m.Send("\x87" "RSP", 160), "24576/450");
    EXPECT_EQ(m.Send("RP RW", 160), "0\r128") << "at rest at 0, servo off, still address 7";
}

// The gains a tuner reads and writes: the profile's after power-up, changed by assignment.
TEST(Motion, GainsReportAndChangeUntilPowerUp)
{
    Motor m;
    const std::pair<const char*, int> fresh[] = {{"RKP", 120}, {"RKD", 800}, {"RKI", 4}, {"RKL", 1000},
                                                 {"RKS", 1},   {"RKV", 0},   {"RKA", 0}, {"RKG", 0}};
    for (const auto& [report, value] : fresh)
        EXPECT_EQ(m.Number(report, 1), value) << report;
    m.Send("KP=300", 2);
    m.Send("KG=-5", 2);
    m.Send("F", 2);
    EXPECT_EQ(m.Number("RKP", 3), 300);
    EXPECT_EQ(m.Number("RKG", 3), -5);
    m.motor->PowerCycle(m.At(4));
    m.Send("\x81", 1000); // after its boot time
    EXPECT_EQ(m.Send("RKP", 1001), "120");
}

// How the shaft answers a step of 500 counts (a move faster than the drive can follow), read with
// "RP" at every sample for 150 ms after "G".
struct StepResponse {
    double riseMs = 1e9;    // first at 90 % of the step (never: 1e9)
    int overshoot = 0;      // beyond the target at most
    double settledMs = -1;  // from here on within 2 % of the target (-1: not by the end)
};

StepResponse RespondToStep(const std::string& gains)
{
    Motor m;
    m.Send(gains, 0);
    m.Send("MP A=10000000 V=10000000 P=500 G", 1);
    StepResponse r;
    for (int i = 1; i <= 610; ++i) {
        const double ms = i * kSampleMs;
        const int p = m.Number("RP", 1 + ms);
        if (r.riseMs > ms && p >= 450)
            r.riseMs = ms;
        r.overshoot = std::max(r.overshoot, p - 500);
        if (std::abs(p - 500) > 10)
            r.settledMs = -1;
        else if (r.settledMs < 0)
            r.settledMs = ms;
    }
    EXPECT_EQ(m.Send("RBe RBo", 200), "0\r0") << "no fault: the error limit is off";
    return r;
}

// The position loop works with the gains "F" took into use: a higher KP rises faster and rings
// more, KD damps the overshoot, and without KP nothing holds the shaft on its command.
TEST(Motion, TheFilterGainsShapeTheStepResponse)
{
    const StepResponse factory = RespondToStep("");
    EXPECT_LT(factory.riseMs, 10);
    EXPECT_GT(factory.overshoot, 0) << "the factory gains leave a little overshoot";
    EXPECT_LT(factory.overshoot, 50);
    EXPECT_GT(factory.settledMs, 0);
    EXPECT_LT(factory.settledMs, 20);

    enum Than { Less = -1, Same = 0, More = 1 };
    struct Case {
        const char* gains;
        Than rise, overshoot; // than the factory gains'
        bool settles;         // within 2 % by 150 ms
    } cases[] = {
        {"KP=40 KD=0", Same, Same, true}, // set, not taken into use
        {"KP=400 F", Less, More, true},
        {"KP=40 F", More, Less, true},
        {"KD=0 F", Less, More, false},   // rings on and on
        {"KD=2000 F", More, Less, true}, // no overshoot at all
        {"KP=0 F", More, More, false},   // the integral alone swings it wider and wider
        {"KP=0 KI=0 F", More, Less, false}, // stops wherever the differential left it
    };
    const auto than = [](double a, double b) { return a < b ? Less : a > b ? More : Same; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gains);
        const StepResponse r = RespondToStep(c.gains);
        EXPECT_EQ(than(r.riseMs, factory.riseMs), c.rise) << r.riseMs << " ms";
        EXPECT_EQ(than(r.overshoot, factory.overshoot), c.overshoot) << r.overshoot;
        EXPECT_EQ(r.settledMs > 0, c.settles) << r.settledMs << " ms";
    }
    // Rise times fall as KP grows.
    double previous = 1e9;
    for (const char* kp : {"KP=15 F", "KP=40 F", "KP=120 F", "KP=400 F"}) {
        const double rise = RespondToStep(kp).riseMs;
        EXPECT_LT(rise, previous) << kp;
        previous = rise;
    }
}

// A loop that cannot follow trips at the error limit: the servo goes off and Be latches. The
// factory gains follow the same move within a count or two.
TEST(Motion, ALoopThatCannotFollowTripsAtTheErrorLimit)
{
    for (const char* gains : {"KP=120 F", "KP=0 KI=0 F"}) {
        SCOPED_TRACE(gains);
        Motor m;
        m.Send(gains, 0);
        m.Send("E=100 MP A=65536 V=6553600 P=40000 G", 1);
        const bool follows = gains[3] != '0';
        EXPECT_EQ(m.Send("RBe RBo", 200), follows ? "0\r0" : "1\r1");
        if (follows)
            EXPECT_EQ(m.Number("RP", 600), 40000);
        else
            EXPECT_EQ(m.Send("RMODE RPE", 600), "O\r0") << "off, and an error no more";
    }
}

} // namespace
} // namespace vqxsim::test
