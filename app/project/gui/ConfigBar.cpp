#include "app/project/gui/ConfigBar.h"
#include "app/framework/gui/Text8.h"

#include "app/framework/gui/CommandTable.h"
#include "app/project/AssociatedFiles.h"
#include "app/project/Project.h"
#include "app/res/gui/Icons.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <array>

namespace {

enum Role { kKindRole = Qt::UserRole + 1, kPortRole, kMotorRole, kFileRole };

void FillMenu(QMenu* menu, const std::vector<ConfigMenuEntry>& items, fw::CommandTable& commands)
{
    for (const ConfigMenuEntry& m : items) {
        if (m.id == 0 && m.submenu.empty()) {
            menu->addSeparator();
            continue;
        }
        if (m.id == 0) {
            FillMenu(menu->addMenu(QString::fromStdString(m.text)), m.submenu, commands);
            continue;
        }
        QAction* a = menu->addAction(QString::fromStdString(m.text));
        a->setData(m.id);
        a->setObjectName(QString::number(m.id));
        a->setEnabled(commands.Rules().State(m.id).enabled);
        if (m.checked || (shell::FindFrameCommand(m.id) && shell::FindFrameCommand(m.id)->checkable)) {
            a->setCheckable(true);
            a->setChecked(m.checked || commands.Rules().State(m.id).checked);
        }
        if (m.isDefault) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        const int id = m.id;
        QObject::connect(a, &QAction::triggered, menu, [&commands, id] { commands.Execute(id); });
    }
}

} // namespace

const QIcon& ConfigTreeImage(int image)
{
    struct Picture {
        const char* theme;
        const char* label;
        unsigned rgb;
        const char* own; // our drawing where no theme has the picture
    };
    static const std::array<Picture, 10> pictures = {{
        {"folder", "P", 0x3A6EA5, nullptr},                      // root
        {nullptr, "C", 0x3A6EA5, "port-serial"},                 // serial port
        {nullptr, "M", 0x2E8B57, "motor"},                       // motor on
        {"text-x-generic", "F", 0x707070, nullptr},              // file
        {"text-x-script", "F", 0x1F5FBF, nullptr},               // main file
        {"document-save", "D", 0x707070, nullptr},               // downloaded file
        {"document-save-as", "D", 0x1F5FBF, nullptr},            // downloaded main file
        {nullptr, "M", 0xB03030, "motor-off"},                   // motor off
        {"network-workgroup", "E", 0x3A6EA5, nullptr},           // Ethernet port
        {"drive-removable-media", "U", 0x3A6EA5, nullptr},       // USB port
    }};
    static std::array<QIcon, 10> icons;
    static bool made = false;
    if (!made) {
        for (size_t i = 0; i < pictures.size(); ++i)
            icons[i] = res::Icon(QString::fromLatin1(pictures[i].theme), QString::fromLatin1(pictures[i].label),
                                 pictures[i].rgb, QString::fromLatin1(pictures[i].own));
        made = true;
    }
    return icons[static_cast<size_t>(image >= 0 && image < 10 ? image : 0)];
}

CConfigBar::CConfigBar(fw::CommandTable& commands, QWidget* parent) : QWidget(parent), m_commands(commands)
{
    m_find = new QPushButton(QStringLiteral("Find Motors"), this);
    m_find->setObjectName(QString::number(kFindButton));
    m_find->setToolTip(QString::fromLatin1(kFindToolTip));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QString::number(kTree));
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setAcceptDrops(true);
    m_tree->viewport()->setAcceptDrops(true);
    m_tree->setDropIndicatorShown(true);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(3, 3, 3, 3);
    column->setSpacing(6);
    column->addWidget(m_find);
    column->addWidget(m_tree, 1);

    connect(m_find, &QPushButton::clicked, this, [this] { m_commands.Execute(cmd::ID_FIND_MOTORS); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this] { m_commands.Execute(shell::ids::kTreeProperties); });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* item = m_tree->itemAt(pos)) {
            m_tree->setCurrentItem(item);
            ContextMenu(item, true, m_tree->viewport()->mapToGlobal(pos));
        }
    });
}

void CConfigBar::SetProject(CProject* project)
{
    m_project = project;
    RebuildTree(false);
}

QTreeWidgetItem* CConfigBar::AddItem(QTreeWidgetItem* parent, const ConfigNode& item)
{
    auto* w = new QTreeWidgetItem;
    w->setText(0, fw::ToQt(item.text));
    if (!item.toolTip.empty())
        w->setToolTip(0, QString::fromStdString(item.toolTip));
    w->setIcon(0, ConfigTreeImage(item.image));
    w->setData(0, kKindRole, static_cast<int>(item.kind));
    w->setData(0, kPortRole, item.port);
    w->setData(0, kMotorRole, item.motor);
    w->setData(0, kFileRole, item.file);
    if (item.bold) {
        QFont f = w->font(0);
        f.setBold(true);
        w->setFont(0, f);
    }
    if (parent)
        parent->addChild(w);
    else
        m_tree->addTopLevelItem(w);
    for (const ConfigNode& child : item.children)
        AddItem(w, child);
    return w;
}

void CConfigBar::RebuildTree(bool show)
{
    m_tree->setUpdatesEnabled(false);
    m_tree->clear();
    if (m_project) {
        QTreeWidgetItem* root = AddItem(nullptr, BuildConfigTree(*m_project));
        // Motors, then ports, then the root are expanded.
        for (int p = 0; p < root->childCount(); ++p) {
            QTreeWidgetItem* port = root->child(p);
            for (int m = 0; m < port->childCount(); ++m)
                port->child(m)->setExpanded(true);
            port->setExpanded(true);
        }
        root->setExpanded(true);
    }
    m_tree->setUpdatesEnabled(true);
    if (show && showBar)
        showBar();
}

ConfigNode CConfigBar::ItemData(const QTreeWidgetItem* item)
{
    ConfigNode data;
    data.kind = static_cast<ConfigItemKind>(item->data(0, kKindRole).toInt());
    data.port = item->data(0, kPortRole).toInt();
    data.motor = item->data(0, kMotorRole).toInt();
    data.file = item->data(0, kFileRole).toInt();
    data.text = fw::FromQt(item->text(0));
    return data;
}

std::optional<ConfigNode> CConfigBar::Selected() const
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item)
        return std::nullopt;
    return ItemData(item);
}

QTreeWidgetItem* CConfigBar::ItemOf(int port, int motor, int file) const
{
    QTreeWidgetItem* root = m_tree->topLevelItem(0);
    if (!root || port < 0)
        return root;
    for (int p = 0; p < root->childCount(); ++p) {
        QTreeWidgetItem* pi = root->child(p);
        if (pi->data(0, kPortRole).toInt() != port)
            continue;
        if (motor < 0)
            return pi;
        QTreeWidgetItem* mi = pi->child(motor);
        if (!mi || file < 0)
            return mi;
        return mi->child(file);
    }
    return nullptr;
}

bool CConfigBar::Select(int port, int motor, int file)
{
    QTreeWidgetItem* item = ItemOf(port, motor, file);
    if (item)
        m_tree->setCurrentItem(item);
    return item != nullptr;
}

QMenu* CConfigBar::ContextMenu(QTreeWidgetItem* item, bool run, const QPoint& at)
{
    if (!item || !m_project)
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose, run);
    FillMenu(menu, ConfigContextMenu(*m_project, ItemData(item)), m_commands);
    if (run)
        menu->popup(at);
    return menu;
}

bool CConfigBar::DropFiles(QTreeWidgetItem* target, const std::vector<std::string>& paths)
{
    if (!target || !m_project)
        return false;
    const ConfigNode data = ItemData(target);
    CMotor* motor = data.kind == ConfigItemKind::Motor ? MotorOf(*m_project, data) : nullptr;
    if (!motor)
        return false;
    const std::vector<int> added = AssociateFiles(*motor, paths);
    for (int index : added) {
        ConfigNode file = FileItem(*motor, data.port, data.motor, index, m_project->Path);
        file.image = kImageFile;
        AddItem(target, file);
    }
    target->setExpanded(true);
    if (!added.empty()) {
        m_project->modified = true;
        if (filesAdded)
            filesAdded();
    }
    return !added.empty();
}

bool CConfigBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete)
            return m_commands.Execute(shell::ids::kTreeDeleteFile), true;
        if (key->key() == Qt::Key_Insert)
            return m_commands.Execute(shell::ids::kTreeAssociate), true;
    }
    if (watched == m_tree->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            std::vector<std::string> paths;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile())
                    paths.push_back(url.toLocalFile().toStdString());
            DropFiles(m_tree->itemAt(drop->position().toPoint()), paths);
            drop->acceptProposedAction();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
