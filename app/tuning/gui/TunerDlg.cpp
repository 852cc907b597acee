#include "app/tuning/gui/TunerDlg.h"

#include "app/framework/gui/AskWhenFree.h"
#include "app/framework/LongOperation.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockMDI.h"
#include "app/framework/gui/ModalDialog.h"
#include "app/framework/gui/Text8.h"
#include "app/project/Project.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/res/gui/Icons.h"
#include "app/shell/gui/AppContext.h"
#include "app/tools/gui/ChartPainter.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace tuning::gui {
namespace {

template <class W>
W* Named(W* w, int id)
{
    w->setObjectName(QString::number(id));
    return w;
}

QString Q(const std::string& s) { return fw::ToQt(s); }
std::string S(const QString& s) { return fw::FromQt(s); }

void SetText(QLineEdit* e, const std::string& text)
{
    if (e && e->text() != Q(text)) {
        const QSignalBlocker block(e);
        e->setText(Q(text));
    }
}

// "A|*.a|B|*.b||" in the chooser's form.
QString Filter(const char* filter)
{
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out.join(QStringLiteral(";;"));
}

constexpr int kPictureHeight = 260;
// The statistics list's columns, and the pictures of its rows ("Position" and "Pos. Error").
constexpr int kListWidths[6] = {100, 50, 60, 50, 60, 60};
constexpr const char* kRowImages[2] = {"tuner-position", "tuner-pos-error"};

} // namespace

CTunerDlg::CTunerDlg(Wiring wiring, uint32_t key, QWidget* parent)
    : QDialog(parent), m_wiring(std::move(wiring)), m_form([this] {
          CTunerForm::Services s;
          s.context = m_wiring.context;
          s.scanner = m_wiring.scanner;
          s.profile = &platform::AppProfile();
          CProject* project = m_wiring.project;
          s.ports = [project] {
              std::vector<CCommPort*> ports;
              for (int i = 0; project && i < project->PortCount(); ++i)
                  ports.push_back(project->Port(i));
              return ports;
          };
          s.commError = m_wiring.commError;
          s.backupFolder = m_wiring.backupFolder;
          return s;
      }())
{
    setWindowTitle(QString::fromLatin1(tuner::kCaption));
    setModal(false);
    m_targetError = m_form.SetTarget(key);
}

CTunerDlg::~CTunerDlg() { Finish(); }

bool CTunerDlg::Show()
{
    if (!m_targetError.empty()) {
        if (m_wiring.context)
            ui::OptionMessageBox(m_wiring.context->Questions(), m_targetError, ui::MB_OK | ui::MB_ICONERROR);
        m_finished = true;
        return false;
    }
    if (!m_form.ReadValues()) {
        m_finished = true;
        return false;
    }
    m_form.LoadSettings();
    Build();
    m_built = true;
    Refresh();
    fw::CDockMDI::PlaceOverOwnersWorkArea(this);
    show();
    // The window can grow in width only.
    setMinimumSize(size());
    setMaximumHeight(height());
    DrawChart();
    m_tabs->setFocus();
    return true;
}

void CTunerDlg::Build()
{
    auto* root = new QVBoxLayout(this);
    auto* toolbar = new QToolBar(this);
    toolbar->setIconSize(QSize(16, 16));
    for (int id : tuner::kToolbar) {
        for (const auto& c : tuner::kCommands) {
            if (c.id != id)
                continue;
            QAction* a = toolbar->addAction(QString::fromLatin1(c.menu));
            a->setIcon(res::CommandIcon(c.theme, c.own));
            a->setObjectName(QString::number(id));
            a->setToolTip(QString::fromLatin1(c.prompt).left(79));
            connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    }
    root->addWidget(toolbar);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Motor:"), this));
    m_motorName = Named(new QLabel(this), tuner::kMotorName);
    m_motorName->setMinimumWidth(260);
    top->addWidget(m_motorName, 1);
    auto* select = Named(new QPushButton(QStringLiteral("..."), this), tuner::kSelectMotor);
    select->setToolTip(QStringLiteral("Select the Target Motor"));
    connect(select, &QPushButton::clicked, this, [this] { OnSelectMotor(); });
    top->addWidget(select);
    auto* run = Named(new QPushButton(QStringLiteral("Run"), this), tuner::kRun);
    run->setToolTip(QStringLiteral("Run Tuner"));
    connect(run, &QPushButton::clicked, this, [this] { OnRun(); });
    top->addWidget(run);
    root->addLayout(top);

    m_tabs = Named(new QTabWidget(this), tuner::kTab);
    m_tabs->addTab(BuildModePage(), QString::fromLatin1(kPageTitles[0]));
    m_tabs->addTab(BuildSettingsPage(), QString::fromLatin1(kPageTitles[1]));
    m_tabs->addTab(BuildValuesPage(), QString::fromLatin1(kPageTitles[2]));
    root->addWidget(m_tabs);

    auto* grid = new QHBoxLayout;
    m_hGrid = Named(new QCheckBox(QStringLiteral("Show Horizontal Grid"), this), tuner::kHGrid);
    m_vGrid = Named(new QCheckBox(QStringLiteral("Show Vertical Grid"), this), tuner::kVGrid);
    m_hGrid->setToolTip(QStringLiteral("Show/Hide Horizontal Grid"));
    m_vGrid->setToolTip(QStringLiteral("Show/Hide Vertical Grid"));
    connect(m_hGrid, &QCheckBox::toggled, this, [this](bool on) {
        m_form.grid.horizontal = on;
        DrawChart();
    });
    connect(m_vGrid, &QCheckBox::toggled, this, [this](bool on) {
        m_form.grid.vertical = on;
        DrawChart();
    });
    grid->addWidget(m_hGrid);
    grid->addWidget(m_vGrid);
    grid->addStretch(1);
    grid->addWidget(new QLabel(QStringLiteral("Ruler:"), this));
    m_rulerSample = Named(new QLineEdit(this), tuner::kRulerSample);
    m_rulerSample->setReadOnly(true);
    m_rulerSample->setMaximumWidth(80);
    m_rulerSpin = Named(new QSpinBox(this), tuner::kRulerSpin);
    m_rulerSpin->setToolTip(QStringLiteral("Move the Ruler to Left/Right"));
    m_rulerSpin->setMinimumWidth(70);
    m_rulerTime = Named(new QLineEdit(this), tuner::kRulerTime);
    m_rulerTime->setMaximumWidth(80);
    grid->addWidget(new QLabel(QStringLiteral("Data No.:"), this));
    grid->addWidget(m_rulerSample);
    grid->addWidget(m_rulerSpin);
    grid->addWidget(new QLabel(QStringLiteral("Time:"), this));
    grid->addWidget(m_rulerTime);
    connect(m_rulerSpin, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_settingRuler)
            return;
        m_form.SetRulerSample(v);
        ShowRuler();
        DrawChart();
        m_rulerTime->setFocus();
    });
    connect(m_rulerTime, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const qlonglong t = text.toLongLong(&ok);
        if (!ok || m_form.count <= 0)
            return;
        m_form.SetRulerTime(t);
        m_settingRuler = true;
        m_rulerSample->setText(QString::number(m_form.ruler));
        m_rulerSpin->setValue(m_form.ruler);
        m_settingRuler = false;
        DrawChart();
    });
    root->addLayout(grid);

    m_picture_ = Named(new QLabel(this), tuner::kPicture);
    m_picture_->setFixedHeight(kPictureHeight);
    m_picture_->setMinimumWidth(480);
    m_picture_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_picture_->installEventFilter(this);
    m_picture_->setContextMenuPolicy(Qt::DefaultContextMenu);
    root->addWidget(m_picture_);
    m_scroll = Named(new QScrollBar(Qt::Horizontal, this), tuner::kScroll);
    connect(m_scroll, &QScrollBar::actionTriggered, this, [this](int action) {
        const int visible = VisibleSamples(m_picture.plot);
        ScrollAction a = ScrollAction::Thumb;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: a = ScrollAction::LineLeft; break;
        case QAbstractSlider::SliderSingleStepAdd: a = ScrollAction::LineRight; break;
        case QAbstractSlider::SliderPageStepSub: a = ScrollAction::PageLeft; break;
        case QAbstractSlider::SliderPageStepAdd: a = ScrollAction::PageRight; break;
        default: break;
        }
        m_form.scrollOffset = ScrollOffset(a, m_scroll->sliderPosition(), m_form.scrollOffset, m_form.count, visible);
        QMetaObject::invokeMethod(this, [this] { DrawChart(); }, Qt::QueuedConnection);
    });
    root->addWidget(m_scroll);
    m_list = Named(new QTableWidget(2, 6, this), tuner::kList);
    QStringList headers;
    for (const char* h : kListColumns)
        headers << QString::fromLatin1(h);
    m_list->setHorizontalHeaderLabels(headers);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setIconSize(QSize(16, 16));
    // The widths the window was laid out for; a column whose header text needs more on this
    // desktop's font gets what it needs.
    for (int c = 0; c < 6; ++c)
        m_list->setColumnWidth(c, std::max(kListWidths[c], m_list->horizontalHeader()->sectionSizeHint(c)));
    m_list->setFixedHeight(m_list->horizontalHeader()->sizeHint().height() + 2 * m_list->verticalHeader()->defaultSectionSize() + 6);
    root->addWidget(m_list);
}

QWidget* CTunerDlg::BuildModePage()
{
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    auto* group = new QButtonGroup(page);
    const int ids[3] = {modepage::kMode1, modepage::kMode2, modepage::kMode3};
    for (int i = 0; i < 3; ++i) {
        m_modes[size_t(i)] = Named(new QRadioButton(QString::fromLatin1(modepage::kTexts[i]), page), ids[i]);
        group->addButton(m_modes[size_t(i)], ids[i]);
        auto* row = new QHBoxLayout;
        row->addWidget(m_modes[size_t(i)]);
        auto* text = new QLabel(QString::fromLatin1(modepage::kDescriptions[i]).trimmed(), page);
        row->addWidget(text, 1);
        box->addLayout(row);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        m_form.SetMode(modepage::ModeOf(id));
        RefreshSettings();
    });
    auto* note = new QLabel(QString::fromLatin1(modepage::kNote), page);
    note->setWordWrap(true);
    box->addWidget(note);
    box->addStretch(1);
    return page;
}

QWidget* CTunerDlg::BuildSettingsPage()
{
    using F = CTuningSettingsForm;
    auto* page = new QWidget;
    auto* g = new QGridLayout(page);
    auto edit = [&](int id) {
        auto* e = Named(new QLineEdit(page), id);
        e->setMinimumWidth(90);
        return e;
    };
    auto label = [&](int id) {
        for (const auto& l : F::kLabels)
            if (l.id == id)
                return QString::fromLatin1(l.text);
        return QString();
    };
    m_set.time = edit(F::kTime);
    m_set.speed = edit(F::kSpeed);
    m_set.acceleration = edit(F::kAcceleration);
    m_set.offset = edit(F::kOffset);
    m_set.wait = edit(F::kWait);
    m_set.program = edit(F::kMoveProgram);
    m_set.cw = Named(new QRadioButton(label(F::kCw), page), F::kCw);
    m_set.ccw = Named(new QRadioButton(label(F::kCcw), page), F::kCcw);
    m_set.ret = Named(new QCheckBox(label(F::kReturn), page), F::kReturn);
    m_set.switch38400 = Named(new QCheckBox(label(F::kSwitch), page), F::kSwitch);
    m_set.pollError = Named(new QCheckBox(label(F::kPollError), page), F::kPollError);
    m_set.browse = Named(new QPushButton(label(F::kBrowse), page), F::kBrowse);
    g->addWidget(new QLabel(label(F::kTime), page), 0, 0);
    g->addWidget(m_set.time, 0, 1);
    g->addWidget(m_set.switch38400, 0, 2, 1, 2);
    g->addWidget(new QLabel(label(F::kSpeed), page), 1, 0);
    g->addWidget(m_set.speed, 1, 1);
    g->addWidget(m_set.pollError, 1, 2, 1, 2);
    g->addWidget(new QLabel(label(F::kAcceleration), page), 2, 0);
    g->addWidget(m_set.acceleration, 2, 1);
    g->addWidget(new QLabel(label(F::kOffset), page), 3, 0);
    g->addWidget(m_set.offset, 3, 1);
    auto* direction = new QHBoxLayout;
    direction->addWidget(m_set.cw);
    direction->addWidget(m_set.ccw);
    g->addLayout(direction, 3, 2, 1, 2);
    g->addWidget(m_set.ret, 4, 0);
    g->addWidget(m_set.wait, 4, 1);
    g->addWidget(new QLabel(label(F::kWait), page), 4, 2);
    g->addWidget(new QLabel(label(F::kMoveProgram), page), 5, 0);
    g->addWidget(m_set.program, 5, 1, 1, 2);
    g->addWidget(m_set.browse, 5, 3);
    g->setColumnStretch(2, 1);

    CTuningSettingsForm& f = m_form.settingsPage;
    auto bind = [this](QLineEdit* e, std::string CTuningSettingsForm::*field) {
        connect(e, &QLineEdit::textChanged, this, [this, field](const QString& t) { m_form.settingsPage.*field = S(t); });
    };
    bind(m_set.time, &F::time);
    bind(m_set.speed, &F::speed);
    bind(m_set.acceleration, &F::acceleration);
    bind(m_set.offset, &F::offset);
    bind(m_set.wait, &F::waitTime);
    connect(m_set.program, &QLineEdit::textChanged, this, [this](const QString& t) {
        m_form.settingsPage.moveProgram = t.toStdString();
    });
    connect(m_set.ccw, &QRadioButton::toggled, this, [&f](bool on) { f.ccw = on; });
    connect(m_set.switch38400, &QCheckBox::toggled, this, [&f](bool on) { f.switch38400 = on; });
    connect(m_set.pollError, &QCheckBox::toggled, this, [&f](bool on) { f.pollError = on; });
    connect(m_set.ret, &QCheckBox::toggled, this, [this](bool on) {
        m_form.settingsPage.returnChecked = on;
        RefreshSettings();
    });
    connect(m_set.browse, &QPushButton::clicked, this, [this] {
        if (!m_wiring.desktop)
            return;
        const QString path = m_wiring.desktop->ChooseOpenFile(
            this, {QString::fromLatin1(F::kBrowseTitle), m_set.program->text(), Filter(F::kBrowseFilter),
                   QStringLiteral("tqx")});
        if (!path.isEmpty())
            m_set.program->setText(path);
    });
    return page;
}

QWidget* CTunerDlg::BuildValuesPage()
{
    using V = CTuningValuesForm;
    auto* page = new QWidget;
    auto* g = new QGridLayout(page);
    g->addWidget(new QLabel(QStringLiteral("Motor"), page), 0, 1);
    g->addWidget(new QLabel(QStringLiteral("New"), page), 0, 2);
    for (int i = 0; i < 8; ++i) {
        g->addWidget(new QLabel(QString::fromLatin1(V::kRowLabels[i]), page), i + 1, 0);
        m_motorValues[size_t(i)] = Named(new QLineEdit(page), V::kMotor0 + i);
        m_motorValues[size_t(i)]->setReadOnly(true);
        m_newValues[size_t(i)] = Named(new QLineEdit(page), V::kNew0 + i);
        g->addWidget(m_motorValues[size_t(i)], i + 1, 1);
        g->addWidget(m_newValues[size_t(i)], i + 1, 2);
        connect(m_newValues[size_t(i)], &QLineEdit::textChanged, this,
                [this, i](const QString& t) { m_form.valuesPage.newColumn[size_t(i)] = S(t); });
    }
    auto* buttons = new QVBoxLayout;
    const int ids[4] = {V::kApply, V::kLoadSaved, V::kSaveValues, V::kCopy};
    for (int i = 0; i < 4; ++i) {
        auto* b = Named(new QPushButton(QString::fromLatin1(V::kButtons[i]), page), ids[i]);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, id = ids[i]] {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            switch (id) {
            case V::kApply: m_form.ApplyValues(); break;
            case V::kLoadSaved: m_form.valuesPage.LoadDefaults(); break;
            case V::kSaveValues: m_form.valuesPage.SaveDefaults(); break;
            default: {
                std::string error;
                const std::string text = m_form.valuesPage.CopyProgram(&error);
                if (!text.empty())
                    QApplication::clipboard()->setText(Q(text));
                else if (m_wiring.context)
                    ui::OptionMessageBox(m_wiring.context->Questions(), error, ui::MB_OK | ui::MB_ICONERROR);
            }
            }
            QApplication::restoreOverrideCursor();
            RefreshValues();
        });
    }
    buttons->addStretch(1);
    g->addLayout(buttons, 1, 3, 8, 1);
    return page;
}

void CTunerDlg::RefreshSettings()
{
    using F = CTuningSettingsForm;
    const F& f = m_form.settingsPage;
    SetText(m_set.time, f.time);
    SetText(m_set.speed, f.speed);
    SetText(m_set.acceleration, f.acceleration);
    SetText(m_set.offset, f.offset);
    SetText(m_set.wait, f.waitTime);
    if (m_set.program->text() != QString::fromStdString(f.moveProgram))
        m_set.program->setText(QString::fromStdString(f.moveProgram));
    const QSignalBlocker b1(m_set.cw), b2(m_set.ccw), b3(m_set.ret), b4(m_set.switch38400), b5(m_set.pollError);
    (f.ccw ? m_set.ccw : m_set.cw)->setChecked(true);
    m_set.ret->setChecked(f.returnChecked);
    m_set.switch38400->setChecked(f.switch38400);
    m_set.pollError->setChecked(f.pollError);
    const std::pair<QWidget*, int> controls[] = {
        {m_set.time, F::kTime},        {m_set.speed, F::kSpeed}, {m_set.acceleration, F::kAcceleration},
        {m_set.offset, F::kOffset},    {m_set.cw, F::kCw},       {m_set.ccw, F::kCcw},
        {m_set.ret, F::kReturn},       {m_set.wait, F::kWait},   {m_set.program, F::kMoveProgram},
        {m_set.browse, F::kBrowse},    {m_set.switch38400, F::kSwitch}, {m_set.pollError, F::kPollError}};
    for (const auto& [w, id] : controls)
        w->setEnabled(f.Enabled(id));
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker b(m_modes[size_t(i)]);
        m_modes[size_t(i)]->setChecked(modepage::RadioOf(m_form.settings.mode) == m_modes[size_t(i)]->objectName().toInt());
    }
}

void CTunerDlg::RefreshValues()
{
    for (size_t i = 0; i < 8; ++i) {
        SetText(m_motorValues[i], m_form.valuesPage.motorColumn[i]);
        SetText(m_newValues[i], m_form.valuesPage.newColumn[i]);
    }
}

void CTunerDlg::Refresh()
{
    if (!m_built)
        return;
    m_motorName->setText(Q(m_form.MotorName()));
    {
        const QSignalBlocker b1(m_hGrid), b2(m_vGrid);
        m_hGrid->setChecked(m_form.grid.horizontal);
        m_vGrid->setChecked(m_form.grid.vertical);
    }
    RefreshSettings();
    RefreshValues();
    m_settingRuler = true;
    m_rulerSpin->setRange(0, std::max(0, m_form.count));
    m_rulerSpin->setValue(std::max(0, m_form.ruler));
    m_settingRuler = false;
    ShowRuler();
    DrawChart();
}

void CTunerDlg::ShowRuler()
{
    m_settingRuler = true;
    m_rulerSample->setText(QString::number(std::max(0, m_form.ruler)));
    m_rulerTime->setText(QString::number(m_form.count > 0 ? m_form.RulerTime() : 0));
    m_settingRuler = false;
}

void CTunerDlg::DrawChart()
{
    if (!m_built)
        return;
    const int w = std::max(1, m_picture_->width()), h = kPictureHeight;
    TuningChartInput in{w, h, m_form.count, m_form.settings.tuningTime, m_form.settings.pollError,
                        m_form.scrollOffset, m_form.ruler, m_form.grid.horizontal, m_form.grid.vertical};
    m_picture = DrawTuningChart(in, m_form.position, m_form.posError, chartgui::QtTextMetrics());
    m_image = chartgui::Render(m_picture, w, h);
    m_picture_->setPixmap(QPixmap::fromImage(m_image));
    {
        const QSignalBlocker b(m_scroll);
        m_scroll->setEnabled(m_picture.scrollEnabled);
        m_scroll->setRange(0, m_picture.scrollMax);
        m_scroll->setPageStep(std::max(1, m_picture.visible));
        m_scroll->setValue(m_picture.scrollPos);
    }
    m_form.scrollOffset = m_picture.leftSample;
    const auto rows = StatisticsRows(m_form.position, m_form.posError, m_form.count, m_form.settings.tuningTime,
                                     m_form.settings.pollError, m_form.ruler);
    for (int r = 0; r < 2; ++r) {
        m_list->setItem(r, 0, new QTableWidgetItem(res::ListImage(kRowImages[r]), QString::fromLatin1(kListRows[r])));
        for (int c = 0; c < 5; ++c)
            m_list->setItem(r, c + 1, new QTableWidgetItem(QString::fromStdString(rows[size_t(r)][size_t(c)])));
    }
}

void CTunerDlg::OnCommand(int id)
{
    switch (id) {
    case tuner::kCmdOpen: OnOpen(); break;
    case tuner::kCmdSave: OnSave(); break;
    case tuner::kCmdSaveAs: OnSaveAs(); break;
    case tuner::kCmdCopyData: OnCopyData(); break;
    case tuner::kCmdCopyImage: OnCopyImage(); break;
    case tuner::kCmdRun: OnRun(); break;
    default: break;
    }
}

void CTunerDlg::OnRun()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_form.Run();
    QApplication::restoreOverrideCursor();
    Refresh();
}

void CTunerDlg::OnOpen()
{
    if (!m_wiring.desktop)
        return;
    const QString path = m_wiring.desktop->ChooseOpenFile(
        this, {QString::fromLatin1(tuner::kOpenTitle), {}, Filter(kTuningFilter), QStringLiteral("stf")});
    if (path.isEmpty())
        return;
    m_form.OpenFile(path.toStdString());
    Refresh();
}

void CTunerDlg::OnSave()
{
    if (m_form.SavePath().empty())
        OnSaveAs();
    else
        m_form.SaveFile(m_form.SavePath());
}

void CTunerDlg::OnSaveAs()
{
    if (!m_wiring.desktop)
        return;
    const QString path = m_wiring.desktop->ChooseSaveFile(
        this, {QStringLiteral("Save As"), Q(m_form.ProposedName()), Filter(kTuningFilter), QStringLiteral("stf")});
    if (!path.isEmpty())
        m_form.SaveFile(path.toStdString());
}

void CTunerDlg::OnCopyData()
{
    const std::string text = m_form.CopyData();
    if (!text.empty())
        QApplication::clipboard()->setText(Q(text));
}

void CTunerDlg::OnCopyImage()
{
    DrawChart();
    QApplication::clipboard()->setImage(m_image);
}

void CTunerDlg::OnSelectMotor()
{
    if (!m_wiring.project)
        return;
    uint32_t key = m_form.Key();
    QPointer<CTunerDlg> self = this;
    fw::ModalDialog<CSelectMotorDlg> dlg(this, *m_wiring.project, &key, 0);
    if (dlg.exec() != QDialog::Accepted || !self || (key == m_form.Key() && m_form.Motor()))
        return;
    if (std::string why = m_form.SelectTarget(key); !why.empty() && m_wiring.context)
        ui::OptionMessageBox(m_wiring.context->Questions(), why, ui::MB_OK | ui::MB_ICONERROR);
    Refresh();
}

void CTunerDlg::SessionChanged(const shell::SessionChange& change)
{
    if (m_finished) {
        // Closing: its programs went back already; only the motor is let go of.
        if (change.Takes(m_form.Motor()))
            m_form.ForgetMotor();
        return;
    }
    if (change.kind == shell::SessionChange::MotorsChanging) {
        // The programs saved from those motors go back while the motors are still there.
        m_form.RestoreBeforeChange(change.port);
        return;
    }
    if (change.kind == shell::SessionChange::PortsChanged && m_form.HoldsPrograms())
        RestoreWaitingLater();
    if (!change.Takes(m_form.Motor()))
        return;
    m_form.ForgetMotor();
    // Asked once the change and the questions it brings are done, never over them.
    fw::AskWhenFree(this, [this] { OnMotorRemoved(); });
}

void CTunerDlg::RestoreWaitingLater()
{
    // After the change has ended: not inside a long operation (a detection still replacing the
    // motors, a run), nor under a box that waits for the user.
    if (m_restoreQueued)
        return;
    m_restoreQueued = true;
    QTimer::singleShot(fw::LongOperation::Active() || QApplication::activeModalWidget() ? 100 : 0, this, [this] {
        m_restoreQueued = false;
        if (m_finished || !m_form.HoldsPrograms())
            return;
        if (fw::LongOperation::Active() || QApplication::activeModalWidget() || m_form.Busy()) {
            RestoreWaitingLater();
            return;
        }
        m_form.RestoreWaiting();
    });
}

void CTunerDlg::OnMotorRemoved()
{
    if (m_finished || m_form.Motor())
        return;
    if (m_built)
        m_motorName->clear();
    QPointer<CTunerDlg> self = this;
    for (;;) {
        uint32_t key = 0;
        if (m_wiring.project) {
            fw::ModalDialog<CSelectMotorDlg> dlg(this, *m_wiring.project, &key, 0, tuner::kMotorRemovedPrompt);
            const bool chosen = dlg.exec() == QDialog::Accepted;
            if (!self)
                return; // closed under its question (the project changed again)
            if (chosen) {
                const std::string why = m_form.SelectTarget(key);
                if (why.empty())
                    break;
                if (m_wiring.context)
                    ui::OptionMessageBox(m_wiring.context->Questions(), why, ui::MB_OK | ui::MB_ICONERROR);
                if (!self)
                    return;
            }
        }
        const int answer = m_wiring.context ? ui::OptionMessageBox(m_wiring.context->Questions(), tuner::kCloseQuestion,
                                                                   ui::MB_YESNO | ui::MB_ICONQUESTION)
                                            : ui::IDYES;
        if (!self)
            return;
        if (answer == ui::IDYES || !m_wiring.project) {
            RequestClose();
            return;
        }
    }
    Refresh();
}

void CTunerDlg::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_form.SaveSettings();
    m_form.RestorePrograms();
}

void CTunerDlg::RequestClose()
{
    // The programs go back now, while the ports are open; the window goes after this event.
    Finish();
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void CTunerDlg::closeEvent(QCloseEvent* e)
{
    Finish();
    QDialog::closeEvent(e);
    if (closed) {
        auto done = std::move(closed);
        closed = nullptr;
        done();
    }
}

void CTunerDlg::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    DrawChart();
}

bool CTunerDlg::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_picture_ && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        const QPoint p = me->position().toPoint();
        if (me->button() == Qt::LeftButton && m_form.count > 0) {
            const int sample = SampleAtX(p.x(), p.y(), m_picture.plot, m_picture.visible, m_form.scrollOffset);
            if (sample >= 0) {
                m_form.SetRulerSample(sample);
                m_settingRuler = true;
                m_rulerSpin->setValue(m_form.ruler);
                m_settingRuler = false;
                ShowRuler();
                DrawChart();
            }
            return true;
        }
    }
    if (watched == m_picture_ && e->type() == QEvent::ContextMenu) {
        auto* menu = new QMenu(this);
        // F1 on a command of the menu opens the topic its prompt names.
        menu->installEventFilter(this);
        for (const auto& c : tuner::kCommands) {
            if (!c.id) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(res::CommandIcon(c.theme, c.own), QString::fromLatin1(c.menu));
            a->setObjectName(QString::number(c.id));
            a->setStatusTip(QString::fromLatin1(c.prompt));
            connect(a, &QAction::triggered, this, [this, id = c.id] { OnCommand(id); });
        }
        fw::PopUpContextMenu(menu, static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
    }
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1 &&
        qobject_cast<QMenu*>(watched)) {
        Help(tuner::kCommandHelpTopic);
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void CTunerDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        Help(tuner::kHelpTopic);
        return;
    }
    QDialog::keyPressEvent(e);
}

void CTunerDlg::Help(const char* topic)
{
    if (m_wiring.help)
        m_wiring.help(topic);
}

} // namespace tuning::gui
