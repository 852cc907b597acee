#include "app/tools/gui/MotorStatusPage.h"

#include "app/framework/gui/Text8.h"
#include "app/tools/gui/IconButton.h"
#include "app/tools/gui/ModelPicture.h"
#include "app/tools/gui/PagePollButtons.h"
#include "core/motor/Motor.h"
#include "core/shared/MotorModels.h"
#include "core/shared/SharedFunctions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools::gui {

using namespace status;

namespace {

constexpr int kFieldIds[6] = {kPosition, kPositionError, kVelocity, kMode, kExtra1Value, kExtra2Value};

QString Latin(const char* s) { return QString::fromLatin1(s); }

CIconButton* Led(QWidget* parent, int id)
{
    auto* b = new CIconButton(parent);
    b->setObjectName(QString::number(id));
    b->SetIcons(LedIcon(false), LedIcon(true), LedIcon(false));
    return b;
}

QLineEdit* ValueField(QWidget* parent, int id, const char* tip)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::number(id));
    e->setReadOnly(true);
    e->setMinimumWidth(110);
    if (tip)
        e->setToolTip(Latin(tip));
    return e;
}

} // namespace

CMotorStatusPage::CMotorStatusPage(QWidget* parent, CMotorStatusForm& form,
                                   std::function<void(const std::string&)> message,
                                   std::function<void(const std::function<void()>&)> refresh)
    : QWidget(parent), m_form(form), m_message(std::move(message)), m_refreshScope(std::move(refresh))
{
    setObjectName(QStringLiteral("232"));
    m_buttons = PagePollButtons::Make(this, {[this] { return m_form.StartPolling(); },
                                             [this] { m_form.SetPolling(false); }, [this] { return m_form.Refresh(); },
                                             m_message, m_refreshScope, [this] { Show(); }});
    m_clearFlags = new QPushButton(QStringLiteral("Clear Flags (ZS)"), this);
    m_clearFlags->setObjectName(QString::number(kClearFlags));
    m_clearFlags->setToolTip(QStringLiteral("Clear All Flags (Issue ZS)"));
    m_scaled = new QCheckBox(QStringLiteral("Scaled"), this);
    m_scaled->setObjectName(QString::number(kScaled));
    m_scaled->setToolTip(QStringLiteral("Display the scaled values"));
    m_hex = new QCheckBox(QStringLiteral("Hex Display"), this);
    m_hex->setObjectName(QString::number(kHex));
    m_hex->setToolTip(QStringLiteral("Display values in hexadecimal format"));

    auto* top = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_buttons.poll, m_buttons.stop, m_buttons.refresh, m_scaled,
                                                      m_hex, m_clearFlags})
        top->addWidget(w);
    top->addStretch();
    top->addWidget(m_buttons.indicator);

    // Identity and picture.
    m_address = new QLabel(this);
    m_address->setObjectName(QString::number(kAddress));
    m_address->setTextFormat(Qt::RichText);
    m_firmware = new QLabel(this);
    m_firmware->setObjectName(QString::number(kFirmware));
    m_model = new QLabel(this);
    m_model->setObjectName(QString::number(kModel));
    for (QLabel* l : {m_firmware, m_model}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    m_picture = new tools::CModelPictureView(this);
    m_picture->setObjectName(QString::number(kPicture));
    auto* identity = new QGridLayout;
    identity->addWidget(m_address, 0, 0, 2, 1);
    identity->addWidget(m_firmware, 0, 1);
    identity->addWidget(m_model, 1, 1);
    identity->addWidget(m_picture, 2, 0, 1, 2);

    // Values.
    auto* values = new QGridLayout;
    const char* titles[4] = {"Position:", "Pos. Error:", "Velocity:", "Mode:"};
    const char* tips[6] = {"Current Position of the motor", "Current Position Error of the motor",
                           "Current Velocity of the motor", "Current Mode of the motor", nullptr, nullptr};
    for (int i = 0; i < 6; ++i)
        m_fields[static_cast<size_t>(i)] = ValueField(this, kFieldIds[i], tips[i]);
    for (int i = 0; i < 4; ++i) {
        values->addWidget(new QLabel(Latin(titles[i]), this), i, 0);
        values->addWidget(m_fields[static_cast<size_t>(i)], i, 1);
    }
    m_extra1 = new QComboBox(this);
    m_extra1->setObjectName(QString::number(kExtra1List));
    m_extra2 = new QComboBox(this);
    m_extra2->setObjectName(QString::number(kExtra2List));
    for (QComboBox* c : {m_extra1, m_extra2})
        c->setToolTip(QStringLiteral("Select a parameter."));
    values->addWidget(m_extra1, 4, 0);
    values->addWidget(m_fields[4], 4, 1);
    values->addWidget(m_extra2, 5, 0);
    values->addWidget(m_fields[5], 5, 1);

    // Status bits, two columns.
    auto* bits = new QGroupBox(QStringLiteral("Status Word"), this);
    auto* bitGrid = new QGridLayout(bits);
    bitGrid->setVerticalSpacing(1);
    for (int i = 0; i < kStatusBits; ++i) {
        m_statusLeds[static_cast<size_t>(i)] = Led(bits, kFirstStatusLed + i);
        auto* label = new QLabel(bits);
        label->setObjectName(QString::number(kFirstStatusLabel + i));
        m_statusLabels[static_cast<size_t>(i)] = label;
        const int row = i % 12, column = (i / 12) * 2;
        bitGrid->addWidget(m_statusLeds[static_cast<size_t>(i)], row, column);
        bitGrid->addWidget(label, row, column + 1);
    }

    // Inputs and I/O.
    auto* io = new QGridLayout;
    m_inputTitle = new QLabel(QStringLiteral("Inputs:"), this);
    m_inputTitle->setObjectName(QStringLiteral("1352"));
    io->addWidget(m_inputTitle, 0, 0);
    for (int i = 0; i < kInputs; ++i) {
        m_inputLeds[static_cast<size_t>(i)] = Led(this, kFirstInputLed + i);
        m_inputLeds[static_cast<size_t>(i)]->setToolTip(QStringLiteral("Digital Input %1").arg(i));
        m_inputLabels[static_cast<size_t>(i)] = new QLabel(QString::number(i), this);
        m_inputLabels[static_cast<size_t>(i)]->setObjectName(QString::number(1317 + i));
        io->addWidget(m_inputLeds[static_cast<size_t>(i)], 0, 1 + 2 * i);
        io->addWidget(m_inputLabels[static_cast<size_t>(i)], 0, 2 + 2 * i);
    }
    m_ioTitle = new QLabel(this);
    m_ioTitle->setObjectName(QStringLiteral("1353"));
    io->addWidget(m_ioTitle, 1, 0);
    for (int n = 0; n < kIoPins; ++n) {
        auto* led = Led(this, kFirstIoLed + n);
        m_ioLeds[static_cast<size_t>(n)] = led;
        m_ioLabels[static_cast<size_t>(n)] = new QLabel(this);
        m_ioLabels[static_cast<size_t>(n)]->setObjectName(QString::number(1328 + n));
        io->addWidget(led, 1, 1 + 2 * n);
        io->addWidget(m_ioLabels[static_cast<size_t>(n)], 1, 2 + 2 * n);
        connect(led, &QAbstractButton::clicked, this, [this, n] {
            m_form.ClickIo(n);
            Show();
        });
    }
    m_ioNote = new QLabel(this);
    m_ioNote->setObjectName(QStringLiteral("1369"));
    io->addWidget(m_ioNote, 2, 0, 1, 8);
    io->setColumnStretch(16, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(identity);
    left->addLayout(values);
    left->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addWidget(bits, 1);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addLayout(top);
    page->addLayout(middle, 1);
    page->addLayout(io);

    connect(m_clearFlags, &QPushButton::clicked, this, [this] { m_form.ClearFlags(); });
    connect(m_scaled, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_showing)
            m_form.Scaled = on;
    });
    connect(m_hex, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_showing)
            m_form.Hex = on;
    });
    auto chosen = [this] {
        if (m_showing)
            return;
        m_form.ChooseExtras(m_extra1->currentIndex(), m_extra2->currentIndex());
        Show();
    };
    connect(m_extra1, qOverload<int>(&QComboBox::currentIndexChanged), this, chosen);
    connect(m_extra2, qOverload<int>(&QComboBox::currentIndexChanged), this, chosen);
    UpdateForMotor();
}

QLineEdit* CMotorStatusPage::Field(int id) const
{
    for (int i = 0; i < 6; ++i)
        if (kFieldIds[i] == id)
            return m_fields[static_cast<size_t>(i)];
    return nullptr;
}

void CMotorStatusPage::UpdateForMotor()
{
    m_showing = true;
    m_form.UpdateForMotor();
    m_extra1->clear();
    m_extra2->clear();
    for (int i = 0; i < kExtras; ++i) {
        m_extra1->addItem(fw::ToQt(m_form.ExtraName(i)));
        m_extra2->addItem(fw::ToQt(m_form.ExtraName(i)));
    }
    m_extra1->setCurrentIndex(m_form.Extra(0));
    m_extra2->setCurrentIndex(m_form.Extra(1));
    const bool v5 = m_form.Family().IsV5();
    for (int i = 0; i < kStatusBits; ++i) {
        m_statusLabels[static_cast<size_t>(i)]->setText(fw::ToQt(m_form.StatusLabel[static_cast<size_t>(i)]));
        m_statusLabels[static_cast<size_t>(i)]->setVisible(m_form.StatusShown[static_cast<size_t>(i)]);
        m_statusLeds[static_cast<size_t>(i)]->setVisible(m_form.StatusShown[static_cast<size_t>(i)]);
        m_statusLeds[static_cast<size_t>(i)]->setToolTip(
            QString::fromStdString(GetStatusBitText(i, v5, m_form.Family().Is46Plus())));
    }
    for (int n = 0; n < kIoPins; ++n) {
        m_ioLabels[static_cast<size_t>(n)]->setText(fw::ToQt(m_form.IoLabel[static_cast<size_t>(n)]));
        m_ioLabels[static_cast<size_t>(n)]->setVisible(m_form.IoShown[static_cast<size_t>(n)]);
        m_ioLeds[static_cast<size_t>(n)]->setVisible(m_form.IoShown[static_cast<size_t>(n)]);
        m_ioLeds[static_cast<size_t>(n)]->setToolTip(v5 ? QStringLiteral("Digital Output %1").arg(n)
                                                         : QStringLiteral("Digital I/O pin %1").arg(QChar('A' + n)));
    }
    m_inputTitle->setVisible(m_form.InputsShown);
    for (int i = 0; i < kInputs; ++i) {
        m_inputLeds[static_cast<size_t>(i)]->setVisible(m_form.InputsShown);
        m_inputLabels[static_cast<size_t>(i)]->setVisible(m_form.InputsShown);
    }
    m_ioTitle->setText(fw::ToQt(m_form.IoTitle));
    m_ioNote->setText(fw::ToQt(m_form.IoNote));
    m_address->setText(tools::AddressRichText(fw::ToQt(m_form.AddressText)));
    m_address->setToolTip(QStringLiteral("Address of this motor=%1").arg(fw::ToQt(m_form.AddressText)));
    m_firmware->setText(fw::ToQt(m_form.FirmwareText));
    m_model->setText(fw::ToQt(m_form.ModelText));
    m_scaled->setEnabled(m_form.ScaledEnabled());
    m_scaled->setChecked(m_form.Scaled);
    m_hex->setChecked(m_form.Hex);
    m_picture->SetModel(m_form.ModelRecord(), m_form.Picture.Count());
    m_form.Picture.MarkAllChanged();
    m_showing = false;
    Show();
}

void CMotorStatusPage::Show()
{
    m_buttons.Show(m_form.Polling(), m_form.Link());
    for (int i = 0; i < kStatusBits; ++i) {
        // -1 (W unknown) is kept: it looks like off, but the lamp says it was not read.
        m_statusLeds[static_cast<size_t>(i)]->SetState(m_form.StatusLed[static_cast<size_t>(i)]);
        QFont f = m_statusLabels[static_cast<size_t>(i)]->font();
        if (f.bold() != m_form.StatusBold[static_cast<size_t>(i)]) {
            f.setBold(m_form.StatusBold[static_cast<size_t>(i)]);
            m_statusLabels[static_cast<size_t>(i)]->setFont(f);
        }
    }
    for (int i = 0; i < kInputs; ++i)
        m_inputLeds[static_cast<size_t>(i)]->SetState(m_form.InputLed[static_cast<size_t>(i)] == 1 ? 1 : 0);
    for (int n = 0; n < kIoPins; ++n) {
        m_ioLeds[static_cast<size_t>(n)]->SetState(m_form.IoLed[static_cast<size_t>(n)] == 1 ? 1 : 0);
        m_ioLeds[static_cast<size_t>(n)]->setEnabled(m_form.IoEnabled(n));
    }
    const std::string* texts[6] = {&m_form.Position, &m_form.PositionError, &m_form.Velocity,
                                   &m_form.Mode,     &m_form.Extra1Text,    &m_form.Extra2Text};
    for (int i = 0; i < 6; ++i) {
        const QString t = fw::ToQt(*texts[i]);
        if (m_fields[static_cast<size_t>(i)]->text() != t)
            m_fields[static_cast<size_t>(i)]->setText(t);
    }
    for (int which = 0; which < 2; ++which)
        m_fields[static_cast<size_t>(4 + which)]->setToolTip(fw::ToQt(m_form.ExtraTip(which)));
    if (m_form.Picture.AnyChanged()) {
        m_picture->SetLeds(m_form.Picture);
        m_form.Picture.ClearChanged();
    }
}

} // namespace tools::gui
