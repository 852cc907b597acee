#include "app/tools/gui/MotorMonitorPage.h"

#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/ModalDialog.h"
#include "app/tools/gui/IconButton.h"
#include "app/tools/gui/PagePollButtons.h"
#include "app/tools/gui/WatchListRows.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tools::gui {

using namespace monitorpage;

namespace {

struct Entry {
    int id;
    const char* text;
    QStyle::StandardPixmap icon;
};
const Entry kToolbar[] = {
    {ID_OPEN, "Open", QStyle::SP_DialogOpenButton},
    {ID_SAVE, "Save", QStyle::SP_DialogSaveButton},
    {ID_ADD, "Add Monitor Item", QStyle::SP_FileDialogNewFolder},
    {ID_DELETE, "Delete Monitor Item", QStyle::SP_TrashIcon},
    {ID_EDIT, "Edit Monitor Item", QStyle::SP_FileDialogDetailedView},
};
const QString kFilter = QStringLiteral("VQX Monitor Template Files (*.mtf);;All Files (*)");

} // namespace

CMotorMonitorPage::CMotorMonitorPage(QWidget* parent, WatchDlgServices itemServices)
    : QWidget(parent), m_itemServices(std::move(itemServices))
{
    setObjectName(QStringLiteral("219"));
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("10"));
    m_toolbar->setIconSize(QSize(16, 16));
    for (const Entry& e : kToolbar) {
        QAction* a = m_toolbar->addAction(style()->standardIcon(e.icon), QString::fromLatin1(e.text));
        a->setObjectName(QString::number(e.id));
        connect(a, &QAction::triggered, this, [this, id = e.id] { RunCommand(id); });
        m_actions.emplace_back(e.id, a);
    }
    for (auto [id, text] : {std::pair{ID_SAVE_AS, "Save As..."}, std::pair{ID_MOVE_UP, "Move Up"},
                            std::pair{ID_MOVE_DOWN, "Move Down"}, std::pair{ID_HEX, "Hexadecimal Display"}}) {
        auto* a = new QAction(QString::fromLatin1(text), this);
        a->setObjectName(QString::number(id));
        a->setCheckable(id == ID_HEX);
        connect(a, &QAction::triggered, this, [this, id = id] { RunCommand(id); });
        m_actions.emplace_back(id, a);
    }
    const PagePollButtons buttons = PagePollButtons::Make(this);
    m_poll = buttons.poll;
    m_stop = buttons.stop;
    m_refresh = buttons.refresh;
    m_indicator = buttons.indicator;
    m_scaled = new QCheckBox(QStringLiteral("Scaled"), this);
    m_scaled->setObjectName(QString::number(kScaled));
    m_scaled->setToolTip(QStringLiteral("Display the scaled values"));
    m_hex = new QCheckBox(QStringLiteral("Hex Display"), this);
    m_hex->setObjectName(QString::number(kHex));
    m_hex->setToolTip(QStringLiteral("Display values in hexadecimal format"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(kList));
    m_list->setToolTip(QStringLiteral("User Defined Parameters"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setColumnWidth(0, 100);
    m_list->setColumnWidth(1, 100);

    auto* row = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_poll, m_stop, m_refresh, m_scaled, m_hex})
        row->addWidget(w);
    row->addStretch();
    row->addWidget(m_indicator);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_toolbar);
    layout->addLayout(row);
    layout->addWidget(m_list, 1);

    connect(m_poll, &QPushButton::clicked, this, [this] { RunCommand(kPoll); });
    connect(m_stop, &QPushButton::clicked, this, [this] { RunCommand(kStop); });
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        RunCommand(kRefresh);
        QApplication::restoreOverrideCursor();
    });
    connect(m_scaled, &QCheckBox::clicked, this, [this](bool on) {
        if (m_form)
            m_form->Scaled = on;
    });
    connect(m_hex, &QCheckBox::clicked, this, [this](bool on) {
        if (m_form)
            m_form->SetHex(on);
    });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!m_filling && column == 0 && m_form)
            m_form->OnRowChecked(m_list->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCommands(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (m_form)
            m_form->OnDoubleClick(m_list->indexOfTopLevelItem(item), column == 1 && !item->icon(1).isNull());
    });
    connect(m_list, &QTreeWidget::customContextMenuRequested, this, &CMotorMonitorPage::ShowContextMenu);
}

void CMotorMonitorPage::SetForm(CMotorMonitorPageForm* form)
{
    m_form = form;
    ListChanged();
    StateChanged();
}

QAction* CMotorMonitorPage::Action(int id) const
{
    for (const auto& [i, a] : m_actions)
        if (i == id)
            return a;
    return nullptr;
}

int CMotorMonitorPage::SelectedRow() const
{
    const auto selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.front());
}

QString CMotorMonitorPage::ValueShown(int row) const
{
    return WatchValueShown(m_list, row);
}

void CMotorMonitorPage::RunCommand(int id)
{
    if (!m_form)
        return;
    QPointer<CMotorMonitorPage> self = this;
    const int row = m_form->OnCommand(id, SelectedRow());
    if (!self)
        return; // its view went under one of its dialogs
    if (QTreeWidgetItem* item = m_list->topLevelItem(row))
        m_list->setCurrentItem(item);
    StateChanged();
}

void CMotorMonitorPage::ListChanged()
{
    if (!m_form)
        return;
    m_filling = true;
    FillWatchList(m_list, m_form->List(), m_form->Polling());
    m_filling = false;
    UpdateCommands();
}

void CMotorMonitorPage::RowChanged(int row)
{
    CWatchItem* watch = m_form ? m_form->List().At(row) : nullptr;
    if (QTreeWidgetItem* item = m_list->topLevelItem(row); watch && item) {
        m_filling = true;
        ShowWatchRow(item, *watch, m_form->Polling());
        m_filling = false;
    }
}

void CMotorMonitorPage::StateChanged()
{
    if (!m_form)
        return;
    const bool polling = m_form->Polling();
    m_poll->setChecked(polling);
    m_stop->setChecked(!polling);
    m_scaled->setEnabled(m_form->ScaledEnabled());
    m_scaled->setChecked(m_form->Scaled);
    m_hex->setChecked(m_form->Hex());
    m_indicator->SetState(m_form->Link());
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Text, polling ? Qt::black : QColor(128, 128, 128));
    m_list->setPalette(pal);
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        RowChanged(i);
    UpdateCommands();
}

void CMotorMonitorPage::UpdateCommands()
{
    if (!m_form)
        return;
    const int row = SelectedRow();
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(m_form->IsCommandEnabled(id, row));
        if (action->isCheckable())
            action->setChecked(m_form->Hex());
    }
    m_poll->setEnabled(m_form->IsCommandEnabled(kPoll, row));
    m_stop->setEnabled(m_form->IsCommandEnabled(kStop, row));
    m_refresh->setEnabled(m_form->IsCommandEnabled(kRefresh, row));
}

void CMotorMonitorPage::ShowContextMenu(const QPoint& at)
{
    const int row = SelectedRow();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("UserWatch"));
    for (int id : {ID_OPEN, ID_SAVE, ID_SAVE_AS, 0, ID_ADD, ID_DELETE, ID_EDIT, 0, ID_MOVE_UP, ID_MOVE_DOWN, 0, ID_HEX}) {
        if (!id) {
            menu->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        menu->addAction(a);
        if (id == (row >= 0 ? ID_EDIT : ID_ADD))
            menu->setDefaultAction(a);
    }
    UpdateCommands();
    fw::PopUpContextMenu(menu, m_list->viewport()->mapToGlobal(at));
}

void CMotorMonitorPage::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Insert: RunCommand(ID_ADD); return;
    case Qt::Key_Delete: RunCommand(ID_DELETE); return;
    case Qt::Key_F2: RunCommand(ID_EDIT); return;
    default: QWidget::keyPressEvent(event);
    }
}

std::optional<std::string> CMotorMonitorPage::AskOpenPath()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QString::fromLatin1(kOpenTitle), QString(), kFilter, nullptr,
                                     QFileDialog::ReadOnly);
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> CMotorMonitorPage::AskSavePath(const std::string& proposed)
{
    fw::ModalDialog<QFileDialog> dlg(this, QStringLiteral("Save As"), QString::fromStdString(proposed), kFilter);
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setDefaultSuffix(QString::fromLatin1(kDefaultExt));
    if (dlg.exec() != QDialog::Accepted || !dlg || dlg->selectedFiles().isEmpty())
        return std::nullopt;
    return dlg->selectedFiles().front().toStdString();
}

bool CMotorMonitorPage::RunItemDialog(CWatchItem* item)
{
    WatchDlgServices services = m_itemServices;
    services.add = [this](CWatchItem* added) { return m_form ? m_form->AddWatchItem(added) : added; };
    // The items stay bound to this view's motor.
    fw::ModalDialog<CWatchItemDlg> dlg(this, item, false, services);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace tools::gui
