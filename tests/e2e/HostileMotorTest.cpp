// Motors that misbehave in the ways an independent motor model showed: a chain motor that stops
// passing bytes on in the middle of a download, a checksum that fails after the load, a garbled
// identity and a motor left asleep at another rate on an RS-485 bus. (The Ethernet discovery under
// foreign traffic is with the other network detection tests.)

#include "core/VQXException.h"
#include "tests/common/CodeOf.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/RS232Chain.h"
#include "core/detect/RS485Bus.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "tests/e2e/DetectE2EFixture.h"
#include "tests/e2e/TransferLinkRigs.h"
#include "tests/support/ui/HeadlessProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

using namespace transfertest;
using namespace transfer;

namespace {

const std::string kCancelSequence = std::string(kCancelBytes) + "\xFF\xFF ";

std::string LongProgram()
{
    std::string source;
    for (int i = 0; i < 40; ++i)
        source += "a=a+" + std::to_string(i) + "\n";
    return source + "END\n";
}

// An RS-232 chain on the in-process line, on a hand-driven clock (the echo waits of a broken
// chain pass at once), with every write of the PC kept as it was cut.
struct FakeChainMotors : MotorsUnderTest {
    explicit FakeChainMotors(size_t n)
    {
        auto profiles = Profiles(n);
        for (auto& p : profiles)
            p.echo[0] = true;
        static int lines = 0;
        const std::string name = "hostile-chain-" + std::to_string(getpid()) + "-" + std::to_string(++lines);
        vqxsim::FakeLineOptions options;
        options.pcWriteTap = [this](const std::vector<uint8_t>& bytes) { writes.push_back(bytes); };
        rig = vqxsim::FakeLineRig::Chain(profiles, name, options);
        port.PortName = name;
        port.CommType = COMM_RS232;
        port.Echo = 1;
        port.BitPerSec = 9600;
        AddMotors(n);
        port.OpenPort();
    }
    ~FakeChainMotors() override { port.ClosePort(); }
    size_t Count() override { return rig->Count(); }
    void WithSim(int address, const std::function<void(vqxsim::SimMotor&)>& f) override
    {
        rig->WithMotor(static_cast<size_t>(address - 1), [&](vqxsim::SimMotor& m) { f(m); });
    }
    bool Asleep(int address) { return Sim(address, [](vqxsim::SimMotor& m) { return m.Asleep(0); }); }
    std::string Written() const
    {
        std::string all;
        for (const auto& w : writes)
            all.append(w.begin(), w.end());
        return all;
    }
    size_t LongestWrite() const
    {
        size_t n = 0;
        for (const auto& w : writes)
            n = std::max(n, w.size());
        return n;
    }
    // Runs f on the motor at address once count bytes of the image have gone out.
    void WhenSent(int64_t count, int address, std::function<void(vqxsim::SimMotor&)> f)
    {
        progress.Show("Downloading", std::nullopt);
        progress.SetPumpHook([this, count, address, f](ui::CHeadlessProgress&, int kind, int64_t value) {
            if (kind == ui::kProgressCount && value == count)
                WithSim(address, f);
        });
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::vector<std::vector<uint8_t>> writes;
    std::unique_ptr<vqxsim::FakeLineRig> rig;
};

int CodeAndMessage(const std::function<void()>& f, std::string& message)
{
    const auto e = ExceptionOf(f);
    if (e)
        message = e->GetMessage();
    return e ? e->GetCode() : 0;
}

} // namespace

// A wrong echo in the middle: load mode ends with the cancel bytes cut into chunks of at most 8
// like every other write, and the END program replaces the half-written one.
TEST(HostileChain, CancelBytesAfterAnEchoFailureGoOutInChunksOfEight)
{
    FakeChainMotors t(3);
    const std::string file = t.Compile(LongProgram(), "450");
    t.WhenSent(96, 2, [](vqxsim::SimMotor& m) { m.knobs.corruptEchoBytes = 1; });
    t.writes.clear();
    EXPECT_EQ(CodeOf([&] { t.Motor(2).DownloadProgram(file, true, 0, true); }), CVQXException::InvalidEcho);
    EXPECT_NE(t.Written().find(kCancelSequence), std::string::npos);
    EXPECT_LE(t.LongestWrite(), 8u);
    EXPECT_EQ(t.Body(2), "END\n");
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(t.port.Query("RSP", 3), "24576/450");
}

// The middle motor stops passing bytes on while the first loads a calibration program (which gets
// no END program): echo is switched on again along the chain, so the final WAKE reaches the last
// motor; the error says nothing more because nothing is left to mend.
TEST(HostileChain, MotorThatStopsPassingBytesOnIsMadeToEchoBeforeTheFinalWake)
{
    FakeChainMotors t(3);
    const std::string image = *CompileText(LongProgram(), "450");
    t.WhenSent(64, 2, [](vqxsim::SimMotor& m) { m.SetEcho(0, false); });
    std::string message;
    const uint32_t flags = DL_CALIBRATION | DL_NO_CAL_WARNING | DL_NO_MEMORY_CHECK;
    EXPECT_EQ(CodeAndMessage([&] { t.Motor(1).DownloadImage(image, true, flags); }, message),
              CVQXException::NoEcho);
    EXPECT_EQ(message, CVQXException::TextOf(CVQXException::NoEcho));
    for (int a : {1, 2, 3})
        EXPECT_FALSE(t.Asleep(a)) << "motor " << a;
    EXPECT_TRUE(t.Sim(2, [](vqxsim::SimMotor& m) { return m.Echo(0); }));
    EXPECT_EQ(t.port.Query("RSP", 1), "24576/450") << "out of load mode";
    EXPECT_EQ(t.port.Query("RSP", 3), "24576/450");

    // The bare transfer mends the chain the same way.
    t.WhenSent(64, 2, [](vqxsim::SimMotor& m) { m.SetEcho(0, false); });
    EXPECT_EQ(CodeOf([&] {
                  t.Motor(1).SendProgramBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(), true,
                                              0);
              }),
              CVQXException::NoEcho);
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(t.Body(1), "<invalid>");
}

// The middle motor never passes anything on again: what cannot be mended is named in the error.
TEST(HostileChain, BrokenChainNamesTheMotorsLeftAsleepAndWithoutAProgram)
{
    FakeChainMotors t(3);
    const std::string file = t.Compile(LongProgram(), "450");
    t.WhenSent(64, 2, [](vqxsim::SimMotor& m) { m.knobs.dropEchoBytes = -1; });
    std::string message;
    EXPECT_EQ(CodeAndMessage([&] { t.Motor(1).DownloadProgram(file, true, 0, true); }, message),
              CVQXException::NoEcho);
    EXPECT_EQ(message.rfind(CVQXException::TextOf(CVQXException::NoEcho), 0), 0u) << message;
    EXPECT_NE(message.find("may be left asleep: \"Motor 2\", \"Motor 3\"."), std::string::npos) << message;
    EXPECT_NE(message.find("without a valid program: \"Motor 1\"."), std::string::npos) << message;
    EXPECT_TRUE(t.Asleep(3)) << "behind the break nothing can reach it";
    EXPECT_FALSE(t.Asleep(1));
    EXPECT_EQ(t.Body(1), "<invalid>") << "the cancel bytes reached it: no half program that could run";
    EXPECT_LE(t.LongestWrite(), 8u);

    // Once the motor passes bytes on again the chain comes back with the echo set-up.
    t.Sim(2, [](vqxsim::SimMotor& m) {
        m.knobs.dropEchoBytes = 0;
        return 0;
    });
    t.port.SetEchoMode(true);
    t.port.WriteCommand("WAKE", 0, false);
    EXPECT_FALSE(t.AnyAsleep());
}

// A checksum that fails after the whole image went in finds the motor out of load mode: no cancel
// bytes follow (the motor would take their FF bytes for an address), the END program does.
TEST(HostileNet, FailedChecksumSendsNoCancelBytes)
{
    NetMotors t(Profiles(1));
    const std::string file = t.Compile(LongProgram(), "450");
    auto heard = std::make_shared<std::string>();
    t.Sim(1, [heard](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::Wrong;
        m.rawInputHook = [heard](vqxsim::SimMotor&, uint8_t b) {
            heard->push_back(static_cast<char>(b));
            return false;
        };
        return 0;
    });
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, 0, true); }), CVQXException::NotDownloaded);
    const std::string seen = t.Sim(1, [heard](vqxsim::SimMotor& m) {
        m.rawInputHook = nullptr;
        m.knobs.checksumFault = vqxsim::ChecksumFault::None;
        return *heard;
    });
    EXPECT_NE(seen.find("LOAD"), std::string::npos);
    EXPECT_EQ(seen.find(kCancelBytes), std::string::npos);
    EXPECT_EQ(t.Body(1), "END\n");
    EXPECT_NE(t.Motor(1).ProgName, file);
    EXPECT_EQ(t.port.Query("RSP", 1), "24576/450");
}

// A garbled identity: the motor is still entered, a warning says its identity could not be read,
// and the download check says "version unknown" instead of a version difference. Where the
// factory data holds a version, that one stands in (and the warning says so).
TEST_F(DetectSerialE2E, GarbledIdentityIsReportedAndLaterChecksSayVersionUnknown)
{
    auto profiles = vqxsim::MakeProfiles(3, ProfileAt(9600));
    profiles[1].layout = vqxsim::FactoryLayout::None;
    Chain(profiles, 9600);
    for (size_t i : {1, 2})
        Sim(i, [](vqxsim::SimMotor& m) { m.knobs.garbleIdentity = true; });
    ASSERT_EQ(AddressServos(*port, 0), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 3);
    EXPECT_EQ(Listed(0)->Version, "450");
    EXPECT_EQ(Listed(1)->Version, "");
    EXPECT_EQ(Listed(2)->Version, "450") << "from the factory block";
    ASSERT_EQ(info.WarningCount(), 2);
    const auto& lines = info.Lines();
    EXPECT_EQ(lines[lines.size() - 2].description,
              "The identity of the motor \"Motor2-Line\" could not be read: its firmware version is unknown.");
    EXPECT_EQ(lines.back().description, "The identity of the motor \"Motor3-Line\" could not be read; its firmware "
                                        "version is taken from its factory data.");

    const std::string image = "$400000020000000800000000040000000000000000a=a END\n";
    std::string message;
    EXPECT_EQ(CodeAndMessage([&] { Listed(1)->DownloadImage(image, false, 0); }, message),
              CVQXException::MajorVersionDifference);
    EXPECT_EQ(message, "The motor version is unknown: its identity could not be read!");
    questions.AnswerChoice(100); // skip this motor
    EXPECT_EQ(Listed(1)->DownloadImage(image, false, DL_SEVERAL) & DL_CANCELLED, 0u);
    EXPECT_EQ(questions.AskedQuestions().back().choice.text, "Error:\nThe motor version is unknown.");
    EXPECT_EQ(info.Lines().back().description, "The motor version is unknown: its identity could not be read!");
    EXPECT_FALSE(AnyAsleep());

    // The same through the detection of the addressed chain.
    ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
    EXPECT_EQ(info.WarningCount(), 4);
    EXPECT_FALSE(AnyAsleep());
}

// A motor asleep and unselected at another rate hears the commands to all of the rate sweep only
// when they carry the address byte: after each reopen they do.
TEST_F(DetectSerialE2E, ScanWakesAMotorAsleepAtAnotherRate)
{
    std::vector<vqxsim::MotorProfile> profiles;
    for (uint32_t i = 0; i < 4; ++i) {
        auto p = ProfileAt(i == 2 ? 19200 : 9600, "450", ('Q' << 24) | (10 + i));
        p.address = static_cast<int>(i) + 1;
        profiles.push_back(p);
    }
    Bus(profiles, 9600);
    Sim(2, [](vqxsim::SimMotor& m) { m.SetAsleep(0, true); });
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Listed(i)->Address, i + 1);
    EXPECT_EQ(Sim(2, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 9600);
    EXPECT_FALSE(AnyAsleep());
}
