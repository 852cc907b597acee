// The analyzer's row view scrolling through a full log: 30 pages of 5,000 entries (150,000),
// each page scrolled from its first screen to its last, every screen drawn into an image. Prints the
// view's first paint apart, then the time per screen drawn and the rows drawn per screen (goal:
// under 5 ms a screen). A plain program; runs headless.

#include "app/setup/gui/AnalyzerView.h"
#include "core/analyzer/SerialDataAnalyzer.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    CSerialDataAnalyzer analyzer;
    // Traffic as a terminal makes it: commands, echoes and replies of varied lengths.
    for (int page = 0; page < SDA_PAGES; ++page) {
        for (int i = 0; i < SDA_RING; ++i) {
            const std::string text = i % 3 == 2 ? std::to_string(i * 7919) + "\r" : std::to_string(page) + "RPA " + std::to_string(i);
            const uint32_t flags = i % 3 == 0 ? (SDA_SENT | SDA_FROM_TERMINAL) : i % 3 == 1 ? SDA_LOG_ECHO : SDA_RECEIVED;
            analyzer.Page(page).Append(reinterpret_cast<const uint8_t*>(text.data()), text.size(), flags);
        }
    }
    CSdaView view;
    view.resize(900, 700);
    // Shown, so that the viewport has the window's size and a page step is a full screen.
    view.show();
    QApplication::processEvents();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    // The view's first paint fills the glyph caches of its font once, when the window opens; it is
    // printed apart from the screens scrolled through.
    view.SetPage(&analyzer, &analyzer.Page(0));
    const auto first0 = std::chrono::steady_clock::now();
    view.viewport()->render(&image);
    const double firstMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - first0).count();
    long long screens = 0, rows = 0;
    double worst = 0;
    std::vector<double> times;
    const auto start = std::chrono::steady_clock::now();
    for (int page = 0; page < SDA_PAGES; ++page) {
        view.SetPage(&analyzer, &analyzer.Page(page));
        QScrollBar* bar = view.verticalScrollBar();
        for (int top = 0; top <= bar->maximum(); top += bar->pageStep()) {
            bar->setValue(top);
            const auto t0 = std::chrono::steady_clock::now();
            view.viewport()->render(&image);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            worst = std::max(worst, ms);
            times.push_back(ms);
            ++screens;
            rows += view.RowsDrawn();
        }
    }
    const double total = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("analyzer view: %d pages x %d entries, %lld screens of %lld rows drawn\n", SDA_PAGES, SDA_RING, screens,
                screens ? rows / screens : 0);
    std::printf("  the view's first paint %.3f ms; then %.3f ms per screen on average, worst %.3f ms (goal: under 5 ms)\n",
                firstMs, total / std::max(screens, 1LL), worst);
    // The worst screen is the machine's (a wake-up late under load), the quantiles the view's.
    std::sort(times.begin(), times.end());
    if (!times.empty())
        std::printf("  drawing alone: median %.3f ms, 99th percentile %.3f ms\n", times[times.size() / 2],
                    times[times.size() * 99 / 100]);
    return 0;
}
