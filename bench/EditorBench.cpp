// The source editor's speed (a plain program: it prints its figures):
//  1. opening a 10,000-line program and highlighting all of it (goal: under 150 ms);
//  2. one keystroke in the middle of that program, with the re-highlighting it causes (goal: under
//     2 ms);
//  3. compiling a 4 KB program from the editor and downloading it into a simulated motor of an
//     RS-232 chain at 38400 bit/s, against its floor: the line time of every command and reply one
//     download to a chosen motor must send and take (bench/LineFloor.h), listed here whatever the
//     run sent (goal within 1.10); faster than the floor fails the benchmark.
// Runs headless (offscreen) unless a display platform is given.

#include "app/editor/EditorDownload.h"
#include "app/editor/gui/SourceHighlighter.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/editor/gui/VQXView.h"
#include "app/shell/gui/AppContext.h"
#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"
#include "bench/SentCounter.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "scanner/Scanner.h"
#include "tests/sim/wiring/SerialRig.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// A program of `lines` lines with every kind of token the highlighter colours.
std::string Program(int lines)
{
    const char* body[] = {"C%d ' label %d",       "  a=a+%d",          "  IF a>%d",           "    V=1000 A=50 G",
                          "  ELSE",                "    PRINT(\"x=\",a,#13)", "  ENDIF",         "  WHILE b<%d",
                          "    b=b+1 ' count",     "  LOOP"};
    std::string out;
    char buf[96];
    for (int i = 0; i < lines - 1; ++i) {
        std::snprintf(buf, sizeof buf, body[i % 10], i % 900 + 10, i);
        out += buf;
        out += '\n';
    }
    return out + "END";
}

std::time_t FileTime(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Doc : editor::ISourceDocument {
    std::string path, text;
    std::string PathName() const override { return path; }
    std::string Title() const override { return "bench.tqs"; }
    std::string LanguageVersion() const override { return {}; }
    bool IsCalibration() const override { return false; }
    std::string PlainText() const override { return text; }
    bool EnsureSaved() override { return true; }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The editor works in the program's context: its settings, questions and compiler.
    shell::CQtDesktopServices desktop(ui::COperationContext::Default().Questions());
    CScanner editorScanner;
    shell::CAppContext appContext(ui::COperationContext::Default(), desktop, editorScanner, platform::GetClock());
    editor::EditorEnvironment env;
    env.app = &appContext;
    const std::string folder = "/tmp/vqx-editor-bench-" + std::to_string(::getpid());
    std::system(("mkdir -p " + folder).c_str());
    const std::string path = folder + "/big.tqs";
    std::ofstream(path) << Program(10000);

    // 1. Open and highlight.
    std::vector<double> open;
    CVQXView* view = nullptr;
    for (int run = 0; run < 7; ++run) {
        delete view;
        view = new CVQXView(env);
        view->resize(900, 700);
        view->show();
        std::string error;
        const auto start = Clock::now();
        if (!view->GetDocument()->OnOpenDocument(QString::fromStdString(path), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        QApplication::processEvents();
        open.push_back(Ms(start, Clock::now()));
    }
    int highlighted = 0;
    for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
        highlighted += b.layout()->formats().isEmpty() ? 0 : 1;
    std::printf("open and highlight 10,000 lines: median %.1f ms, best %.1f ms (goal < 150 ms; %d runs; %d lines "
                "carry colours)\n",
                Median(open), *std::min_element(open.begin(), open.end()), static_cast<int>(open.size()), highlighted);

    // 2. Keystrokes in the middle of the file.
    QTextCursor c(view->document()->findBlockByNumber(5003));
    c.movePosition(QTextCursor::EndOfBlock);
    view->setTextCursor(c);
    std::vector<double> keys;
    for (int i = 0; i < 400; ++i) {
        const bool erase = i % 2 == 1;
        QKeyEvent press(QEvent::KeyPress, erase ? Qt::Key_Backspace : Qt::Key_G, Qt::NoModifier,
                        erase ? QString() : QStringLiteral("G"));
        const auto start = Clock::now();
        QApplication::sendEvent(view, &press);
        QApplication::processEvents();
        keys.push_back(Ms(start, Clock::now()));
    }
    std::printf("one keystroke with its re-highlight: median %.3f ms, 95th %.3f ms (goal < 2 ms; %zu keys)\n",
                Median(keys), [&] { auto k = keys; std::sort(k.begin(), k.end()); return k[k.size() * 95 / 100]; }(),
                keys.size());
    delete view;

    // 3. Compile and download a 4 KB program at 38400 bit/s.
    vqxsim::MotorProfile profile;
    profile.firmware = "450";
    profile.channel[0].baud = 38400;
    profile.echo[0] = true;
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(1, profile, true), options);
    bench::SentCounter sent;
    ui::COperationContext context;
    context.Options().DownloadDelay = 0;
    context.SetTrafficLog(&sent);
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), 38400, 1);
    CMotor* motor = &AddBenchMotor(port, 1);

    Doc doc;
    doc.path = folder + "/four.tqs";
    std::string text;
    for (int i = 0; text.size() < 3900; ++i)
        text += "a=a+" + std::to_string(i % 100) + " b=b-1\n";
    doc.text = text + "END\n";
    const bool held = bench::RunCase("compile and download", [&] {
        port.OpenPort();
        CScanner scanner;
        editor::CSourceBuild build(scanner, context, nullptr);
        editor::CEditorDownload download(build, nullptr, {});
        const auto compileStart = Clock::now();
        build.BuildActiveView(doc, motor, false, false);
        const double compileMs = Ms(compileStart, Clock::now());
        bench::LineFloor f({38400, false, true, 0}, bench::MotorsNow(*rig));
        f.SetTotalTimeoutMs(port.totalTimeout);
        const size_t before = sent.sent;
        const auto start = Clock::now();
        download.DownloadProgram(doc, motor);
        const double seconds = Ms(start, Clock::now()) / 1000.0;
        const std::string compiled = CScanner::GetCompiledFileName(doc.path);
        std::string image;
        std::ifstream in(compiled, std::ios::binary);
        image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (image.empty())
            throw std::runtime_error("no compiled program");
        if (!rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); }))
            throw std::runtime_error("the motor does not hold the program");
        // What one download to a chosen motor must send (flags without the probe's skip): the
        // servoing check, the program-memory probe, the echo set-up, isolating the motor, END,
        // LOAD, the image and its terminator, the checksum, WAKE; then the program's record in the
        // factory block (its name, the file's time, its size).
        bench::DownloadFloor(f, image, true, 1, true);
        bench::ProgramInfoFloor(f, 1, bench::ProgramRecord(compiled, FileTime(compiled), uint32_t(image.size())), false);
        const double ratio = seconds / f.Seconds();
        const std::string note = bench::BytesNote(sent.sent - before, f.BytesSent());
        std::printf("compile and download %zu bytes at 38400: %.2f s (the compile alone %.1f ms); floor %.2f s "
                    "(ratio %.3f)%s%s\n",
                    image.size(), seconds, compileMs, f.Seconds(), ratio, note.empty() ? "" : "; ", note.c_str());
        return bench::HoldsFloor("compile and download", ratio);
    });
    port.ClosePort();
    std::system(("rm -rf " + folder).c_str());
    return held ? 0 : 1;
}
