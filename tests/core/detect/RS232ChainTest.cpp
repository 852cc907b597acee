#include "core/detect/RS232Chain.h"

#include "core/VQXException.h"
#include "tests/common/ChainCaseName.h"
#include "tests/core/detect/DetectFixture.h"

#include <chrono>
#include <cstring>
#include <ostream>

namespace {

class RS232ChainTest : public DetectFixture {
protected:
    void Chain(int count, int motorBaud, int portBaud, bool addressed)
    {
        Build(CTestMotors::Topology::Chain, COMM_RS232, portBaud);
        for (int i = 0; i < count; ++i)
            motors->Add(addressed ? i + 1 : 0, 0x41000000u + 100 + i).baud = motorBaud;
    }
};

struct ChainCase {
    int count;
    int motorBaud;
    int portBaud;
};

void PrintTo(const ChainCase& c, std::ostream* out)
{
    *out << ChainCaseText(static_cast<size_t>(c.count), c.motorBaud, c.portBaud);
}

class ChainAddressing : public RS232ChainTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(ChainAddressing, AddressesInChainOrderAtThePortRate)
{
    const ChainCase c = GetParam();
    Chain(c.count, c.motorBaud, c.portBaud, false);
    // Addresses left from an earlier life must not matter: counting renumbers the chain.
    (*motors)[0].address = 7;
    port->MaxMotors = 12;
    port->RebuildAddressTable();

    ASSERT_EQ(AddressServos(*port, 0), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), c.count);
    for (int i = 0; i < c.count; ++i) {
        EXPECT_EQ((*motors)[static_cast<size_t>(i)].address, i + 1);
        EXPECT_EQ((*motors)[static_cast<size_t>(i)].baud, c.portBaud);
        EXPECT_FALSE((*motors)[static_cast<size_t>(i)].asleep);
        EXPECT_EQ(Listed(i)->Address, i + 1);
        EXPECT_EQ(Listed(i)->Version, "450");
        EXPECT_EQ(Listed(i)->SerialNumber, 0x41000000u + 100 + i);
        EXPECT_TRUE(Listed(i)->IsAvailable);
    }
    ExpectListConsistent();
    EXPECT_EQ(line->HostLine().baud, c.portBaud);
    EXPECT_EQ(port->IsStrictEchoForced(), false) << "the strict echo check is given back";
}

INSTANTIATE_TEST_SUITE_P(Chains, ChainAddressing,
                         ::testing::Values(ChainCase{1, 9600, 38400}, ChainCase{3, 9600, 38400},
                                           ChainCase{12, 9600, 38400}, ChainCase{1, 38400, 9600},
                                           ChainCase{3, 38400, 9600}, ChainCase{12, 38400, 9600},
                                           ChainCase{3, 2400, 19200}),
                         [](const ::testing::TestParamInfo<ChainCase>& info) {
                             return ChainCaseName(static_cast<size_t>(info.param.count), info.param.motorBaud,
                                                  info.param.portBaud);
                         });

TEST_F(RS232ChainTest, DetectFindsAddressedMotorsAndAddressesTheUnaddressedOne)
{
    Chain(4, 9600, 9600, true);
    (*motors)[2].address = 0; // unaddressed: answers at 114
    (*motors)[3].address = 5;
    ASSERT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 4);
    EXPECT_EQ(Listed(0)->Address, 1);
    EXPECT_EQ(Listed(1)->Address, 2);
    EXPECT_EQ(Listed(2)->Address, 5);
    EXPECT_EQ(Listed(3)->Address, 6) << "the unaddressed motor takes the highest address found + 1";
    EXPECT_EQ((*motors)[2].address, 6);
    EXPECT_EQ(Listed(3)->SerialNumber, (*motors)[2].serial);
    ExpectListConsistent();
    EXPECT_FALSE(AnyAsleep());
    EXPECT_TRUE(EndsAwake());
    EXPECT_FALSE(progress.IsShown());
    EXPECT_EQ(progress.State().Text(), "Detecting Tessaraxons on RS-232 daisy chain: \"Bench\"");
}

TEST_F(RS232ChainTest, MotorsAboveMaxMotorsGiveFourAndKeepMaxShrinksTheRange)
{
    Chain(2, 9600, 9600, true);
    (*motors)[1].address = 20;
    EXPECT_EQ(DetectRS232Chain(*port, 0), DETECT_ABOVE_MAX);
    EXPECT_EQ(port->motors.GetCount(), 1);
    EXPECT_FALSE(AnyAsleep());

    port->MaxMotors = 10;
    EXPECT_EQ(DetectRS232Chain(*port, DETECT_KEEP_MAX), DETECT_UNADDRESSED);
    EXPECT_EQ(port->MaxMotors, 1);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(RS232ChainTest, TwoMotorsOnOneAddressGiveGarbage)
{
    Chain(2, 9600, 9600, true);
    (*motors)[1].address = 1; // replies meet and interleave
    EXPECT_EQ(DetectRS232Chain(*port, 0), DETECT_LINE_GARBAGE);
    EXPECT_EQ(port->AllVer5s, 0);
    EXPECT_EQ(port->motors.GetCount(), 0);
}

TEST_F(RS232ChainTest, AWrongEchoIsNoLink)
{
    Chain(3, 9600, 9600, false);
    (*motors)[1].wrongEcho = true;
    EXPECT_EQ(AddressServos(*port, 0), DETECT_FAILED);
    EXPECT_EQ(port->AllVer5s, 0);
    EXPECT_EQ(CodeOf([&] { AddressServos(*port, DETECT_THROW); }), CVQXException::NoLink);
    port->echoTimeout = 77;
    EXPECT_EQ(CodeOf([&] { EstablishChain(*port, 0); }), CVQXException::NoLink);
    EXPECT_EQ(port->echoTimeout, 77) << "the echo timeout is given back on every way out";
}

TEST_F(RS232ChainTest, AChainThatNeverEchoesIsNoLink)
{
    Chain(2, 1200, 9600, false); // a rate the sweep never tries: nothing comes back
    EXPECT_EQ(DetectRS232Chain(*port, 0), DETECT_FAILED);
    EXPECT_EQ(CodeOf([&] { DetectRS232Chain(*port, DETECT_THROW); }), CVQXException::NoLink);
}

TEST_F(RS232ChainTest, MoreMotorsThanMaxMotorsCannotBeCounted)
{
    Chain(4, 9600, 9600, false);
    port->SetMaxMotors(3);
    EXPECT_EQ(AddressServos(*port, 0), DETECT_NONE);
    EXPECT_FALSE(AnyAsleep());
    EXPECT_EQ(CodeOf([&] { AddressServos(*port, DETECT_THROW); }), CVQXException::NoLink);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(RS232ChainTest, WrongPortTypeChangesNothing)
{
    Chain(1, 9600, 9600, true);
    port->CommType = COMM_RS485;
    EXPECT_EQ(DetectRS232Chain(*port, 0), DETECT_NONE);
    EXPECT_EQ(AddressServos(*port, 0), DETECT_NONE);
    EXPECT_TRUE(line->HostWritten().empty());
}

TEST_F(RS232ChainTest, ASecondDetectionReplacesTheFirstMotors)
{
    Chain(2, 9600, 9600, true);
    ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
    CMotor* first = Listed(0);
    (*motors)[1].address = 3;
    ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
    EXPECT_EQ(port->motors.GetCount(), 2);
    EXPECT_EQ(Listed(1)->Address, 3);
    EXPECT_EQ(port->GetMotor(2), nullptr);
    (void)first;
    ExpectListConsistent();
}

// Cancel in each long loop: the motors end awake and the port still answers.
TEST_F(RS232ChainTest, CancelLeavesMotorsAwakeAndPortUsable)
{
    for (int at : {1, 2}) {
        Chain(3, 9600, 9600, true);
        progress.CancelAtCount(at);
        questions.AnswerMessageBox(ui::IDYES); // "Are you sure you want to cancel ...?"
        EXPECT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED) << at;
        EXPECT_FALSE(AnyAsleep());
        EXPECT_FALSE(progress.IsShown());
        EXPECT_EQ(port->AllVer5s, 0);
        EXPECT_EQ(port->Query("RBe", 1), "0");
    }
    Chain(3, 9600, 9600, false);
    progress.CancelAtCount(1);
    questions.AnswerMessageBox(ui::IDYES);
    // The first step reached is the counting of motor 1.
    EXPECT_EQ(AddressServos(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_FALSE(AnyAsleep());
    EXPECT_EQ(port->IsStrictEchoForced(), false);
}

TEST_F(RS232ChainTest, ChainTokenSplitOverTwoReads)
{
    Chain(0, 9600, 9600, false);
    port->OpenPort();
    line->PeerWrite("\x80WA");
    EXPECT_FALSE(ReadChainToken(*port));
    EXPECT_EQ(port->lineCount, 3);
    line->PeerWrite("KE ECHO");
    EXPECT_TRUE(ReadChainToken(*port));
    EXPECT_STREQ(reinterpret_cast<const char*>(port->lineBuffer) + 1, "WAKE");
    EXPECT_EQ(port->lineCount, 0);
}

TEST_F(RS232ChainTest, AFullLineBufferWithoutTerminatorIsEmptied)
{
    Chain(0, 9600, 9600, false);
    port->OpenPort();
    line->PeerWrite(std::string(200, 'x'));
    EXPECT_FALSE(ReadChainToken(*port));
    line->PeerWrite(std::string(56, 'y'));
    EXPECT_FALSE(ReadChainToken(*port));
    EXPECT_EQ(port->lineCount, 0);
    line->PeerWrite("\rz");
    EXPECT_TRUE(ReadChainToken(*port));
}

} // namespace

#include "core/detect/ReadAvailable.h"
#include "tests/common/CodeOf.h"

namespace {

TEST_F(RS232ChainTest, ReadAvailableTakesPushbackFirstThenWhatIsQueued)
{
    Chain(0, 9600, 9600, false);
    port->OpenPort();
    port->pushback[0] = 'a';
    port->pushback[1] = 'b';
    port->pushbackCount = 2;
    line->PeerWrite("cdefg");
    uint8_t buffer[16] = {};
    EXPECT_EQ(ReadAvailable(*port, buffer, 3), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "abcde");
    EXPECT_EQ(port->pushbackCount, 0);
    EXPECT_EQ(ReadAvailable(*port, buffer, 10), 2) << "never waits for more";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "fg");
    EXPECT_EQ(ReadAvailable(*port, buffer, 10), 0);
}

} // namespace

namespace {

// What the chain gives back after the sweep's last ECHO decides how many sweeps are sent: an
// empty token (the terminator came first) holds no "WAKE", whatever an earlier run left behind it
// in the line buffer; the token of a long chain counts as long as its echo can take to come back
// through every motor, after the writes have ended.
TEST_F(RS232ChainTest, TheChainsTokenDecidesTheSweeps)
{
    struct Row {
        const char* name;
        const char* back;
        int delayMs;
        int maxMotors;
        int sweeps;
    } rows[] = {
        {"an empty token", "\r", 0, 4, 4},
        {"the token at once", "\x80WAKE ", 0, 4, 1},
        // 30 motors at 2400 bps: about 150 ms behind the first WAKE, well after the three writes.
        {"a long chain's late token", "\x80WAKE ", 100, 30, 1},
        {"a token later than any chain of 4", "\x80WAKE ", 100, 4, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Chain(0, 9600, 9600, false);
        port->SetMaxMotors(row.maxMotors);
        std::memcpy(port->lineBuffer, "\x80WAKE", 6); // what a successful earlier run leaves
        int sweeps = 0;
        line->SetHostWriteHook([&](platform::FakeSerialLine& l, const std::vector<uint8_t>& bytes) {
            const std::string text(bytes.begin(), bytes.end());
            sweeps += text.find("BAUD384") != std::string::npos;
            if (text.find("ECHO") != std::string::npos && l.HostLine().baud == 2400)
                l.PeerWriteAfter(std::chrono::milliseconds(row.delayMs), row.back);
            return true;
        });
        EXPECT_EQ(CodeOf([&] { EstablishChain(*port, 0); }), CVQXException::NoLink) << "nothing echoes the last ECHO";
        EXPECT_EQ(sweeps, row.sweeps);
    }
}

} // namespace
