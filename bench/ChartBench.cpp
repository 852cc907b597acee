// The chart view: (1) drawing 8 curves of 1,000,000 samples each into a 1600 x 1000 chart (the
// picture's display list and its painting; goal under 4 ms a frame in a release build); (2)
// sampling 8 items on a simulated RS-232 chain at 38400 bit/s against the line time of the queries
// a sampling step must make (goal within 1.10 of it; below it the benchmark fails). A plain
// program printing its figures.

#include "app/tools/ChartView.h"
#include "app/tools/gui/ChartPainter.h"
#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class QuietHost : public chartview::IChartViewHost {
public:
    std::string error;
    void ShowError(const std::string& text) override { error = text; }
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return kNo; }
    std::string AskSavePath(const std::string&) override { return {}; }
};

void Drawing()
{
    constexpr int kItems = 8;
    constexpr int kSamples = 1000000;
    constexpr int kWidth = 1600, kHeight = 1000;
    std::vector<ChartSamples> rings(kItems);
    for (int c = 0; c < kItems; ++c) {
        rings[c].SetBufferSize(kSamples);
        for (int i = 0; i < kSamples + 12345; ++i)
            rings[c].AddSample(static_cast<int32_t>(50 + 45 * std::sin(i * 0.001 + c)), i % kSamples);
    }
    chart::PictureInput in;
    in.width = kWidth;
    in.height = kHeight;
    in.title = "Eight curves";
    in.verticalAxis = "Value";
    in.timeline = {kSamples, 12344, kSamples, int64_t{kSamples + 12345} * 100, 100};
    in.hGrid = in.vGrid = true;
    for (int c = 0; c < kItems; ++c)
        in.curves.push_back({&rings[c], 0, 100, chart::CurveColor(c)});
    const chartgui::QtTextMetrics metrics;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::vector<double> model, paint, whole;
    for (int frame = 0; frame < 60; ++frame) {
        // Half the frames while sampling (newest at the right), half scrolled somewhere.
        in.sampling = frame % 2 == 0;
        in.leftSample = (frame * 7919) % kSamples;
        const auto start = Clock::now();
        const chart::Picture picture = chart::Draw(in, metrics);
        const double m = MsSince(start);
        const auto painted = Clock::now();
        image.fill(QColor(192, 192, 192));
        QPainter p(&image);
        chartgui::Paint(p, picture);
        p.end();
        paint.push_back(MsSince(painted));
        model.push_back(m);
        whole.push_back(MsSince(start));
    }
    std::printf("chart drawing, %d curves x %d samples into %d x %d (median of %zu frames): %.3f ms a frame "
                "(display list %.3f ms, painting %.3f ms); goal: under 4 ms\n",
                kItems, kSamples, kWidth, kHeight, whole.size(), Median(whole), Median(model), Median(paint));
}

int Sampling()
{
    constexpr int kBaud = 38400;
    constexpr int kMotors = 8;
    constexpr int kSteps = 40;
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = profile.channel[1].baud = kBaud;
    profile.echo[0] = true;
    // The motors answer inside the PC's writes, each byte handed to the PC's reads when it is
    // whole: a line thread behind a pseudo-terminal would add wake-ups real wires do not have.
    vqxsim::FakeLineOptions options;
    options.pacing = true;
    options.exactArrival = true;
    auto rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(kMotors, profile, true), "bench-chart-line", options);

    ui::COperationContext context;
    CCommPort port;
    SetUpChainPort(port, context, "bench-chart-line", kBaud, kMotors);
    for (int a = 1; a <= kMotors; ++a)
        EnterDetectedMotor(port, a);
    if (!port.OpenPort()) {
        std::printf("chart sampling: the port did not open\n");
        return 1;
    }
    QuietHost host;
    chartview::CChartViewForm form(host, [&port](int portIndex, int address) {
        return portIndex == 0 ? port.GetMotor(address) : nullptr;
    });
    form.Start();
    for (int a = 1; a <= kMotors; ++a) {
        CChartItem item;
        item.SetFields(CWatchItem::kStandard, CWatchItem::kWholeValue, "Position " + std::to_string(a), "RP", -1000,
                       1000);
        item.Item.MotorAddress = a;
        form.AddItem(item);
    }
    form.StartSampling();
    // The line's floor of a sampling step, worked out from the protocol alone: one "RP" per item in
    // item order, answered by the motors as they are when sampling starts.
    bench::LineShape shape;
    shape.baud = kBaud;
    bench::LineFloor floor(shape, bench::MotorsNow(*rig));
    std::vector<double> took;
    double floorSeconds = 0;
    for (int step = 0; step < kSteps; ++step) {
        const double before = floor.Seconds();
        for (int a = 1; a <= kMotors; ++a)
            floor.MotorQuery("RP", a);
        floorSeconds = floor.Seconds() - before;
        const auto start = Clock::now();
        if (!form.SamplingStep(true)) {
            std::printf("chart sampling failed: %s\n", host.error.c_str());
            return 1;
        }
        took.push_back(MsSince(start));
    }
    // The same queries straight through the motors, without the chart: what the port and line take.
    std::vector<double> direct;
    for (int step = 0; step < kSteps; ++step) {
        const auto start = Clock::now();
        for (int a = 1; a <= kMotors; ++a)
            port.GetMotor(a)->SendAndReceive("RP");
        direct.push_back(MsSince(start));
    }
    port.ClosePort();
    const double t = Median(took), f = floorSeconds * 1000.0, raw = Median(direct);
    std::printf("chart sampling step, %d items on a chain of %d at %d bit/s (median of %d): %.2f ms; the line's "
                "floor for its queries %.2f ms; ratio %.3f; goal: within 1.10. The same queries sent straight "
                "through the port: %.2f ms (ratio %.3f), so the chart itself adds %.1f%%\n",
                kMotors, kMotors, kBaud, kSteps, t, f, t / f, raw, raw / f, 100.0 * (t - raw) / raw);
    return bench::HoldsFloor("chart sampling step", t / f) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Drawing();
    return Sampling();
}
