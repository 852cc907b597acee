#pragma once
// The real main frame with a project session, headless, against simulated motors: an RS-232 chain
// of three echoing motors on the in-process line (a bus of two on request), the editor's document
// templates, and every seam of the program (the session's and the default context) answered by
// the test's script.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/editor/gui/EditorEnvironment.h"
#include "app/framework/gui/DocTemplates.h"

#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/project/PortCommands.h"
#include "app/project/gui/ConfigBar.h"
#include "app/frame/gui/FrameCommands.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "core/backends/MotorSocket.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/Questions.h"
#include "platform/clock/Clock.h"
#include "tests/common/HeadlessContext.h"
#include "platform/net/NetSettings.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/usb/UsbRig.h"
#include "tests/sim/wiring/FakeLineRig.h"
#include "tests/support/platform/FakeUsbBridge.h"

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTabBar>
#include <QTreeWidget>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <mutex>

using namespace shell::ids;

class FrameCommandsGui : public GuiTest {
protected:
    // The chain's serial device (the port dialogs list only "Com1".."Com30").
    std::string chainLine = "cfg-chain";
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.echo[0] = true;
        vqxsim::FakeLineOptions chainOptions;
        chainOptions.pcWriteTap = [this](const std::vector<uint8_t>& b) { Tap(chainBytes, b); };
        chain = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(3, p, true), chainLine, chainOptions);
        vqxsim::MotorProfile b;
        b.firmware = "450";
        b.serial = ('B' << 24) | 77;
        vqxsim::FakeLineOptions busOptions;
        busOptions.pcWriteTap = [this](const std::vector<uint8_t>& x) { Tap(busBytes, x); };
        bus = vqxsim::FakeLineRig::Bus(vqxsim::MakeProfiles(2, b, true), "cfg-bus", busOptions);
        clock.Advance(std::chrono::seconds(2));
        h.context.Options().ShowTyping = true;
        h.context.Options().RunStartup = false;
        h.context.Options().RestoreSerialState = true;
        // The program's own dialogs and the editor ask through the default context.
        ui::COperationContext::Default().SetQuestions(&h.questions);
        ui::COperationContext::Default().SetProgress(&h.progress);
        ui::COperationContext::Default().SetInfo(&h.info);
        app = std::make_unique<TestAppContext>(h.context);
        frame = std::make_unique<CMainFrame>(app->context);
        session = std::make_unique<CProjectSession>(*frame);
        templates.Add(129, "\nVQX\nVQX Source File\nVQX Files (*.tqs)\n.tqs\nVQX.Document\nVQX Source File");
        templates.Add(135, "\nCalibration\nQuintaloc Calibration File\nQuintaloc Calibration Files (*.tqc)\n.tqc\n"
                           "VQXCal.File\nQuintaloc Calibration File");
        editor::RegisterEditor(templates, *frame, editorEnv);
        session->SetTemplates(&templates);
        session->Start(chainLine);
        frame->Project().RunStartup(); // the ports saved open, as the program's start does
        session->ConnectEditor(editorEnv);
        // Only the chain: the ports the machine adds to a default project are not wanted here.
        for (int i = Project().PortCount() - 1; i >= 0; --i)
            if (Project().Port(i)->PortName != chainLine)
                Project().RemovePort(i);
        session->PortsChanged();
        frame->ShowControlBar(frame->TerminalBar(), true);
        frame->ShowControlBar(frame->ConfigBar(), true);
        frame->resize(1100, 800);
        frame->show();
    }
    void TearDown() override
    {
        session.reset();
        frame.reset();
        ui::COperationContext::Default().SetQuestions(nullptr);
        ui::COperationContext::Default().SetProgress(nullptr);
        ui::COperationContext::Default().SetInfo(nullptr);
        unsetenv("XDG_DATA_HOME");
    }

    void Tap(std::string& into, const std::vector<uint8_t>& bytes)
    {
        std::lock_guard<std::mutex> lock(tapMutex);
        into.append(bytes.begin(), bytes.end());
    }
    std::string Taken(std::string& from)
    {
        std::lock_guard<std::mutex> lock(tapMutex);
        return std::exchange(from, {});
    }

    bool Run(int id) { return frame->Commands().Execute(id); }
    // The next page dialog with the project name page ("New Project", "Save Project as") gets a
    // name and a location and is accepted; its title is kept in *title. `more` acts on the other
    // pages before OK.
    void FillNamePage(const std::string& name, const std::string& location, QString* title,
                      std::function<void(QDialog*)> more = {})
    {
        WhenModal([=](QWidget* w) {
            auto* dlg = static_cast<QDialog*>(w);
            *title = dlg->windowTitle();
            auto* nameEdit = dlg->findChild<QLineEdit*>(QStringLiteral("1023"));
            auto* locationEdit = dlg->findChild<QLineEdit*>(QStringLiteral("1001"));
            if (!nameEdit || !locationEdit) {
                ADD_FAILURE() << "no project name page";
                dlg->reject();
                return;
            }
            nameEdit->setText(QString::fromStdString(name));
            locationEdit->setText(QString::fromStdString(location));
            if (more)
                more(dlg);
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
            if (dlg->isVisible()) {
                ADD_FAILURE() << "the page dialog refused OK";
                dlg->reject();
            }
        });
    }
    CProject& Project() { return session->Project(); }
    CTerminalBar& Bar() { return session->TerminalBar(); }
    CConfigBar& Tree() { return session->ConfigBar(); }
    QString PaneText(int port) { return Bar().View(port)->toPlainText(); }
    // A report command typed in the current tab's command line; the pane's text after it.
    QString Type(const char* line)
    {
        const int before = PaneText(Bar().CurrentTab()).size();
        QTest::keyClicks(Bar().CommandEdit(), QString::fromLatin1(line));
        QTest::keyClick(Bar().CommandEdit(), Qt::Key_Return);
        return PaneText(Bar().CurrentTab()).mid(before);
    }
    bool InfoHas(const std::string& text)
    {
        for (const auto& l : h.info.Lines())
            if (l.description.find(text) != std::string::npos)
                return true;
        return false;
    }
    QString TreeText(int port, int motor = -1, int file = -1)
    {
        QTreeWidgetItem* item = Tree().ItemOf(port, motor, file);
        return item ? item->text(0) : QString();
    }
    void AddBusPort()
    {
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = "cfg-bus";
        port->CommType = COMM_RS485;
        port->Echo = 0;
        ASSERT_TRUE(Project().AddPort(std::move(port)));
        Project().Port(1)->OpenPort();
        session->PortsChanged();
    }
    void WriteFile(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    // Drops files on a tree item as a file manager would.
    void DropOn(QTreeWidgetItem* item, const std::vector<std::string>& files)
    {
        QList<QUrl> urls;
        for (const auto& f : files)
            urls << QUrl::fromLocalFile(QString::fromStdString(f));
        auto* mime = new QMimeData;
        mime->setUrls(urls);
        QWidget* viewport = Tree().Tree()->viewport();
        Tree().Tree()->scrollToItem(item);
        const QPoint at = Tree().Tree()->visualItemRect(item).center();
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        delete mime;
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    HeadlessContext h;
    ui::CHeadlessQuestions& questions = h.questions;
    std::mutex tapMutex;
    std::string chainBytes, busBytes;
    std::unique_ptr<vqxsim::FakeLineRig> chain, bus;
    std::unique_ptr<TestAppContext> app;
    editor::EditorEnvironment editorEnv;
    std::unique_ptr<CMainFrame> frame;
    fw::DocTemplates templates;
    std::unique_ptr<CProjectSession> session;
};
