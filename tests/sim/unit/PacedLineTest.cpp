// Paced lines keep every transmitter's own time: a byte takes one character time on each wire it
// crosses, the PC's included, and arrives when it is whole; how often the line's thread looks, or
// how late it wakes, changes nothing of when a byte reaches the PC.

#include "tests/sim/wiring/LineRig.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

const LineSettings k9600{9600, 'N'};
const Duration kChar = CharTime(k9600); // 10 bits at 9600 baud

struct Written {
    std::string bytes;
    int atChars; // written this many character times after the start
};

struct Arrival {
    char byte;
    int atChars;
};

struct Case {
    const char* name;
    bool chain;
    size_t motors;
    std::vector<Written> writes;
    std::vector<Arrival> expected; // only the arrivals listed are checked, in order
    size_t count;                  // bytes that reach the PC in all
};

std::unique_ptr<Topology> Line(const Case& c, TimePoint start)
{
    MotorProfile p;
    p.echo[0] = true;
    std::unique_ptr<Topology> t;
    if (c.chain)
        t = std::make_unique<ChainTopology>();
    else
        t = std::make_unique<BusTopology>(CollisionForm::BitwiseAnd);
    return Populate(std::move(t), MakeProfiles(c.motors, p, true), 0, start);
}

// Runs the line to the end, looking at it every `step` (zero: once, long after the last byte);
// writes go in when they are due.
std::vector<TimedByte> RunLine(const Case& c, TimePoint start, Duration step)
{
    auto line = Line(c, start);
    const TimePoint end = start + 2000 * kChar;
    std::vector<TimedByte> out;
    size_t next = 0;
    for (TimePoint t = start; t <= end; t += step == Duration::zero() ? end - start : step) {
        for (; next < c.writes.size() && start + c.writes[next].atChars * kChar <= t; ++next)
            for (char b : c.writes[next].bytes)
                line->WritePaced({uint8_t(b), k9600, false}, start + c.writes[next].atChars * kChar);
        line->RunPaced(t, out);
    }
    line->RunPaced(end, out);
    return out;
}

TEST(PacedLine, BytesArriveWhenWholeWhateverTheWakeUps)
{
    const std::string rsp = std::string("\x81") + "RSP ";
    const Case cases[] = {
        // Echo of five bytes through three motors: one character per wire, the PC's included;
        // the answer follows the echo of its terminator.
        {"chain", true, 3, {{rsp, 0}}, {{'\x81', 4}, {' ', 8}, {'2', 9}, {'\r', 18}}, 15},
        // Bytes written while earlier ones are still in the chain follow them closely.
        {"chain, writes in flight", true, 2, {{"abcdefgh", 0}, {"ijklmnop", 5}}, {{'a', 3}, {'h', 10}, {'i', 11}, {'p', 18}}, 16},
        // A bus does not echo; two motors answering at once collide (the AND of '1' and '2').
        {"bus", false, 2,
         {{std::string("\x81") + "a=1 " + std::string("\x82") + "a=2 " + std::string("\x80") + "Ra ", 0}},
         {{'0', 15}, {'\r', 16}}, 2},
    };
    const TimePoint start = SimClock::now();
    for (const Case& c : cases) {
        const std::vector<TimedByte> once = RunLine(c, start, Duration::zero());
        ASSERT_EQ(once.size(), c.count) << c.name;
        size_t i = 0;
        for (const Arrival& a : c.expected) {
            while (i < once.size() && once[i].byte.value != uint8_t(a.byte))
                ++i;
            ASSERT_LT(i, once.size()) << c.name << ": " << a.byte;
            EXPECT_EQ(once[i].at, start + a.atChars * kChar) << c.name << ": " << a.byte;
        }
        // Looking often, seldom or at odd moments gives the same bytes at the same times.
        for (Duration step : {kChar / 3, 7 * kChar / 2, 40 * kChar}) {
            const std::vector<TimedByte> stepped = RunLine(c, start, step);
            ASSERT_EQ(stepped.size(), once.size()) << c.name;
            for (size_t k = 0; k < once.size(); ++k) {
                EXPECT_EQ(stepped[k].byte.value, once[k].byte.value) << c.name << " byte " << k;
                EXPECT_EQ(stepped[k].at, once[k].at) << c.name << " byte " << k;
            }
        }
    }
}

} // namespace
} // namespace vqxsim::test
