#include "app/tools/gui/MonitorDlg.h"

#include "app/framework/gui/OwnedWindow.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/ModalDialog.h"
#include "app/shell/HelpTopics.h"

#include "app/tools/gui/WatchIcons.h"
#include "app/tools/gui/WatchListRows.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace tools::monitor;

namespace {

QString Local(const std::string& s) { return QString::fromStdString(s); }

struct ToolbarEntry {
    int id;
    const char* text;
    QStyle::StandardPixmap icon;
};
const ToolbarEntry kToolbar[] = {
    {ID_WATCH_NEW, "New", QStyle::SP_FileIcon},
    {ID_WATCH_OPEN, "Open", QStyle::SP_DialogOpenButton},
    {ID_WATCH_SAVE, "Save", QStyle::SP_DialogSaveButton},
    {0, nullptr, QStyle::SP_CustomBase},
    {ID_WATCH_ADD, "Add Monitor Item", QStyle::SP_FileDialogNewFolder},
    {ID_WATCH_DELETE, "Delete Monitor Item", QStyle::SP_TrashIcon},
    {ID_WATCH_EDIT, "Edit Monitor Item", QStyle::SP_FileDialogDetailedView},
    {ID_WATCH_MOVE_DOWN, "Move Down", QStyle::SP_ArrowDown},
    {ID_WATCH_MOVE_UP, "Move Up", QStyle::SP_ArrowUp},
};

} // namespace

CMonitorDlg::CMonitorDlg(QWidget* parent, int slotIndex, tools::MonitorServices services,
                         WatchDlgServices itemServices, std::function<void(CMonitorDlg*)> closed)
    : QWidget(parent, fw::kOwnedWindowFlags), m_itemServices(std::move(itemServices)), m_closed(std::move(closed))
{
    tools::IMonitorHost& host = *this;
    m_form = std::make_unique<tools::CMonitorForm>(slotIndex, std::move(services), host);
    setObjectName(QString::number(kTemplate));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(kMinWidth, kMinHeight);

    m_toolbar = new QToolBar(this);
    m_toolbar->setIconSize(QSize(16, 16));
    for (const ToolbarEntry& e : kToolbar) {
        if (!e.id) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction* a = m_toolbar->addAction(style()->standardIcon(e.icon), QString::fromLatin1(e.text));
        a->setObjectName(QString::number(e.id));
        a->setToolTip(QString::fromLatin1(e.text));
        connect(a, &QAction::triggered, this, [this, id = e.id] { RunCommand(id); });
        m_actions.emplace_back(e.id, a);
    }
    for (auto [id, text] : {std::pair{ID_WATCH_SAVE_AS, "Save As..."}, std::pair{ID_WATCH_POLL, "Poll"},
                            std::pair{ID_WATCH_HEX, "Hexadecimal Display"}}) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::number(id));
        a->setCheckable(id != ID_WATCH_SAVE_AS);
        connect(a, &QAction::triggered, this, [this, id = id] { RunCommand(id); });
        m_actions.emplace_back(id, a);
    }

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(kList));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setColumnWidth(0, 100);
    m_list->setColumnWidth(1, 100);
    m_list->setMinimumHeight(120);

    m_poll = new QPushButton(QStringLiteral("Poll"), this);
    m_poll->setObjectName(QString::number(kPollButton));
    m_poll->setCheckable(true);
    m_poll->setToolTip(QString::fromLatin1(kTipPoll));
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QString::number(kStopButton));
    m_stop->setCheckable(true);
    m_stop->setToolTip(QString::fromLatin1(kTipStop));
    m_refresh = new QPushButton(QStringLiteral("Refresh"), this);
    m_refresh->setObjectName(QString::number(kRefreshButton));
    m_refresh->setToolTip(QString::fromLatin1(kTipRefresh));
    m_hex = new QCheckBox(QStringLiteral("Hex Display"), this);
    m_hex->setObjectName(QString::number(kHexCheck));
    m_hex->setToolTip(QString::fromLatin1(kTipHex));
    m_indicator = new QLabel(this);
    m_indicator->setObjectName(QString::number(kIndicator));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_poll);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_hex);
    buttons->addStretch();
    buttons->addWidget(m_indicator);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(480, 380);

    connect(m_poll, &QPushButton::clicked, this, [this] { RunCommand(kPollButton); });
    connect(m_stop, &QPushButton::clicked, this, [this] { RunCommand(kStopButton); });
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        RunCommand(kRefreshButton);
        QApplication::restoreOverrideCursor();
    });
    connect(m_hex, &QCheckBox::clicked, this, [this](bool on) {
        if (m_form->List().Hex != on)
            RunCommand(ID_WATCH_HEX);
    });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || column != 0)
            return;
        m_form->OnRowChecked(m_list->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCommands(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int column) {
        const int row = m_list->indexOfTopLevelItem(item);
        const bool icon = column == 1 && !item->icon(1).isNull();
        m_form->OnDoubleClick(row, icon);
    });
    connect(m_list, &QTreeWidget::customContextMenuRequested, this, &CMonitorDlg::ShowContextMenu);
}

CMonitorDlg::~CMonitorDlg() = default;

QAction* CMonitorDlg::Action(int id) const
{
    for (const auto& [i, a] : m_actions)
        if (i == id)
            return a;
    return nullptr;
}

int CMonitorDlg::SelectedRow() const
{
    const auto selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.front());
}

void CMonitorDlg::RunCommand(int id)
{
    QPointer<CMonitorDlg> self = this;
    const int row = m_form->OnCommand(id, SelectedRow());
    if (!self)
        return; // gone under one of its dialogs
    if (id == ID_WATCH_NEW || id == ID_WATCH_OPEN)
        return;
    if (QTreeWidgetItem* item = m_list->topLevelItem(row))
        m_list->setCurrentItem(item);
    UpdateCommands();
}

QString CMonitorDlg::ValueShown(int row) const
{
    return tools::gui::WatchValueShown(m_list, row);
}

void CMonitorDlg::ShowRow(int row)
{
    CWatchItem* watch = m_form->List().At(row);
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!watch || !item)
        return;
    const bool wasFilling = m_filling;
    m_filling = true;
    tools::gui::ShowWatchRow(item, *watch, m_form->Polling());
    m_filling = wasFilling;
}

void CMonitorDlg::ListChanged()
{
    m_filling = true;
    tools::gui::FillWatchList(m_list, m_form->List(), m_form->Polling());
    m_filling = false;
    UpdateCommands();
}

void CMonitorDlg::RowChanged(int row)
{
    ShowRow(row);
}

void CMonitorDlg::StateChanged()
{
    setWindowTitle(Local(m_form->Title()));
    const bool polling = m_form->Polling();
    m_poll->setChecked(polling);
    m_stop->setChecked(!polling);
    m_hex->setChecked(m_form->List().Hex);
    m_indicator->setPixmap(watchicons::LinkIndicator(m_form->Indicator()).pixmap(24, 16));
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Text, polling ? Qt::black : QColor(128, 128, 128));
    m_list->setPalette(pal);
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        ShowRow(i);
    UpdateCommands();
}

void CMonitorDlg::UpdateCommands()
{
    const int row = SelectedRow();
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(m_form->IsCommandEnabled(id, row));
        if (action->isCheckable())
            action->setChecked(m_form->IsCommandChecked(id));
    }
    m_poll->setEnabled(m_form->IsCommandEnabled(kPollButton, row));
    m_stop->setEnabled(m_form->IsCommandEnabled(kStopButton, row));
    m_refresh->setEnabled(m_form->IsCommandEnabled(kRefreshButton, row));
}

std::unique_ptr<QMenu> CMonitorDlg::ContextMenu()
{
    const int row = SelectedRow();
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("WatchDlg"));
    const int defaultId = row >= 0 ? ID_WATCH_EDIT : ID_WATCH_ADD;
    for (int id : {ID_WATCH_NEW, ID_WATCH_OPEN, ID_WATCH_SAVE, ID_WATCH_SAVE_AS, 0, ID_WATCH_ADD, ID_WATCH_DELETE,
                   ID_WATCH_EDIT, ID_WATCH_MOVE_UP, ID_WATCH_MOVE_DOWN, 0, ID_WATCH_POLL, ID_WATCH_HEX}) {
        if (!id) {
            menu->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        menu->addAction(a);
        if (id == defaultId)
            menu->setDefaultAction(a);
    }
    UpdateCommands();
    return menu;
}

void CMonitorDlg::ShowContextMenu(const QPoint& at)
{
    fw::PopUpContextMenu(ContextMenu().release(), m_list->viewport()->mapToGlobal(at));
}

void CMonitorDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Insert: RunCommand(ID_WATCH_ADD); return;
    case Qt::Key_Delete: RunCommand(ID_WATCH_DELETE); return;
    case Qt::Key_F2: RunCommand(ID_WATCH_EDIT); return;
    case Qt::Key_F1:
        if (m_itemServices.help)
            m_itemServices.help(help::WindowTopic(tools::monitor::kTemplate));
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return; // OK and Cancel do nothing here
    default: QWidget::keyPressEvent(event);
    }
}

std::optional<std::string> CMonitorDlg::AskOpenPath()
{
    const QString path = QFileDialog::getOpenFileName(this, QString::fromLatin1(kOpenTitle), QString(),
                                                      QStringLiteral("VQX Monitor Files (*.mon);;All Files (*)"));
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> CMonitorDlg::AskSavePath(const std::string& proposed)
{
    fw::ModalDialog<QFileDialog> dlg(this, QStringLiteral("Save As"), Local(proposed),
                                     QStringLiteral("VQX Monitor Files (*.mon);;All Files (*)"));
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setDefaultSuffix(QString::fromLatin1(kDefaultExt));
    if (dlg.exec() != QDialog::Accepted || !dlg || dlg->selectedFiles().isEmpty())
        return std::nullopt;
    return dlg->selectedFiles().front().toStdString();
}

bool CMonitorDlg::RunItemDialog(CWatchItem* item)
{
    WatchDlgServices services = m_itemServices;
    services.add = [this](CWatchItem* added) { return m_form->AddWatchItem(added); };
    fw::ModalDialog<CWatchItemDlg> dlg(this, item, true, services);
    return dlg.exec() == QDialog::Accepted;
}

void CMonitorDlg::RequestClose()
{
    if (m_closing)
        return;
    m_closing = true;
    hide();
    if (m_closed)
        m_closed(this); // the frame stops polling it now; the object goes after this event
    deleteLater();
}

void CMonitorDlg::closeEvent(QCloseEvent* event)
{
    if (!m_closing && !m_form->CanClose()) {
        event->ignore();
        return;
    }
    event->accept();
    RequestClose();
}
