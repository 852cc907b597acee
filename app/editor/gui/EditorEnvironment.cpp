#include "app/editor/gui/EditorEnvironment.h"

#include "app/editor/EditorCommands.h"
#include "app/shell/gui/FindReplaceDlg.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/framework/gui/DockMDI.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/FrameSite.h"
#include "app/shell/gui/MainStatusBar.h"
#include "app/shell/gui/InfoBar.h"
#include "app/shell/CommandIds.h"
#include "scanner/Scanner.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QTabBar>

#include <tuple>

namespace editor {

CVQXView* ActiveView(QMdiArea* area)
{
    QMdiSubWindow* child = area->currentSubWindow();
    if (!child && !area->subWindowList().isEmpty())
        child = area->subWindowList(QMdiArea::ActivationHistoryOrder).last();
    return child ? qobject_cast<CVQXView*>(child->widget()) : nullptr;
}

namespace {

constexpr int kProgramTemplate = 129;
constexpr int kCalibrationTemplate = 135;

QWidget* MakeView(EditorEnvironment& env, const QString& path, std::string* error,
                  const std::function<void(int, const QString&)>& setStatusPane)
{
    auto* view = new CVQXView(env);
    view->setStatusPane = setStatusPane;
    if (!path.isEmpty() && !view->GetDocument()->OnOpenDocument(path, error)) {
        delete view;
        return nullptr;
    }
    if (path.isEmpty())
        view->LoadLanguage();
    return view;
}

} // namespace

ui::COperationContext& EditorEnvironment::Context() const { return app->Operation(); }
CScanner& EditorEnvironment::Scanner() const { return app->Scanner(); }
COptions& EditorEnvironment::Options() const { return app->Options(); }

void RegisterEditor(fw::DocTemplates& templates, shell::IFrameSite& site, EditorEnvironment& env)
{
    env.app = &site.Context();
    fw::CDockMDI& frame = site.Window();
    fw::CommandTable& commands = site.Commands();
    CInfoBar* infoBar = site.InfoBar();
    for (int id : {kProgramTemplate, kCalibrationTemplate})
        if (fw::CDocTemplate* t = templates.Find(id))
            t->makeView = [&env, bar = QPointer<CMainStatusBar>(site.StatusBar())](const QString& path,
                                                                                    std::string* error) {
                // A view closed while the main window goes finds the status bar gone.
                return MakeView(env, path, error, [bar](int id, const QString& text) {
                    if (bar)
                        bar->SetPaneText(id, text);
                });
            };

    // The editor's commands in the frame's table, and its menu while a source view is active.
    QMenu* menu = commands.AddMenu(frame.menuBar()->addMenu(QStringLiteral("&Editor")));
    for (const EditorCommand& c : kEditorCommands) {
        if (c.id == 0) {
            menu->addSeparator();
            continue;
        }
        for (int id : {c.id, c.calibrationId}) {
            if (QAction* early = commands.Action(id)) {
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
            commands.Add(info);
        }
        menu->addAction(commands.Action(c.id));
        if (c.calibrationId != c.id)
            menu->addAction(commands.Action(c.calibrationId));
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
        commands.Add(info);
        commands.Rules().Set(id, [&frame] { return fw::CommandState{ActiveView(frame.MdiArea()) != nullptr, false, {}}; });
    }
    // Save As names a source file anew: only with a source in front.
    commands.Rules().Set(ID_FILE_SAVE_AS, [&frame] { return fw::CommandState{ActiveView(frame.MdiArea()) != nullptr, false, {}}; });
    if (QMenu* file = frame.menuBar()->findChild<QMenu*>(QStringLiteral("File"))) {
        QAction* setup = commands.Action(cmd::ID_FILE_PRINT_SETUP);
        file->insertActions(setup && file->actions().contains(setup) ? setup : nullptr,
                            {commands.Action(ID_FILE_PRINT), commands.Action(ID_FILE_PRINT_PREVIEW)});
    }
    QAction* menuAction = menu->menuAction();
    auto update = [&frame, &commands, menu, menuAction] {
        CVQXView* view = ActiveView(frame.MdiArea());
        menuAction->setVisible(view != nullptr);
        menuAction->setText(view && view->IsCalibration() ? QStringLiteral("TQC &Editor") : QStringLiteral("&Editor"));
        for (const EditorCommand& c : kEditorCommands)
            if (c.calibrationId != c.id) {
                commands.Action(c.id)->setVisible(!view || !view->IsCalibration());
                commands.Action(c.calibrationId)->setVisible(view && view->IsCalibration());
            }
    };
    QObject::connect(frame.MdiArea(), &QMdiArea::subWindowActivated, &frame, update); // ends with the frame
    update();

    site.AddCommandHandler([&frame](int id) {
        CVQXView* view = ActiveView(frame.MdiArea());
        return view && view->OnCommand(id);
    });
    // A compiler message's file opens (or comes to the front) at the message's line and column.
    infoBar->openFileAt = [&frame, &templates, infoBar](const std::string& file, int line, int column) {
        std::string error;
        fw::CChildFrame* child = templates.OpenDocument(frame.MdiArea(), QString::fromStdString(file), &error);
        if (!child) {
            infoBar->AddError(error);
            return;
        }
        frame.MdiArea()->setActiveSubWindow(child);
        if (auto* view = qobject_cast<CVQXView*>(child->widget()); view && line >= 0 && column >= 0)
            view->GoToLine(line, column);
    };
}

} // namespace editor
