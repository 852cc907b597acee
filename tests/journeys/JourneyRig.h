#pragma once
// A journey: VQX started as a user starts it (the application object's own start-up, its session,
// its default project or a project file, the project's "startup" macro), settings in a private
// registry and home, a chain of simulated motors on a pseudo-terminal behind the start-up port, and
// helpers that act as a user does: commands through their QActions, typing into the terminal,
// answering the next dialog. Nothing sits between the main frame and the core.
//
//   class MyJourney : public Journey {};
//   TEST_F(MyJourney, ReportsThePosition)
//   {
//       ASSERT_TRUE(Start());
//       EXPECT_TRUE(TypeAndWait("RP", "0"));
//       Answer([](QWidget* dlg) { Click(dlg, 1); });   // the next modal dialog: OK
//       EXPECT_TRUE(Command(cmd::ID_FIND_MOTORS));
//       EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Address(); }), 1);
//   }

#include "tests/appgui/GuiFixture.h"
#include "tests/appgui/LayoutCheck.h"

#include "app/framework/gui/CommandTable.h"
#include "app/project/Macro.h"
#include "app/project/Project.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "core/detect/DetectionFrame.h"
#include "core/port/CommPort.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/InfoBar.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "app/frame/gui/MainFrame.h"
#include "app/frame/gui/VQXApp.h"
#include "platform/registry/Profile.h"
#include "tests/sim/motor/SimMotor.h"
#include "tests/sim/wiring/SerialRig.h"

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDockWidget>
#include <QFileDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QUrl>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The motors' profile: "450" firmware, echo on at power-up.
inline vqxsim::MotorProfile JourneyMotor()
{
    vqxsim::MotorProfile p;
    p.firmware = "450";
    p.serial = ('T' << 24) | 500;
    p.echo[0] = true;
    return p;
}

// VQX's desktop in a journey: the real choosers (answered like any dialog), web and help pages
// recorded instead of handed to a browser.
class JourneyDesktop final : public shell::IDesktopServices {
public:
    // The questions of the running program (the folder picker's boxes).
    std::function<ui::IQuestions&()> questions;
    std::vector<QUrl> opened;
    std::vector<std::pair<std::string, std::string>> helpPages; // file, anchor

    QString ChooseOpenFile(QWidget* p, const shell::FileChoice& c) override { return Real().ChooseOpenFile(p, c); }
    QStringList ChooseOpenFiles(QWidget* p, const shell::FileChoice& c) override { return Real().ChooseOpenFiles(p, c); }
    QString ChooseSaveFile(QWidget* p, const shell::FileChoice& c) override { return Real().ChooseSaveFile(p, c); }
    QString ChooseFolder(QWidget* p, const QString& start) override { return Real().ChooseFolder(p, start); }
    std::optional<uint32_t> ChooseColor(QWidget* p, uint32_t initial) override { return Real().ChooseColor(p, initial); }
    bool ChoosePrint(QWidget* p, QPrinter& printer, bool hasSelection) override
    {
        return Real().ChoosePrint(p, printer, hasSelection);
    }
    bool OpenUrl(const QUrl& url) override
    {
        opened.push_back(url);
        return true;
    }
    bool OpenHelpPage(const QString& file, const QString& anchor) override
    {
        helpPages.emplace_back(file.toStdString(), anchor.toStdString());
        return true;
    }

private:
    // Made for each chooser: the questions are those of the VQX running now, and the rig starts
    // VQX more than once.
    shell::CQtDesktopServices Real() { return shell::CQtDesktopServices(questions()); }
};

struct JourneyStart {
    int motors = 3;
    // The motors' profile before addressing (addresses 1..n, echo on: a chain ready for use).
    vqxsim::MotorProfile motor = JourneyMotor();
    // The project VQX opens: a project file holding only the chain's port (named "Chain"), with a
    // "startup" macro of these commands when they are not empty; false: the default project (the
    // machine's own ports, the chain added as the start-up port on a first start).
    bool chainProject = true;
    std::string startupMacro;
    // Motors at addresses 1..n the project file holds already, as detected in an earlier session
    // (the chain may have more).
    int projectMotors = 0;
    // An Ethernet port after the chain's (a project with a port to spare).
    bool ethernetPort = false;
    // The chain's port name in the project file (stored bytes: Windows-1252).
    std::string portName = "Chain";
    // More of the command line VQX gets (a source file to open).
    QStringList arguments;
    // The first screen shows nothing that waits for the user (no welcome, question or tip).
    bool quietStart = true;
};

class Journey : public GuiTest {
protected:
    void SetUp() override
    {
        m_saved = {Env("XDG_DATA_HOME"), Env("XDG_CONFIG_HOME"), Env("VQX_PORT"), Env("HOME")};
        m_startFolder = std::filesystem::current_path();
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("HOME", (dir / "home").c_str(), 1);
        std::filesystem::create_directories(dir / "home");
    }
    void TearDown() override
    {
        Stop();
        rig.reset();
        Restore("XDG_DATA_HOME", m_saved[0]);
        Restore("XDG_CONFIG_HOME", m_saved[1]);
        Restore("VQX_PORT", m_saved[2]);
        Restore("HOME", m_saved[3]);
        // VQX makes a project's folder the current one; the next journey starts where this did.
        std::error_code ec;
        std::filesystem::current_path(m_startFolder, ec);
    }

    // Starts the chain (first time only) and VQX; true when VQX came up with its main frame.
    bool Start(const JourneyStart& options = {})
    {
        StartMotors(options);
        if (options.quietStart) {
            auto& p = platform::AppProfile();
            p.WriteInt("OptionBoxes", "ShowLogo", 0);
            p.WriteInt("OptionBoxes", "NoStartupTips", 1);
            p.WriteInt("OptionBoxes", "StartQuestion", 0);
            p.WriteInt("Workspace", "FirstRun", 0);
            p.WriteInt("OptionBoxes", "ShowPlayground", 0);
        }
        QStringList arguments = options.arguments;
        if (options.chainProject && m_projectFile.empty())
            m_projectFile = WriteProject("Chain", options.portName, options.startupMacro, options.projectMotors, options.motor,
                                         options.ethernetPort);
        if (options.chainProject)
            arguments.prepend(QString::fromStdString(m_projectFile));
        // Watched from the start: a question of the start-up itself never hangs the journey.
        WatchForUnansweredDialogs();
        desktop.questions = [this]() -> ui::IQuestions& { return app->Context().Questions(); };
        app = std::make_unique<CVQXApp>(QString::fromStdString(dir / "run"), &desktop);
        if (!app->InitInstance(arguments) || !app->MainFrame())
            return false;
        frame = app->MainFrame();
        frame->resize(1100, 800);
        Settle();
        return true;
    }
    // The chain of motors (first time only), before VQX starts (a journey that writes project files
    // of its own on the chain's line calls it first).
    void StartMotors(const JourneyStart& options = {})
    {
        if (!rig) {
            rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(options.motors, options.motor, true));
            m_motorCount = options.motors;
            setenv("VQX_PORT", rig->DevicePath().c_str(), 1);
        }
    }
    // ---- what the motors heard ----
    // From now on every command a motor of the chain takes in is kept, in the order they come,
    // with the motor's address: the motors' own count of who asked what.
    struct Heard {
        int address;
        std::string command;
    };
    void ListenToMotors()
    {
        for (int i = 0; i < m_motorCount; ++i)
            rig->WithMotor(size_t(i), [this](vqxsim::SimMotor& m) {
                m.commandWatch = [this, motor = &m](const std::string& command) {
                    std::lock_guard<std::mutex> lock(m_heardLock);
                    m_heard.push_back({motor->Address(), command});
                };
                return 0;
            });
    }
    // What the motors heard since the last call (and forgets it).
    std::vector<Heard> TakeHeard()
    {
        std::lock_guard<std::mutex> lock(m_heardLock);
        return std::exchange(m_heard, {});
    }
    // Ends VQX as the user does (File > Exit through the close sequence) when it still runs.
    void Stop()
    {
        if (!app)
            return;
        if (frame && frame->isVisible())
            frame->close();
        app->ExitInstance(0);
        m_watch.reset();
        frame = nullptr;
        app.reset();
    }
    // Ends VQX and starts it again on the same settings, home and motors, from the folder it was
    // first started in (as a new process would be: not in the folder of the project it had open).
    bool Restart(const JourneyStart& options = {})
    {
        Stop();
        std::error_code ec;
        std::filesystem::current_path(m_startFolder, ec);
        return Start(options);
    }

    // The project file of the chain (written before the first start).
    const std::string& ProjectFile() const { return m_projectFile; }

    // ---- acting as a user ----
    // Triggers a command through its QAction when the update rules enable it; false when it is
    // missing or disabled.
    bool Command(int id)
    {
        QAction* action = Action(id);
        if (!action)
            return false;
        frame->Commands().Update(id);
        if (!action->isEnabled())
            return false;
        action->trigger();
        Settle();
        return true;
    }
    QAction* Action(int id) const { return frame->Commands().Action(id); }
    bool Enabled(int id) const
    {
        frame->Commands().Update(id);
        QAction* a = Action(id);
        return a && a->isEnabled();
    }
    // Runs `act` with the next modal dialog (message boxes included) once it is open; the layout
    // check and a snapshot come first.
    // The please-wait dialog of a long operation is passed over (it is no question), and so is a
    // dialog an earlier Answer() took that is still closing: an Answer() given from inside another
    // one's `act` takes the dialog that comes next.
    void Answer(std::function<void(QWidget*)> act, const QString& snapshot = {})
    {
        ++m_answers;
        // Owned by the journey: a poll still waiting when the journey ends goes with it.
        auto* poll = new QTimer(&m_answerPolls);
        const QDeadlineTimer deadline(60000);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, act, snapshot, deadline] {
            QWidget* w = QApplication::activeModalWidget();
            const bool found = w && !w->inherits("CWaitDlg") && !m_taken.contains(w);
            if (!found && !deadline.hasExpired())
                return;
            poll->stop();
            poll->deleteLater();
            --m_answers;
            if (!found) {
                ADD_FAILURE() << "no dialog came to answer";
                return;
            }
            m_taken.append(QPointer<QWidget>(w));
            Snapshot(w, snapshot.isEmpty() ? w->objectName().isEmpty() ? QStringLiteral("dialog") : w->objectName() : snapshot);
            act(w);
        });
        poll->start(5);
    }
    // Runs `act` with the next modal window of class W once it is open, however many boxes come
    // before it (those go to AutoAnswer: the warnings and questions before a wizard). While `act`
    // runs, the window is not taken for an unanswered dialog, and boxes it opens are auto-answered.
    // `required` false: a window that may or may not come (no failure when it does not).
    template <class W>
    void AnswerWindow(std::function<void(W*)> act, const QString& snapshot, int ms = 60000, bool required = true)
    {
        auto deadline = std::make_shared<QDeadlineTimer>(ms);
        auto poll = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> self = poll;
        *poll = [this, act, snapshot, deadline, self, required, generation = Generation()] {
            if (generation != Generation())
                return;
            if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
                m_handling.push_back(w);
                Snapshot(w, snapshot);
                act(w);
                std::erase(m_handling, w);
                return;
            }
            if (deadline->hasExpired()) {
                if (required)
                    ADD_FAILURE() << "the window " << snapshot.toStdString() << " did not open";
                return;
            }
            if (auto again = self.lock())
                QTimer::singleShot(10, [again] { (*again)(); });
        };
        QTimer::singleShot(0, [poll] { (*poll)(); });
    }
    // The next Select Motor dialog (boxes before it go to AutoAnswer): the address typed over the
    // preset port, then OK; address 0: Cancel.
    void AnswerSelectMotor(int address, const QString& snapshot = QStringLiteral("select-motor"))
    {
        AnswerWindow<CSelectMotorDlg>(
            [address](CSelectMotorDlg* d) {
                if (address <= 0) {
                    d->reject();
                    return;
                }
                d->AddressEdit()->setValue(address);
                d->accept();
            },
            snapshot);
    }
    // The next modal dialog is the item dialog of a monitor, chart or motor view: `fill` chooses
    // the item, OK adds it, and the dialog, open for another item, is closed.
    void AddInItemDialog(std::function<void(CWatchItemDlg*)> fill, const QString& snapshot = {})
    {
        Answer(
            [fill](QWidget* w) {
                auto* d = qobject_cast<CWatchItemDlg*>(w);
                if (!d) {
                    ADD_FAILURE() << "not the item dialog";
                    Decline(w);
                    return;
                }
                fill(d);
                QTest::mouseClick(d->OkButton(), Qt::LeftButton);
                d->reject();
            },
            snapshot);
    }
    // The predefined item of that caption ("Velocity") picked and added in the next item dialog.
    void AddPredefinedItem(const QString& caption)
    {
        AddInItemDialog([caption](CWatchItemDlg* d) {
            QTreeWidget* list = d->List();
            const QList<QTreeWidgetItem*> rows = list->findItems(caption, Qt::MatchExactly);
            if (rows.isEmpty())
                ADD_FAILURE() << "no item " << caption.toStdString() << " to pick";
            else
                list->setCurrentItem(rows.front());
        });
    }
    // The playground's entry of the chain's line (the device's short name, "pts/<n>"); -1: none.
    int ChainEntry(QWidget* playground) const
    {
        auto* ports = playground->findChild<QComboBox*>(QString::number(tools::pg::kPortList));
        return ports ? ports->findText(QString::fromStdString(rig->DevicePath()).section(QLatin1Char('/'), -2)) : -1;
    }
    // That entry chosen, as the user picks it; false when the list has none.
    bool ChooseChainPort(QWidget* playground) const
    {
        const int entry = ChainEntry(playground);
        if (entry < 0)
            return false;
        auto* ports = playground->findChild<QComboBox*>(QString::number(tools::pg::kPortList));
        ports->setCurrentIndex(entry);
        Q_EMIT ports->activated(entry);
        return true;
    }
    // Every message box whose text holds `text` is answered with its button `button` ("OK",
    // "&Yes") from now on, however often it comes.
    void AutoAnswer(const QString& text, const QString& button) { m_autoAnswers.push_back({text, button}); }
    void StopAutoAnswer(const QString& text)
    {
        std::erase_if(m_autoAnswers, [&](const auto& answer) { return answer.first == text; });
    }
    // Declines a dialog as a user does: Cancel, No, Close or OK (the first it shows), else Escape.
    static void Decline(QWidget* dialog)
    {
        if (!dialog)
            return;
        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
        for (const char* text : {"Cancel", "No", "Close", "OK"})
            for (QPushButton* b : buttons)
                if (b->isVisible() && b->isEnabled() &&
                    layoutcheck::Plain(b->text()).compare(QLatin1String(text), Qt::CaseInsensitive) == 0) {
                    b->click();
                    return;
                }
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        else
            dialog->close();
    }
    // A visible button of a dialog by its text ("OK", "Yes"), clicked.
    static void Press(QWidget* dialog, const QString& text)
    {
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->isVisible() && layoutcheck::Plain(b->text()).compare(layoutcheck::Plain(text), Qt::CaseInsensitive) == 0) {
                b->click();
                return;
            }
        ADD_FAILURE() << "no button " << text.toStdString() << " in " << dialog->windowTitle().toStdString();
    }
    // A button of a dialog by its control id, clicked.
    static void Click(QWidget* dialog, int id)
    {
        auto* b = dialog->findChild<QPushButton*>(QString::number(id));
        if (!b) {
            ADD_FAILURE() << "no button " << id << " in " << dialog->windowTitle().toStdString();
            return;
        }
        QTest::mouseClick(b, Qt::LeftButton);
    }

    // Every action that runs a command from the main frame: the command table (but File > Exit,
    // which ends the session a walk runs in), the firmware menu, and the leaves of `terminalMenu`
    // (the terminal's context menu) when there is one; each with a name for a report.
    std::vector<std::pair<QAction*, std::string>> Reachable(QMenu* terminalMenu) const
    {
        std::vector<std::pair<QAction*, std::string>> out;
        for (QAction* a : frame->Commands().findChildren<QAction*>())
            if (a->data().toInt() != cmd::ID_APP_EXIT)
                out.push_back({a, "command " + a->objectName().toStdString() + " \"" + a->text().toStdString() + "\""});
        if (QMenu* firmware = frame->FirmwareMenu())
            for (QAction* a : firmware->actions())
                if (!a->isSeparator() && !a->menu())
                    out.push_back({a, "firmware \"" + a->text().toStdString() + "\""});
        if (terminalMenu)
            for (auto& a : MenuActions(terminalMenu, "terminal menu", false))
                out.push_back(std::move(a));
        return out;
    }
    // The actions of a menu (its submenus' too), each with the menu's name; `refresh`: the menus'
    // own checks and states brought up to date first, as when they open.
    static std::vector<std::pair<QAction*, std::string>> MenuActions(QMenu* menu, const std::string& name,
                                                                     bool refresh = true)
    {
        std::vector<std::pair<QAction*, std::string>> out;
        std::function<void(QMenu*)> leaves = [&](QMenu* m) {
            if (refresh)
                Q_EMIT m->aboutToShow();
            for (QAction* a : m->actions()) {
                if (a->menu())
                    leaves(a->menu());
                else if (!a->isSeparator())
                    out.push_back({a, name + " \"" + a->text().toStdString() + "\""});
            }
        };
        leaves(menu);
        return out;
    }

    // Shows a dock bar through its View command when it is hidden (the user's way).
    void ShowBar(QDockWidget* bar, int viewCommand)
    {
        if (!bar->isVisible())
            Command(viewCommand);
    }
    // The next file dialog gets `path`.
    void AnswerFile(const std::string& path)
    {
        Answer([path](QWidget* w) {
            auto* chooser = qobject_cast<QFileDialog*>(w);
            if (!chooser) {
                ADD_FAILURE() << "no file dialog came";
                Decline(w);
                return;
            }
            chooser->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(chooser)->accept();
        });
    }
    // Opens a file through File > Open (or, with the project command, a project through Open
    // Project) and its file dialog.
    bool OpenFile(const std::string& path, int command = cmd::ID_FILE_OPEN)
    {
        AnswerFile(path);
        return Command(command);
    }
    // A row of tabs the user sees: shown, and laid out at its full height once the program had
    // time to lay it out (a bar filled while the frame was hidden can keep a row of no height).
    static bool TabsShown(const QTabBar* tabs)
    {
        return WaitFor([tabs] { return tabs->isVisible() && tabs->count() > 0 && tabs->height() >= tabs->sizeHint().height(); });
    }
    // The terminal bar, its current pane's text, and typing into its command line.
    CTerminalBar& Terminal() const { return *static_cast<CTerminalBar*>(frame->TerminalBar()->widget()); }
    CConfigBar& Tree() const { return *static_cast<CConfigBar*>(frame->ConfigBar()->widget()); }
    QString TreeText(int port, int motor = -1, int file = -1) const
    {
        QTreeWidgetItem* item = Tree().ItemOf(port, motor, file);
        return item ? item->text(0) : QString();
    }
    QString TerminalText(int tab = -1) const
    {
        const int t = tab < 0 ? Terminal().CurrentTab() : tab;
        return t < 0 ? QString() : Terminal().View(t)->toPlainText();
    }
    void Type(const QString& line, bool enter = true)
    {
        QLineEdit* edit = Terminal().CommandEdit();
        edit->setFocus();
        QTest::keyClicks(edit, line);
        if (enter)
            QTest::keyClick(edit, Qt::Key_Return);
    }
    // Types a line and waits until the pane shows `expected` after it; false on time-out.
    bool TypeAndWait(const QString& line, const QString& expected, int ms = 5000)
    {
        const int before = TerminalText().size();
        Type(line);
        return WaitFor([&] { return TerminalText().mid(before).contains(expected); }, ms);
    }
    // Lets the program run (its timers, the poll loop, the motors answering) until `done` holds;
    // false when it does not within `ms` (generous: the machine may be loaded).
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(10);
        }
        return true;
    }
    // Lets pending events and the first poll ticks run.
    static void Settle() { QTest::qWait(20); }

    // ---- what the user sees ----
    std::vector<std::string> InfoLines() const
    {
        std::vector<std::string> out;
        for (const auto& l : frame->InfoBar()->Lines())
            out.push_back(l.description);
        return out;
    }
    bool InfoHas(const std::string& text) const
    {
        for (const auto& l : InfoLines())
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    }
    // The first window of a class: an MDI child's widget, a top-level window, or a child of the frame.
    template <class W>
    W* Find() const
    {
        for (QMdiSubWindow* sub : frame->MdiArea()->subWindowList())
            if (auto* w = qobject_cast<W*>(sub->widget()))
                return w;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<W*>(top); w && w->isVisible())
                return w;
        return frame->findChild<W*>();
    }
    // A window the frame owns opened over its work area: its top-left corner inside the MDI
    // area, so that neither the menu nor the toolbar is covered.
    bool OverWorkArea(const QWidget* w) const
    {
        const QMdiArea* area = frame->MdiArea();
        const QRect work(area->mapToGlobal(QPoint(0, 0)), area->size());
        const bool over = w && w->parentWidget() && w->parentWidget()->window() == frame &&
                          work.contains(w->frameGeometry().topLeft());
        if (!over && w)
            ADD_FAILURE() << w->windowTitle().toStdString() << " opens at " << w->frameGeometry().x() << ","
                          << w->frameGeometry().y() << ", not over the work area at " << work.x() << "," << work.y()
                          << " " << work.width() << "x" << work.height();
        return over;
    }
    QWidget* ActiveDocument() const
    {
        QMdiSubWindow* sub = frame->MdiArea()->activeSubWindow();
        return sub ? sub->widget() : nullptr;
    }

    // F1 pressed in `target` while its window is the active one: the help files it opened.
    std::vector<std::string> HelpOnF1(QWidget* target)
    {
        desktop.helpPages.clear();
        target->window()->activateWindow();
        QApplication::setActiveWindow(target->window());
        QTest::keyClick(target, Qt::Key_F1);
        std::vector<std::string> files;
        for (const auto& page : desktop.helpPages)
            files.push_back(page.first);
        return files;
    }

    // ---- what the motors hold ----
    template <class F>
    auto Motor(int index, F f)
    {
        return rig->WithMotor(index, f);
    }

    std::unique_ptr<vqxsim::SerialRig> rig;
    JourneyDesktop desktop; // outlives every start of VQX
    std::unique_ptr<CVQXApp> app;
    CMainFrame* frame = nullptr;
    // A walker that answers every dialog itself says which it takes: the watch for unanswered
    // dialogs leaves those alone.
    std::function<bool(QWidget*)> answersDialog;

private:
    std::string m_projectFile;
    int m_motorCount = 0;
    std::mutex m_heardLock;
    std::vector<Heard> m_heard;
    static std::string Env(const char* name)
    {
        const char* v = std::getenv(name);
        return v ? std::string(v) : std::string("\x01");
    }

protected:
    // A project file named `name` holding one RS-232 port on the chain (saved open), with a
    // "startup" macro when one is given; the path of the file. Written while VQX does not hold the
    // line (before Start()).
    std::string WriteProject(const std::string& name, const std::string& portName, const std::string& startupMacro = {},
                             int motors = 0, const vqxsim::MotorProfile& motor = JourneyMotor(), bool ethernet = false)
    {
        const std::string folder = dir / name;
        std::filesystem::create_directories(folder);
        CProject project;
        project.isDefault = false;
        project.Name = name;
        project.FileName = folder + "/" + name + ".spj";
        auto port = std::make_unique<CCommPort>();
        port->Name = portName;
        port->PortName = rig->DevicePath();
        port->CommType = COMM_RS232;
        port->BitPerSec = port->savedBitPerSec = 9600;
        port->Echo = 1;
        for (int address = 1; address <= motors; ++address) {
            CMotor* m = EnterDetectedMotor(*port, address);
            m->Version = motor.firmware;
            m->SerialNumber = motor.serial + uint32_t(address - 1);
        }
        project.AddPort(std::move(port));
        if (ethernet) {
            auto net = std::make_unique<CCommPort>();
            net->Name = net->PortName = "Ethernet";
            net->CommType = COMM_ETHERNET;
            project.AddPort(std::move(net));
        }
        // Saved open, as a user leaves a port in use: it opens again with the project.
        project.Port(0)->OpenPort();
        if (!startupMacro.empty()) {
            auto macro = std::make_unique<CMacro>();
            macro->Name = "startup";
            macro->Commands = startupMacro;
            project.AddMacro(std::move(macro));
        }
        EXPECT_TRUE(project.Save()) << project.FileName;
        project.CloseAllPorts();
        return project.FileName;
    }

private:
    static void Restore(const char* name, const std::string& value)
    {
        if (value == "\x01")
            unsetenv(name);
        else
            setenv(name, value.c_str(), 1);
    }
    // A modal dialog no Answer() waits for fails the journey and is closed after a while, so that
    // a journey never hangs on a question it did not expect; the failure shows its texts.
    void WatchForUnansweredDialogs()
    {
        m_watch = std::make_unique<QTimer>();
        QObject::connect(m_watch.get(), &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            // The please-wait dialog of a long operation is no question.
            if (!w || m_answers > 0 || w->inherits("CWaitDlg") || (answersDialog && answersDialog(w)) ||
                std::find(m_handling.begin(), m_handling.end(), w) != m_handling.end()) {
                m_modalSince.invalidate();
                return;
            }
            if (AutoAnswered(w)) {
                m_modalSince.invalidate();
                return;
            }
            if (!m_modalSince.isValid())
                m_modalSince.start();
            if (m_modalSince.elapsed() < kUnansweredMs)
                return;
            std::string texts;
            for (QLabel* l : w->findChildren<QLabel*>())
                if (l->isVisible() && !l->text().isEmpty())
                    texts += " \"" + l->text().toStdString() + "\"";
            ADD_FAILURE() << "an unexpected dialog \"" << w->windowTitle().toStdString() << "\":" << texts;
            m_modalSince.invalidate();
            QTimer::singleShot(0, [target = QPointer<QWidget>(w)] { Decline(target); });
        });
        m_watch->start(50);
    }
    bool AutoAnswered(QWidget* w)
    {
        auto* label = w->findChild<QLabel*>(QStringLiteral("1069"));
        if (!label)
            return false;
        for (const auto& [text, button] : m_autoAnswers)
            if (label->text().contains(text))
                for (QPushButton* b : w->findChildren<QPushButton*>())
                    if (b->isVisible() && layoutcheck::Plain(b->text()).compare(layoutcheck::Plain(button), Qt::CaseInsensitive) == 0) {
                        Snapshot(w, QStringLiteral("answered"));
                        b->click();
                        return true;
                    }
        return false;
    }
    std::vector<std::pair<QString, QString>> m_autoAnswers;
    std::vector<QWidget*> m_handling; // windows an AnswerWindow act is working in
    static constexpr int kUnansweredMs = 3000;
    int m_answers = 0;
    QList<QPointer<QWidget>> m_taken;
    QObject m_answerPolls;
    QElapsedTimer m_modalSince;
    std::unique_ptr<QTimer> m_watch;
    std::vector<std::string> m_saved;
    std::filesystem::path m_startFolder;
};
