#include "app/tools/gui/PlaygroundDlg.h"

#include "app/framework/LongOperation.h"
#include "app/framework/gui/DockMDI.h"
#include "app/shell/CommError.h"
#include "app/shell/HelpTopics.h"
#include "app/res/gui/Icons.h"
#include "app/tools/gui/IconButton.h"
#include "app/tools/gui/ModelPicture.h"
#include "app/tools/gui/WatchIcons.h"
#include "app/tools/gui/PlaygroundControls.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/registry/Profile.h"
#include "platform/serial/SerialDevices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tools::gui {
namespace {

template <class W>
W* Named(W* w, int id)
{
    w->setObjectName(QString::number(id));
    return w;
}

QString Q(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
// What the user typed goes to the motor as bytes; characters beyond Latin-1 become "?", which the
// terminal's ASCII rule refuses with the rest.
std::string S(const QString& s) { return s.toLatin1().toStdString(); }

void SetText(QLineEdit* e, const std::string& text)
{
    if (e && e->text() != Q(text))
        e->setText(Q(text));
}

void SetText(QLabel* l, const std::string& text)
{
    if (l && l->text() != Q(text))
        l->setText(Q(text));
}

void SetSlider(QSlider* s, int value)
{
    if (s && !s->isSliderDown() && s->value() != value) {
        const QSignalBlocker block(s);
        s->setValue(value);
    }
}

void Highlight(QLineEdit* e, bool on)
{
    e->setStyleSheet(on ? QStringLiteral("background: yellow") : QString());
}

// A slider notification as the pages take it.
Scroll ScrollOf(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return Scroll::LineLess;
    case QAbstractSlider::SliderSingleStepAdd: return Scroll::LineMore;
    case QAbstractSlider::SliderPageStepSub: return Scroll::PageLess;
    case QAbstractSlider::SliderPageStepAdd: return Scroll::PageMore;
    case QAbstractSlider::SliderToMinimum: return Scroll::ToLess;
    case QAbstractSlider::SliderToMaximum: return Scroll::ToMore;
    default: return Scroll::EndScroll;
    }
}

// Wires a slider's user notifications to a page: keys and clicks by action, the thumb while
// dragged (track) and where it was let go (position).
void WireSlider(QSlider* s, std::function<void(Scroll, int)> to)
{
    QObject::connect(s, &QAbstractSlider::actionTriggered, s, [s, to](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            to(ScrollOf(action), s->sliderPosition());
    });
    QObject::connect(s, &QAbstractSlider::sliderMoved, s, [to](int pos) { to(Scroll::ThumbTrack, pos); });
    QObject::connect(s, &QAbstractSlider::sliderReleased, s, [s, to] { to(Scroll::ThumbPosition, s->sliderPosition()); });
}

QTableWidget* Table(QWidget* parent, int id, const QStringList& headers)
{
    auto* t = Named(new QTableWidget(0, 2, parent), id);
    t->setHorizontalHeaderLabels(headers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    t->setColumnWidth(0, 150);
    return t;
}

void FillTable(QTableWidget* t, const std::vector<std::pair<std::string, std::string>>& rows)
{
    if (t->rowCount() != int(rows.size()))
        t->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < 2; ++c) {
            const QString text = Q(c == 0 ? rows[r].first : rows[r].second);
            QTableWidgetItem* item = t->item(r, c);
            if (!item)
                t->setItem(r, c, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
}

} // namespace

CPlaygroundDlg::CPlaygroundDlg(ui::COperationContext& context, CScanner& scanner,
                               std::function<std::vector<CCommPort*>()> ports, PlaygroundSettings settings, QWidget* parent)
    : QDialog(parent), m_ports(std::move(ports))
{
    setObjectName(QStringLiteral("259"));
    setWindowTitle(QString::fromLatin1(pg::kTitle));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_io = std::make_unique<MotorPlaygroundIo>();
    auto find = [this](int portId, int address) -> CMotor* {
        for (CCommPort* p : m_ports())
            if (p && p->id == portId)
                return p->GetMotor(address);
        return nullptr;
    };
    m_programs = std::make_unique<PollingProgramService>(scanner, find);
    m_form = std::make_unique<CPlaygroundForm>(context, *m_io, *m_programs, settings);
    m_form->changed = [this] { Refresh(); };
    BuildTop();
    FillLists();
    Refresh();
}

CPlaygroundDlg::~CPlaygroundDlg()
{
    m_form->changed = nullptr;
    Finish();
}

void CPlaygroundDlg::BuildTop()
{
    auto* root = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_portList = Named(new QComboBox(this), pg::kPortList);
    m_motorList = Named(new QComboBox(this), pg::kMotorList);
    m_portList->setMinimumWidth(140);
    m_motorList->setMinimumWidth(120);
    m_detect = Named(new QPushButton(QStringLiteral("Detect Motors"), this), pg::kDetect);
    m_configure = Named(new QPushButton(QStringLiteral("Configure Port"), this), pg::kConfigure);
    m_connect = Named(new QPushButton(QStringLiteral("Connect"), this), pg::kConnect);
    m_disconnect = Named(new QPushButton(QStringLiteral("Disconnect"), this), pg::kDisconnect);
    // Shown once the main window hands over its Port Properties (SetPortDialogs).
    m_configure->setVisible(false);
    // The two lists share the row's free width: a motor's name holds its port's ("Motor1-<port>").
    row->addWidget(m_portList, 1);
    row->addWidget(m_motorList, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{m_detect, m_configure, m_connect, m_disconnect})
        row->addWidget(w);
    root->addLayout(row);

    auto* ident = new QHBoxLayout;
    m_address = Named(new QLabel(this), pg::kAddress);
    m_address->setTextFormat(Qt::RichText);
    m_version = Named(new QLabel(this), pg::kVersion);
    m_model = Named(new QLabel(this), pg::kModel);
    // Version and model in black Arial, 9.5 points bold.
    for (QLabel* l : {m_version, m_model}) {
        QFont f(QStringLiteral("Arial"));
        f.setPointSizeF(9.5);
        f.setBold(true);
        l->setFont(f);
        QPalette black = l->palette();
        black.setColor(QPalette::WindowText, Qt::black);
        l->setPalette(black);
    }
    m_link = Named(new CIconButton(this), pg::kLink);
    m_link->SetIcons(watchicons::LinkIndicator(0), watchicons::LinkIndicator(1), watchicons::LinkIndicator(-1),
                     QSize(24, 16));
    auto* texts = new QVBoxLayout;
    texts->addWidget(m_version);
    texts->addWidget(m_model);
    ident->addWidget(m_address);
    ident->addLayout(texts);
    ident->addWidget(m_link, 0, Qt::AlignVCenter);
    ident->addStretch();
    m_picture = Named(new CModelPictureView(this), 1356);
    ident->addWidget(m_picture);
    root->addLayout(ident);

    auto* middle = new QHBoxLayout;
    auto* status = new QGroupBox(QStringLiteral("Status"), this);
    auto* grid = new QGridLayout(status);
    grid->setVerticalSpacing(1);
    for (int i = 0; i < 23; ++i) {
        m_statusLeds[i] = Named(new LedButton(status), pg::kStatusLed0 + i);
        m_statusLeds[i]->setEnabled(false); // display only
        m_statusLabels[i] = Named(new QLabel(status), pg::kStatusLabel0 + i);
        grid->addWidget(m_statusLeds[i], i % 12, (i / 12) * 2);
        grid->addWidget(m_statusLabels[i], i % 12, (i / 12) * 2 + 1);
    }
    middle->addWidget(status);

    auto* side = new QVBoxLayout;
    auto* io = new QGroupBox(this);
    auto* ioGrid = new QGridLayout(io);
    m_ioTitle = Named(new QLabel(io), 1353);
    m_ioNote = Named(new QLabel(io), 1369);
    ioGrid->addWidget(m_ioTitle, 0, 0, 1, 7);
    for (int i = 0; i < 7; ++i) {
        m_ioLeds[i] = Named(new LedButton(io, QColor(220, 0, 0)), pg::kIoLed0 + i);
        m_ioLabels[i] = Named(new QLabel(io), 1328 + i);
        ioGrid->addWidget(m_ioLabels[i], 1, i, Qt::AlignHCenter);
        ioGrid->addWidget(m_ioLeds[i], 2, i, Qt::AlignHCenter);
        const int id = pg::kIoLed0 + i;
        connect(m_ioLeds[i], &QAbstractButton::clicked, this, [this, id] { m_form->ToggleOutput(id); });
    }
    ioGrid->addWidget(m_ioNote, 3, 0, 1, 7);
    auto* inputsTitle = Named(new QLabel(QStringLiteral("Inputs:"), io), 1352);
    ioGrid->addWidget(inputsTitle, 4, 0, 1, 7);
    for (int i = 0; i < 5; ++i) {
        m_inputLeds[i] = Named(new LedButton(io), pg::kInputLed0 + i);
        m_inputLeds[i]->setEnabled(false);
        m_inputLabels[i] = Named(new QLabel(QString::number(i), io), 1317 + i);
        ioGrid->addWidget(m_inputLabels[i], 5, i, Qt::AlignHCenter);
        ioGrid->addWidget(m_inputLeds[i], 6, i, Qt::AlignHCenter);
    }
    side->addWidget(io);

    auto* limits = new QGroupBox(QStringLiteral("Disable Hardware Limits:"), this);
    auto* lim = new QHBoxLayout(limits);
    m_left = Named(new QCheckBox(QStringLiteral("Left"), limits), pg::kLeft);
    m_right = Named(new QCheckBox(QStringLiteral("Right"), limits), pg::kRight);
    lim->addWidget(m_left);
    lim->addWidget(m_right);
    side->addWidget(limits);
    m_soft = Named(new QCheckBox(QStringLiteral("Disable Software Limits"), this), pg::kSoft);
    side->addWidget(m_soft);
    for (QCheckBox* c : {m_left, m_right, m_soft}) {
        const int id = c->objectName().toInt();
        connect(c, &QAbstractButton::clicked, this, [this, id](bool on) { m_form->SetLimitCheck(id, on); });
    }
    auto* buttons = new QHBoxLayout;
    // Stop and OFF are pictures in a frame, as the main window's Stop Motors and motor-off ones.
    m_stop = Named(new CIconButton(this), pg::kStop);
    m_stop->SetIcons(res::CommandIcon(nullptr, "stop-motors"), {}, {}, QSize(24, 24));
    m_off = Named(new CIconButton(this), pg::kOff);
    m_off->SetIcons(res::CommandIcon(nullptr, "motor-off"), {}, {}, QSize(24, 24));
    for (CIconButton* b : {m_stop, m_off}) {
        b->framed = true;
        b->setFocusPolicy(Qt::TabFocus);
    }
    m_clear = Named(new QPushButton(QStringLiteral("Clear Flags (ZS)"), this), pg::kClearFlags);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_off);
    buttons->addWidget(m_clear, 1);
    side->addLayout(buttons);
    m_showMain = Named(new QPushButton(QString::fromLatin1(kCloseText), this), pg::kShowMain);
    m_showAtStartup = Named(new QCheckBox(QString::fromLatin1(kShowAtStartupText), this), pg::kShowAtStartup);
    m_showAtStartup->setChecked(m_form->Settings().showAtStartup);
    m_showAtStartup->setVisible(false);
    side->addStretch();
    side->addWidget(m_showAtStartup);
    side->addWidget(m_showMain);
    middle->addLayout(side);
    root->addLayout(middle);

    m_tabs = Named(new QTabWidget(this), pg::kTab);
    m_tabs->addTab(BuildJogPage(), QString::fromLatin1(pg::kTabs[0]));
    m_tabs->addTab(BuildVelocityPage(), QString::fromLatin1(pg::kTabs[1]));
    m_tabs->addTab(BuildTorquePage(), QString::fromLatin1(pg::kTabs[2]));
    m_tabs->addTab(BuildTerminalPage(), QString::fromLatin1(pg::kTabs[3]));
    m_tabs->addTab(BuildInfoPage(), QString::fromLatin1(pg::kTabs[4]));
    root->addWidget(m_tabs);

    connect(m_portList, &QComboBox::activated, this, [this](int i) { m_form->OnPortSelected(i); });
    connect(m_motorList, &QComboBox::activated, this, [this](int i) { m_form->OnMotorSelected(i); });
    connect(m_connect, &QPushButton::clicked, this, [this] { m_form->OnConnect(); });
    connect(m_disconnect, &QPushButton::clicked, this, [this] { m_form->OnDisconnect(); });
    connect(m_detect, &QPushButton::clicked, this, [this] {
        QPointer<CPlaygroundDlg> self = this;
        m_form->OnDetectMotors(
            [this](CCommPort& port, uint32_t request) {
                return commError ? commError->OnCommError(request, commerror::Target::Port(&port)) : 0u;
            },
            MainHidden());
        if (!self)
            return;
        raise();
        activateWindow();
        Refresh();
    });
    connect(m_configure, &QPushButton::clicked, this, [this] {
        QPointer<CPlaygroundDlg> self = this;
        m_form->OnConfigurePort();
        if (!self)
            return;
        raise();
        activateWindow();
        Refresh();
    });
    connect(m_stop, &QAbstractButton::clicked, this, [this] { m_form->StopMotor(); });
    connect(m_off, &QAbstractButton::clicked, this, [this] { m_form->MotorOff(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_form->ClearFaults(); });
    connect(m_showMain, &QPushButton::clicked, this, [this] { OnShowMain(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int t) {
        if (!m_refreshing)
            m_form->OnTabChanged(t);
    });

    for (int id : {pg::kDisconnect, pg::kConnect, pg::kStop, pg::kOff, pg::kClearFlags, pg::kLeft, pg::kSoft, pg::kRight})
        if (QWidget* w = findChild<QWidget*>(QString::number(id)))
            w->setToolTip(Q(m_form->ToolTip(id)));
}

QWidget* CPlaygroundDlg::BuildJogPage()
{
    auto* page = Named(new QWidget, 260);
    CJogPage& jog = m_form->Jog();
    auto* g = new QGridLayout(page);
    auto edit = [page](int id, const char* tip) {
        auto* e = Named(new QLineEdit(page), id);
        e->setToolTip(QString::fromLatin1(tip));
        e->setMaximumWidth(110);
        return e;
    };
    m_jog.page = page;
    m_jog.velocity = edit(CJogPage::kVelocity, "Motor Buffered Velocity");
    m_jog.fast = edit(CJogPage::kFastVelocity, "Motor Buffered Velocity for fast jogging");
    m_jog.acceleration = edit(CJogPage::kAcceleration, "Motor Acceleration");
    m_jog.left = edit(CJogPage::kLeftLimit, "Left (Negative) Limit");
    m_jog.right = edit(CJogPage::kRightLimit, "Right (Positive) Limit");
    m_jog.destination = edit(CJogPage::kDestination, "Destination position of the motor");
    m_jog.current = edit(CJogPage::kCurrent, "Current position of the motor");
    m_jog.current->setReadOnly(true);
    g->addWidget(new QLabel(QStringLiteral("Velocity (RPM):"), page), 0, 0);
    g->addWidget(m_jog.velocity, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Fast Velocity (RPM):"), page), 1, 0);
    g->addWidget(m_jog.fast, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Acceleration (RPS/S):"), page), 2, 0);
    g->addWidget(m_jog.acceleration, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("Left Limit:"), page), 0, 2);
    g->addWidget(m_jog.left, 0, 3);
    g->addWidget(new QLabel(QStringLiteral("Right Limit:"), page), 1, 2);
    g->addWidget(m_jog.right, 1, 3);
    auto* apply = Named(new QPushButton(QStringLiteral("Apply"), page), CJogPage::kApply);
    apply->setToolTip(QStringLiteral("Send new values to the motor"));
    m_jog.fastJog = Named(new QCheckBox(QStringLiteral("Fast Jog"), page), CJogPage::kFastJog);
    g->addWidget(apply, 2, 2);
    g->addWidget(m_jog.fastJog, 2, 3);

    auto* moves = new QHBoxLayout;
    auto button = [page](int id, const char* text, const char* tip) {
        auto* b = Named(new QPushButton(QString::fromLatin1(text), page), id);
        b->setToolTip(QString::fromLatin1(tip));
        return b;
    };
    auto* ll = button(CJogPage::kLL, "|<", "Go to Left Limit");
    auto* l = Named(new HoldButton(QStringLiteral("<"), page), CJogPage::kL);
    l->setToolTip(QStringLiteral("Jog Left (Negative direction)"));
    auto* x = button(CJogPage::kX, "X", "Decelerate to stop.");
    auto* r = Named(new HoldButton(QStringLiteral(">"), page), CJogPage::kR);
    r->setToolTip(QStringLiteral("Jog Right (Positive direction)"));
    auto* rl = button(CJogPage::kRL, ">|", "Go to Right Limit");
    auto* zero = button(CJogPage::kZeroPos, "0", "Go to position zero (0).");
    for (QWidget* w : std::initializer_list<QWidget*>{ll, l, x, r, rl, zero})
        moves->addWidget(w);
    m_jog.stopOnRelease = Named(new QCheckBox(QStringLiteral("Stop on release"), page), CJogPage::kStopOnRelease);
    m_jog.stopOnRelease->setToolTip(QStringLiteral("Check to stop jogging when the jog button is released."));
    moves->addWidget(m_jog.stopOnRelease);
    g->addLayout(moves, 3, 0, 1, 4);

    m_jog.slider = Named(new QSlider(Qt::Horizontal, page), CJogPage::kSlider);
    m_jog.slider->setRange(0, 500);
    m_jog.slider->setSingleStep(1);
    m_jog.slider->setPageStep(50);
    m_jog.slider->setValue(250);
    m_jog.slider->setToolTip(QStringLiteral("Move the motor using this slider control"));
    g->addWidget(m_jog.slider, 4, 0, 1, 4);
    m_jog.leftLabel = Named(new QLabel(page), CJogPage::kLeftLabel);
    m_jog.centreLabel = Named(new QLabel(page), CJogPage::kCentreLabel);
    m_jog.rightLabel = Named(new QLabel(page), CJogPage::kRightLabel);
    m_jog.centreLabel->setAlignment(Qt::AlignHCenter);
    m_jog.rightLabel->setAlignment(Qt::AlignRight);
    auto* labels = new QHBoxLayout;
    labels->addWidget(m_jog.leftLabel);
    labels->addWidget(m_jog.centreLabel);
    labels->addWidget(m_jog.rightLabel);
    g->addLayout(labels, 5, 0, 1, 4);

    auto* bottom = new QHBoxLayout;
    m_jog.knob = Named(new RotButton(page), CJogPage::kKnob);
    m_jog.knob->setToolTip(QStringLiteral("Current Shaft Position; Click and drag to move shaft"));
    bottom->addWidget(m_jog.knob);
    bottom->addWidget(new QLabel(QStringLiteral("Position:"), page));
    bottom->addWidget(m_jog.current);
    bottom->addWidget(new QLabel(QStringLiteral("Destination:"), page));
    bottom->addWidget(m_jog.destination);
    auto* go = button(CJogPage::kGo, "Go", "Click to go to the Destination position");
    auto* setZero = button(CJogPage::kZero, "Zero", "Set current position to be zero");
    bottom->addWidget(go);
    bottom->addWidget(setZero);
    bottom->addStretch();
    g->addLayout(bottom, 6, 0, 1, 4);

    auto text = [this](QLineEdit* e, std::string& target) {
        connect(e, &QLineEdit::textEdited, this, [&target](const QString& t) { target = S(t); });
    };
    text(m_jog.velocity, jog.velocityText);
    text(m_jog.fast, jog.fastVelocityText);
    text(m_jog.acceleration, jog.accelerationText);
    text(m_jog.left, jog.leftText);
    text(m_jog.right, jog.rightText);
    text(m_jog.destination, jog.destinationText);
    auto act = [this](QAbstractButton* b, std::function<void()> f) {
        connect(b, &QAbstractButton::clicked, this, [this, f] {
            f();
            Refresh();
        });
    };
    act(apply, [&jog] { jog.Apply(); });
    act(go, [&jog] { jog.Go(); });
    act(ll, [&jog] { jog.GoTo(CJogPage::kLL); });
    act(rl, [&jog] { jog.GoTo(CJogPage::kRL); });
    act(zero, [&jog] { jog.GoTo(CJogPage::kZeroPos); });
    act(setZero, [&jog] { jog.Zero(); });
    act(x, [&jog] { jog.Decelerate(); });
    connect(m_jog.fastJog, &QAbstractButton::clicked, this, [this, &jog](bool on) {
        jog.fastJog = on;
        jog.Apply();
        Refresh();
    });
    connect(m_jog.stopOnRelease, &QAbstractButton::clicked, this, [&jog](bool on) { jog.stopOnRelease = on; });
    l->hold = [this, &jog](int code) {
        jog.JogButton(CJogPage::kL, code);
        Refresh();
    };
    r->hold = [this, &jog](int code) {
        jog.JogButton(CJogPage::kR, code);
        Refresh();
    };
    m_jog.knob->turned = [this, &jog](double d) {
        jog.KnobTurned(d);
        Refresh();
    };
    WireSlider(m_jog.slider, [this, &jog](Scroll code, int pos) {
        jog.Slider(code, pos);
        Refresh();
    });
    return page;
}

QWidget* CPlaygroundDlg::BuildSpeedPage(CSpeedPage& model, SpeedControls& c, const SpeedIds& ids)
{
    auto* page = Named(new QWidget, ids.page);
    c.page = page;
    auto* g = new QGridLayout(page);
    c.slider = Named(new QSlider(Qt::Vertical, page), ids.slider);
    c.maximum = Named(new QLineEdit(page), ids.maximum);
    c.speed = Named(new QLineEdit(page), 1131);
    c.current = Named(new QLineEdit(page), 1388);
    c.top = Named(new QLabel(page), 1091);
    c.bottom = Named(new QLabel(page), 1090);
    // Room for the widest maximum the labels show ("-1000000.00").
    for (QLabel* l : {c.top, c.bottom})
        l->setMinimumSize(l->fontMetrics().horizontalAdvance(QStringLiteral("-1000000.00")) + 4,
                          l->fontMetrics().height() + 2);
    c.knob = Named(new RotButton(page), 1398);
    c.stopOnRelease = Named(new QCheckBox(QStringLiteral("Stop on release"), page), 1405);
    c.maximum->setToolTip(QString::fromLatin1(ids.maximumTip));
    c.speed->setToolTip(QStringLiteral("Current Speed of Motor"));
    c.knob->setToolTip(QStringLiteral("Current Shaft Position"));
    c.slider->setToolTip(QStringLiteral("Move the motor using this slider control"));
    c.stopOnRelease->setToolTip(QString::fromLatin1(ids.stopTip));
    c.speed->setReadOnly(true);
    c.current->setReadOnly(true);
    c.slider->setRange(0, 200);
    c.slider->setPageStep(10);
    c.slider->setTickInterval(10);
    c.slider->setTickPosition(QSlider::TicksRight);
    c.slider->setInvertedAppearance(true); // 0 at the top: the positive maximum
    c.slider->setInvertedControls(true);
    c.slider->setValue(100);
    // The scale: the slider runs the page's whole height between its two labels.
    auto* scale = new QVBoxLayout;
    for (QLabel* l : {c.top, c.bottom})
        l->setAlignment(Qt::AlignHCenter);
    scale->addWidget(c.top);
    scale->addWidget(c.slider, 1, Qt::AlignHCenter);
    scale->addWidget(c.bottom);
    g->addLayout(scale, 0, 0, 6, 1);
    g->setRowStretch(5, 1);
    g->addWidget(new QLabel(QString::fromLatin1(ids.maximumLabel), page), 0, 1);
    g->addWidget(c.maximum, 0, 2);
    g->addWidget(new QLabel(QStringLiteral("Current Speed (RPM):"), page), 2, 1);
    g->addWidget(c.speed, 2, 2);
    g->addWidget(new QLabel(QStringLiteral("Position:"), page), 3, 1);
    g->addWidget(c.current, 3, 2);
    g->addWidget(c.stopOnRelease, 4, 1, 1, 2);
    g->addWidget(c.knob, 0, 3, 3, 1);
    connect(c.maximum, &QLineEdit::textEdited, this, [this, &model, changed = ids.maximumChanged](const QString& t) {
        changed(model, S(t));
        Refresh();
    });
    connect(c.stopOnRelease, &QAbstractButton::clicked, this, [this, &model, clicked = ids.stopClicked](bool on) {
        clicked(model, on);
        Refresh();
    });
    WireSlider(c.slider, [this, &model, slid = ids.slider_](Scroll code, int pos) {
        slid(model, code, pos);
        Refresh();
    });
    return page;
}

QWidget* CPlaygroundDlg::BuildVelocityPage()
{
    CVelocityPage& vel = m_form->Velocity();
    SpeedIds ids{261, CVelocityPage::kSlider, CVelocityPage::kMaximum, "Maximum Speed (RPM):", "Enter Maximum Motor Speed",
                 "Check to decelerate the motor when the slider button is released.",
                 [](CSpeedPage& p, const std::string& t) { static_cast<CVelocityPage&>(p).MaximumChanged(t); },
                 [](CSpeedPage& p, bool on) { static_cast<CVelocityPage&>(p).StopOnReleaseClicked(on); },
                 [](CSpeedPage& p, Scroll code, int pos) { static_cast<CVelocityPage&>(p).Slider(code, pos); }};
    QWidget* page = BuildSpeedPage(vel, m_vel, ids);
    auto* g = static_cast<QGridLayout*>(page->layout());
    m_vel.acceleration = Named(new QLineEdit(page), CVelocityPage::kAcceleration);
    m_vel.acceleration->setToolTip(QStringLiteral("Enter Motor Acceleration"));
    g->addWidget(new QLabel(QStringLiteral("Acceleration (RPS/S):"), page), 1, 1);
    g->addWidget(m_vel.acceleration, 1, 2);
    connect(m_vel.acceleration, &QLineEdit::textEdited, this, [&vel](const QString& t) { vel.AccelerationChanged(S(t)); });
    return page;
}

QWidget* CPlaygroundDlg::BuildTorquePage()
{
    SpeedIds ids{262, CTorquePage::kSlider, CTorquePage::kMaximum, "Maximum Torque:", "Enter Maximum Motor Torque",
                 "Check to stop the motor when the slider button is released.",
                 [](CSpeedPage& p, const std::string& t) { static_cast<CTorquePage&>(p).MaximumChanged(t); },
                 [](CSpeedPage& p, bool on) { static_cast<CTorquePage&>(p).StopOnReleaseClicked(on); },
                 [](CSpeedPage& p, Scroll code, int pos) { static_cast<CTorquePage&>(p).Slider(code, pos); }};
    QWidget* page = BuildSpeedPage(m_form->Torque(), m_tq, ids);
    auto* g = static_cast<QGridLayout*>(page->layout());
    m_tq.torque = Named(new QLineEdit(page), CTorquePage::kTorque);
    m_tq.torque->setToolTip(QStringLiteral("Current Torque of Motor"));
    m_tq.torque->setReadOnly(true);
    g->addWidget(new QLabel(QStringLiteral("Current Torque:"), page), 1, 1);
    g->addWidget(m_tq.torque, 1, 2);
    return page;
}

QWidget* CPlaygroundDlg::BuildTerminalPage()
{
    auto* page = Named(new QWidget, 263);
    auto* v = new QVBoxLayout(page);
    m_termList = Table(page, CTerminalPage::kList, {QStringLiteral("Command"), QStringLiteral("Response")});
    m_termList->setToolTip(QStringLiteral("This list shows the commands and responses"));
    m_termEdit = Named(new QLineEdit(page), CTerminalPage::kEdit);
    m_termEdit->setToolTip(QStringLiteral("Type your commands here"));
    auto* send = Named(new QPushButton(QStringLiteral("Send"), page), CTerminalPage::kSend);
    send->setToolTip(QStringLiteral("Send the command to the motor"));
    auto* clear = Named(new QPushButton(QStringLiteral("Clear"), page), CTerminalPage::kClear);
    clear->setToolTip(QStringLiteral("Clear the terminal"));
    auto* row = new QHBoxLayout;
    row->addWidget(m_termEdit);
    row->addWidget(send);
    row->addWidget(clear);
    v->addWidget(m_termList);
    v->addLayout(row);
    CTerminalPage& term = m_form->Terminal();
    connect(m_termEdit, &QLineEdit::textEdited, this, [&term](const QString& t) { term.editText = S(t); });
    connect(send, &QPushButton::clicked, this, [this, &term] {
        term.editText = S(m_termEdit->text());
        term.Send();
        Refresh();
        m_termEdit->setFocus();
    });
    connect(clear, &QPushButton::clicked, this, [this, &term] {
        term.Clear();
        Refresh();
        m_termEdit->setFocus();
    });
    return page;
}

QWidget* CPlaygroundDlg::BuildInfoPage()
{
    auto* page = Named(new QWidget, 264);
    auto* v = new QVBoxLayout(page);
    m_infoTitle = Named(new QLabel(page), CPlaygroundInfoPage::kTitle);
    m_infoTitle->setMinimumHeight(2 * m_infoTitle->fontMetrics().lineSpacing() + 4); // the title ends with a line break
    m_infoList = Table(page, CPlaygroundInfoPage::kList, {QStringLiteral("Property"), QStringLiteral("Value")});
    v->addWidget(m_infoTitle);
    v->addWidget(m_infoList);
    return page;
}

void CPlaygroundDlg::SetPortDialogs(PortDialogs dialogs)
{
    CPlaygroundForm::PortServices services;
    services.probe = std::move(dialogs.probe);
    services.ports = m_ports;
    if (dialogs.properties)
        services.properties = [this, properties = std::move(dialogs.properties)](CCommPort& port, bool isNew) {
            return properties(this, port, isNew);
        };
    services.append = std::move(dialogs.append);
    m_configure->setVisible(bool(services.properties));
    m_form->SetPortServices(std::move(services));
    FillLists();
    Refresh();
}

void CPlaygroundDlg::FillLists()
{
    m_form->FillPortList(m_ports ? m_ports() : std::vector<CCommPort*>{});
}

void CPlaygroundDlg::Show(CMotor* motor, int tab)
{
    if (motor) {
        m_form->SelectMotor(motor);
    } else {
        // Opened without a motor, it offers the first line given by hand, the one VQX was started
        // with (the simulated chain of a first run, an adapter named at start), not the machine's
        // first serial port.
        const std::vector<std::string> given = platform::KnownSerialDevices();
        m_form->FillPortList(m_ports ? m_ports() : std::vector<CCommPort*>{}, nullptr,
                             given.empty() ? std::string() : given.front());
    }
    m_form->OnTabChanged(tab);
    fw::CDockMDI::PlaceOverOwnersWorkArea(this);
    show();
    raise();
    activateWindow();
    Refresh();
}

void CPlaygroundDlg::SelectMotor(CMotor* motor)
{
    m_form->SelectMotor(motor);
    Refresh();
}

bool CPlaygroundDlg::PollStep() { return m_finished ? false : m_form->PollStep(); }

void CPlaygroundDlg::RequestClose()
{
    // The programs go back now, while the ports are still open (the close sequence closes them
    // next); the window itself goes after the current event.
    Finish();
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void CPlaygroundDlg::SessionChanged(const shell::SessionChange& change)
{
    bool relist = change.kind == shell::SessionChange::PortsChanged;
    if (change.kind == shell::SessionChange::PortGoing)
        relist = m_form->PortGoing(change.port);
    if (change.Takes(m_form->Motor())) {
        m_form->ForgetMotor();
        relist = true;
    }
    if (relist)
        FillListsLater();
}

void CPlaygroundDlg::FillListsLater()
{
    if (m_fillQueued || m_finished)
        return;
    m_fillQueued = true;
    // Not inside a long operation (a detection pumping events while it replaces motors): after it.
    QTimer::singleShot(fw::LongOperation::Active() ? 20 : 0, this, [this] {
        m_fillQueued = false;
        if (m_finished)
            return;
        if (fw::LongOperation::Active()) {
            FillListsLater();
            return;
        }
        FillLists();
        Refresh();
    });
}

void CPlaygroundDlg::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_form->Connected())
        m_form->CloseConnection();
    m_form->RestorePrograms();
}

void CPlaygroundDlg::SetCanShowMain(bool on)
{
    m_canShowMain = on;
    Refresh();
}

bool CPlaygroundDlg::MainHidden() const { return parentWidget() && !parentWidget()->isVisible(); }

void CPlaygroundDlg::OnShowMain()
{
    m_leaving = DecideLeave(m_canShowMain, MainHidden(), m_showAtStartup->isChecked());
    if (m_leaving.writeNoShowAtStartup)
        platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 0);
    // The main window comes up first, so that closing here does not end the program.
    if (m_leaving.startMainWindow && startMainWindow) {
        const std::function<void()> start = startMainWindow;
        QMetaObject::invokeMethod(
            parentWidget(), [start] { start(); }, Qt::QueuedConnection);
    }
    close();
}

void CPlaygroundDlg::closeEvent(QCloseEvent* e)
{
    const bool endProgram = ClosingEndsProgram(MainHidden(), m_leaving);
    Finish();
    QDialog::closeEvent(e);
    if (closed)
        closed();
    if (endProgram && parentWidget()) {
        QPointer<QWidget> main = parentWidget();
        QMetaObject::invokeMethod(
            main, [main] { if (main) main->close(); }, Qt::QueuedConnection);
    }
}

void CPlaygroundDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        return; // Escape does nothing
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        if (help)
            help(help::WindowTopic(259));
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_form->CurrentTab() == 3) {
        m_form->Terminal().editText = S(m_termEdit->text());
        m_form->Terminal().Send();
        Refresh();
        return;
    }
    QDialog::keyPressEvent(e);
}

void CPlaygroundDlg::RefreshSpeed(CSpeedPage& p, SpeedControls& c, bool on)
{
    for (QWidget* w : c.page->findChildren<QWidget*>())
        if (!qobject_cast<QLabel*>(w))
            w->setEnabled(on);
    SetText(c.speed, p.speedText);
    Highlight(c.speed, p.speedHighlighted);
    SetText(c.current, p.currentText);
    SetText(c.top, p.topLabel);
    SetText(c.bottom, p.bottomLabel);
    SetSlider(c.slider, p.sliderPosition);
    c.knob->SetAngle(p.knobAngle);
    c.stopOnRelease->setChecked(p.stopOnRelease);
}

void CPlaygroundDlg::Refresh()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    CPlaygroundForm& f = *m_form;
    // Lists.
    bool samePorts = m_portList->count() == int(f.PortEntries().size());
    for (int i = 0; samePorts && i < m_portList->count(); ++i)
        samePorts = m_portList->itemText(i) == Q(f.PortEntries()[size_t(i)].text) &&
                    m_portList->itemData(i).toInt() == f.PortEntries()[size_t(i)].data;
    if (!samePorts) {
        const QSignalBlocker b(m_portList);
        m_portList->clear();
        for (const auto& e : f.PortEntries())
            m_portList->addItem(Q(e.text), e.data);
    }
    {
        const QSignalBlocker b(m_motorList);
        QStringList wanted;
        for (const auto& e : f.MotorEntries())
            wanted << Q(e.text);
        QStringList shown;
        for (int i = 0; i < m_motorList->count(); ++i)
            shown << m_motorList->itemText(i);
        if (wanted != shown) {
            m_motorList->clear();
            m_motorList->addItems(wanted);
        }
        m_portList->setCurrentIndex(f.SelectedPort());
        m_motorList->setCurrentIndex(f.SelectedMotor());
    }
    const QString address = f.Motor() ? AddressRichText(Q(f.AddressText())) : QString();
    if (m_address->text() != address)
        m_address->setText(address);
    SetText(m_version, f.VersionText());
    SetText(m_model, f.ModelText());
    m_link->SetState(f.LinkState());
    // The identity texts change with the motor: each keeps room for its whole text.
    for (QLabel* l : {m_address, m_version, m_model})
        l->setMinimumSize(QSize(std::max(90, l->sizeHint().width()), l->sizeHint().height()));
    m_address->setToolTip(Q(f.ToolTip(pg::kAddress)));
    m_version->setToolTip(Q(f.ToolTip(pg::kVersion)));
    m_model->setToolTip(Q(f.ToolTip(pg::kModel)));
    const CMotorModel* record = f.ModelRecord();
    if (m_picture->Model() != record || m_picture->Leds().Count() != f.PictureLeds().Count())
        m_picture->SetModel(record, f.PictureLeds().Count());
    m_picture->SetLeds(f.PictureLeds());
    f.MutablePictureLeds().ClearChanged();
    m_picture->setVisible(f.Motor() != nullptr);
    for (QWidget* w : std::initializer_list<QWidget*>{m_connect, m_disconnect, m_detect, m_configure, m_stop, m_off, m_clear, m_left, m_soft, m_right})
        w->setEnabled(f.Enabled(w->objectName().toInt()));
    m_portList->setEnabled(!f.Connected() || true);
    const bool handOver = OffersShowAtStartup(m_canShowMain, MainHidden());
    const QString showMainText = QString::fromLatin1(ShowMainButtonText(m_canShowMain, MainHidden()));
    if (m_showMain->text() != showMainText)
        m_showMain->setText(showMainText);
    m_showAtStartup->setVisible(handOver);
    for (QWidget* w : std::initializer_list<QWidget*>{m_showMain, m_showAtStartup}) {
        QFont font = w->font();
        if (font.bold() != handOver) {
            font.setBold(handOver);
            w->setFont(font);
        }
    }
    for (int i = 0; i < 23; ++i) {
        const bool shown = f.StatusRowShown(i);
        m_statusLeds[i]->setVisible(shown);
        m_statusLabels[i]->setVisible(shown);
        m_statusLeds[i]->SetState(f.StatusLed(i));
        m_statusLeds[i]->setToolTip(Q(f.ToolTip(pg::kStatusLed0 + i)));
        SetText(m_statusLabels[i], f.StatusLabel(i));
        QFont font = m_statusLabels[i]->font();
        if (font.bold() != f.StatusLabelBold(i)) {
            font.setBold(f.StatusLabelBold(i));
            m_statusLabels[i]->setFont(font);
        }
        // Room for the bold text, so that a lit bit never clips its label or moves the rows.
        font.setBold(true);
        m_statusLabels[i]->setMinimumWidth(QFontMetrics(font).horizontalAdvance(m_statusLabels[i]->text()) + 4);
    }
    const bool inputs = f.InputsShown();
    for (int i = 0; i < 5; ++i) {
        m_inputLeds[i]->setVisible(inputs);
        m_inputLabels[i]->setVisible(inputs);
        m_inputLeds[i]->SetState(f.InputLed(i));
        m_inputLeds[i]->setToolTip(Q(f.ToolTip(pg::kInputLed0 + i)));
    }
    if (QWidget* title = findChild<QWidget*>(QStringLiteral("1352")))
        title->setVisible(inputs);
    for (int i = 0; i < 7; ++i) {
        const bool shown = i < f.IoLedCount();
        m_ioLeds[i]->setVisible(shown);
        m_ioLabels[i]->setVisible(shown);
        m_ioLeds[i]->SetState(f.IoLed(i));
        m_ioLeds[i]->setEnabled(f.Enabled(pg::kIoLed0 + i));
        m_ioLeds[i]->setToolTip(Q(f.ToolTip(pg::kIoLed0 + i)));
        SetText(m_ioLabels[i], f.IoLabel(i));
    }
    SetText(m_ioTitle, f.IoTitle());
    SetText(m_ioNote, f.IoNote());
    m_left->setChecked(f.Checks().left);
    m_right->setChecked(f.Checks().right);
    m_soft->setChecked(f.Checks().soft);
    if (m_tabs->currentIndex() != f.CurrentTab())
        m_tabs->setCurrentIndex(f.CurrentTab());

    const bool on = f.Connected();
    // Position page.
    CJogPage& jog = f.Jog();
    for (QWidget* w : m_jog.page->findChildren<QWidget*>())
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QSlider*>(w))
            w->setEnabled(on);
    SetText(m_jog.velocity, jog.velocityText);
    SetText(m_jog.fast, jog.fastVelocityText);
    SetText(m_jog.acceleration, jog.accelerationText);
    SetText(m_jog.left, jog.leftText);
    SetText(m_jog.right, jog.rightText);
    SetText(m_jog.destination, jog.destinationText);
    SetText(m_jog.current, jog.currentText);
    Highlight(m_jog.current, on);
    SetText(m_jog.leftLabel, jog.LeftLabel());
    SetText(m_jog.rightLabel, jog.RightLabel());
    SetText(m_jog.centreLabel, jog.CentreLabel());
    SetSlider(m_jog.slider, jog.sliderPosition);
    m_jog.knob->SetAngle(jog.knobAngle);
    m_jog.stopOnRelease->setChecked(jog.stopOnRelease);
    m_jog.fastJog->setChecked(jog.fastJog);
    // Velocity and torque pages.
    RefreshSpeed(f.Velocity(), m_vel, on);
    SetText(m_vel.maximum, f.Velocity().maximumText);
    SetText(m_tq.maximum, f.Torque().maximumText);
    SetText(m_vel.acceleration, f.Velocity().accelerationText);
    RefreshSpeed(f.Torque(), m_tq, on);
    SetText(m_tq.torque, f.Torque().torqueText);
    Highlight(m_tq.torque, f.Torque().torqueHighlighted);
    // Terminal and information pages.
    FillTable(m_termList, f.Terminal().rows);
    if (!m_termEdit->hasFocus() || f.Terminal().editText.empty())
        SetText(m_termEdit, f.Terminal().editText);
    for (QWidget* w : {static_cast<QWidget*>(m_termList), static_cast<QWidget*>(m_termEdit)})
        w->setEnabled(on);
    for (auto* b : m_tabs->widget(3)->findChildren<QPushButton*>())
        b->setEnabled(on);
    SetText(m_infoTitle, f.Info().title);
    FillTable(m_infoList, f.Info().rows);
    m_infoList->setEnabled(on);
    m_refreshing = false;
}

} // namespace tools::gui
