// VQX's start-up time and idle CPU use, printed as figures (goals: under 0.3 s from process start
// to the main window shown with the splash off; under 1 % of one core while idle for 10 s with the
// 5 ms poll timer running and no tool window). Runs headless unless a display is asked for.

#include "app/frame/gui/MainFrame.h"
#include "app/frame/gui/VQXApp.h"
#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Seconds since boot at which this process started (/proc/self/stat, field 22).
double ProcessStartSinceBoot()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
    }
    return std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double SinceBoot()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double CpuSeconds(int who = RUSAGE_SELF)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// The least any program pays here for waking every 5 ms: a bare loop of 5 ms waits, nothing else.
// On a virtual machine each wake-up costs tens of microseconds of the guest's own time.
double BareTickShare(double seconds)
{
    const double cpu0 = CpuSeconds(RUSAGE_THREAD);
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < seconds * 1000)
        poll(nullptr, 0, 5);
    return (CpuSeconds(RUSAGE_THREAD) - cpu0) / (wall.elapsed() / 1000.0);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private registry and runtime folder: the benchmark never touches the user's settings.
    char folder[] = "/tmp/vqx-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    setenv("VQX_REGISTRY_DIR", folder, 1);

    QApplication qapp(argc, argv);
    platform::AppProfile().WriteInt("OptionBoxes", "ShowLogo", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "NoStartupTips", 1);
    platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 0); // the main window is what is timed
    if (qEnvironmentVariableIsEmpty("VQX_HOME")) {
        platform::SetAppFolder(folder);
        CMotorModels().Save(std::string(folder) + "/TQModels.tqm");
    }

    // Removes the private folder after the application (declared later, destroyed first) has
    // released its instance lock in it.
    struct RemoveFolder {
        const char* path;
        ~RemoveFolder()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } removeFolder{folder};
    CVQXApp app(QString::fromLatin1(folder) + QStringLiteral("/run"));
    if (!app.InitInstance({})) {
        std::fprintf(stderr, "VQX did not start\n");
        return 1;
    }
    QApplication::processEvents();
    const double startup = SinceBoot() - ProcessStartSinceBoot();
    std::printf("VQX start-up, process start to main window shown: %.3f s (goal < 0.3 s; clock tick %ld Hz)\n",
                startup, sysconf(_SC_CLK_TCK));

    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    QElapsedTimer wall;
    const double cpu0 = CpuSeconds();
    wall.start();
    QTimer::singleShot(seconds * 1000, &qapp, &QApplication::quit);
    QApplication::exec();
    const double cpu = CpuSeconds() - cpu0;
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("VQX idle with the poll timer running, %.1f s: %.2f %% of one core (goal < 1 %%); poll cursor state %d\n",
                elapsed, 100.0 * cpu / elapsed, app.MainFrame()->PollState().State());
    const double bare = BareTickShare(std::min(seconds, 5));
    std::printf("  a bare 5 ms wait loop on this machine (the least any 5 ms tick costs): %.2f %% of one core; "
                "VQX above it: %.2f %%\n",
                100.0 * bare, 100.0 * (cpu / elapsed - bare));
    app.MainFrame()->close();
    app.ExitInstance(0);
    return 0;
}
