// The random walk at the input level: a real program of the suite (the sanitizer build) on a
// virtual X screen under a real window manager (scripts/desktop-session starts both), walked as a
// user who tries everything: clicks, double-clicks, right-clicks and short drags at random points
// of its windows, dialogs and menus, keys and menus by keyboard, typed text, and the window
// manager's close, each a real event through the X server. After each step the walk waits until
// the program has taken it in (it answers a ping) before the next.
//
//   vqx-desktopwalk --program vqx|vqx-tools|synmove|iotester|jogger --seed N --steps N [--trace]
//
// vqx starts as a new user meets it (the playground first); vqx-tools starts in the main window,
// finds the motors and opens every tool window through the menus first, so that the walk changes
// the project under them. The clients run on simulated motors through the engine library.
//
// The walk fails on a sanitizer report, an abort or unexpected exit, or a window that does not
// answer for 60 s; it then prints the seed, the way to walk it again and its last steps. A program
// the walk closed is started again, as a user would. Everything happens in the walk's folder
// (Sandbox.h), kept when the walk fails: walk.log (every step), program.log (its output),
// screen.ppm (the screen at the end). DESKTOP_WALK_KEEP=1 keeps it after a clean walk too, and
// DESKTOP_WALK_HOLD=<s> leaves the program on the screen that long after the last step.

// The dice first: Xlib defines Below as a stacking constant, not wanted here.
#include "tests/support/Dice.h"

#include "tests/desktop/Sandbox.h"
#include "tests/desktop/XDesk.h"

#include <X11/keysym.h>
#undef Below

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using desk::Win;
using Clock = std::chrono::steady_clock;
constexpr auto kAnswerWithin = std::chrono::seconds(60);
constexpr const char* kMainTitle = "Tessaraxon Interface";

struct Program {
    const char* name;
    const char* exe;
    std::vector<std::string> sim; // vqx-motorsim's arguments
    bool vqx;
    bool tools;
};

const std::vector<Program> kPrograms = {
    {"vqx", VQX_PROGRAM_VQX, {"chain", "3"}, true, false},
    {"vqx-tools", VQX_PROGRAM_VQX, {"chain", "3"}, true, true},
    {"synmove", VQX_PROGRAM_SYNMOVE, {"chain", "3", "--host-mode"}, false, false},
    {"iotester", VQX_PROGRAM_IOTESTER, {"chain", "2"}, false, false},
    {"jogger", VQX_PROGRAM_JOGGER, {"chain", "2", "--motion"}, false, false},
};

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Hex(unsigned long v)
{
    char b[24];
    std::snprintf(b, sizeof b, "0x%lx", v);
    return b;
}

class Walk {
public:
    Walk(const Program& program, uint32_t seed, int steps, bool trace)
        : m_program(program), m_seed(seed), m_steps(steps), m_trace(trace), m_dice(seed),
          m_box(std::string(VQX_BUILD_DIR) + "/desktop-walks/" + program.name + "-" + std::to_string(seed) + "-" +
                std::to_string(steps))
    {
    }
    ~Walk() { Stop(); }

    // Ends the program and the motors (the walk's own processes, by their ids).
    void Stop()
    {
        for (pid_t* pid : {&m_pid, &m_simPid})
            if (*pid > 0) {
                kill(*pid, SIGKILL);
                waitpid(*pid, nullptr, 0);
                *pid = -1;
            }
        if (m_errFd >= 0)
            close(m_errFd);
        m_errFd = -1;
    }

    int Run()
    {
        const auto start = Clock::now();
        m_log.open(m_box.Path("walk.log"));
        m_programLog.open(m_box.Path("program.log"), std::ios::binary);
        try {
            Prepare();
            StartProgram();
            if (m_program.tools)
                OpenToolWindows();
            for (m_step = 1; m_step <= m_steps; ++m_step) {
                OneStep();
                Settle();
            }
        } catch (const Failure& f) {
            Report(f.what());
            return 1;
        }
        // DESKTOP_WALK_HOLD=<s>: the program stays that long after the last step, to be looked at.
        if (const char* hold = std::getenv("DESKTOP_WALK_HOLD"))
            std::this_thread::sleep_for(std::chrono::seconds(std::atoi(hold)));
        const long seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
        std::cout << "desktop walk: " << m_program.name << " seed " << m_seed << ": " << m_steps << " steps clean, "
                  << m_restarts << " restarts, " << seconds << " s" << std::endl;
        m_log.close();
        Stop();
        if (!std::getenv("DESKTOP_WALK_KEEP"))
            desk::RemoveTree(m_box.Folder());
        return 0;
    }

private:
    // ---- the folder, the motors, the program ----------------------------------------------------

    void Prepare()
    {
        // Every "Com<n>" a missing file of the folder (no device of the machine); the clients' Com1
        // is the motors (VQX is given them as its port).
        std::string ports = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Korvessan\\Ports]\n";
        for (int n = 1; n <= 32; ++n) {
            const bool motors = n == 1 && !m_program.vqx;
            ports += "\"Com" + std::to_string(n) + "\"=\"" + (motors ? Link() : m_box.Path("no-com" + std::to_string(n))) + "\"\n";
        }
        // The walk that opens the tool windows starts in the main window, as a user who turned off
        // the playground at start and the box after a detection with errors (the missing ports).
        if (m_program.tools)
            ports += "\n[HKEY_CURRENT_USER\\Software\\Korvessan\\VQX\\OptionBoxes]\n"
                     "\"ShowPlayground\"=dword:00000000\n\"ErrorsDetected\"=dword:00000001\n";
        m_box.Write("reg/user.reg", ports);
        m_box.Copy(std::string(VQX_SOURCE_DIR) + "/synmove/examples/circle.syn", "home/circle.syn");
        m_box.HandOver();
        if (!m_program.vqx) {
            // The clients find the engine through the registry: registered in the folder's.
            const pid_t reg = m_box.Start({VQX_REGSVR, VQX_ENGINE_LIBRARY}, {}, -1, -1);
            int status = 0;
            if (waitpid(reg, &status, 0) != reg || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
                throw Failure("the engine could not be registered in " + m_box.Path("reg"));
        }
        std::vector<std::string> sim = {VQX_MOTORSIM};
        sim.insert(sim.end(), m_program.sim.begin(), m_program.sim.end());
        sim.insert(sim.end(), {"--link", Link()});
        const int simLog = open(m_box.Path("sim.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        m_simPid = m_box.Start(sim, {}, simLog, simLog);
        close(simLog);
        for (int i = 0; i < 300 && !std::filesystem::exists(Link()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!std::filesystem::exists(Link()))
            throw Failure("the simulated motors did not start (" + m_box.Path("sim.log") + ")");
    }
    std::string Link() const { return m_box.Path("run/motors"); }

    void StartProgram()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw Failure("no pipe");
        std::string lsan = std::string("suppressions=") + VQX_SOURCE_DIR + "/tests/desktop/lsan.supp:print_suppressions=0";
        if (const char* given = std::getenv("LSAN_OPTIONS"))
            lsan = std::string(given) + ":" + lsan;
        std::map<std::string, std::string> env = {{"VQX_HOME", VQX_STAGING_DIR}, {"LSAN_OPTIONS", lsan}};
        if (m_program.vqx)
            env["VQX_PORT"] = Link();
        const int out = open(m_box.Path("program.out").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        m_pid = m_box.Start({m_program.exe}, env, out, fds[1]);
        close(out);
        close(fds[1]);
        if (m_errFd >= 0)
            close(m_errFd);
        m_errFd = fds[0];
        fcntl(m_errFd, F_SETFL, O_NONBLOCK);
        Note("start " + std::string(m_program.exe) + " (pid " + std::to_string(m_pid) + ")");
        Settle();
    }

    // Reads what the program wrote to stderr; a sanitizer's report fails the walk once it is whole.
    void Drain()
    {
        char buf[65536];
        ssize_t n;
        while (m_errFd >= 0 && (n = read(m_errFd, buf, sizeof buf)) > 0) {
            m_programLog.write(buf, n);
            m_programLog.flush();
            m_stderr.append(buf, static_cast<size_t>(n));
        }
        for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                                 "ERROR: UndefinedBehaviorSanitizer", "terminate called"}) {
            const size_t at = m_stderr.find(mark);
            if (at == std::string::npos)
                continue;
            // The sanitizer ends the program when its report is written.
            for (int i = 0; i < 600 && !Exited(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                while (m_errFd >= 0 && (n = read(m_errFd, buf, sizeof buf)) > 0) {
                    m_programLog.write(buf, n);
                    m_stderr.append(buf, static_cast<size_t>(n));
                }
            }
            const size_t from = m_stderr.rfind('\n', at);
            m_report = m_stderr.substr(from == std::string::npos ? 0 : from + 1);
            throw Failure(std::string("sanitizer report (") + mark + ")");
        }
        if (m_stderr.size() > (1u << 20))
            m_stderr.erase(0, m_stderr.size() - (1u << 16));
    }

    bool Exited()
    {
        if (m_pid <= 0)
            return true;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        m_pid = -1;
        m_status = status;
        return true;
    }

    // The program's state after a step: a report or an unexpected end fail the walk; an end the
    // walk brought about (exit status 0) starts it again.
    void Check()
    {
        Drain();
        if (!Exited())
            return;
        Drain();
        if (WIFSIGNALED(m_status))
            throw Failure(std::string("the program was killed by signal ") + strsignal(WTERMSIG(m_status)));
        if (WEXITSTATUS(m_status) != 0)
            throw Failure("the program exited with status " + std::to_string(WEXITSTATUS(m_status)));
        ++m_restarts;
        Note("the program ended; started again");
        StartProgram();
    }

    // Waits until the program answers a ping, checking it meanwhile; a minimised program is
    // brought back as from a task bar. Fails after 60 s without an answer.
    void Settle()
    {
        m_desk.Sync();
        const auto deadline = Clock::now() + kAnswerWithin;
        int tries = 0;
        while (Clock::now() < deadline) {
            Check();
            std::vector<Window> hidden;
            const std::vector<Win> shown = m_desk.Windows(m_pid, &hidden);
            if (shown.empty()) {
                if (!hidden.empty()) {
                    Note("activate " + Hex(hidden.back()) + " (from the task bar)");
                    m_desk.Activate(hidden.back());
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                continue;
            }
            // Any window's answer says the program's event loop runs; each try asks another.
            if (m_desk.Ping(shown[static_cast<size_t>(tries++) % shown.size()].id, 1000)) {
                Check();
                return;
            }
        }
        Check();
        if (m_desk.Windows(m_pid).empty())
            throw Failure("the program runs on with no window shown for 60 s");
        for (const Win& w : m_desk.Windows(m_pid))
            Note("shown: " + Where(w) + " at (" + std::to_string(w.x) + "," + std::to_string(w.y) + ") " +
                 std::to_string(w.w) + "x" + std::to_string(w.h));
        Backtrace();
        throw Failure("the program did not answer for 60 s");
    }

    void Backtrace()
    {
        if (m_pid <= 0 || access("/usr/bin/gdb", X_OK) != 0)
            return;
        const std::string out = m_box.Path("hang.txt");
        const std::string cmd = "/usr/bin/gdb -p " + std::to_string(m_pid) +
                                " -batch -ex 'thread apply all bt 40' >" + out + " 2>&1 </dev/null";
        if (std::system(cmd.c_str()) == 0) {
            std::ifstream in(out);
            m_report.assign(std::istreambuf_iterator<char>(in), {});
        }
    }

    // ---- the steps ------------------------------------------------------------------------------

    void Note(const std::string& text)
    {
        const std::string line = "step " + std::to_string(m_step) + ": " + text;
        m_log << line << std::endl;
        if (m_trace)
            std::cout << line << std::endl;
        m_last.push_back(line);
        if (m_last.size() > 40)
            m_last.pop_front();
    }

    static std::string Where(const Win& w)
    {
        return (w.popup ? "popup " : "'" + w.title + "' ") + Hex(w.id);
    }

    struct Key {
        const char* name;
        std::vector<unsigned long> modifiers;
        unsigned long key;
        int weight;
    };

    void OneStep()
    {
        const std::vector<Win> shown = m_desk.Windows(m_pid);
        if (shown.empty())
            return;
        // Mostly the top: an open menu or popup, or the active dialog; else any window shown.
        std::vector<Win> managed;
        for (const Win& w : shown)
            if (!w.popup)
                managed.push_back(w);
        const Win& target = shown.back().popup && m_dice.Chance(60) ? shown.back()
                            : m_dice.Chance(50) && !managed.empty() ? managed.back()
                                                                    : m_dice.Pick(shown);
        const int x = target.x + m_dice.Below(target.w), y = target.y + m_dice.Below(target.h);
        const int kind = m_dice.Below(100);
        auto at = [&](const char* what, int px, int py) {
            return std::string(what) + " (" + std::to_string(px) + "," + std::to_string(py) + ") in " + Where(target);
        };
        if (kind < 24) {
            Note(at("click", x, y));
            m_desk.Click(x, y, 1, 1);
        } else if (kind < 32) {
            Note(at("double-click", x, y));
            m_desk.Click(x, y, 1, 2);
        } else if (kind < 40) {
            Note(at("right-click", x, y));
            m_desk.Click(x, y, 3, 1);
        } else if (kind < 46) {
            const int x1 = std::clamp(x + m_dice.Between(-80, 80), 0, m_desk.ScreenWidth() - 1);
            const int y1 = std::clamp(y + m_dice.Between(-80, 80), 0, m_desk.ScreenHeight() - 1);
            Note(at("drag", x, y) + " to (" + std::to_string(x1) + "," + std::to_string(y1) + ")");
            m_desk.Drag(x, y, x1, y1);
        } else if (kind < 74) {
            PressKey();
        } else if (kind < 80) {
            MenuByKeyboard();
        } else if (kind < 97) {
            TypeText();
        } else if (!managed.empty()) {
            const Win& w = m_dice.Pick(managed);
            Note("window manager's close of " + Where(w));
            m_desk.Close(w.id);
        }
    }

    void PressKey()
    {
        static const std::vector<Key> keys = {
            {"Escape", {}, XK_Escape, 8},          {"Enter", {}, XK_Return, 8},
            {"Tab", {}, XK_Tab, 8},                {"Shift+Tab", {XK_Shift_L}, XK_Tab, 2},
            {"space", {}, XK_space, 5},            {"Delete", {}, XK_Delete, 3},
            {"F1", {}, XK_F1, 3},                  {"F5", {}, XK_F5, 2},
            {"Down", {}, XK_Down, 3},              {"Up", {}, XK_Up, 2},
            {"Left", {}, XK_Left, 1},              {"Right", {}, XK_Right, 2},
            {"Ctrl+N", {XK_Control_L}, XK_n, 1},   {"Ctrl+O", {XK_Control_L}, XK_o, 1},
            {"Ctrl+S", {XK_Control_L}, XK_s, 1},   {"Ctrl+W", {XK_Control_L}, XK_w, 1},
            {"Ctrl+F4", {XK_Control_L}, XK_F4, 1}, {"Alt+F4", {XK_Alt_L}, XK_F4, 1},
        };
        int total = 0;
        for (const Key& k : keys)
            total += k.weight;
        int roll = m_dice.Below(total);
        for (const Key& k : keys) {
            if ((roll -= k.weight) >= 0)
                continue;
            Note(std::string("key ") + k.name);
            m_desk.Chord(k.modifiers, k.key);
            return;
        }
    }

    // Alt and a menu's letter (mostly one of the menu bar's), arrows through it, then Enter or Escape.
    void MenuByKeyboard()
    {
        static const std::string letters = "fevcbthfevcbthabcdefghijklmnopqrstuvwxyz";
        const char letter = letters[static_cast<size_t>(m_dice.Below(static_cast<int>(letters.size())))];
        std::string text = std::string("Alt+") + letter;
        m_desk.Chord({XK_Alt_L}, static_cast<unsigned long>(letter));
        std::vector<unsigned long> moves;
        static const std::vector<std::pair<const char*, unsigned long>> arrows = {
            {"Down", XK_Down}, {"Down", XK_Down}, {"Down", XK_Down}, {"Right", XK_Right}, {"Left", XK_Left}, {"Up", XK_Up}};
        for (int i = m_dice.Below(6); i > 0; --i) {
            const auto& [name, key] = m_dice.Pick(arrows);
            text += std::string(" ") + name;
            moves.push_back(key);
        }
        const bool enter = m_dice.Chance(65);
        text += enter ? " Enter" : " Escape";
        moves.push_back(enter ? XK_Return : XK_Escape);
        Note("menu " + text);
        for (unsigned long key : moves) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            m_desk.Chord({}, key);
        }
    }

    void TypeText()
    {
        static const std::vector<std::string> fixed = {"RP", "-1", "99999999999", "\"", "'", "\"a b\"", "0", "1.5", "RW"};
        std::string text;
        switch (m_dice.Below(4)) {
        case 0: text = m_dice.Pick(fixed); break;
        case 1:
            for (int i = m_dice.Between(1, 8); i > 0; --i)
                text += static_cast<char>((m_dice.Chance(30) ? 'A' : 'a') + m_dice.Below(26));
            break;
        case 2:
            for (int i = m_dice.Between(1, 6); i > 0; --i)
                text += static_cast<char>('0' + m_dice.Below(10));
            break;
        default: text = m_dice.Pick(fixed) + " " + m_dice.Pick(fixed); break;
        }
        const bool enter = m_dice.Chance(30);
        Note("type \"" + text + "\"" + (enter ? " Enter" : ""));
        m_desk.Type(text);
        if (enter)
            m_desk.Chord({}, XK_Return);
    }

    // ---- the tool windows at the start ----------------------------------------------------------

    void Keys(const std::string& text, unsigned long first, const std::vector<unsigned long>& then)
    {
        Note(text);
        m_desk.Chord({XK_Alt_L}, first);
        for (unsigned long key : then) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            m_desk.Chord({}, key);
        }
        Settle();
    }

    // Alt and a menu bar letter, `downs` times Down from its first item, Enter: a new window comes
    // (a "Select Motor" box on the way takes its first motor). A window that does not come is
    // noted, and the walk goes on from there.
    void OpenFromMenu(char letter, int downs, const std::string& what)
    {
        std::vector<unsigned long> keys(static_cast<size_t>(downs), XK_Down);
        keys.push_back(XK_Return);
        std::vector<Window> before;
        const std::vector<Win> shown = m_desk.Windows(m_pid);
        for (const Win& w : shown) {
            before.push_back(w.id);
            // The menus are the main window's: it comes to the front first, as by a click on its title.
            if (w.title.find(kMainTitle) != std::string::npos && w.id != shown.back().id) {
                m_desk.Activate(w.id);
                Settle();
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                Settle();
            }
        }
        Keys("setup: " + what + ": Alt+" + letter + " Down x" + std::to_string(downs) + " Enter", static_cast<unsigned long>(letter), keys);
        for (int i = 0; i < 50; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Settle();
            const std::vector<Win> now = m_desk.Windows(m_pid);
            if (!now.empty() && now.back().title == "Select Motor") {
                Note("setup: Select Motor: Enter");
                m_desk.Chord({}, XK_Return);
                continue;
            }
            for (const Win& w : now)
                if (!w.popup && std::find(before.begin(), before.end(), w.id) == before.end()) {
                    Note("setup: " + what + ": '" + w.title + "' came");
                    ++m_opened;
                    return;
                }
        }
        Note("setup: " + what + " did not come");
    }

    // The main window on top for a second, with nothing over it.
    bool MainOnTop(int ms)
    {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < until) {
            Settle();
            const std::vector<Win> shown = m_desk.Windows(m_pid);
            if (shown.empty() || shown.back().title.find(kMainTitle) == std::string::npos)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }

    void OpenToolWindows()
    {
        // The logo goes by itself; a start question or tip is answered by Escape.
        const auto start = Clock::now();
        while (!MainOnTop(1000)) {
            if (Clock::now() - start > std::chrono::seconds(30))
                throw Failure("setup: the main window did not come on top");
            if (Clock::now() - start > std::chrono::seconds(4)) {
                Note("setup: Escape");
                m_desk.Chord({}, XK_Escape);
            }
        }
        // Communication > Find Motors, then its please-wait box comes and goes.
        Keys("setup: Find Motors: Alt+c Down x3 Enter", XK_c, {XK_Down, XK_Down, XK_Down, XK_Return});
        const auto found = Clock::now();
        while (!MainOnTop(1500))
            if (Clock::now() - found > std::chrono::seconds(60))
                throw Failure("setup: Find Motors did not end");
        // Tools: Tuner, Motor View, New Monitor View, Chart View, Tessaraxon Playground.
        OpenFromMenu('t', 0, "Tuner");
        OpenFromMenu('t', 2, "Motor View");
        OpenFromMenu('t', 3, "Monitor");
        OpenFromMenu('t', 4, "Chart View");
        OpenFromMenu('t', 5, "Playground");
        std::cout << "desktop walk: " << m_opened << " of 5 tool windows opened at the start" << std::endl;
    }

    const Program& m_program;
    const uint32_t m_seed;
    const int m_steps;
    const bool m_trace;
    vqxtest::Dice m_dice;
    desk::Sandbox m_box;
    desk::XDesk m_desk;
    std::ofstream m_log, m_programLog;
    std::deque<std::string> m_last;
    std::string m_stderr, m_report;
    pid_t m_pid = -1, m_simPid = -1;
    int m_status = 0, m_errFd = -1, m_step = 0, m_restarts = 0, m_opened = 0;

    void Report(const std::string& what)
    {
        m_desk.SaveScreen(m_box.Path("screen.ppm"));
        std::ostringstream out;
        out << "desktop walk FAILED: " << m_program.name << " seed " << m_seed << ", step " << m_step << " of "
            << m_steps << ": " << what << "\n"
            << "walk it again: scripts/desktop-session " << VQX_BUILD_DIR << "/tests/desktop/vqx-desktopwalk --program "
            << m_program.name << " --seed " << m_seed << " --steps " << m_steps << "\n"
            << "the last steps:\n";
        for (const std::string& line : m_last)
            out << "  " << line << "\n";
        if (!m_report.empty())
            out << m_report.substr(0, 40000) << "\n";
        out << "(walk log, program output, the screen at the end: " << m_box.Folder() << ")\n";
        m_log << out.str();
        std::cout << out.str() << std::flush;
    }
};

} // namespace

int main(int argc, char** argv)
{
    std::string name = "vqx";
    uint32_t seed = 1;
    int steps = 100;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--program")
            name = value, ++i;
        else if (arg == "--seed")
            seed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10)), ++i;
        else if (arg == "--steps")
            steps = std::atoi(value), ++i;
        else if (arg == "--trace")
            trace = true;
        else {
            std::cerr << "usage: vqx-desktopwalk --program vqx|vqx-tools|synmove|iotester|jogger --seed N --steps N [--trace]\n";
            return 2;
        }
    }
    for (const Program& p : kPrograms)
        if (name == p.name) {
            try {
                Walk walk(p, seed, steps, trace);
                return walk.Run();
            } catch (const std::exception& e) {
                std::cerr << "desktop walk: " << e.what() << "\n";
                return 2;
            }
        }
    std::cerr << "desktop walk: no program " << name << "\n";
    return 2;
}
