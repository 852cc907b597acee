// The monkey: a seeded random walk over the real program, as a user who tries everything would
// walk it. Each step is one thing a user does: an enabled command of the menus and toolbar (the
// census's list), a tree item clicked, double-clicked or one of its context menu's commands, a
// line typed into the terminal or a command of its menu, a click or a typed value in an open tool
// window or bar, a window closed, VQX ended and started again. Every dialog, message box, menu
// and please-wait that comes meanwhile is answered at random by a timer (file choosers inside the
// test's folder or cancelled, printing always cancelled).
//
// The walk fails on a sanitizer report, an uncaught exception, an event loop that does not answer
// within its bound (60 s, MONKEY_STEP_SECONDS) or a step that does not end within ten times it
// (a slow scan of a chain at 2400 bps answers all along and may take longer), and prints the seed and the steps that reproduce it. Kept seeds are ctest
// entries (kWalks); `make monkey` walks many: MONKEY_SEEDS="1-200" (or a count, or "5,17,40-60"),
// MONKEY_STEPS (steps per seed), MONKEY_TRACE=1 prints each step as it starts.
//
// Nothing leaves the test's folder: HOME, settings and registry are the rig's, file choosers only
// take paths inside the folder, no port name reaches a device of the machine ("Com<n>" maps to
// missing files, the device list is empty), discovery broadcasts on loopback, and no external
// program is found on PATH (no browser, no sound player, no text editor).

#include "JourneyRig.h"

#include "tests/support/Dice.h"

#include "app/setup/gui/AnalyzerWnd.h"
#include "app/shell/gui/WaitDlg.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <ostream>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define VQX_MONKEY_SANITIZER 1
#endif

namespace {

struct WalkCase {
    uint32_t seed;
    int steps;
};
void PrintTo(const WalkCase& walk, std::ostream* out) { *out << "seed " << walk.seed << ", " << walk.steps << " steps"; }

// The seeds make test walks, one ctest entry each: seeds that found a fault once (kept with their
// step count so that the walk that found it runs again) and a few of everyday ground.
const WalkCase kWalks[] = {
    {1, 40},
    {3, 40},
    {4, 40},
    {5, 40},
    // Tool windows that used a port or motor the project had let go (the playground's port and
    // motor lists after the project was replaced, a port added or motors detected again; the
    // tuner closed under its own Save As chooser): one seed per cause. The others that found the
    // same causes walk with MONKEY_SEEDS="33,50,65,77,79,94,112,113" MONKEY_STEPS=100 make monkey.
    {6, 100}, {37, 100}, {67, 100}, {72, 100}, {80, 100}, {97, 100},
    // Validate on a motor that does not answer: the error query's detection replaced the motor
    // the validation still wrote to afterwards.
    {236, 130},
    // The up-down arrow of a field that holds the largest integer typed by hand.
    {102, 150},
};

// MONKEY_SEEDS: a count (seeds 1..n) or a list of seeds and ranges ("5,17,40-60");
// MONKEY_STEPS: steps of each (100).
std::vector<WalkCase> FromEnvironment()
{
    const QString seeds = qEnvironmentVariable("MONKEY_SEEDS").trimmed();
    const int steps = qEnvironmentVariableIsSet("MONKEY_STEPS") ? qEnvironmentVariableIntValue("MONKEY_STEPS") : 100;
    std::vector<WalkCase> out;
    if (seeds.isEmpty())
        return out;
    bool number = false;
    const uint count = seeds.toUInt(&number);
    if (number) {
        for (uint s = 1; s <= count; ++s)
            out.push_back({s, steps});
        return out;
    }
    for (const QString& part : seeds.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList range = part.split(QLatin1Char('-'));
        const uint from = range.value(0).trimmed().toUInt();
        const uint to = range.size() > 1 ? range.value(1).trimmed().toUInt() : from;
        for (uint s = from; s <= to && s >= from; ++s)
            out.push_back({s, steps});
    }
    return out;
}

using vqxtest::Dice;

// What was done so far, printed when the walk fails, whichever way it fails (test failure,
// sanitizer report, uncaught exception, watchdog).
class Trace {
public:
    static Trace& Get()
    {
        static Trace trace;
        return trace;
    }
    void Begin(uint32_t seed, int steps)
    {
        std::lock_guard lock(m_mutex);
        m_seed = seed;
        m_steps = steps;
        m_lines.clear();
        m_printed = false;
        m_live = qEnvironmentVariableIsSet("MONKEY_TRACE");
    }
    void Add(const std::string& line)
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
        if (m_live)
            fprintf(stderr, "monkey %u: %s\n", m_seed, line.c_str());
    }
    // `why`: what failed. Safe from the watchdog and from a dying process: it does not wait for a
    // lock the failing thread may hold.
    void Print(const char* why)
    {
        // Once: a dying process may come here on more than one path.
        if (m_printed.exchange(true))
            return;
        std::unique_lock lock(m_mutex, std::try_to_lock);
        fprintf(stderr, "\n==== monkey: %s: seed %u, %d steps (walk it again: MONKEY_SEEDS=%u-%u MONKEY_STEPS=%d make monkey)\n",
                why, m_seed, m_steps, m_seed, m_seed, m_steps);
        for (const std::string& line : m_lines)
            fprintf(stderr, "  %s\n", line.c_str());
        fprintf(stderr, "==== end of the walk\n");
        fflush(stderr);
    }

private:
    std::mutex m_mutex;
    uint32_t m_seed = 0;
    int m_steps = 0;
    bool m_live = false;
    std::atomic<bool> m_printed = false;
    std::vector<std::string> m_lines;
};

// Fails the walk when the event loop does not answer within its bound, or a step does not return
// within ten times it: prints the walk and the main thread's stack (where the sanitizers can print
// it) and ends the process.
class Watchdog {
public:
    explicit Watchdog(int seconds) : m_limit(seconds), m_main(pthread_self())
    {
        m_thread = std::thread([this] { Watch(); });
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void StepStarts(int step)
    {
        std::lock_guard lock(m_mutex);
        m_step = step;
        m_since = m_alive = std::chrono::steady_clock::now();
    }
    // The main thread's event loop ran (a timer of its own calls this).
    void Alive()
    {
        std::lock_guard lock(m_mutex);
        m_alive = std::chrono::steady_clock::now();
    }

private:
    void Watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            m_wake.wait_for(lock, std::chrono::milliseconds(250));
            const auto now = std::chrono::steady_clock::now();
            const bool deaf = now - m_alive >= std::chrono::seconds(m_limit);
            const bool endless = now - m_since >= std::chrono::seconds(10 * m_limit);
            if (m_stop || (!deaf && !endless))
                continue;
            char why[96];
            if (deaf)
                snprintf(why, sizeof why, "step %d: the event loop did not answer within %d s", m_step, m_limit);
            else
                snprintf(why, sizeof why, "step %d did not return within %d s", m_step, 10 * m_limit);
            lock.unlock();
            Trace::Get().Print(why);
#ifdef VQX_MONKEY_SANITIZER
            signal(SIGUSR2, [](int) { __sanitizer_print_stack_trace(); });
            pthread_kill(m_main, SIGUSR2);
            std::this_thread::sleep_for(std::chrono::seconds(2));
#endif
            signal(SIGABRT, SIG_DFL);
            std::abort();
        }
    }
    const int m_limit;
    const pthread_t m_main;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    int m_step = 0;
    std::chrono::steady_clock::time_point m_since = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_alive = m_since;
    std::thread m_thread;
};

#ifdef VQX_MONKEY_SANITIZER
void PrintOnDeath() { Trace::Get().Print("the process ends on a sanitizer report"); }
#endif
} // namespace

#ifdef VQX_MONKEY_SANITIZER
// Every sanitizer report ends with its summary, also one that ends the process without the death
// callback (undefined behaviour).
extern "C" void __sanitizer_report_error_summary(const char* summary)
{
    fprintf(stderr, "%s\n", summary);
    Trace::Get().Print("a sanitizer report");
}
#endif

namespace {
// A fatal error of Qt or of the program ends the process through abort().
void PrintOnAbort(int)
{
    Trace::Get().Print("the process aborts");
    signal(SIGABRT, SIG_DFL);
    raise(SIGABRT);
}

// What a user types into fields: numbers at and beyond the edges, words, format characters,
// quotes, a long line and characters beyond ASCII.
const std::vector<QString>& Values()
{
    static const std::vector<QString> values = {
        "0", "1", "2", "7", "-1", "100", "3000", "65535", "65536", "-2147483648", "2147483647",
        "4294967296", "99999999999999999999", "1.5", "-0.5", "1e9", "abc", "a=5", "RP", " ", "",
        "%s%n%x", "\"", "'", "\\", QString(300, QLatin1Char('A')), QStringLiteral("\u00e9\u00df"), "0x10", "1,2",
    };
    return values;
}
// What a user types into the terminal: reports, variables, moves, modes, a reset, an address
// prefix, something the motors do not know.
const std::vector<QString>& TerminalLines()
{
    static const std::vector<QString> lines = {
        "RP", "RA", "a=5", "Ra", "0RP", "1RP", "2RP", "3Ra", "RW", "RS", "ZS", "MP", "A=100",
        "V=20000", "P=3000 G", "G", "X", "S", "OFF", "MV", "MT", "T=100", "RBo", "RV", "ECHO",
        "ECHO_OFF", "Z", "RUN", "END", "b=a+1", "Rb", "xyz", "", "1 2 3", QString(120, QLatin1Char('R')),
    };
    return lines;
}
// What a user types into a source window.
const std::vector<QString>& SourceLines()
{
    static const std::vector<QString> lines = {
        "a=1\n", "END\n", "C1\nGOTO1\n", "PRINT(\"hi\",#13)\n", "IF a>1\nb=2\nENDIF\n", "WAIT=100\n",
        "P=1000 G\n", "GOSUB5\n", "RETURN\n", "x=\n", "'comment\n",
    };
    return lines;
}

std::string Text(const QString& s) { return s.toStdString(); }
std::string Quoted(const QString& s) { return "\"" + (s.size() > 40 ? Text(s.left(40)) + "..." : Text(s)) + "\""; }
// A control as the steps name it: class, control id, text.
std::string Name(QWidget* w)
{
    std::string out = w->metaObject()->className();
    if (!w->objectName().isEmpty())
        out += "#" + Text(w->objectName());
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
        out += " " + Quoted(b->text());
    return out;
}
std::string WindowName(QWidget* w) { return std::string(w->metaObject()->className()) + " " + Quoted(w->windowTitle()); }

// Types `text` into `w` key by key; characters beyond ASCII come as the text of a key event, as
// from a keyboard with them on its keys.
void TypeInto(QWidget* w, const QString& text)
{
    const QPointer<QWidget> guard(w);
    for (const QChar c : text) {
        if (!guard)
            return;
        if (c.unicode() < 0x80 && c.unicode() >= 0x20) {
            QTest::keyClick(w, static_cast<char>(c.unicode()));
        } else if (c == QLatin1Char('\n')) {
            QTest::keyClick(w, Qt::Key_Return);
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            if (guard)
                QApplication::sendEvent(w, &release);
        }
    }
}

// Widgets that work as parts of another control (a combo box's edit, a spin box's, a tab bar's
// arrows, a view's scroll bars and headers): the walk uses the whole control.
bool PartOfAnother(QWidget* w, QWidget* root)
{
    for (QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget())
        if (qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QTabBar*>(p) ||
            qobject_cast<QAbstractItemView*>(p) || qobject_cast<QAbstractSlider*>(p))
            return true;
    return qobject_cast<QScrollBar*>(w) || qobject_cast<QHeaderView*>(w);
}

// The controls a user can act on in a window (no labels, frames or containers).
std::vector<QWidget*> Controls(QWidget* root)
{
    std::vector<QWidget*> out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || w->window() != root->window() || PartOfAnother(w, root))
            continue;
        const bool ours = w->metaObject()->className()[0] == 'C' && w->metaObject()->superClass() == &QWidget::staticMetaObject;
        auto* line = qobject_cast<QLineEdit*>(w);
        auto* text = qobject_cast<QTextEdit*>(w);
        auto* plain = qobject_cast<QPlainTextEdit*>(w);
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
            qobject_cast<QAbstractSlider*>(w) || qobject_cast<QTabWidget*>(w) || qobject_cast<QAbstractItemView*>(w) ||
            (line && !line->isReadOnly()) || (text && !text->isReadOnly()) || (plain && !plain->isReadOnly()) || ours)
            out.push_back(w);
    }
    return out;
}

} // namespace

class MonkeyWalk : public Journey, public ::testing::WithParamInterface<WalkCase> {
protected:
    void SetUp() override
    {
        Journey::SetUp();
        for (const char* var : {"PATH", "VQX_USB_ROOT", "VQX_NET_BROADCAST", "VQX_NET_UDP_PORT", "VQX_NET_TCP_PORT"})
            m_env.emplace_back(var, qgetenv(var));
        // No external program: a PATH holding only the symbolizers the sanitizer reports use.
        const std::filesystem::path bin = dir / "bin";
        std::filesystem::create_directories(bin);
        for (const char* tool : {"llvm-symbolizer", "addr2line"}) {
            const QString found = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            std::error_code ec;
            if (!found.isEmpty())
                std::filesystem::create_symlink(found.toStdString(), bin / tool, ec);
        }
        qputenv("PATH", QByteArray::fromStdString(bin.string()));
        // No device of the machine: an empty device tree, and every "Com<n>" a missing file.
        std::filesystem::create_directories(dir / "devices");
        qputenv("VQX_USB_ROOT", QByteArray::fromStdString(dir / "devices"));
        for (int n = 1; n <= 32; ++n)
            registry.SetString(platform::RegHive::CurrentUser, "Software\\Korvessan\\Ports", "Com" + std::to_string(n),
                               dir / ("no-com" + std::to_string(n)));
        qputenv("VQX_NET_BROADCAST", "127.0.0.1");
        qputenv("VQX_NET_UDP_PORT", "39");
        qputenv("VQX_NET_TCP_PORT", "39");
        std::filesystem::create_directories(dir / "walk");
        // A folder typed as a relative name (the project's location) lands in the working folder:
        // the test's, not the one the walk was started from.
        m_cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path());
    }
    void TearDown() override
    {
        m_answering.stop();
        Journey::TearDown();
        std::filesystem::current_path(m_cwd);
        for (const auto& [var, value] : m_env)
            value.isNull() ? qunsetenv(var) : qputenv(var, value);
    }

    // Walks `steps` steps from `seed`; the test fails as the walk does.
    void Walk(uint32_t seed, int steps)
    {
        m_seed = seed;
        Dice dice(seed);
        Trace::Get().Begin(seed, steps);
#ifdef VQX_MONKEY_SANITIZER
        __sanitizer_set_death_callback(PrintOnDeath);
#endif
        signal(SIGABRT, PrintOnAbort);
        std::set_terminate([] {
            Trace::Get().Print("an exception was not caught");
            signal(SIGABRT, SIG_DFL);
            std::abort();
        });
        const int bound = qEnvironmentVariableIsSet("MONKEY_STEP_SECONDS") ? qEnvironmentVariableIntValue("MONKEY_STEP_SECONDS") : 60;
        Watchdog watchdog(bound);
        QTimer heartbeat;
        QObject::connect(&heartbeat, &QTimer::timeout, [&watchdog] { watchdog.Alive(); });
        heartbeat.start(250);

        answersDialog = [](QWidget*) { return true; };
        QObject::connect(&m_answering, &QTimer::timeout, [this] { AnswerTick(); });
        m_answering.start(20);

        m_start.chainProject = !dice.Chance(20);
        Trace::Get().Add(m_start.chainProject ? "start on the chain's project" : "start on the default project");
        watchdog.StepStarts(0);
        ASSERT_TRUE(Start(m_start));
        for (int step = 1; step <= steps && !HasFatalFailure(); ++step) {
            watchdog.StepStarts(step);
            m_step = step;
            Step(dice);
            AfterStep();
        }
        watchdog.StepStarts(steps + 1);
        m_step = steps + 1;
        Note("File > Exit");
        m_finishing = true;
        Stop();
        m_answering.stop();
        if (HasFailure())
            Trace::Get().Print("the walk failed");
    }

private:
    void Note(const std::string& what) { Trace::Get().Add(std::to_string(m_step) + ": " + what); }

    // One thing a user does, at random; a kind with nothing to act on gives its turn to another.
    void Step(Dice& dice)
    {
        // Each kind of step with its share of the walk, in percent.
        using Kind = bool (MonkeyWalk::*)(Dice&);
        static const std::pair<int, Kind> kinds[] = {
            {30, &MonkeyWalk::RunCommand}, {15, &MonkeyWalk::UseTree},   {12, &MonkeyWalk::TypeLine},
            {4, &MonkeyWalk::UseTerminalMenu}, {30, &MonkeyWalk::UseWindow}, {5, &MonkeyWalk::CloseWindow},
            {3, &MonkeyWalk::UseBarMenu},  {1, &MonkeyWalk::RestartVqx},
        };
        for (int attempt = 0; attempt < 8; ++attempt) {
            int roll = dice.Below(100);
            for (const auto& [share, kind] : kinds) {
                if (roll < share) {
                    if ((this->*kind)(dice))
                        return;
                    break;
                }
                roll -= share;
            }
        }
        Note("nothing to do");
    }
    // Lets the step's late effects run and the dialogs it left be answered.
    void AfterStep()
    {
        Settle();
        WaitFor([] { return QApplication::activeModalWidget() == nullptr && QApplication::activePopupWidget() == nullptr; },
                100000);
        ASSERT_TRUE(frame && app) << "the main frame went away";
    }

    bool RunCommand(Dice& dice) { return TriggerOne(dice, Reachable(nullptr), true, [this](const std::string& s) { Note(s); }); }
    // One of `actions` that is enabled, at random, triggered; false when none is. `frameRules`:
    // the command table's rules decide what is enabled (a menu's own states otherwise).
    bool TriggerOne(Dice& dice, const std::vector<std::pair<QAction*, std::string>>& actions, bool frameRules,
                    const std::function<void(const std::string&)>& note)
    {
        std::vector<std::pair<QAction*, std::string>> enabled;
        for (const auto& [action, name] : actions) {
            if (frameRules && action->parent() == &frame->Commands())
                frame->Commands().Update(action->data().toInt());
            if (action->isEnabled() && action->isVisible())
                enabled.push_back({action, name});
        }
        if (enabled.empty())
            return false;
        const auto& [action, name] = dice.Pick(enabled);
        note(name);
        action->trigger();
        return true;
    }

    static void Items(QTreeWidgetItem* item, std::vector<QTreeWidgetItem*>& out)
    {
        for (int i = 0; i < item->childCount(); ++i) {
            out.push_back(item->child(i));
            Items(item->child(i), out);
        }
    }
    bool UseTree(Dice& dice)
    {
        if (!frame->ConfigBar()->isVisible())
            return Use(cmd::ID_VIEW_CONFIGURATION, "show the configuration bar");
        QTreeWidget* tree = Tree().Tree();
        std::vector<QTreeWidgetItem*> items;
        Items(tree->invisibleRootItem(), items);
        if (items.empty())
            return false;
        QTreeWidgetItem* item = dice.Pick(items);
        const std::string what = "tree item " + Quoted(item->text(0));
        tree->scrollToItem(item);
        const QPoint at = tree->visualItemRect(item).center();
        const int how = dice.Below(100);
        if (how < 35) {
            Note("click " + what);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
        if (how < 50) {
            Note("double-click " + what);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
        Note("click " + what + " for its menu");
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        // The click may have rebuilt the tree.
        std::vector<QTreeWidgetItem*> now;
        Items(tree->invisibleRootItem(), now);
        if (std::find(now.begin(), now.end(), item) == now.end())
            return true;
        std::unique_ptr<QMenu> menu(Tree().ContextMenu(item, false));
        if (menu)
            UseMenu(dice, *menu, "menu of " + what);
        return true;
    }
    // A random enabled command of a menu.
    bool UseMenu(Dice& dice, QMenu& menu, const std::string& name)
    {
        return TriggerOne(dice, MenuActions(&menu, name), false, [this](const std::string& s) { Note(s); });
    }
    bool Use(int command, const std::string& what)
    {
        if (!Enabled(command))
            return false;
        Note(what);
        Action(command)->trigger();
        return true;
    }

    bool TypeLine(Dice& dice)
    {
        if (!frame->TerminalBar()->isVisible())
            return Use(cmd::ID_VIEW_TERMINAL, "show the terminal");
        QLineEdit* edit = Terminal().CommandEdit();
        if (!edit->isVisible() || !edit->isEnabled())
            return false;
        const QString line = dice.Pick(TerminalLines());
        Note("terminal line " + Quoted(line));
        edit->setFocus();
        edit->clear();
        TypeInto(edit, line);
        QTest::keyClick(edit, Qt::Key_Return);
        return true;
    }
    bool UseTerminalMenu(Dice& dice)
    {
        if (Terminal().CurrentTab() < 0)
            return false;
        std::unique_ptr<QMenu> menu(Terminal().MakeContextMenu());
        return menu && UseMenu(dice, *menu, "terminal menu");
    }
    bool UseBarMenu(Dice& dice)
    {
        if (dice.Chance(50)) {
            if (!frame->InfoBar()->isVisible())
                return false;
            std::unique_ptr<QMenu> menu(frame->InfoBar()->MakeContextMenu());
            return menu && UseMenu(dice, *menu, "information menu");
        }
        if (!frame->AnalyzerBar()->isVisible())
            return false;
        QMenu* menu = static_cast<CSerialDataAnalyzerWnd*>(frame->AnalyzerBar()->widget())->Menu();
        return menu && UseMenu(dice, *menu, "analyzer menu");
    }

    // Top-level windows beside the frame that leave the program free (modeless tool windows).
    std::vector<QWidget*> ToolWindows() const
    {
        std::vector<QWidget*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != frame && w->isVisible() && !w->isModal() && w->windowType() != Qt::Popup &&
                w->windowType() != Qt::ToolTip && !qobject_cast<QMenu*>(w))
                out.push_back(w);
        // In an order of their own: the list of top-level windows has none.
        std::stable_sort(out.begin(), out.end(), [](QWidget* a, QWidget* b) { return WindowName(a) < WindowName(b); });
        return out;
    }
    // The windows a user can act in: tool windows, documents and the bars.
    std::vector<QWidget*> Windows() const
    {
        std::vector<QWidget*> out = ToolWindows();
        for (QMdiSubWindow* sub : frame->MdiArea()->subWindowList())
            if (sub->widget() && sub->isVisible())
                out.push_back(sub->widget());
        for (QDockWidget* bar : {static_cast<QDockWidget*>(frame->TerminalBar()), static_cast<QDockWidget*>(frame->ConfigBar()),
                                 static_cast<QDockWidget*>(frame->AnalyzerBar()), static_cast<QDockWidget*>(frame->InfoBar())})
            if (bar && bar->isVisible() && bar->widget())
                out.push_back(bar->widget());
        return out;
    }
    bool UseWindow(Dice& dice)
    {
        const std::vector<QWidget*> windows = Windows();
        if (windows.empty())
            return false;
        QWidget* window = dice.Pick(windows);
        return Poke(dice, window, "in " + WindowName(window) + ": ", false);
    }
    bool CloseWindow(Dice& dice)
    {
        std::vector<QWidget*> windows = ToolWindows();
        for (QMdiSubWindow* sub : frame->MdiArea()->subWindowList())
            windows.push_back(sub);
        if (windows.empty())
            return false;
        QWidget* w = dice.Pick(windows);
        auto* sub = qobject_cast<QMdiSubWindow*>(w);
        Note("close " + WindowName(sub && sub->widget() ? sub->widget() : w));
        w->close();
        return true;
    }
    bool RestartVqx(Dice&)
    {
        Note("File > Exit, and VQX started again");
        m_finishing = true;
        Stop();
        m_finishing = false;
        EXPECT_TRUE(Start(m_start)) << "VQX did not start again";
        return true;
    }

    // One action on a control of `root`: a click, a choice, a typed value, recorded through
    // `record` (else as a step).
    bool Poke(Dice& dice, QWidget* root, const std::string& where, bool inDialog,
              const std::function<void(const std::string&)>& record = {})
    {
        const std::vector<QWidget*> controls = Controls(root);
        if (controls.empty())
            return false;
        QWidget* w = dice.Pick(controls);
        auto note = [&](const std::string& what) {
            if (record)
                record(where + what);
            else
                Note(where + what);
        };
        // The control may go with what it does (a closing window).
        const QPointer<QWidget> guard(w);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            auto* push = qobject_cast<QPushButton*>(w);
            if (push && push->menu())
                return TriggerOne(dice, MenuActions(push->menu(), Name(w)), false, note);
            note("click " + Name(button));
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->isEditable() && dice.Chance(30)) {
                const QString value = dice.Pick(Values());
                note("type " + Quoted(value) + " into " + Name(w));
                combo->lineEdit()->selectAll();
                TypeInto(combo->lineEdit(), value);
                if (guard && dice.Chance(50))
                    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
                return true;
            }
            if (combo->count() == 0)
                return false;
            const int i = dice.Below(combo->count());
            note("choose " + Quoted(combo->itemText(i)) + " in " + Name(w));
            const QString text = combo->itemText(i);
            combo->setCurrentIndex(i);
            if (guard)
                Q_EMIT combo->activated(i);
            if (guard)
                Q_EMIT combo->textActivated(text);
            return true;
        }
        if (auto* spin = qobject_cast<QSpinBox*>(w); spin && dice.Chance(60)) {
            // A box may span every int: the width is taken in 64 bits.
            const int64_t span = std::max<int64_t>(1, int64_t{spin->maximum()} - spin->minimum());
            const int64_t inside = int64_t{spin->minimum()} + dice.Below(static_cast<int>(std::min<int64_t>(span, INT32_MAX)));
            const int values[] = {spin->minimum(), spin->maximum(), static_cast<int>(inside)};
            const int v = values[dice.Below(3)];
            note("set " + Name(w) + " to " + std::to_string(v));
            spin->setValue(v);
            return true;
        }
        if (auto* box = qobject_cast<QAbstractSpinBox*>(w)) {
            const QString value = dice.Pick(Values());
            note("type " + Quoted(value) + " into " + Name(w));
            box->selectAll();
            TypeInto(box, value);
            if (guard && dice.Chance(40))
                QTest::keyClick(box, Qt::Key_Return);
            return true;
        }
        if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
            const int v = slider->minimum() + dice.Below(std::max(1, slider->maximum() - slider->minimum() + 1));
            note("move " + Name(w) + " to " + std::to_string(v));
            slider->setValue(v);
            return true;
        }
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            if (tabs->count() == 0)
                return false;
            const int i = dice.Below(tabs->count());
            note("tab " + Quoted(tabs->tabText(i)) + " of " + Name(w));
            tabs->tabBar()->setCurrentIndex(i);
            return true;
        }
        if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            QAbstractItemModel* model = view->model();
            if (!model || model->rowCount() == 0)
                return false;
            const QModelIndex index = model->index(dice.Below(model->rowCount()), 0);
            view->scrollTo(index);
            const QPoint at = view->visualRect(index).center();
            const bool twice = dice.Chance(25);
            note(std::string(twice ? "double-click" : "click") + " row " + std::to_string(index.row()) + " " +
                 Quoted(index.data().toString()) + " of " + Name(w));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            if (guard && twice)
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            const QString value = dice.Pick(Values());
            const bool enter = dice.Chance(inDialog ? 20 : 50);
            note("type " + Quoted(value) + (enter ? " and Return" : "") + " into " + Name(w));
            line->setFocus();
            line->selectAll();
            TypeInto(line, value);
            if (guard && enter)
                QTest::keyClick(line, Qt::Key_Return);
            return true;
        }
        if (qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
            const QString value = dice.Pick(SourceLines());
            note("type " + Quoted(value) + " into " + Name(w));
            w->setFocus();
            TypeInto(w, value);
            return true;
        }
        // One of our own controls (a chart, a picture, an up-down): a click somewhere in it.
        const QPoint at(dice.Below(std::max(1, w->width())), dice.Below(std::max(1, w->height())));
        note("click " + Name(w) + " at " + std::to_string(at.x()) + "," + std::to_string(at.y()));
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        return true;
    }

    // ---- answering dialogs, menus and please-waits, at random ----
    struct Answering {
        Dice dice;
        int serial = 0;
        int done = 0;    // actions taken in it
        int planned = 0; // actions before it is answered
        bool pending = false;
        bool settled = false; // nothing more to do (a please-wait left to run)
    };
    Answering& StateOf(QWidget* w)
    {
        bool ok = false;
        int serial = w->property("monkeySerial").toInt(&ok);
        if (!ok) {
            serial = ++m_dialogs;
            w->setProperty("monkeySerial", serial);
            Answering a{Dice(m_seed * 1000003ull + static_cast<uint64_t>(serial)), serial};
            a.planned = a.dice.Below(4);
            m_answers.emplace(serial, a);
        }
        return m_answers.at(serial);
    }
    // Driven by a timer, also in the nested loops of dialogs: it only picks the window; the act
    // runs in a timer of its own, so that a dialog the act opens is answered too.
    void AnswerTick()
    {
        QWidget* w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (!w)
            return;
        Answering& a = StateOf(w);
        if (a.pending || a.settled)
            return;
        a.pending = true;
        QTimer::singleShot(0, w, [this, w, serial = a.serial] {
            Answering& state = m_answers.at(serial);
            state.pending = false;
            Answer(w, state);
        });
    }
    void Answer(QWidget* w, Answering& a)
    {
        auto record = [this](const std::string& what) { Trace::Get().Add(std::to_string(m_step) + ":   " + what); };
        const std::string where = "answer " + WindowName(w) + " #" + std::to_string(a.serial) + ": ";
        ++a.done;
        if (auto* menu = qobject_cast<QMenu*>(w)) {
            if (m_finishing || a.dice.Chance(30)) {
                record(where + "Escape");
                QTest::keyClick(menu, Qt::Key_Escape);
                return;
            }
            const int down = 1 + a.dice.Below(static_cast<int>(menu->actions().size()));
            record(where + "Down " + std::to_string(down) + " times, Return");
            const QPointer<QMenu> guard(menu);
            for (int i = 0; i < down && guard; ++i)
                QTest::keyClick(menu, Qt::Key_Down);
            if (guard)
                QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
        if (w->windowType() == Qt::Popup) {
            record(where + "Escape");
            QTest::keyClick(w, Qt::Key_Escape);
            return;
        }
        if (auto* wait = qobject_cast<CWaitDlg*>(w)) {
            a.settled = true;
            if (!m_finishing && a.dice.Chance(25) && wait->CancelButton()->isVisible() && wait->CancelButton()->isEnabled()) {
                record(where + "Cancel");
                QTest::mouseClick(wait->CancelButton(), Qt::LeftButton);
            }
            return;
        }
        if (auto* chooser = qobject_cast<QFileDialog*>(w)) {
            ChooseFile(chooser, a, where, record);
            return;
        }
        if (w->inherits("QAbstractPrintDialog") || w->inherits("QPageSetupDialog")) {
            record(where + "Cancel (nothing is printed)");
            static_cast<QDialog*>(w)->reject();
            return;
        }
        if (m_finishing) {
            // Ending VQX: nothing saved, nothing cancelled.
            for (const char* text : {"No", "OK", "Yes", "Close"})
                for (QPushButton* b : w->findChildren<QPushButton*>())
                    if (b->isVisible() && b->isEnabled() &&
                        layoutcheck::Plain(b->text()).compare(QLatin1String(text), Qt::CaseInsensitive) == 0) {
                        record(where + "click " + Name(b));
                        b->click();
                        return;
                    }
            record(where + "decline");
            Decline(w);
            return;
        }
        if (a.done <= a.planned && Poke(a.dice, w, where, true, record))
            return;
        if (a.done <= a.planned + 3) {
            std::vector<QPushButton*> buttons;
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->isVisible() && b->isEnabled() && b->window() == w)
                    buttons.push_back(b);
            if (!buttons.empty()) {
                QPushButton* b = a.dice.Pick(buttons);
                record(where + "click " + Name(b));
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
        }
        if (a.done <= a.planned + 6) {
            record(where + "decline");
            Decline(w);
            return;
        }
        record(where + "close");
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }
    // A file chooser: cancelled, or a file inside the test's folder (a new one to save, one that
    // exists to open, the walk's folder for a folder).
    void ChooseFile(QFileDialog* chooser, Answering& a, const std::string& where,
                    const std::function<void(const std::string&)>& record)
    {
        // Chosen once; a chooser that stays (a name it refuses, a replacement declined) is cancelled.
        if (m_finishing || a.done > 1 || a.dice.Chance(35)) {
            record(where + "Cancel");
            chooser->reject();
            return;
        }
        const std::filesystem::path walk = dir / "walk";
        QString path;
        if (chooser->fileMode() == QFileDialog::Directory) {
            path = QString::fromStdString(walk.string());
        } else if (chooser->acceptMode() == QFileDialog::AcceptSave) {
            QString suffix = chooser->defaultSuffix();
            const QString filter = chooser->selectedNameFilter();
            const int star = filter.indexOf(QLatin1String("*."));
            if (suffix.isEmpty() && star >= 0) {
                suffix = filter.mid(star + 2);
                const int end = suffix.indexOf(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")));
                if (end >= 0)
                    suffix = suffix.left(end);
            }
            path = QString::fromStdString((walk / ("file" + std::to_string(a.dice.Below(4)))).string()) +
                   (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
        } else {
            std::vector<std::string> files;
            std::error_code ec;
            for (auto it = std::filesystem::recursive_directory_iterator(dir.Path(), ec);
                 !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
                if (it->is_regular_file(ec) && it->path().filename().string()[0] != '.' && it->path().parent_path() != dir / "bin")
                    files.push_back(it->path().string());
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                record(where + "Cancel (no file to open)");
                chooser->reject();
                return;
            }
            path = QString::fromStdString(a.dice.Pick(files));
        }
        record(where + "choose " + Quoted(path.mid(static_cast<int>(dir.Path().size()))));
        chooser->setDirectory(QFileInfo(path).absolutePath());
        chooser->selectFile(path);
        static_cast<QDialog*>(chooser)->accept();
    }

    uint32_t m_seed = 0;
    int m_step = 0;
    int m_dialogs = 0;
    bool m_finishing = false;
    JourneyStart m_start;
    QTimer m_answering;
    std::map<int, Answering> m_answers;
    std::vector<std::pair<const char*, QByteArray>> m_env;
    std::filesystem::path m_cwd;
};

TEST_P(MonkeyWalk, Walks)
{
    Walk(GetParam().seed, GetParam().steps);
}

namespace {
std::string WalkName(const ::testing::TestParamInfo<WalkCase>& info)
{
    return "Seed" + std::to_string(info.param.seed) + "Steps" + std::to_string(info.param.steps);
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Kept, MonkeyWalk, ::testing::ValuesIn(kWalks), WalkName);
// make monkey's seeds (none unless MONKEY_SEEDS is set).
INSTANTIATE_TEST_SUITE_P(Chosen, MonkeyWalk, ::testing::ValuesIn(FromEnvironment()), WalkName);
