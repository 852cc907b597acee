#include "app/project/gui/TerminalBar.h"

#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/framework/gui/Text8.h"
#include "app/project/gui/TerminalView.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "app/project/TerminalMenu.h"
#include "platform/fs/AtomicFile.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace {
const char* const kNoPort = " No port defined!";
}

CTerminalBar::CTerminalBar(ui::COperationContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QString::number(kTabs));
    m_tabs->setToolTip(QStringLiteral("Select port"));
    m_open = new QPushButton(QStringLiteral("Open"), this);
    m_open->setObjectName(QString::number(kOpenButton));
    m_open->setCheckable(true);
    m_open->setToolTip(QStringLiteral("Open/Close this port"));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QString::number(kMotorCombo));
    m_combo->setMaximumWidth(95);
    m_combo->setToolTip(QStringLiteral("Select Target Motor"));
    m_info = new QLineEdit(this);
    m_info->setObjectName(QString::number(kPortInfo));
    m_info->setReadOnly(true);
    m_info->setToolTip(QStringLiteral("Current port settings"));
    m_command = new QLineEdit(this);
    m_command->setObjectName(QString::number(kCommandEdit));
    m_command->setToolTip(QStringLiteral("Command edit box:Type the command here"));
    m_command->installEventFilter(this);
    // The line being typed shows in the pane as it grows (Enter shows it once more, whole).
    connect(m_command, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_currentTab >= 0 && Pane(m_currentTab).Context().Options().ShowTyping)
            Pane(m_currentTab).ShowTypedLine(fw::FromQt(text));
    });
    m_send = new QPushButton(QStringLiteral("Send"), this);
    m_send->setObjectName(QString::number(kSendButton));
    m_send->setFixedWidth(70);
    m_send->setToolTip(QStringLiteral("Send the command to the Target motor"));
    m_stack = new QStackedWidget(this);
    for (int i = 0; i < kPanes; ++i) {
        auto* view = new CTerminalTextView(m_context.Options(), m_stack);
        view->setObjectName(QString::number(kFirstPane + i));
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            view->setFocus();
            fw::PopUpContextMenu(MakeContextMenu(), view->mapToGlobal(at));
        });
        m_stack->addWidget(view);
        m_views[static_cast<size_t>(i)] = view;
        m_panes[static_cast<size_t>(i)] = std::make_unique<CTerminalPane>(i);
        m_panes[static_cast<size_t>(i)]->Attach(view, this);
    }

    auto* row1 = new QHBoxLayout;
    row1->addWidget(m_open);
    row1->addWidget(m_combo);
    row1->addWidget(m_info, 1);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(m_command, 1);
    row2->addWidget(m_send);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 4);
    column->addWidget(m_tabs);
    column->addLayout(row1);
    column->addLayout(row2);
    column->addWidget(m_stack, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, [this] {
        if (!m_filling)
            OnSelectTab();
    });
    connect(m_open, &QPushButton::clicked, this, &CTerminalBar::OnOpenToggled);
    connect(m_combo, qOverload<int>(&QComboBox::activated), this, &CTerminalBar::OnMotorChosen);
    connect(m_send, &QPushButton::clicked, this, &CTerminalBar::SendCommandLine);
    UpdatePortTabs();
}

CTerminalBar::~CTerminalBar()
{
    if (m_project)
        m_project->SetSectionOwner("TerminalView", nullptr);
}

void CTerminalBar::SetProject(CProject* project)
{
    if (m_project)
        m_project->SetSectionOwner("TerminalView", nullptr);
    m_project = project;
    if (m_project)
        m_project->SetSectionOwner("TerminalView", this);
    UpdatePortTabs();
}

void CTerminalBar::UpdatePortTabs()
{
    m_filling = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    const int n = m_project ? m_project->PortCount() : 0;
    if (n == 0)
        m_currentTab = -1;
    else if (m_currentTab >= n)
        m_currentTab = 0;
    for (int i = 0; i < kPanes; ++i)
        m_panes[static_cast<size_t>(i)]->port = nullptr;
    for (int i = 0; i < n; ++i) {
        CCommPort* port = m_project->Port(i);
        const int tab = m_tabs->addTab(fw::ToQt(port->Name));
        // The device path is the file system's own text.
        if (port->PortName != port->Name)
            m_tabs->setTabToolTip(tab, QString::fromStdString(port->PortName));
        CTerminalPane& pane = Pane(i);
        pane.port = port;
        if (port->currentAddress >= 0) {
            // The target follows the motor the port has selected, found by its address.
            pane.targetIndex = -1;
            for (int k = 0; k < port->MotorCount(); ++k)
                if (port->motors.GetAt(k)->Address == port->currentAddress)
                    pane.targetIndex = k;
        }
    }
    if (m_currentTab < 0 && n > 0)
        m_currentTab = 0;
    if (m_currentTab >= 0)
        m_tabs->setCurrentIndex(m_currentTab);
    m_filling = false;
    // A tab bar filled while the frame is hidden (a project opened at start-up) does not tell
    // the bar's layout that it has grown: its row would stay squeezed to nothing once shown.
    m_tabs->updateGeometry();
    OnSelectTab();
}

void CTerminalBar::OnSelectTab()
{
    m_currentTab = m_tabs->count() > 0 ? m_tabs->currentIndex() : -1;
    if (m_currentTab < 0 || !m_project || !m_project->Port(m_currentTab)) {
        m_info->setText(QString::fromLatin1(kNoPort));
        m_combo->clear();
        m_open->setChecked(false);
        return;
    }
    m_stack->setCurrentIndex(m_currentTab);
    CCommPort* port = m_project->Port(m_currentTab);
    m_info->setText(fw::ToQt(port->GetDescription()));
    m_combo->clear();
    m_combo->addItem(QStringLiteral("All Motors"));
    for (int k = 0; k < port->MotorCount(); ++k)
        m_combo->addItem(fw::ToQt(port->motors.GetAt(k)->Name));
    CTerminalPane& pane = Pane(m_currentTab);
    if (pane.targetIndex < -1 || pane.targetIndex >= port->MotorCount())
        pane.targetIndex = -1;
    m_combo->setCurrentIndex(pane.targetIndex + 1);
    UpdatePortButtons(m_currentTab);
}

void CTerminalBar::UpdatePortButtons(int portIndex)
{
    if (portIndex != m_currentTab || !m_project || !m_project->Port(portIndex))
        return;
    const bool open = m_project->Port(portIndex)->isOpen != 0;
    m_open->setChecked(open);
    m_combo->setEnabled(open);
}

void CTerminalBar::OnOpenToggled(bool checked)
{
    if (!m_project || !m_project->Port(m_currentTab))
        return;
    CCommPort* port = m_project->Port(m_currentTab);
    try {
        if (checked)
            port->OpenPort();
        else
            port->ClosePort();
    } catch (const CVQXException& e) {
        port->ClosePort();
        Pane(m_currentTab).ShowError(e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage());
    }
    UpdatePortButtons(m_currentTab);
}

void CTerminalBar::OnMotorChosen(int entry)
{
    if (!m_project || !m_project->Port(m_currentTab))
        return;
    CCommPort* port = m_project->Port(m_currentTab);
    CTerminalPane& pane = Pane(m_currentTab);
    try {
        port->SelectMotor(entry > 0 && entry <= port->MotorCount() ? port->motors.GetAt(entry - 1)->Address : 0);
    } catch (const CVQXException& e) {
        pane.ShowError(e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage());
    }
    pane.targetIndex = entry - 1;
    View(m_currentTab)->setFocus();
}

void CTerminalBar::SendCommandLine()
{
    if (m_currentTab < 0)
        return;
    const std::string line = fw::FromQt(m_command->text());
    m_command->clear();
    CTerminalPane& pane = Pane(m_currentTab);
    if (pane.Context().Options().ShowTyping)
        pane.ShowTypedLine(line);
    pane.SendLine(line, false, false);
    UpdatePortButtons(m_currentTab);
    m_command->setFocus();
}

bool CTerminalBar::PollIncoming()
{
    const int n = m_project ? m_project->PortCount() : 0;
    if (n == 0)
        return false;
    if (m_pollIndex >= n)
        m_pollIndex = 0;
    const int start = m_pollIndex;
    do {
        if (Pane(m_pollIndex).ReadPort())
            return true;
        m_pollIndex = (m_pollIndex + 1) % n;
    } while (m_pollIndex != start);
    return false;
}

int CTerminalBar::GetTargetAddress(int tab) const
{
    if (tab < 0 || tab >= kPanes)
        tab = m_currentTab;
    if (tab < 0 || !m_project || !m_project->Port(tab))
        return 0;
    return m_panes[static_cast<size_t>(tab)]->TargetAddress();
}

void CTerminalBar::ShowPortText(int portIndex, const std::string& text)
{
    if (portIndex >= 0 && portIndex < kPanes)
        Pane(portIndex).ShowText(text);
}

void CTerminalBar::SwitchTab(int delta)
{
    const int n = m_tabs->count();
    if (n == 0)
        return;
    m_tabs->setCurrentIndex((m_tabs->currentIndex() + delta + n) % n);
}

void CTerminalBar::FocusActiveView() { fw::FocusActiveDocument(this); }

bool CTerminalBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && m_currentTab >= 0 &&
        watched == View(m_currentTab)->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The view selects the word first; then it is sent, while the port is open.
        CCommPort* port = m_project ? m_project->Port(m_currentTab) : nullptr;
        if (port && port->isOpen) {
            const int tab = m_currentTab;
            QMetaObject::invokeMethod(this, [this, tab] {
                if (tab == m_currentTab)
                    Pane(tab).SendSelectedWord(fw::FromQt(View(tab)->textCursor().selectedText()));
            }, Qt::QueuedConnection);
        }
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // The bar's own keys come before the main frame's shortcuts (its Ctrl+V is Edit > Paste).
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (key->key() == Qt::Key_Escape || (ctrl && key->key() == Qt::Key_V) ||
            ((key->modifiers() & Qt::ShiftModifier) && key->key() == Qt::Key_Insert)) {
            event->accept();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (ctrl && (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
        SwitchTab(key->key() == Qt::Key_PageUp ? -1 : 1);
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        FocusActiveView();
        return true;
    }
    if (watched == m_command) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            SendCommandLine();
            return true;
        }
        if (ctrl && key->key() == Qt::Key_V) {
            // Plain text only, as it will be sent.
            m_command->insert(QGuiApplication::clipboard()->text());
            return true;
        }
        return false;
    }
    if (ctrl && key->key() == Qt::Key_V) {
        m_command->setFocus();
        m_command->insert(QGuiApplication::clipboard()->text());
        return true;
    }
    if (m_currentTab >= 0 && (key->modifiers() & Qt::ShiftModifier) && key->key() == Qt::Key_Insert) {
        // Into the pane: shown there, not sent.
        Pane(m_currentTab).ShowText(fw::FromQt(QGuiApplication::clipboard()->text()));
        return true;
    }
    // A pane: F11 repeats the last command; typed characters go to the command line.
    if (m_currentTab >= 0 && key->key() == Qt::Key_F11) {
        Pane(m_currentTab).RepeatLastCommand();
        return true;
    }
    if (!ctrl && !key->text().isEmpty() && key->key() != Qt::Key_Tab && key->text().at(0).isPrint()) {
        m_command->setFocus();
        m_command->insert(key->text());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QMenu* CTerminalBar::MakeContextMenu()
{
    const CCommPort* port = m_project && m_currentTab >= 0 ? m_project->Port(m_currentTab) : nullptr;
    auto* menu = new QMenu(QStringLiteral("Terminal"), this);
    std::function<void(QMenu*, const std::vector<terminalmenu::Item>&)> fill = [&](QMenu* into, const auto& items) {
        for (const terminalmenu::Item& item : items) {
            if (!item.children.empty()) {
                fill(into->addMenu(QString::fromLatin1(item.text.c_str())), item.children);
            } else if (item.id == 0) {
                into->addSeparator();
            } else {
                QAction* a = into->addAction(QString::fromLatin1(item.text.c_str()));
                a->setObjectName(QString::number(item.id));
                const int id = item.id;
                connect(a, &QAction::triggered, this, [this, id] {
                    if (runCommand)
                        runCommand(id);
                });
            }
        }
    };
    fill(menu, terminalmenu::Items(port ? port->CommType : -1));
    return menu;
}

bool CTerminalBar::SavePane(int portIndex, const std::string& path, std::string* error)
{
    if (portIndex < 0 || portIndex >= kPanes)
        return false;
    const CTerminalTextView* view = View(portIndex);
    platform::AtomicFileWriter out;
    if (!out.Begin(path) || !out.Write(view->Transcript().ToRtf(view->Style())) || !out.Commit()) {
        if (error)
            *error = "Cannot write the file \"" + path + "\".";
        return false;
    }
    return true;
}

// ---- ITerminalHost ----

void CTerminalBar::SelectTargetEntry(int portIndex, int entry)
{
    if (portIndex == m_currentTab && entry >= 0 && entry < m_combo->count())
        m_combo->setCurrentIndex(entry);
}

void CTerminalBar::ShowInfo(bool clear) { Context().Info().Show(clear); }

void CTerminalBar::AddInfoException(const CVQXException& e) { Context().Info().AddException(e); }

ui::COperationContext& CTerminalBar::Context() const
{
    return m_project ? m_project->Context() : m_context;
}

uint32_t CTerminalBar::OnCommError(uint32_t request, commerror::Target target)
{
    const uint32_t answer = m_commError ? m_commError->OnCommError(request, target) : commerror::kGaveUp;
    // Detection may have changed the port's motors: the tabs and the combo show them again.
    UpdatePortTabs();
    return answer;
}

void CTerminalBar::SetPollingAllowed(bool allowed)
{
    if (m_project)
        m_project->pollingAllowed = allowed;
}

// ---- the project's "TerminalView" section ----

void CTerminalBar::SerializeSection(const std::string& group, CTagArchive& ar)
{
    CTagGroup g(ar, group);
    if (!g)
        return;
    int32_t tab = m_currentTab;
    ar.SerializeInt("CurTab", tab, -1);
    const int count = m_project ? m_project->PortCount() : 0;
    ar.SerializeList("TerminalCtrl", count, kPanes, [&](int i, const std::string& arr) {
        CTagGroup pane(ar, arr);
        if (!pane)
            return;
        int32_t target = Pane(i).targetIndex;
        ar.SerializeInt("CurMotorIndex", target, -1);
        Pane(i).targetIndex = target;
        if (ar.IsLoading())
            Pane(i).rawNext = false;
    });
    if (ar.IsLoading()) {
        m_currentTab = tab;
        UpdatePortTabs();
    }
}
