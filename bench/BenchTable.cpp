#include "bench/BenchTable.h"

#include "bench/FloorCheck.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace bench {
namespace {

std::string Seconds(double s)
{
    char text[32];
    if (s < 1.0)
        std::snprintf(text, sizeof text, "%.2f ms", s * 1000.0);
    else
        std::snprintf(text, sizeof text, "%.3f s", s);
    return text;
}

} // namespace

int RunCases(const std::vector<Case>& cases)
{
    std::printf("%-52s %12s %12s %7s %9s %8s %5s  %s\n", "case", "measured", "floor", "ratio", "target", "host CPU",
                "load", "status");
    std::fflush(stdout);
    int failed = 0;
    std::vector<std::string> notes;
    for (const Case& c : cases) {
        Result r;
        try {
            r = c.run();
        } catch (...) {
            r.error = ErrorText(std::current_exception());
        }
        std::string status = "ok";
        std::string ratio = "-", floor = "-", target = "-", cpu = "-";
        if (r.cpuShare >= 0) {
            char text[16];
            std::snprintf(text, sizeof text, "%.1f%%", r.cpuShare * 100.0);
            cpu = text;
        }
        if (r.error.empty() && r.floor > 0) {
            const double q = r.measured / r.floor;
            char text[16];
            std::snprintf(text, sizeof text, "%.3f", q);
            ratio = text;
            floor = Seconds(r.floor);
            std::snprintf(text, sizeof text, "<= %.2f", r.target);
            target = text;
            if (q < 1.0) {
                status = kBelowFloor;
                ++failed;
            } else if (q > r.target) {
                status = "above target";
            }
        } else if (r.error.empty() && r.target > 0) {
            target = "< " + Seconds(r.target);
            if (r.measured >= r.target)
                status = "above target";
        }
        if (!r.error.empty()) {
            status = "FAILED: " + r.error;
            ++failed;
        }
        // The machine's load average over the last minute, taken when the case ends: figures
        // measured on a busy machine are read with it.
        double load[1] = {-1};
        char loadText[16] = "-";
        if (getloadavg(load, 1) == 1)
            std::snprintf(loadText, sizeof loadText, "%.1f", load[0]);
        std::printf("%-52s %12s %12s %7s %9s %8s %5s  %s\n", c.name.c_str(), r.error.empty() ? Seconds(r.measured).c_str() : "-",
                    floor.c_str(), ratio.c_str(), target.c_str(), cpu.c_str(), loadText, status.c_str());
        std::fflush(stdout);
        if (!r.note.empty())
            notes.push_back(c.name + ": " + r.note);
    }
    for (const std::string& n : notes)
        std::printf("  %s\n", n.c_str());
    if (failed)
        std::printf("%d case(s) failed\n", failed);
    return failed ? 1 : 0;
}

} // namespace bench
