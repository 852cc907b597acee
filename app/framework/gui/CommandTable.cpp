#include "app/framework/gui/CommandTable.h"

#include <QIcon>

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPointer>

namespace fw {

void PopUpContextMenu(QMenu* menu, const QPoint& globalPos)
{
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

CommandTable::CommandTable(QObject* parent) : QObject(parent)
{
    connect(&m_idle, &QTimer::timeout, this, &CommandTable::UpdateAll);
    m_idle.setTimerType(Qt::CoarseTimer);
    m_soon.setSingleShot(true);
    connect(&m_soon, &QTimer::timeout, this, &CommandTable::UpdateAll);
}

namespace {
std::function<QIcon(int)>& IconProvider()
{
    static std::function<QIcon(int)> provider;
    return provider;
}
} // namespace

void CommandTable::SetIconProvider(std::function<QIcon(int id)> provider) { IconProvider() = std::move(provider); }

QAction* CommandTable::Add(const CommandInfo& info)
{
    if (auto it = m_actions.find(info.id); it != m_actions.end())
        return it->second;
    auto* action = new QAction(QString::fromStdString(info.menuText), this);
    action->setData(info.id);
    action->setObjectName(QString::number(info.id));
    if (!info.shortcut.empty())
        action->setShortcut(QKeySequence(QString::fromStdString(info.shortcut)));
    action->setToolTip(QString::fromStdString(info.tooltip.empty() ? info.menuText : info.tooltip));
    action->setStatusTip(QString::fromStdString(info.description));
    action->setCheckable(info.checkable);
    if (IconProvider())
        action->setIcon(IconProvider()(info.id));
    const int id = info.id;
    connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    m_actions[id] = action;
    m_helpTopics[id] = info.helpTopic;
    return action;
}

QAction* CommandTable::Action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool CommandTable::Execute(int id)
{
    Update(id);
    QAction* a = Action(id);
    if (a && !a->isEnabled())
        return false;
    if (a) {
        a->trigger();
        return true;
    }
    // A command without an action (a range item built on the fly) goes to the handler directly.
    if (!m_rules.State(id).enabled)
        return false;
    Run(id);
    return true;
}

void CommandTable::Run(int id)
{
    // A command may end the window that owns this table (Exit, Close Project's last window).
    const QPointer<CommandTable> self(this);
    Q_EMIT commandTriggered(id);
    if (self && m_handler)
        m_handler(id);
    if (self)
        RefreshSoon();
}

void CommandTable::Update(int id)
{
    QAction* a = Action(id);
    if (!a || !m_rules.Has(id))
        return;
    const CommandState s = m_rules.State(id);
    a->setEnabled(s.enabled);
    if (a->isCheckable())
        a->setChecked(s.checked);
    if (s.text)
        a->setText(QString::fromStdString(*s.text));
}

namespace {
// Brackets the outermost refresh with the table's refreshStarts/refreshEnds.
class Refresh {
public:
    Refresh(CommandTable& table, int& depth) : m_table(table), m_depth(depth)
    {
        if (m_depth++ == 0)
            Q_EMIT m_table.refreshStarts();
    }
    ~Refresh()
    {
        if (--m_depth == 0)
            Q_EMIT m_table.refreshEnds();
    }
    Refresh(const Refresh&) = delete;
    Refresh& operator=(const Refresh&) = delete;

private:
    CommandTable& m_table;
    int& m_depth;
};
} // namespace

void CommandTable::UpdateAll()
{
    const Refresh refresh(*this, m_refreshing);
    for (const auto& [id, action] : m_actions)
        Update(id);
}

void CommandTable::UpdateMenu(QMenu* menu)
{
    const Refresh refresh(*this, m_refreshing);
    for (QAction* a : menu->actions())
        if (a->data().isValid())
            Update(a->data().toInt());
}

QMenu* CommandTable::AddMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    return menu;
}

void CommandTable::StartIdleRefresh(int catchAllMs)
{
    // A refresh on a clock alone wakes an idle program five times a second for nothing.
    if (qApp)
        qApp->installEventFilter(this);
    m_idle.start(catchAllMs);
}

void CommandTable::RefreshSoon()
{
    if (!m_soon.isActive())
        m_soon.start(0);
}

bool CommandTable::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close: RefreshSoon(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

std::string CommandTable::HelpTopic(int id) const
{
    auto it = m_helpTopics.find(id);
    return it == m_helpTopics.end() ? std::string() : it->second;
}

} // namespace fw
