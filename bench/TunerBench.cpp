// The tuner: (1) redrawing the tuning chart with a full sample array (both curves, grid, ruler)
// into the window's picture and a wide one, display list and painting together; goal under 4 ms.
// (2) Mode 1 tuning runs on a simulated chain of one motor paced at the line rate (pseudo-
// terminal, 9600 bit/s, sampling at 38400), the window's first run included, against their floor:
// the line time of every command and reply a run must send and take (bench/LineFloor.h), listed
// here command by command whatever the run sent: the saved values, the motor's identity and
// preparation, the run's settings, on the first run the upload of the user's program (the bytes the
// motor sends back), the download of the tuning program, the rate switches, the tuning time the
// motor's program runs and its "FINISHED" line, the end of the run; goal within 1.05 of the floor.
// (3) Putting the user's program back against its own floor (its serial number, "OFF", the
// download); goal within 1.5. A run faster than its floor fails the benchmark (the floor is wrong).
#include "app/tools/ProgramBackupStore.h"
#include "app/tools/gui/ChartPainter.h"
#include "app/tuning/TuningChart.h"
#include "app/tuning/TuningMotorLink.h"
#include "app/tuning/TuningRun.h"
#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"
#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"
#include "scanner/Scanner.h"
#include "tests/sim/wiring/SerialRig.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>
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

// The commands of a mode 1 run, laid on the floor's line as a run must send them: before the
// sampling (the values it saves, the motor's preparation, the run's settings, on the window's first
// run the upload of the user's program, the download of the tuning program, the switch to the
// sampling rate, "RUN"), the sampling itself (the program loops for t sample periods, then prints
// "FINISHED"), and the end of the run (the status word, WAKE to all, OFF, the saved values written
// back, the rate switched back). The replies come from copies of the motor as it was when the run
// began, and for the end as it was when the program finished.
struct ModeOneFloor {
    bench::LineFloor& f;
    int a;
    CScanner& scanner;
    std::string firmware;
    // The replies to RE, Ra, Rb, Rp, Rz, Rt, Rw, RA and (after "a=V") Ra: what the end writes back.
    std::vector<std::pair<std::string, int64_t>> saved;
    size_t uploaded = 0;

    static int64_t Number(const std::string& reply)
    {
        try {
            return std::stoll(reply);
        } catch (...) {
            return 0;
        }
    }

    // The generated program: print width W and offset Z from the move's distance.
    static std::string Program()
    {
        return "p=@P\r\nPRINT(@PE+z,z,#13)\r\nG\r\nCLK=0\r\nWHILE CLK<t\r\nIF CLK>=w P=p G w=t ENDIF\r\n"
               "a=@PE b=@P-p\r\nPRINT(a+z,b+z,#13)\r\nLOOP\r\nPRINT(\"FINISHED\",#13)\r\nEND";
    }

    void UntilSampling(const TuningSettings& s, bool firstRun)
    {
        saved.clear();
        for (const char* v : {"E", "a", "b", "p", "z", "t", "w", "A"})
            saved.emplace_back(v, Number(f.MotorQuery(std::string("R") + v, a)));
        f.MotorWrite("a=V", a);
        saved.emplace_back("V", Number(f.MotorQuery("Ra", a)));
        // The motor's preparation; a motor that is not off is switched off (the question said yes).
        const double periodMs = bench::ReadVersionFloor(f, a);
        if (f.MotorQuery("RBo", a).rfind('1', 0) != 0)
            f.MotorWrite("OFF", a);
        f.MotorQuery("RW", a);
        f.Write("SLEEP", 0, false);
        f.MotorWrite("WAKE", a);
        f.MotorWrite("END", a);
        const int width = int(std::log10(5.0 * std::abs(s.positionOffset)) + 1);
        const int64_t z = int64_t(5 * std::pow(10.0, width - 1));
        const int64_t t = int64_t(s.tuningTime / periodMs);
        for (const std::string& c : {std::string("MP"), "V=" + std::to_string(s.speed),
                                     "A=" + std::to_string(s.acceleration), "D=" + std::to_string(s.positionOffset),
                                     std::string("E=30000"), "z=" + std::to_string(z), "t=" + std::to_string(t),
                                     s.returnToStart ? "w=" + std::to_string(int64_t(s.waitTime / periodMs))
                                                     : std::string("w=t+10000")})
            f.MotorWrite(c, a);
        if (firstRun)
            uploaded = bench::UploadFloor(f, a);
        scanner.Scan(Program(), firmware);
        bench::DownloadFloor(f, scanner.CompiledImage(), true, a, true);
        if (s.switch38400)
            bench::MotorsBaudFloor(f, 38400);
        f.MotorWrite("RUN", a);
        // The program's loop runs until its clock reaches t, then "FINISHED" and its CR follow.
        f.SleepMs(double(t) * periodMs);
        f.SleepMs(9 * f.CharSeconds() * 1000.0);
    }

    void End(int portBaud)
    {
        f.MotorQuery("RW", a);
        f.Write("WAKE", 0, false);
        f.MotorWrite("OFF", a);
        for (const char* v : {"E", "a", "b", "p", "V", "A", "w", "z", "t"})
            for (const auto& [name, value] : saved)
                if (name == v)
                    f.MotorWrite(name + "=" + std::to_string(value), a);
        if (f.Baud() != portBaud)
            bench::MotorsBaudFloor(f, portBaud);
    }
};

// The real link, timed by kind of step (to show where a run spends what lies above its floor); it
// tells when the motor's program has finished, the moment the end of the run starts from.
class TimedMotor : public ITuningMotor {
public:
    TimedMotor(ITuningMotor& real, std::function<void()> finished) : m_real(real), m_finished(std::move(finished)) {}
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
    }
    double SamplePeriodMs() override { return m_real.SamplePeriodMs(); }
    std::string Ask(const std::string& c) override { return m_real.Ask(c); }
    void Send(const std::string& c) override { m_real.Send(c); }
    void SendToAll(const std::string& c) override { m_real.SendToAll(c); }
    std::string AskCurrent(const std::string& c) override { return m_real.AskCurrent(c); }
    std::string ReadLine() override
    {
        std::string line;
        {
            Timed t{spent["sample lines"]};
            line = m_real.ReadLine();
        }
        if (line == "FINISHED")
            m_finished();
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
        m_real.SwitchBaud(baud);
    }
    std::string WhyCannotSaveProgram() override { return m_real.WhyCannotSaveProgram(); }
    void SaveProgram() override
    {
        Timed t{spent["upload"]};
        m_real.SaveProgram();
    }
    void DownloadTuningProgram(const std::string& text) override
    {
        Timed t{spent["download"]};
        m_real.DownloadTuningProgram(text);
    }
    void DownloadMoveProgram(const std::string& path) override { m_real.DownloadMoveProgram(path); }
    void StartTimer() override { m_real.StartTimer(); }
    void WaitUntil(int ms) override { m_real.WaitUntil(ms); }

private:
    ITuningMotor& m_real;
    std::function<void()> m_finished;
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
        // The user's program as the motor holds it: what the upload brings up and the restore puts back.
        const std::string userBody = rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Body(); });
        tools::CProgramBackupStore store("TM", backups);
        CTuningMotorLink link(motor, scanner, store, context.Progress());
        TuningSettings s;
        s.speed = 100000;
        s.acceleration = 1000;
        CSampleArray pos, err;
        int ruler = -1;
        // One floor for the window's life: the port's selection carries from one run to the next.
        bench::LineShape shape;
        shape.baud = 9600;
        bench::LineFloor floor(shape, bench::MotorsNow(*rig));
        floor.SetTotalTimeoutMs(port.totalTimeout);
        CScanner floorScanner;
        ModeOneFloor run{floor, 1, floorScanner, profile.firmware, {}, 0};
        std::vector<vqxsim::SimMotor> finished;
        bool firstRun = true;
        for (int time : {1000, 1000, 3000}) {
            s.tuningTime = time;
            floor.TakeMotors(bench::MotorsNow(*rig));
            const double before = floor.Seconds();
            run.UntilSampling(s, firstRun);
            finished.clear();
            TimedMotor timed(link, [&] { finished = bench::MotorsNow(*rig); });
            const auto start = Clock::now();
            const RunOutcome out = CTuningRun(timed, agree, context.Progress()).Run(s, pos, err, ruler);
            const double measured = Ms(Clock::now() - start);
            if (finished.empty())
                throw CVQXException(CVQXException::NoResponse, "the tuning program never finished");
            floor.TakeMotors(std::move(finished));
            run.End(shape.baud);
            const double floorMs = (floor.Seconds() - before) * 1000.0;
            const double ratio = measured / floorMs;
            std::printf("  %4d ms%s: %4d samples, %8.1f ms against a floor of %8.1f ms: %.3f\n", time,
                        firstRun ? " (first run)" : "            ", out.count, measured, floorMs, ratio);
            if (firstRun)
                std::printf("        (the upload brings up %zu bytes: the program's body and its end byte)\n",
                            run.uploaded);
            for (const auto& [what, ms] : timed.spent)
                std::printf("        %-14s %8.1f ms\n", what.c_str(), ms);
            if (!out.ran || out.count == 0 || !bench::HoldsFloor(firstRun ? "first run" : "run", ratio))
                status = 1;
            firstRun = false;
        }
        // What goes back is the backup of the upload (every LF of the body written as CR LF),
        // compiled again as the motor gave it as text.
        std::string saved;
        for (char c : userBody)
            saved += c == '\n' ? std::string("\r\n") : std::string(1, c);
        if (saved.empty() || saved[0] != '$') {
            floorScanner.Scan(saved, profile.firmware);
            saved = floorScanner.CompiledImage();
        }
        floor.TakeMotors(bench::MotorsNow(*rig));
        const double before = floor.Seconds();
        bench::SerialNumberFloor(floor, 1);
        floor.MotorWrite("OFF", 1);
        bench::DownloadFloor(floor, saved, true, 1, true);
        CTunerBackupOps ops(scanner);
        const auto start = Clock::now();
        const auto results = store.RestoreAll([&port](int, int address) { return port.GetMotor(address); }, ops);
        const double measured = Ms(Clock::now() - start);
        const double floorMs = (floor.Seconds() - before) * 1000.0;
        const bool restored = results.size() == 1 && results[0].message.empty();
        std::printf("  restoring the user's program (serial number, OFF, download; goal within 1.5): %8.1f ms against "
                    "a floor of %8.1f ms: %.3f%s\n",
                    measured, floorMs, measured / floorMs, restored ? "" : " (NOT restored)");
        if (!restored || !bench::HoldsFloor("restore", measured / floorMs))
            status = 1;
    } catch (const CVQXException& x) {
        std::printf("  not measured: %s\n", x.GetMessage().c_str());
        status = 1;
    } catch (const std::exception& x) {
        std::printf("  not measured: %s\n", x.what());
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
