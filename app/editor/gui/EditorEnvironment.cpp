#include "app/editor/gui/EditorEnvironment.h"

#include "app/bridge/Seams.h"
#include "app/editor/EditorCommands.h"
#include "app/editor/gui/FindReplaceDlg.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/project/SelectMotor.h"
#include "app/project/gui/ProjectSession.h"
#include "app/project/gui/TerminalBar.h"
#include "app/framework/gui/DockDlg.h"
#include "core/port/CommPort.h"
#include "app/shell/gui/InfoBar.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/MainFrame.h"
#include "scanner/Scanner.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTabBar>

#include <tuple>

namespace editor {

CVQXView* ActiveView(CMainFrame& frame)
{
    QMdiArea* area = frame.MdiArea();
    QMdiSubWindow* child = area->currentSubWindow();
    if (!child && !area->subWindowList().isEmpty())
        child = area->subWindowList(QMdiArea::ActivationHistoryOrder).last();
    return child ? qobject_cast<CVQXView*>(child->widget()) : nullptr;
}

namespace {

constexpr int kProgramTemplate = 129;
constexpr int kCalibrationTemplate = 135;

QWidget* MakeView(const QString& path, std::string* error)
{
    auto* view = new CVQXView;
    if (!path.isEmpty() && !view->GetDocument()->OnOpenDocument(path, error)) {
        delete view;
        return nullptr;
    }
    if (path.isEmpty())
        view->LoadLanguage();
    return view;
}

} // namespace

EditorEnvironment& Environment()
{
    static EditorEnvironment env;
    return env;
}

CScanner& TheScanner()
{
    static CScanner scanner;
    return scanner;
}

ui::COperationContext& EditorContext() { return bridge::Context(); }

void RegisterEditor(fw::DocTemplates& templates, CMainFrame& frame)
{
    for (int id : {kProgramTemplate, kCalibrationTemplate})
        if (fw::CDocTemplate* t = templates.Find(id))
            t->makeView = MakeView;

    // The editor's commands in the frame's table, and its menu while a source view is active.
    QMenu* menu = frame.Commands().AddMenu(frame.menuBar()->addMenu(QStringLiteral("&Editor")));
    for (const EditorCommand& c : kEditorCommands) {
        if (c.id == 0) {
            menu->addSeparator();
            continue;
        }
        for (int id : {c.id, c.calibrationId}) {
            if (QAction* early = frame.Commands().Action(id)) {
                // The toolbar registered its button first, with only a short label: the menu shows
                // the command's own text and the command takes its key.
                if (id == c.id && early->text() != QString::fromLatin1(c.text)) {
                    early->setText(QString::fromLatin1(c.text));
                    early->setToolTip(QString::fromLatin1(c.text).replace(QStringLiteral("&&"), QStringLiteral("&")));
                    if (c.key && *c.key)
                        early->setShortcut(QKeySequence(QString::fromLatin1(c.key)));
                }
                continue;
            }
            fw::CommandInfo info;
            info.id = id;
            info.menuText = id == c.calibrationId && c.calibrationText ? c.calibrationText : c.text;
            info.shortcut = c.key;
            frame.Commands().Add(info);
        }
        menu->addAction(frame.Commands().Action(c.id));
        if (c.calibrationId != c.id)
            menu->addAction(frame.Commands().Action(c.calibrationId));
    }
    // Printing in the File menu, before Print Setup.
    for (const auto& [id, text, key] : {std::tuple{ID_FILE_PRINT, "&Print...", "Ctrl+P"},
                                        std::tuple{ID_FILE_PRINT_PREVIEW, "Print Pre&view", ""}}) {
        fw::CommandInfo info;
        info.id = id;
        info.menuText = text;
        info.shortcut = key;
        fw::SetResourceLines(info, id == ID_FILE_PRINT ? "Print the active document\nPrint"
                                                       : "Display full pages\nPrint Preview");
        frame.Commands().Add(info);
        frame.Commands().Rules().Set(id, [&frame] { return fw::CommandState{ActiveView(frame) != nullptr, false, {}}; });
    }
    if (QMenu* file = frame.menuBar()->findChild<QMenu*>(QStringLiteral("File"))) {
        QAction* setup = frame.Commands().Action(cmd::ID_FILE_PRINT_SETUP);
        file->insertActions(setup && file->actions().contains(setup) ? setup : nullptr,
                            {frame.Commands().Action(ID_FILE_PRINT), frame.Commands().Action(ID_FILE_PRINT_PREVIEW)});
    }
    QAction* menuAction = menu->menuAction();
    auto update = [&frame, menu, menuAction] {
        CVQXView* view = ActiveView(frame);
        menuAction->setVisible(view != nullptr);
        menuAction->setText(view && view->IsCalibration() ? QStringLiteral("TQC &Editor") : QStringLiteral("&Editor"));
        for (const EditorCommand& c : kEditorCommands)
            if (c.calibrationId != c.id) {
                frame.Commands().Action(c.id)->setVisible(!view || !view->IsCalibration());
                frame.Commands().Action(c.calibrationId)->setVisible(view && view->IsCalibration());
            }
    };
    QObject::connect(frame.MdiArea(), &QMdiArea::subWindowActivated, &frame, update); // ends with the frame
    update();

    frame.AddCommandHandler([&frame](int id) {
        CVQXView* view = ActiveView(frame);
        return view && view->OnCommand(id);
    });
    // A compiler message's file opens (or comes to the front) at the message's line and column.
    frame.InfoBar()->openFileAt = [&frame, &templates](const std::string& file, int line, int column) {
        std::string error;
        fw::CChildFrame* child = templates.OpenDocument(frame.MdiArea(), QString::fromStdString(file), &error);
        if (!child) {
            frame.InfoBar()->AddError(error);
            return;
        }
        frame.MdiArea()->setActiveSubWindow(child);
        if (auto* view = qobject_cast<CVQXView*>(child->widget()); view && line >= 0 && column >= 0)
            view->GoToLine(line, column);
    };
}

void ConnectEditorToSession(CProjectSession& session, CMainFrame& frame)
{
    EditorEnvironment& env = Environment();
    env.project = &session.Project();
    env.commError = &session.CommErrorHandler();
    CTerminalBar* bar = &session.TerminalBar();
    env.currentTarget = [bar] {
        const int tab = bar->CurrentTab();
        return selectmotor::MakeSelection(tab < 0 ? 0 : tab, bar->GetTargetAddress(tab));
    };
    env.showTerminal = [bar, &frame](CCommPort* port) {
        if (fw::CDockDlg* dock = frame.TerminalBar())
            dock->show();
        if (port && port->id >= 0 && port->id < bar->Tabs()->count())
            bar->Tabs()->setCurrentIndex(port->id);
    };
}

} // namespace editor
