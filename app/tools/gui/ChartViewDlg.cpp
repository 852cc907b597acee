#include "app/tools/gui/ChartViewDlg.h"

#include "app/framework/gui/AskWhenFree.h"
#include "app/framework/gui/ModalDialog.h"
#include "app/framework/gui/OwnedWindow.h"
#include "app/res/gui/Icons.h"
#include "app/shell/HelpTopics.h"

#include "app/tools/gui/ChartPainter.h"
#include "app/tools/gui/ChartSettingsDlg.h"
#include "app/tools/gui/ListColumns.h"
#include "core/ui/Questions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace chartview;

namespace {

QString Local(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }

// The colour swatch of an item's list row.
QIcon Swatch(int slot)
{
    QPixmap pixmap(12, 12);
    const chart::Rgb c = chart::CurveColor(slot);
    pixmap.fill(QColor(c.r, c.g, c.b));
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 11, 11);
    return QIcon(pixmap);
}

QString FileFilter() { return QStringLiteral("VQX Chart Files (*.sch);;All Files (*)"); }

} // namespace

// ---- the plot ------------------------------------------------------------------------------------

CChartPlot::CChartPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(IDC_PLOT));
    setMinimumSize(200, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CChartPlot::SetImage(QImage image)
{
    m_image = std::move(image);
    repaint();
}

void CChartPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void CChartPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked(event->position().toPoint().x());
    QWidget::mousePressEvent(event);
}

void CChartPlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}

// ---- what the form asks of the window ------------------------------------------------------------

class CChartViewDlg::Host : public IChartViewHost {
public:
    Host(CChartViewDlg& window, ui::IQuestions& questions) : m_window(window), m_questions(questions) {}
    void ShowError(const std::string& text) override
    {
        if (!fromTimer) {
            ui::OptionMessageBox(m_questions, text, ui::MB_OK | ui::MB_ICONERROR);
            return;
        }
        // The sampling timer's error waits for the questions open now (the window stopped already).
        fw::AskWhenFree(&m_window, [questions = &m_questions, text] {
            ui::OptionMessageBox(*questions, text, ui::MB_OK | ui::MB_ICONERROR);
        });
    }
    bool fromTimer = false;
    bool AskYesNo(const std::string& text) override
    {
        return ui::OptionMessageBox(m_questions, text, ui::MB_YESNO | ui::MB_ICONWARNING) == ui::IDYES;
    }
    Answer AskYesNoCancel(const std::string& text) override
    {
        switch (ui::OptionMessageBox(m_questions, text, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION)) {
        case ui::IDYES:
            return kYes;
        case ui::IDNO:
            return kNo;
        default:
            return kCancel;
        }
    }
    std::string AskSavePath(const std::string& name) override
    {
        fw::ModalDialog<QFileDialog> dialog(&m_window, QString(), Local(name), FileFilter());
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setDefaultSuffix(QStringLiteral("sch"));
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted || !dialog || dialog->selectedFiles().isEmpty())
            return {};
        return dialog->selectedFiles().front().toStdString();
    }

private:
    CChartViewDlg& m_window;
    ui::IQuestions& m_questions;
};

// ---- the window ----------------------------------------------------------------------------------

CChartViewDlg::CChartViewDlg(WatchMotorFinder find, ui::IQuestions& questions, ItemDialog itemDialog, QWidget* owner)
    : QWidget(owner, fw::kOwnedWindowFlags),
      m_host(std::make_unique<Host>(*this, questions)),
      m_form(std::make_unique<CChartViewForm>(*m_host, std::move(find))),
      m_itemDialog(std::move(itemDialog)),
      m_questions(questions)
{
    setObjectName(QString::number(kTemplate));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildToolbar();

    m_plot = new CChartPlot(this);
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setObjectName(QString::number(IDC_SCROLL));
    auto* rulerLabel = new QLabel(QStringLiteral("Ruler Time:"), this);
    m_rulerTime = new QLineEdit(this);
    m_rulerTime->setObjectName(QString::number(IDC_RULER_TIME));
    m_rulerTime->setMaximumWidth(110);
    m_rulerSample = new QSpinBox(this);
    m_rulerSample->setObjectName(QString::number(IDC_RULER_SPIN));
    if (auto* edit = m_rulerSample->findChild<QLineEdit*>())
        edit->setObjectName(QString::number(IDC_RULER_SAMPLE));
    m_rulerSample->setToolTip(QStringLiteral("Move the Ruler to Left/Right"));
    m_rulerSample->setRange(0, 100);
    m_rulerSample->setMinimumWidth(90);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Last"), QStringLiteral("Average"),
                             QStringLiteral("Min."), QStringLiteral("Max."), QStringLiteral("Ruler")});
    // The columns' widths, widened where a heading needs more.
    const int widths[] = {100, 50, 50, 50, 50, 60};
    const QFontMetrics heading(m_list->header()->font());
    for (int i = 0; i < 6; ++i)
        m_list->setColumnWidth(i, std::max(widths[i], heading.horizontalAdvance(m_list->headerItem()->text(i)) + 16));
    m_parameterWidth = m_list->columnWidth(0);
    m_list->header()->setStretchLastSection(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setContextMenuPolicy(Qt::DefaultContextMenu);

    auto* ruler = new QHBoxLayout;
    ruler->addStretch();
    ruler->addWidget(rulerLabel);
    ruler->addWidget(m_rulerTime);
    ruler->addWidget(m_rulerSample);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 0, 3, 3);
    layout->setSpacing(2);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_scroll);
    layout->addLayout(ruler);
    layout->addWidget(m_list);

    connect(m_plot, &CChartPlot::clicked, this, [this](int x) {
        if (m_form->Sampling() || m_form->Document().NoOfSamples <= 0)
            return;
        m_form->ClickPlot(x);
        Refresh();
    });
    connect(m_plot, &CChartPlot::resized, this, [this] {
        if (!m_closing)
            Refresh();
    });
    connect(m_scroll, &QScrollBar::actionTriggered, this, [this](int action) {
        if (m_writing)
            return;
        using S = CChartViewForm::Scroll;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            m_form->ScrollBy(S::LineLeft);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            m_form->ScrollBy(S::LineRight);
            break;
        case QAbstractSlider::SliderPageStepSub:
            m_form->ScrollBy(S::PageLeft);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            m_form->ScrollBy(S::PageRight);
            break;
        case QAbstractSlider::SliderMove:
            m_form->ScrollBy(S::Thumb, m_scroll->sliderPosition());
            break;
        default:
            return;
        }
        QTimer::singleShot(0, this, [this] { Refresh(); });
    });
    connect(m_rulerSample, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_writing || m_form->Sampling() || m_form->Document().NoOfSamples <= 0)
            return;
        m_form->RulerPositionEdited(value);
        Refresh();
        m_list->setFocus();
    });
    connect(m_rulerTime, &QLineEdit::editingFinished, this, [this] {
        if (m_writing || m_form->Sampling() || m_form->Document().NoOfSamples <= 0)
            return;
        m_form->RulerTimeEdited(m_rulerTime->text().trimmed().toLongLong());
        Refresh();
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
        m_form->SelectRow(m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1);
        if (m_form->Checked(ID_HIGHLIGHT))
            Refresh();
        else
            UpdateButtons();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnCommand(ID_EDIT_ITEM); });
    connect(&m_timer, &fw::ToolTimer::timeout, this, &CChartViewDlg::OnTimer);
    resize(720, 560);
}

CChartViewDlg::~CChartViewDlg()
{
    m_closing = true;
    m_timer.Stop();
    // The controls go after this object: the ruler's time field, losing the focus as it goes,
    // must not call back into a window that is no longer there.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void CChartViewDlg::BuildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("ChartToolbar"));
    // Pictures with their names as tooltips: the nineteen buttons fit the window's width (a
    // button without a picture shows its name).
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->setIconSize(QSize(20, 20));
    m_menu = new QMenu(QStringLiteral("Chart"), this);
    auto makeAction = [this](int id) {
        auto* a = new QAction(QString::fromLatin1(CommandText(id)), this);
        a->setObjectName(QString::number(id));
        const CommandPicture picture = PictureOf(id);
        a->setIcon(res::CommandIcon(picture.theme, picture.own));
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(a);
        return a;
    };
    for (const ToolbarEntry& e : Toolbar()) {
        if (!e.id) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction* a = makeAction(e.id);
        a->setToolTip(QString::fromLatin1(e.tip));
        a->setCheckable(e.check);
        m_toolbar->addAction(a);
    }
    for (int id : {ID_SAVE_AS, ID_COPY_DATA, ID_COPY_IMAGE})
        makeAction(id);
    Action(ID_ADD_ITEM)->setShortcut(QKeySequence(Qt::Key_Insert));
    Action(ID_DELETE_ITEM)->setShortcut(QKeySequence(Qt::Key_Delete));
    Action(ID_EDIT_ITEM)->setShortcut(QKeySequence(Qt::Key_F2));
    for (QAction* a : actions())
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
}

QAction* CChartViewDlg::Action(int id) const
{
    return findChild<QAction*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CChartViewDlg::Show()
{
    m_form->Start();
    setWindowTitle(Local(m_form->WindowText()));
    show();
    Refresh();
    m_timer.Start(m_form->UpdateTime());
}

void CChartViewDlg::UpdateButtons()
{
    for (const ToolbarEntry& e : Toolbar()) {
        if (!e.id)
            continue;
        QAction* a = Action(e.id);
        a->setEnabled(m_form->Enabled(e.id));
        if (e.check)
            a->setChecked(m_form->Checked(e.id));
    }
    for (int id : {ID_SAVE_AS, ID_COPY_DATA, ID_COPY_IMAGE})
        Action(id)->setEnabled(m_form->Enabled(id, true));
    const bool stopped = m_form->RulerEnabled();
    m_rulerSample->setEnabled(stopped);
    m_rulerTime->setEnabled(stopped);
}

void CChartViewDlg::FillList()
{
    const std::vector<ListRow> rows = m_form->Rows();
    const int selected = m_form->SelectedRow();
    m_writing = true;
    if (m_list->topLevelItemCount() != static_cast<int>(rows.size())) {
        m_list->clear();
        for (size_t i = 0; i < rows.size(); ++i)
            m_list->addTopLevelItem(new QTreeWidgetItem);
    }
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const ListRow& r = rows[static_cast<size_t>(i)];
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setIcon(0, Swatch(r.colour));
        const std::string* texts[] = {&r.caption, &r.last, &r.average, &r.min, &r.max, &r.ruler};
        for (int c = 0; c < 6; ++c)
            if (item->text(c) != Local(*texts[c]))
                item->setText(c, Local(*texts[c]));
    }
    // The names whole: items of one motor differ only at their end ("Motor1-Chain Position").
    if (!rows.empty()) {
        m_list->resizeColumnToContents(0);
        m_list->setColumnWidth(0, std::max(m_parameterWidth, m_list->columnWidth(0)));
        // The values whole too: statistics of six digits or more, a reply text in "Last".
        for (int c = 1; c < 6; ++c)
            tools::gui::FitColumnToValues(m_list, c);
    }
    if (selected >= 0 && selected < m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(selected));
    else
        m_list->setCurrentItem(nullptr);
    m_writing = false;
    // As high as the rows need plus 5 pixels.
    const int rowHeight = std::max({m_list->sizeHintForRow(0), m_list->fontMetrics().height() + 6, 18});
    const int want = m_list->header()->sizeHint().height() +
                     rowHeight * std::max<int>(static_cast<int>(rows.size()), 1) + 2 * m_list->frameWidth() + 5;
    m_list->setFixedHeight(want);
}

void CChartViewDlg::UpdateRulerFields()
{
    m_writing = true;
    const ChartDocument& d = m_form->Document();
    if (!m_form->Sampling())
        m_rulerSample->setRange(0, std::max(d.NoOfSamples, 0));
    const int64_t position = m_form->RulerPosition();
    if (position >= 0) {
        m_rulerSample->setValue(static_cast<int>(position));
        m_rulerTime->setText(QString::number(m_form->RulerTime()));
    } else {
        m_rulerSample->setValue(0);
        m_rulerTime->setText(QStringLiteral("0"));
    }
    m_writing = false;
}

void CChartViewDlg::Refresh()
{
    if (m_closing || m_refreshing)
        return;
    m_refreshing = true;
    // The list first: its height decides the plot's.
    FillList();
    if (layout())
        layout()->activate();
    static const chartgui::QtTextMetrics metrics;
    const QSize size = m_plot->size();
    const chart::Picture picture = m_form->Redraw(size.width(), size.height(), metrics);
    m_plot->SetImage(chartgui::Render(picture, size.width(), size.height()));
    m_writing = true;
    m_scroll->setEnabled(picture.scrollEnabled && !m_form->Sampling());
    m_scroll->setRange(0, picture.scrollEnabled ? picture.scrollMax : 0);
    m_scroll->setPageStep(std::max(picture.visible, 1));
    m_scroll->setSingleStep(10);
    m_scroll->setValue(picture.scrollPos);
    m_writing = false;
    UpdateRulerFields();
    UpdateButtons();
    setWindowTitle(Local(m_form->WindowText()));
    m_refreshing = false;
}

void CChartViewDlg::OnTimer()
{
    if (!m_form->Sampling() || m_form->Document().ItemCount() == 0)
        return;
    // A dialog that holds the project's ports closed holds the sampling too.
    if (portsHeld && portsHeld())
        return;
    m_host->fromTimer = true;
    m_form->SamplingStep(true);
    m_host->fromTimer = false;
    Refresh();
}

void CChartViewDlg::OnCommand(int id)
{
    if (!m_form->Enabled(id, true))
        return;
    // Its dialogs and boxes wait for the user; the window may go meanwhile.
    QPointer<CChartViewDlg> self = this;
    switch (id) {
    case ID_NEW_CHART:
        if (!m_form->CanClose())
            return;
        m_form->New();
        break;
    case ID_OPEN:
        OpenChart();
        break;
    case ID_SAVE:
        m_form->Save();
        break;
    case ID_SAVE_AS:
        m_form->SaveAs();
        break;
    case ID_ADD_ITEM:
        AddItem();
        break;
    case ID_DELETE_ITEM:
        m_form->DeleteItem(m_form->SelectedRow());
        break;
    case ID_EDIT_ITEM:
        EditItem();
        break;
    case ID_CLEAR:
        m_form->Clear();
        break;
    case ID_START:
        m_form->StartSampling();
        break;
    case ID_STOP:
        m_form->StopSampling();
        break;
    case ID_MANUAL_UPDATE:
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_form->SamplingStep(false);
        QApplication::restoreOverrideCursor();
        break;
    case ID_PROPERTIES:
        Properties();
        break;
    case ID_HIGHLIGHT:
        m_form->ToggleHighlight();
        break;
    case ID_HGRID:
        m_form->ToggleHGrid();
        break;
    case ID_VGRID:
        m_form->ToggleVGrid();
        break;
    case ID_COPY_DATA:
        if (!m_form->CanCopyData())
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QApplication::clipboard()->setText(QString::fromLatin1(m_form->CopyDataText().c_str()));
        QApplication::restoreOverrideCursor();
        return;
    case ID_COPY_IMAGE:
        QApplication::clipboard()->setImage(m_plot->Image());
        return;
    default:
        return;
    }
    if (self)
        Refresh();
}

void CChartViewDlg::AddItem()
{
    if (!m_form->CanAdd() || !m_itemDialog)
        return;
    CChartItem item;
    if (currentMotor) {
        const auto [port, address] = currentMotor();
        if (port >= 0) {
            item.Item.ChannelIndex = port;
            item.Item.MotorAddress = address;
        }
    }
    QPointer<CChartViewDlg> self = this;
    m_itemDialog(this, item, true, [this](const CChartItem& chosen) {
        const auto added = m_form->AddItem(chosen);
        Refresh();
        return added;
    });
    if (self)
        Refresh();
}

void CChartViewDlg::EditItem()
{
    CChartItem* item = m_form->ItemToEdit(m_form->SelectedRow());
    if (!item || !m_itemDialog)
        return;
    const std::string shown = item->Item.ValueText;
    item->Item.ValueText = CWatchItem::kChartMarker;
    QPointer<CChartViewDlg> self = this;
    const bool edited = m_itemDialog(this, *item, false, {});
    if (!self)
        return; // gone under the dialog, its items with it
    if (edited)
        m_form->ItemEdited();
    item->Item.ValueText = shown;
}

void CChartViewDlg::OpenChart()
{
    fw::ModalDialog<QFileDialog> dialog(this, QStringLiteral("Open Chart File"), QString(), FileFilter());
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || !dialog || dialog->selectedFiles().isEmpty())
        return;
    const std::string path = dialog->selectedFiles().front().toStdString();
    // Its question whether to save the chart shown is a box too.
    QPointer<CChartViewDlg> self = this;
    if (!m_form->CanClose() || !self)
        return;
    if (m_form->Open(path) && self)
        m_timer.Start(m_form->UpdateTime());
}

void CChartViewDlg::Properties()
{
    fw::ModalDialog<CChartSettingsDlg> dialog(this, m_form->CurrentSettings(), m_questions);
    if (dialog.exec() != QDialog::Accepted || !dialog)
        return;
    m_form->ApplySettings(dialog->Accepted());
    m_timer.Start(m_form->UpdateTime());
}

bool CChartViewDlg::CanClose()
{
    return m_form->CanClose();
}

void CChartViewDlg::RequestClose()
{
    QTimer::singleShot(0, this, [this] {
        m_form->ClearModified();
        close();
    });
}

void CChartViewDlg::closeEvent(QCloseEvent* event)
{
    if (!m_form->CanClose()) {
        event->ignore();
        return;
    }
    m_closing = true;
    m_timer.Stop();
    if (onClosed)
        onClosed();
    event->accept();
}

void CChartViewDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && showHelp) {
        showHelp(help::WindowTopic(kTemplate));
        return;
    }
    QWidget::keyPressEvent(event);
}

void CChartViewDlg::contextMenuEvent(QContextMenuEvent* event)
{
    m_menu->clear();
    for (int id : chartview::ContextMenu()) {
        if (!id) {
            m_menu->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        a->setEnabled(m_form->Enabled(id, true));
        m_menu->addAction(a);
    }
    // No loop of its own: the chart may close while its menu is open.
    m_menu->popup(event->globalPos());
}
