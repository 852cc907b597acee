// Faults in the middle of a transfer: each gives its error and leaves the motors awake, holding a
// valid program (the END program), with the port still usable.

#include "core/VQXException.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "tests/e2e/TransferLinkRigs.h"
#include "tests/support/ui/HeadlessProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace transfertest;
using namespace transfer;

namespace {

// What every fault must leave behind.
void ExpectSafe(SerialMotors& t, int address)
{
    EXPECT_EQ(t.Body(address), "END\n");
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(t.port.Query("RSP", address), "24576/450");
}

// The motor at address changes one echo byte once count bytes of the image have gone out.
void CorruptEchoWhenSent(SerialMotors& t, int address, int64_t count)
{
    t.progress.Show("Downloading", std::nullopt);
    t.progress.SetPumpHook([&t, address, count](ui::CHeadlessProgress&, int kind, int64_t value) {
        if (kind == ui::kProgressCount && value == count)
            t.Sim(address, [](vqxsim::SimMotor& m) {
                m.knobs.corruptEchoBytes = 1;
                return 0;
            });
    });
}

// A program long enough for a fault half-way.
std::string LongProgram()
{
    std::string source;
    for (int i = 0; i < 40; ++i)
        source += "a=a+" + std::to_string(i) + "\n";
    return source + "END\n";
}

} // namespace

TEST(TransferFaults, WrongEchoMidTransfer)
{
    SerialMotors t(true, Profiles(2));
    const std::string file = t.Compile(LongProgram(), "450");
    CorruptEchoWhenSent(t, 2, 96);
    EXPECT_EQ(CodeOf([&] { t.Motor(2).DownloadProgram(file, true, 0, true); }), CVQXException::InvalidEcho);
    ExpectSafe(t, 2);
    EXPECT_EQ(t.Motor(2).ProgName, "<END>");
}

TEST(TransferFaults, WrongEchoWhileLoadingAtALimitedRate)
{
    SerialMotors t(true, Profiles(2, "462"), {}, 19200);
    auto compiled = CompileText(LongProgram(), "462");
    ASSERT_TRUE(compiled);
    compiled->replace(1, 3, "462");
    const std::string file = t.folder.File("limited.tqx");
    WriteFile(file, *compiled);
    CorruptEchoWhenSent(t, 1, 64);
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, true, 0, true); }), CVQXException::InvalidEcho);
    EXPECT_EQ(t.Body(1), "END\n");
    EXPECT_EQ(t.Motor(1).ProgName, "<END>");
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(t.port.BitPerSec, 19200);
    for (int a : {1, 2})
        EXPECT_EQ(t.Sim(a, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 19200);
    EXPECT_EQ(t.port.Query("RSP", 2), "24576/462");
}

TEST(TransferFaults, ChecksumMismatch)
{
    SerialMotors t(false, Profiles(1), {}, 38400);
    const std::string file = t.Compile(LongProgram(), "450");
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::Wrong;
        return 0;
    });
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, 0, true); }), CVQXException::NotDownloaded);
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::None;
        return 0;
    });
    ExpectSafe(t, 1);
    EXPECT_NE(t.Motor(1).ProgName, file);

    // Blind: the failure is not rethrown, and the END program is still put in place.
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::Invalid;
        return 0;
    });
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, DL_BLIND, false); }), 0);
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::None;
        return 0;
    });
    ExpectSafe(t, 1);
}

TEST(TransferFaults, CancelAtHalfWay)
{
    for (bool chain : {true, false}) {
        SerialMotors t(chain, Profiles(2), {}, chain ? 9600 : 38400);
        const std::string file = t.Compile(LongProgram(), "450");
        const auto size = static_cast<int64_t>(ReadFile(file).size());
        t.progress.Show("Downloading", std::nullopt);
        t.progress.SetAskBeforeCancel(false);
        t.progress.CancelAtCount(size / 2);
        const uint32_t flags = t.Motor(1).DownloadProgram(file, true, 0, true);
        EXPECT_TRUE(flags & DL_CANCELLED);
        ExpectSafe(t, 1);
        EXPECT_EQ(t.info.Lines().back().description, kCancelledText);
        // The motor never saw the whole image.
        EXPECT_LT(t.Sim(1, [](vqxsim::SimMotor& m) {
            size_t loads = 0;
            for (const std::string& c : m.CommandLog())
                loads += c == "LOAD" ? 1 : 0;
            return loads;
        }), 3u);
        EXPECT_EQ(t.Motor(1).ProgName, "<END>");
    }
}

TEST(TransferFaults, UploadThatStopsHalfWayIsNoUpload)
{
    SerialMotors t(false, Profiles(1), {}, 38400);
    const std::string file = t.Compile(LongProgram(), "450");
    t.Motor(1).DownloadProgram(file, false, 0, true);
    const std::string target = t.folder.File("Uploaded.tqs");
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.uploadTruncateAt = 50;
        return 0;
    });
    t.port.totalTimeout = 100;
    EXPECT_EQ(CodeOf([&] { t.Motor(1).UploadProgram(target, false, false); }), CVQXException::NoResponse);
    EXPECT_FALSE(std::filesystem::exists(target));
    const std::string body = t.Body(1).substr(0, 50);
    const auto lines = static_cast<size_t>(std::count(body.begin(), body.end(), '\n'));
    EXPECT_EQ(ReadFile(target + ".partial").size(), 50u + lines); // each LF became CR LF
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_FALSE(t.Motor(1).CompareProgram(true, false));

    // Nothing at all: no partial file either.
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.uploadTruncateAt = 0;
        return 0;
    });
    std::filesystem::remove(target + ".partial");
    EXPECT_EQ(CodeOf([&] { t.Motor(1).UploadProgram(target, false, false); }), CVQXException::NoResponse);
    EXPECT_FALSE(std::filesystem::exists(target + ".partial"));
    EXPECT_FALSE(std::filesystem::exists(target));

    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.uploadTruncateAt = -1;
        return 0;
    });
    EXPECT_EQ(t.port.Query("RSP", 1), "24576/450");
    EXPECT_TRUE(t.Motor(1).CompareProgram(true, false));
}

TEST(TransferFaults, UploadRefusesMotorsWithoutAValidProgram)
{
    vqxsim::MotorProfile p = Profiles(1)[0];
    p.hasEeprom = false;
    SerialMotors t(false, {p}, {}, 38400);
    t.Sim(1, [](vqxsim::SimMotor& m) { m.SetAddress(1); return 0; });
    const std::string target = t.folder.File("none.tqs");
    EXPECT_EQ(CodeOf([&] { t.Motor(1).UploadProgram(target, false, false); }), CVQXException::NoEEPROM);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(CodeOf([&] { t.Motor(1).UploadProgram("/nonexistent-folder/x.tqs", false, false); }),
              CVQXException::CannotWriteFile);
    EXPECT_FALSE(t.AnyAsleep());
}

TEST(TransferFaults, EthernetUploadThatLosesItsMotorHalfWay)
{
    NetMotors t(Profiles(1));
    const std::string file = t.Compile(LongProgram(), "450");
    t.Motor(1).DownloadProgram(file, false, 0, false);
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.uploadTruncateAt = 30;
        return 0;
    });
    t.port.totalTimeout = 100;
    const std::string target = t.folder.File("net.tqs");
    EXPECT_EQ(CodeOf([&] { t.Motor(1).UploadProgram(target, false, true); }), CVQXException::NoResponse);
    EXPECT_FALSE(std::filesystem::exists(target));
    // Raw: the bytes as they came.
    EXPECT_EQ(ReadFile(target + ".partial"), t.Body(1).substr(0, 30));
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(t.port.Query("RSP", 1), "24576/450");
}

TEST(TransferQuestions, UsbMotor462LoadsAtNineThousandSixHundred)
{
    UsbMotors t(Profiles(1, "462"));
    auto compiled = CompileText(kSampleProgram, "462");
    ASSERT_TRUE(compiled);
    compiled->replace(1, 3, "462");
    const std::string file = t.folder.File("usb462.tqx");
    WriteFile(file, *compiled);
    t.Motor(1).DownloadProgram(file, false, 0, false);
    EXPECT_TRUE(UploadMatchesImage(t.Body(1), *compiled));
    const auto frames = t.rig->Device(0)->WriteLog();
    bool at9600 = false;
    for (const auto& f : frames)
        at9600 = at9600 || (f.baud == 9600 && f.heard);
    EXPECT_TRUE(at9600);
    EXPECT_EQ(t.rig->Device(0)->HostBaud(), 38400u);
    EXPECT_EQ(t.port.Query("RSP", 1), "24576/462");
}

TEST(TransferFaults, BareTransferThatFailsEndsLoadingAndWakesTheMotors)
{
    SerialMotors t(true, Profiles(2));
    const std::string image = *CompileText(LongProgram(), "450");
    CorruptEchoWhenSent(t, 2, 96);
    EXPECT_EQ(CodeOf([&] {
                  t.Motor(2).SendProgramBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(), true, 0);
              }),
              CVQXException::InvalidEcho);
    EXPECT_FALSE(t.AnyAsleep());
    // The half-written program is not taken for a program, and the motor hears commands again.
    EXPECT_EQ(t.Body(2), "<invalid>");
    EXPECT_EQ(t.port.Query("RSP", 2), "24576/450");
}
