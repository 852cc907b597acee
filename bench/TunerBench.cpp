// The tuner: (1) redrawing the tuning chart with a full sample array (both curves, grid, ruler)
// into the window's picture and a wide one, display list and painting together; goal under 4 ms.
// (2) Mode 1 tuning runs on a simulated chain of one motor paced at the line rate (pseudo-
// terminal, 9600 bit/s, sampling at 38400), the window's first run included, against their floor:
// the line time of every command and reply a run needs (bench/LineFloor.h): the motor's identity,
// on the first run the upload of the user's program, the download of the tuning program, the
// tuning time the motor's program runs and its "FINISHED" line; goal within 1.05 of the floor.
// (3) Putting the user's program back against its own floor (its serial number, "OFF", the
// download); goal within 1.5. Printed, never asserted.
#include "app/tools/ProgramBackupStore.h"
#include "app/tools/gui/ChartPainter.h"
#include "app/tuning/TuningChart.h"
#include "app/tuning/TuningMotorLink.h"
#include "app/tuning/TuningRun.h"
#include "bench/ChainPort.h"
#include "bench/LineFloor.h"
#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"
#include "platform/fs/ReadFile.h"
#include "scanner/Scanner.h"
#include "tests/sim/wiring/SerialRig.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace tuning;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Drawing()
{
    std::printf("tuning chart redraw with a full array (display list + painting), goal under 4 ms\n");
    chartgui::QtTextMetrics metrics;
    struct Case {
        int width, height, capacity;
    };
    for (const Case c : {Case{580, 260, 576}, Case{1600, 260, 576}, Case{1600, 260, 57600}}) {
        CSampleArray pos, err;
        pos.SetSize(c.capacity);
        err.SetSize(c.capacity);
        for (int i = 0; i < c.capacity; ++i) {
            pos.Add(int32_t(500.0 * i / c.capacity));
            err.Add((i * 37) % 23 - 11);
        }
        TuningChartInput in{c.width, c.height, c.capacity, 1000, true, 0, c.capacity / 2, true, true};
        constexpr int kRounds = 200;
        const auto start = Clock::now();
        for (int i = 0; i < kRounds; ++i) {
            const chart::Picture p = DrawTuningChart(in, pos, err, metrics);
            const QImage image = chartgui::Render(p, c.width, c.height);
            if (image.isNull())
                std::printf("  no image\n");
        }
        std::printf("  %4d x %3d, %6d samples: %.3f ms per redraw\n", c.width, c.height, c.capacity,
                    Ms(Clock::now() - start) / kRounds);
    }
}

struct Agree : ui::IQuestions {
    ui::MessageBoxReply AskMessageBox(const ui::MessageBoxRequest& r) override
    {
        if ((r.style & 0xF) != ui::MB_YESNO)
            std::printf("  (said: %s)\n", r.text.c_str());
        return {(r.style & 0xF) == ui::MB_YESNO ? ui::IDYES : ui::IDOK, false};
    }
    ui::ChoiceReply AskChoice(const ui::ChoiceRequest&) override { return {}; }
    std::optional<std::string> AskMotorIP(const ui::MotorIPRequest&) override { return {}; }
    ui::DownloadDoneReply AskDownloadDone() override { return {}; }
};

// The real run's traffic, each exchange also laid on the floor's line.
class FlooredMotor : public ITuningMotor {
public:
    FlooredMotor(ITuningMotor& real, bench::LineFloor& floor, CScanner& scanner, const std::string& version, int address,
                 const tools::CProgramBackupStore& store, size_t programBytes)
        : m_real(real), m_floor(floor), m_scanner(scanner), m_version(version), m_address(address), m_store(store),
          m_programBytes(programBytes)
    {
    }
    // Measured time per kind of step, to show where a run spends what lies above its floor.
    std::map<std::string, double> spent;
    struct Timed {
        double& into;
        Clock::time_point start = Clock::now();
        ~Timed() { into += Ms(Clock::now() - start); }
    };

    void ReadIdentity() override
    {
        Timed t{spent["identity"]};
        m_real.ReadIdentity();
        bench::ReadVersionFloor(m_floor, m_address);
    }
    double SamplePeriodMs() override { return m_real.SamplePeriodMs(); }
    std::string Ask(const std::string& c) override
    {
        m_floor.MotorQuery(c, m_address);
        return m_real.Ask(c);
    }
    void Send(const std::string& c) override
    {
        m_floor.MotorWrite(c, m_address);
        m_real.Send(c);
    }
    void SendToAll(const std::string& c) override
    {
        m_floor.Write(c, 0, true);
        m_real.SendToAll(c);
    }
    std::string AskCurrent(const std::string& c) override
    {
        m_floor.Query(c, -1, true);
        return m_real.AskCurrent(c);
    }
    std::string ReadLine() override
    {
        Timed t{spent["sample lines"]};
        const std::string line = m_real.ReadLine();
        if (line == "FINISHED")
            m_floor.SleepMs((line.size() + 1) * m_floor.CharSeconds() * 1000.0);
        return line;
    }
    void Purge() override { m_real.Purge(); }
    bool PortOpen() override { return m_real.PortOpen(); }
    void OpenPort() override { m_real.OpenPort(); }
    void ClosePort() override { m_real.ClosePort(); }
    int PortBitPerSec() override { return m_real.PortBitPerSec(); }
    bool SerialPort() override { return m_real.SerialPort(); }
    int MotorChannel() override { return m_real.MotorChannel(); }
    bool EthernetPort() override { return m_real.EthernetPort(); }
    void SwitchBaud(int baud) override
    {
        Timed t{spent["baud switch"]};
        m_floor.Write("BAUD" + std::to_string(baud), 0, true);
        m_floor.SetBaud(baud);
        m_real.SwitchBaud(baud);
    }
    std::string WhyCannotSaveProgram() override { return m_real.WhyCannotSaveProgram(); }
    void SaveProgram() override
    {
        // Once per window and motor: the user's program comes up.
        if (m_store.Entries().empty())
            bench::UploadFloor(m_floor, m_address, m_programBytes);
        Timed t{spent["upload"]};
        m_real.SaveProgram();
    }
    void DownloadTuningProgram(const std::string& text) override
    {
        const std::string image = CTuningMotorLink::CompileTuningProgram(m_scanner, text, m_version);
        bench::DownloadFloor(m_floor, image, true, m_address, true);
        Timed t{spent["download"]};
        m_real.DownloadTuningProgram(text);
    }
    void DownloadMoveProgram(const std::string& path) override { m_real.DownloadMoveProgram(path); }
    void StartTimer() override { m_real.StartTimer(); }
    void WaitUntil(int ms) override { m_real.WaitUntil(ms); }

private:
    ITuningMotor& m_real;
    bench::LineFloor& m_floor;
    CScanner& m_scanner;
    std::string m_version;
    int m_address;
    const tools::CProgramBackupStore& m_store;
    size_t m_programBytes;
};

int Running()
{
    std::printf("mode 1 tuning runs, one motor at 9600 bit/s sampling at 38400 (pseudo-terminal at the line rate), "
                "the window's first run first; goal: measured / floor within 1.05\n");
    vqxsim::MotorProfile profile;
    profile.firmware = "450";
    profile.echo[0] = true;
    CScanner scanner;
    scanner.Scan("a=123\nb=a+1\nPRINT(\"user\",#13)\nEND\n", "450");
    profile.program = scanner.CompiledImage();
    const auto profiles = vqxsim::MakeProfiles(1, profile, true);
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(profiles, options);

    Agree agree;
    ui::COperationContext context;
    context.SetQuestions(&agree);
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), 9600, 1);
    EnterDetectedMotor(port, 1);
    const std::string backups =
        (std::filesystem::temp_directory_path() / ("vqx-tuner-bench-" + std::to_string(::getpid()))).string();
    int status = 0;
    try {
        port.OpenPort();
        CMotor& motor = *port.GetMotor(1);
        motor.ReadVersion();
        tools::CProgramBackupStore store("TM", backups);
        CTuningMotorLink link(motor, scanner, store, context.Progress());
        TuningSettings s;
        s.speed = 100000;
        s.acceleration = 1000;
        CSampleArray pos, err;
        int ruler = -1;
        for (int time : {1000, 1000, 3000}) {
            s.tuningTime = time;
            bench::LineShape shape;
            shape.baud = 9600;
            bench::LineFloor floor(shape, profiles);
            floor.SetTotalTimeoutMs(port.totalTimeout);
            const bool first = store.Entries().empty();
            FlooredMotor floored(link, floor, scanner, motor.Version, 1, store, profile.program.size());
            const auto start = Clock::now();
            const RunOutcome out = CTuningRun(floored, agree, context.Progress()).Run(s, pos, err, ruler);
            const double measured = Ms(Clock::now() - start);
            const double floorMs = floor.Seconds() * 1000.0 + time;
            std::printf("  %4d ms%s: %4d samples, %8.1f ms against a floor of %8.1f ms: %.3f\n", time,
                        first ? " (first run)" : "            ", out.count, measured, floorMs, measured / floorMs);
            for (const auto& [what, ms] : floored.spent)
                std::printf("        %-14s %8.1f ms\n", what.c_str(), ms);
            if (!out.ran || out.count == 0)
                status = 1;
        }
        // What goes back is what the backup holds, compiled again when the motor gave it as text.
        std::string saved;
        if (store.Entries().size() != 1 ||
            platform::ReadRegularFile(store.Entries()[0].path, saved, 0x10000) != platform::ReadStatus::Ok)
            throw CVQXException(CVQXException::CannotOpenFile, "no saved program to put back");
        if (saved.empty() || saved[0] != '$') {
            scanner.Scan(saved, motor.Version);
            saved = scanner.CompiledImage();
        }
        bench::LineShape shape;
        bench::LineFloor restoreFloor(shape, profiles);
        restoreFloor.SetTotalTimeoutMs(port.totalTimeout);
        bench::SerialNumberFloor(restoreFloor, 1);
        restoreFloor.MotorWrite("OFF", 1);
        bench::DownloadFloor(restoreFloor, saved, true, 1, true);
        CTunerBackupOps ops(scanner);
        const auto start = Clock::now();
        const auto results = store.RestoreAll([&port](int, int address) { return port.GetMotor(address); }, ops);
        const double measured = Ms(Clock::now() - start);
        const double floorMs = restoreFloor.Seconds() * 1000.0;
        const bool restored = results.size() == 1 && results[0].message.empty();
        std::printf("  restoring the user's program (serial number, OFF, download; goal within 1.5): %8.1f ms against "
                    "a floor of %8.1f ms: %.3f%s\n",
                    measured, floorMs, measured / floorMs, restored ? "" : " (NOT restored)");
        if (!restored)
            status = 1;
    } catch (const CVQXException& x) {
        std::printf("  not measured: %s\n", x.GetMessage().c_str());
        status = 1;
    }
    port.ClosePort();
    std::error_code ec;
    std::filesystem::remove_all(backups, ec);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Drawing();
    return Running();
}
