#include "app/frame/gui/MainFrame.h"

#include "app/frame/CommandIcons.h"
#include "app/framework/DeferredQuestions.h"
#include "app/framework/LongOperation.h"
#include "app/framework/WindowPlacement.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/framework/gui/Text8.h"
#include "app/res/gui/Icons.h"
#include "app/shell/CommandIds.h"
#include "app/shell/DockLayoutArchive.h"
#include "app/shell/FirmwareVersions.h"
#include "app/shell/FrameDecisions.h"
#include "app/shell/StartupDecisions.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/Help.h"
#include "app/shell/gui/InfoBar.h"
#include "core/archive/TagArchive.h"
#include "core/settings/Options.h"
#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <algorithm>
#include <map>
#include <vector>

namespace {

inline constexpr const char* kDefaultWindowPos = "0,1,-1,-1,-1,-1,64,64,918,832";

struct ToolbarButton {
    int id;
    const char* theme;
    const char* label;
};
// 0 = separator.
constexpr ToolbarButton kToolbar[] = {
    {cmd::ID_FILE_NEW, "document-new", "N"},
    {cmd::ID_FILE_OPEN, "document-open", "O"},
    {cmd::ID_FILE_SAVE, "document-save", "S"},
    {cmd::ID_SAVE_ALL, "document-save-all", "SA"},
    {0, nullptr, nullptr},
    {cmd::ID_EDIT_CUT, "edit-cut", "X"},
    {cmd::ID_EDIT_COPY, "edit-copy", "C"},
    {cmd::ID_EDIT_PASTE, "edit-paste", "V"},
    {0, nullptr, nullptr},
    {cmd::ID_VIEW_CONFIGURATION, "view-list-tree", "Cf"},
    {cmd::ID_VIEW_TERMINAL, "utilities-terminal", "T"},
    {cmd::ID_VIEW_INFORMATION, "dialog-information", "i"},
    {cmd::ID_VIEW_ANALYZER, "utilities-system-monitor", "SD"},
    {0, nullptr, nullptr},
    {cmd::ID_FIND_MOTORS, "edit-find", "FM"},
    {cmd::ID_DETECT_MOTORS, "system-search", "DM"},
    {0, nullptr, nullptr},
    {cmd::ID_COMPILE_DOWNLOAD_PROJECT, "go-down", "CD"},
    {cmd::ID_COMPILE_TRANSMIT, "go-bottom", "CT"},
    {cmd::ID_SCAN_ERRORS, "tools-check-spelling", "SE"},
    {cmd::ID_UPLOAD_PROGRAM, "go-up", "UP"},
    {0, nullptr, nullptr},
    {cmd::ID_RUN_PROGRAM, "media-playback-start", "R"},
    {cmd::ID_STOP_PROGRAM, "media-playback-stop", "E"},
    {cmd::ID_STOP_MOTORS, "process-stop", "SM"},
    {cmd::ID_DECELERATE_MOTORS, "media-playback-pause", "DS"},
    {0, nullptr, nullptr},
    {cmd::ID_PLAYGROUND, "applications-games", "PG"},
    {0, nullptr, nullptr},
    {cmd::ID_HELP_FINDER, "help-browser", "?"},
};

} // namespace

// ---- CMainFrame ----------------------------------------------------------------------------------

CMainFrame::CMainFrame(shell::CAppContext& context, QWidget* parent)
    : fw::CDockMDI(parent), m_context(context), m_commands(new fw::CommandTable(this)), m_status(new CMainStatusBar(this))
{
    // Every command the frame and the areas add gets its picture.
    fw::CommandTable::SetIconProvider([](int id) {
        const res::CommandPicture* picture = res::CommandPictureOf(id);
        return picture ? res::CommandIcon(picture->theme, picture->own) : QIcon();
    });
    setObjectName(QString::number(cmd::IDR_MAINFRAME));
    setWindowIcon(res::AppIcon());
    setStatusBar(m_status);
    RebuildFirmwareList();
    BuildCommands();
    BuildMenus();
    BuildToolBar();
    // F1 anywhere in the frame (the editor keeps F1 for its keywords).
    addAction(m_commands->Action(cmd::ID_HELP));
    BuildBars();
    m_commands->StartIdleRefresh();

    m_pollTimer.SetSingleShot(true);
    m_pollTimer.SetPrecise(true);
    connect(&m_pollTimer, &fw::ToolTimer::timeout, this, [this] { m_pollTimer.Start(PollTick()); });
    m_pollTimer.Start(shell::kFirstPollDelayMs);

    connect(MdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        UpdateFrameTitle();
        // Maximised, the area itself shows the document's name in this window's title: the title
        // is made again once the area has done so (queued), without the name, so it reads once.
        if (sub) {
            connect(sub, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateFrameTitle,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
            // A document saved under another name renames its window: the title follows.
            connect(sub, &QWidget::windowTitleChanged, this, &CMainFrame::UpdateFrameTitle,
                    Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        }
    });
    UpdateFrameTitle();
}

CMainFrame::~CMainFrame()
{
    // The tool windows still open go while the frame is whole: one that reaches back into its
    // slots or the frame's state while it is destroyed finds them as they were.
    for (shell::ToolSlot* slot : AllSlots())
        if (QObject* window = slot->Object(); window && window->parent() == this)
            delete window;
    // The documents still open go with the base class, after this object: what listens to the
    // area's activations (the title, the editor's menu) must not hear of them then.
    MdiArea()->blockSignals(true);
}

void CMainFrame::BuildCommands()
{
    auto add = [this](int id, const char* text, const char* key, const char* lines, bool checkable = false) {
        fw::CommandInfo info;
        info.id = id;
        info.menuText = text;
        info.shortcut = key ? key : "";
        info.checkable = checkable;
        fw::SetResourceLines(info, lines);
        m_commands->Add(info);
    };
    add(cmd::ID_FILE_NEW, "&New", "Ctrl+N", "Create a new document\nNew");
    add(cmd::ID_FILE_OPEN, "&Open...", "Ctrl+O", "Open an existing document\nOpen");
    add(cmd::ID_FILE_SAVE, "&Save", "Ctrl+S", "Save the active document\nSave");
    add(cmd::ID_FILE_SAVE_AS, "Save &As...", nullptr, "Save the active document with a new name\nSave As");
    add(cmd::ID_FILE_PRINT_SETUP, "P&rint Setup...", nullptr, "Change the printer and printing options\nPrint Setup");
    add(cmd::ID_APP_EXIT, "E&xit", nullptr, "Quit the application\nExit");
    add(cmd::ID_EDIT_CUT, "Cu&t", "Ctrl+X", "Cut the selection to the Clipboard\nCut");
    add(cmd::ID_EDIT_COPY, "&Copy", "Ctrl+C", "Copy the selection to the Clipboard\nCopy");
    add(cmd::ID_EDIT_PASTE, "&Paste", "Ctrl+V", "Insert Clipboard contents\nPaste");
    add(cmd::ID_EDIT_FIND, "&Find...", "Ctrl+F", "Find the specified text\nFind");
    add(cmd::ID_EDIT_REPLACE, "R&eplace", "Ctrl+H", "Replace specific text with different text\nReplace");
    add(cmd::ID_HELP_FINDER, "&Help", nullptr, "Show the help\nHelp");
    add(cmd::ID_APP_ABOUT, "&About VQX...", nullptr, "Show the program's version\nAbout");
    add(cmd::ID_HELP, "Help", "F1", "Help for the window you work in\nHelp");
    // The program's own commands and their update rules (FrameCommandTable).
    for (const shell::FrameCommand& c : shell::FrameCommands())
        add(c.id, c.menuText, c.shortcut, c.lines, c.checkable);
    for (const shell::FrameCommand& c : shell::FrameCommands())
        m_commands->Rules().Set(c.id, [this, id = c.id] { return RuleStateOf(id); });
    m_commands->Rules().SetRange(cmd::ID_FIRMWARE_FIRST, cmd::ID_FIRMWARE_LAST, [this](int id) { return RuleStateOf(id); });
    // The state costs a look at the project, the tree and the bars: once for a refresh of the
    // whole table, not once for each of its hundred commands.
    connect(m_commands, &fw::CommandTable::refreshStarts, this, [this] { m_refreshState = RuleState(); });
    connect(m_commands, &fw::CommandTable::refreshEnds, this, [this] { m_refreshState.reset(); });
    m_commands->SetHandler([this](int id) { OnCommand(id); });
}

void CMainFrame::BuildMenus()
{
    auto action = [this](int id) { return m_commands->Action(id); };
    // The menus in their order; each table command goes to the menu it names, in table order.
    std::map<std::string, QMenu*> menus;
    for (const char* title : {"File", "Edit", "View", "Communication", "Build", "Tools", "Help"}) {
        QMenu* m = m_commands->AddMenu(menuBar()->addMenu(QStringLiteral("&") + QString::fromLatin1(title)));
        m->setObjectName(QString::fromLatin1(title));
        menus[title] = m;
    }
    menus["File"]->addAction(action(cmd::ID_FILE_NEW));
    menus["File"]->addAction(action(cmd::ID_FILE_OPEN));
    menus["File"]->addAction(action(cmd::ID_FILE_SAVE));
    menus["File"]->addAction(action(cmd::ID_FILE_SAVE_AS));
    menus["File"]->addSeparator();
    for (int id : {cmd::ID_EDIT_CUT, cmd::ID_EDIT_COPY, cmd::ID_EDIT_PASTE, cmd::ID_EDIT_FIND, cmd::ID_EDIT_REPLACE})
        menus["Edit"]->addAction(action(id));
    for (const shell::FrameCommand& c : shell::FrameCommands()) {
        std::string where = c.menu;
        if (where.empty())
            continue;
        std::string sub;
        if (const size_t slash = where.find('/'); slash != std::string::npos) {
            sub = where.substr(slash + 1);
            where = where.substr(0, slash);
        }
        QMenu* menu = menus[where];
        if (!sub.empty()) {
            QMenu* child = menu->findChild<QMenu*>(QString::fromStdString(sub), Qt::FindDirectChildrenOnly);
            if (!child) {
                child = m_commands->AddMenu(menu->addMenu(QString::fromStdString(sub)));
                child->setObjectName(QString::fromStdString(sub));
            }
            menu = child;
        }
        menu->addAction(action(c.id));
    }
    menus["File"]->addSeparator();
    menus["File"]->addAction(action(cmd::ID_FILE_PRINT_SETUP));
    menus["File"]->addSeparator();
    menus["File"]->addAction(action(cmd::ID_APP_EXIT));
    // The firmware versions: rebuilt from the registry each time the submenu opens.
    m_firmwareMenu = menus["Build"]->addMenu(QStringLiteral("Compiler default &firmware version"));
    m_firmwareMenu->setObjectName(QStringLiteral("Firmware"));
    connect(m_firmwareMenu, &QMenu::aboutToShow, this, &CMainFrame::RebuildFirmwareMenu);
    menus["Help"]->addSeparator();
    menus["Help"]->addAction(action(cmd::ID_APP_ABOUT));
}

void CMainFrame::RebuildFirmwareList()
{
    m_firmwareVersions = shell::ReadFirmwareVersionList(platform::DefaultRegistry());
}

void CMainFrame::RebuildFirmwareMenu()
{
    m_firmwareMenu->clear();
    auto* group = new QActionGroup(m_firmwareMenu);
    for (const shell::FirmwareMenuItem& item : shell::FirmwareMenu(m_firmwareVersions)) {
        QAction* a = m_firmwareMenu->addAction(fw::ToQt(item.name)); // registered names are stored text
        a->setObjectName(QString::number(item.id));
        a->setData(item.id);
        a->setCheckable(true);
        a->setChecked(item.checked);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, id = item.id] { m_commands->Execute(id); });
    }
}

void CMainFrame::OnContextHelp()
{
    // The page of the bar that holds the keyboard focus, else the contents.
    const QWidget* focus = QApplication::focusWidget();
    for (fw::CDockDlg* bar : {static_cast<fw::CDockDlg*>(m_infoBar), m_terminalBar, m_configBar, m_analyzerBar})
        if (bar && focus && (bar == focus || bar->isAncestorOf(focus))) {
            help::ShowHelpTopic(m_context, help::WindowTopic(bar->GetHelpTopicAt(nullptr)));
            return;
        }
    help::HtmlHelpCommand(m_context, "Contents");
}

void CMainFrame::OnFirmwareVersion(int id)
{
    QWidget* focus = QApplication::focusWidget();
    if (shell::ChooseFirmwareVersion(platform::DefaultRegistry(), m_firmwareVersions, id))
        RebuildFirmwareList();
    setFocus();
    if (focus)
        focus->setFocus();
}

fw::CommandState CMainFrame::RuleStateOf(int id) const
{
    return m_refreshState ? shell::FrameCommandState(*m_refreshState, id) : shell::FrameCommandState(RuleState(), id);
}

shell::FrameState CMainFrame::RuleState() const
{
    shell::FrameState s = m_stateProvider ? m_stateProvider() : shell::FrameState{};
    s.infoVisible = m_infoBar && !m_infoBar->isHidden();
    s.terminalVisible = m_terminalBar && !m_terminalBar->isHidden();
    s.configVisible = m_configBar && !m_configBar->isHidden();
    s.analyzerVisible = m_analyzerBar && !m_analyzerBar->isHidden();
    s.infoLines = m_infoBar ? m_infoBar->LineCount() : 0;
    s.firmwareVersions = m_firmwareVersions;
    return s;
}

void CMainFrame::BuildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Standard"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(22, 22));
    for (const ToolbarButton& b : kToolbar) {
        if (b.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* a = m_commands->Action(b.id);
        if (!a) {
            fw::CommandInfo info;
            info.id = b.id;
            info.menuText = b.label;
            a = m_commands->Add(info);
        }
        if (a->icon().isNull())
            a->setIcon(res::Icon(QString::fromLatin1(b.theme), QString::fromLatin1(b.label)));
        m_toolBar->addAction(a);
    }
}

void CMainFrame::BuildBars()
{
    m_infoBar = new CInfoBar(m_context.Questions(), this);
    m_infoBar->sendCommand = [this](int id) { m_commands->Execute(id); };
    m_terminalBar = new fw::CDockDlg(QStringLiteral("Terminal"), cmd::IDD_TERMINAL_BAR, fw::CBRS_ALIGN_BOTTOM,
                                     {100, 100, 750, 300}, this);
    m_configBar = new fw::CDockDlg(QStringLiteral("Configuration"), cmd::IDD_CONFIG_BAR, fw::CBRS_ALIGN_LEFT,
                                   {100, 100, 300, 500}, this);
    m_analyzerBar = new fw::CDockDlg(QStringLiteral("Serial Data Analyzer"), cmd::IDD_ANALYZER_BAR,
                                     fw::CBRS_ALIGN_BOTTOM, {100, 100, 750, 300}, this);
    for (fw::CDockDlg* bar : {static_cast<fw::CDockDlg*>(m_infoBar), m_terminalBar, m_configBar, m_analyzerBar})
        AddDockDlg(bar);
}

void CMainFrame::ToggleBar(fw::CDockDlg* bar)
{
    if (bar)
        ShowControlBar(bar, bar->isHidden());
}

void CMainFrame::OnCommand(int id)
{
    if (m_gate && !m_gate(id))
        return;
    // A window's own question waits until the command and the questions it asks are done.
    const fw::DeferredQuestions::Hold hold;
    for (auto& handler : m_handlers)
        if (handler && handler(id))
            return;
    switch (id) {
    case cmd::ID_VIEW_INFORMATION: ToggleBar(m_infoBar); break;
    case cmd::ID_VIEW_TERMINAL: ToggleBar(m_terminalBar); break;
    case cmd::ID_VIEW_CONFIGURATION: ToggleBar(m_configBar); break;
    case cmd::ID_VIEW_ANALYZER: ToggleBar(m_analyzerBar); break;
    case cmd::ID_INFO_COPY: m_infoBar->Copy(); break;
    case cmd::ID_INFO_CLEAR: m_infoBar->Clear(); break;
    case cmd::ID_APP_EXIT: close(); break;
    case cmd::ID_WHERE_ARE_MY_WINDOWS: WhereAreMyWindows(); break;
    case cmd::ID_HELP: OnContextHelp(); break;
    default:
        if (id >= cmd::ID_FIRMWARE_FIRST && id <= cmd::ID_FIRMWARE_LAST)
            OnFirmwareVersion(id);
        break;
    }
}

// ---- project -------------------------------------------------------------------------------------

void CMainFrame::SetProject(shell::IShellProject* project)
{
    m_project = project ? project : &m_defaultProject;
    UpdateFrameTitle();
}

// ---- tool windows --------------------------------------------------------------------------------

shell::IToolWindow* CMainFrame::MonitorWindow(int slot) const
{
    return slot >= 0 && slot < shell::kToolSlots ? m_monitors[slot].get() : nullptr;
}

shell::IToolWindow* CMainFrame::MotorView(int slot) const
{
    return slot >= 0 && slot < shell::kToolSlots ? m_views[slot].get() : nullptr;
}

void CMainFrame::SetMonitorWindow(int slot, shell::IToolWindow* window)
{
    if (slot >= 0 && slot < shell::kToolSlots)
        m_monitors[slot] = window;
    if (window)
        WakePoll();
}

void CMainFrame::SetMotorView(int slot, shell::IToolWindow* window)
{
    if (slot >= 0 && slot < shell::kToolSlots)
        m_views[slot] = window;
    if (window)
        WakePoll();
}

std::vector<shell::ToolSlot*> CMainFrame::AllSlots()
{
    std::vector<shell::ToolSlot*> slots;
    for (auto& w : m_monitors)
        slots.push_back(&w);
    for (auto& w : m_views)
        slots.push_back(&w);
    slots.insert(slots.end(), {&m_playground, &m_tuner, &m_chart});
    return slots;
}

void CMainFrame::ClearToolSlot(shell::IToolWindow* window)
{
    if (!window)
        return;
    for (shell::ToolSlot* slot : AllSlots())
        if (slot->get() == window)
            *slot = {};
}

void CMainFrame::TellToolWindows(const shell::SessionChange& change)
{
    // Ports and motors change what the commands may do.
    m_commands->RefreshSoon();
    // Copies of the slots: a window told before may close another, or open one in its slot.
    std::vector<shell::ToolSlot> windows;
    for (shell::ToolSlot* slot : AllSlots())
        windows.push_back(*slot);
    auto held = [this](const shell::ToolSlot& w) {
        for (shell::ToolSlot* slot : AllSlots())
            if (slot->Object() == w.Object())
                return true;
        return false;
    };
    for (const shell::ToolSlot& w : windows)
        if (w && held(w))
            w->SessionChanged(change);
}

// ---- poll loop -----------------------------------------------------------------------------------

int CMainFrame::PollTick()
{
    if (m_active)
        m_savedFocus = QApplication::focusWidget();
    shell::PollSlots monitors{}, views{};
    for (int i = 0; i < shell::kToolSlots; ++i) {
        monitors[i] = m_monitors[i].get();
        views[i] = m_views[i].get();
    }
    shell::PollCycle::Sources sources;
    sources.terminal = m_terminalPoll;
    sources.monitors = &monitors;
    sources.views = &views;
    sources.playground = m_playground.get();
    return m_poll.Tick(sources);
}

void CMainFrame::WakePoll()
{
    const bool resting = m_poll.Resting();
    m_poll.Wake();
    if (resting && m_pollTimer.IsArmed())
        m_pollTimer.Start(shell::kIdleDelayMs);
}

// ---- placement -----------------------------------------------------------------------------------

bool CMainFrame::RestoreWindowPos()
{
    const std::string text = platform::AppProfile().GetString("Settings", "WindowPos", kDefaultWindowPos);
    const auto plan = fw::PlanPlacementRestore(text);
    if (!plan)
        return false;
    fw::PlacementRect rect = plan->normal;
    // A placement stored on a screen that is gone comes back whole on this one.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect a = screen->availableGeometry();
        rect = fw::FitOnScreen(rect, {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
    }
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    if (plan->maximise)
        QTimer::singleShot(0, this, [this] { setWindowState(windowState() | Qt::WindowMaximized); });
    return true;
}

void CMainFrame::SaveWindowPos()
{
    fw::WindowPlacement p;
    const QRect n = normalGeometry().isValid() ? normalGeometry() : geometry();
    p.showCmd = isMaximized() ? fw::SW_SHOWMAXIMIZED : isMinimized() ? fw::SW_SHOWMINIMIZED : fw::SW_SHOWNORMAL;
    p.normal = {n.left(), n.top(), n.left() + n.width(), n.top() + n.height()};
    platform::AppProfile().WriteString("Settings", "WindowPos", fw::FormatPlacement(p));
}

// ---- title ---------------------------------------------------------------------------------------

void CMainFrame::UpdateFrameTitle()
{
    std::string child;
    bool maximised = false;
    if (QMdiSubWindow* sub = MdiArea()->activeSubWindow()) {
        child = fw::FromQt(sub->windowTitle().remove(QStringLiteral("[*]")));
        maximised = sub->isMaximized();
    }
    // The project's name is stored 8-bit text; the document's title joins it in the same form.
    setWindowTitle(fw::ToQt(shell::FrameTitle(m_project->Name(), m_project->IsDefault(), child, maximised)));
}

// ---- dock layout ---------------------------------------------------------------------------------

void CMainFrame::SerializeDockDlgs(const char* groupName, CTagArchive& ar)
{
    std::vector<fw::DockBarRecord> records = CollectDockLayout();
    const bool loading = !ar.IsStoring();
    if (shell::SerializeDockLayout(groupName, ar, records) && loading)
        RestoreDockLayout(records);
}

// ---- activation ----------------------------------------------------------------------------------

void CMainFrame::changeEvent(QEvent* event)
{
    fw::CDockMDI::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    m_active = isActiveWindow();
    if (m_active && m_savedFocus && m_savedFocus->isVisible() && isAncestorOf(m_savedFocus))
        m_savedFocus->setFocus();
}

// ---- dropped files and the window reset ---------------------------------------------------------

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    if (onDropFiles)
        onDropFiles(files);
}

void CMainFrame::WhereAreMyWindows()
{
    const std::array<bool, 4> visible = {!m_infoBar->isHidden(), !m_terminalBar->isHidden(), !m_configBar->isHidden(),
                                         !m_analyzerBar->isHidden()};
    // A fifth of the frame's client area, as the bars' first sizes.
    const QRect client = contentsRect();
    const auto bars = shell::WindowResetLayout(client.width(), client.height(), visible);
    setUpdatesEnabled(false);
    RestoreDockLayout(std::vector<fw::DockBarRecord>(bars.begin(), bars.end()));
    setUpdatesEnabled(true);
    update();
    MdiArea()->cascadeSubWindows();
}

// ---- close ---------------------------------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A close while a long operation runs (or while the sequence itself runs) is refused: the
    // operation would go on over freed windows.
    if (m_closing || fw::LongOperation::Active()) {
        event->ignore();
        return;
    }
    m_closing = true;
    const fw::DeferredQuestions::Hold hold;
    const bool closed = shell::RunCloseSequence(*this);
    m_closing = false;
    if (closed) {
        Q_EMIT closing();
        event->accept();
    } else {
        event->ignore();
    }
}

bool CMainFrame::CloseHookAllows() { return !closeHook || closeHook(); }
bool CMainFrame::SaveModifiedDocuments() { return fw::SaveAllModified(MdiArea()); }

bool CMainFrame::ToolWindowsCanClose()
{
    for (const shell::ToolSlot& w : m_monitors)
        if (w && !w->CanClose())
            return false;
    for (const shell::ToolSlot& w : m_views)
        if (w && !w->CanClose())
            return false;
    // A chart with unsaved samples asks too: closing the program would lose them.
    return !m_chart || m_chart->CanClose();
}

bool CMainFrame::ProjectIsDefault() { return m_project->IsDefault(); }
bool CMainFrame::ProjectModified() { return m_project->IsModified(); }
std::string CMainFrame::ProjectPath() { return m_project->Path(); }
bool CMainFrame::FrameVisible() { return isVisible(); }
bool CMainFrame::SaveWorkspaceSetting() { return m_context.Options().SaveWorkspace; }

void CMainFrame::WriteLastWorkspace(const std::string& path)
{
    platform::AppProfile().WriteString("Workspace", "LastWSP", path);
}

bool CMainFrame::SaveProject() { return m_project->Save(); }

int CMainFrame::AskSaveProject()
{
    return ui::OptionMessageBox(m_context.Questions(), shell::kSaveProjectQuestion, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
}

void CMainFrame::CloseTunerAndPlayground()
{
    for (shell::ToolSlot* w : {&m_tuner, &m_playground})
        if (*w)
            (*w)->RequestClose();
}

void CMainFrame::ClosePorts() { m_project->ClosePorts(); }

void CMainFrame::CloseToolWindows()
{
    for (const shell::ToolSlot& w : m_monitors)
        if (w)
            w->RequestClose();
    for (const shell::ToolSlot& w : m_views)
        if (w)
            w->RequestClose();
    if (m_chart)
        m_chart->RequestClose();
}

void CMainFrame::StopPollTimer() { m_pollTimer.Stop(); }

void CMainFrame::DestroyFindDialog()
{
    if (m_findDialog)
        m_findDialog->deleteLater();
    m_findDialog = nullptr;
}

void CMainFrame::CloseDocumentsAndDestroy()
{
    hide();
    fw::CloseAllDocuments(MdiArea()); // the changes were offered to be saved already
}
