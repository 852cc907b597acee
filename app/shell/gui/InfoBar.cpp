#include "app/shell/gui/InfoBar.h"

#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/Text8.h"
#include "app/shell/CommandIds.h"
#include "core/ui/Questions.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>

#include <memory>
#include <QStyle>
#include <QTreeWidget>

CInfoBar::CInfoBar(ui::IQuestions& questions, QWidget* parent)
    : fw::CDockDlg(QStringLiteral("Information"), cmd::IDD_INFO_BAR, fw::CBRS_ALIGN_BOTTOM, {100, 100, 750, 200}, parent),
      m_questions(questions), m_list(new QTreeWidget(this))
{
    m_list->setObjectName(QStringLiteral("1026"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({QStringLiteral("Location"), QStringLiteral("Description")});
    m_list->setColumnWidth(0, 100);
    m_list->setColumnWidth(1, 370);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CInfoBar::ShowContextMenu);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { ActivateLine(m_list->indexOfTopLevelItem(item)); });
    setWidget(m_list);
    resize(650, 100);
}

void CInfoBar::OnLineAdded(const ui::CInfoLine& line)
{
    auto* item = new QTreeWidgetItem(
        {fw::ToQt(line.location), fw::ToQt(line.description)});
    QStyle* s = style();
    switch (line.kind) {
    case ui::InfoKind::Error: item->setIcon(0, s->standardIcon(QStyle::SP_MessageBoxCritical)); break;
    case ui::InfoKind::Warning: item->setIcon(0, s->standardIcon(QStyle::SP_MessageBoxWarning)); break;
    case ui::InfoKind::Info: item->setIcon(0, s->standardIcon(QStyle::SP_MessageBoxInformation)); break;
    }
    m_list->addTopLevelItem(item);
    m_list->scrollToItem(item);
    // Lines are added from inside long operations: show them at once.
    m_list->viewport()->repaint();
}

void CInfoBar::OnCleared() { m_list->clear(); }

void CInfoBar::OnShow() { show(); }

void CInfoBar::OnSummary()
{
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
}

void CInfoBar::Copy()
{
    const std::string text = CopyText();
    if (text.empty())
        return;
    QApplication::clipboard()->setText(fw::ToQt(text));
}

int CInfoBar::GetHelpTopicAt(const QPoint* screenPoint) const
{
    int row = -1;
    if (screenPoint) {
        const QPoint p = m_list->viewport()->mapFromGlobal(*screenPoint);
        if (QTreeWidgetItem* item = m_list->itemAt(p))
            row = m_list->indexOfTopLevelItem(item);
    } else if (QTreeWidgetItem* item = m_list->currentItem()) {
        row = m_list->indexOfTopLevelItem(item);
    }
    if (row >= 0 && row < static_cast<int>(Lines().size()) && Lines()[row].item && Lines()[row].item->code > 0)
        return Lines()[row].item->code;
    return fw::CDockDlg::GetHelpTopicAt(screenPoint);
}

void CInfoBar::ActivateLine(int row)
{
    if (row < 0 || row >= static_cast<int>(Lines().size()) || !Lines()[row].item)
        return;
    // A copy: what follows may clear the list.
    const CInfoItem item = *Lines()[row].item;
    if (item.code != ui::kCalibrationUnfinishedCode) {
        if (!item.file.empty() && openFileAt)
            openFileAt(item.file, item.line, item.column);
        return;
    }
    ui::MessageBoxRequest request;
    request.text = kCalibrationOfferText;
    request.style = ui::kCustomButtons | ui::MB_ICONEXCLAMATION;
    request.buttonTexts = {"Verify Calibration", "ReCalibrate", "Close"};
    const int answer = ui::OptionMessageBox(m_questions, request);
    if ((answer == ui::kLeftButton || answer == ui::kMiddleButton) && runCalibration)
        runCalibration(static_cast<uint32_t>(item.column), answer == ui::kLeftButton);
}

QMenu* CInfoBar::MakeContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("InfoView"));
    menu->addAction(QStringLiteral("&Copy"))->setData(cmd::ID_INFO_COPY);
    menu->addAction(QStringLiteral("C&lear"))->setData(cmd::ID_INFO_CLEAR);
    connect(menu, &QMenu::triggered, this, [this](QAction* chosen) {
        if (sendCommand)
            sendCommand(chosen->data().toInt());
    });
    return menu;
}

void CInfoBar::ShowContextMenu(const QPoint& pos)
{
    fw::PopUpContextMenu(MakeContextMenu(), m_list->viewport()->mapToGlobal(pos));
}
