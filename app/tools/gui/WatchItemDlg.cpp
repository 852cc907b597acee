#include "app/tools/gui/WatchItemDlg.h"
#include "app/shell/gui/Help.h"

#include "core/ui/Questions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <climits>

using namespace tools::watchdlg;

namespace {
constexpr int kHelpButton = 57670;
tools::ScreenRect RectOf(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
} // namespace

namespace {

QString Local(const std::string& s) { return QString::fromStdString(s); }
std::string Std(const QString& s) { return s.toStdString(); }

template <class W>
W* Named(W* w, int id)
{
    w->setObjectName(QString::number(id));
    return w;
}

QComboBox* TextCombo(QWidget* parent, int id)
{
    auto* box = Named(new QComboBox(parent), id);
    box->setEditable(true);
    for (const std::string& t : tools::TextChoices())
        box->addItem(Local(t));
    box->setMinimumContentsLength(16);
    return box;
}

} // namespace

CWatchItemDlg::CWatchItemDlg(QWidget* parent, CWatchItem* item, bool allowMotorChange, WatchDlgServices services,
                             bool chart, int32_t minimum, int32_t maximum)
    : QDialog(parent), m_form(*item, allowMotorChange, chart, minimum, maximum), m_services(std::move(services))
{
    m_owned = m_form.AddMode();
    setObjectName(QStringLiteral("151"));
    setWindowTitle(Local(m_form.Title()));

    m_motorName = Named(new QLabel(this), kMotorName);
    m_motorVersion = Named(new QLabel(this), kMotorVersion);
    m_motorButton = Named(new QPushButton(QStringLiteral("..."), this), kMotorButton);
    m_motorButton->setMaximumWidth(40);
    m_caption = Named(new QLineEdit(this), kCaption);
    m_kinds = new QButtonGroup(this);
    auto* kindBox = new QGroupBox(this);
    auto* kindLayout = new QVBoxLayout(kindBox);
    const std::pair<int, const char*> kinds[] = {{CWatchItem::kStandard, "Standard Parameters"},
                                                 {CWatchItem::kStatusBit, "Status Bits"},
                                                 {CWatchItem::kDigitalIO, "Digital I/O"},
                                                 {CWatchItem::kCustom, "Custom Parameter"}};
    const int kindIds[] = {kKindStandard, kKindStatus, kKindIO, kKindCustom};
    for (int i = 0; i < 4; ++i) {
        auto* radio = Named(new QRadioButton(QString::fromLatin1(kinds[i].second), kindBox), kindIds[i]);
        m_kinds->addButton(radio, kinds[i].first);
        kindLayout->addWidget(radio);
    }
    m_list = Named(new QTreeWidget(this), kList);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Caption")});
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(280, 160);
    m_poll = Named(new QLineEdit(this), kPollCommand);
    m_bitMask = Named(new QCheckBox(QStringLiteral("Bit Mask"), this), kBitMask);
    m_bits = Named(new QLineEdit(this), kBits);
    m_text0 = TextCombo(this, kText0);
    m_text1 = TextCombo(this, kText1);
    m_textNA = TextCombo(this, kTextNA);
    m_turnOn = Named(new QLineEdit(this), kTurnOn);
    m_turnOff = Named(new QLineEdit(this), kTurnOff);
    m_min = Named(new QSpinBox(this), kMinimum);
    m_max = Named(new QSpinBox(this), kMaximum);
    for (QSpinBox* s : {m_min, m_max})
        s->setRange(INT_MIN, INT_MAX);
    auto* buttons = new QDialogButtonBox(this);
    m_ok = Named(buttons->addButton(Local(m_form.OkText()), QDialogButtonBox::AcceptRole), 1);
    m_cancel = Named(buttons->addButton(Local(m_form.CancelText()), QDialogButtonBox::RejectRole), 2);
    m_help = Named(buttons->addButton(QStringLiteral("Help"), QDialogButtonBox::HelpRole), kHelpButton);
    m_ok->setDefault(true);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_services.help)
            m_services.help(m_form.HelpTopic());
    });
    help::HelpOnF1(m_help);
    connect(buttons, &QDialogButtonBox::accepted, this, &CWatchItemDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CWatchItemDlg::reject);

    auto* motorRow = new QHBoxLayout;
    motorRow->addWidget(new QLabel(QStringLiteral("Motor:"), this));
    motorRow->addWidget(m_motorName, 1);
    motorRow->addWidget(new QLabel(QStringLiteral("Motor Version:"), this));
    motorRow->addWidget(m_motorVersion);
    motorRow->addWidget(m_motorButton);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Caption:"), m_caption);
    fields->addRow(QStringLiteral("Poll Command:"), m_poll);
    auto* bitsRow = new QHBoxLayout;
    bitsRow->addWidget(m_bitMask);
    bitsRow->addWidget(new QLabel(QStringLiteral("Bits:"), this));
    bitsRow->addWidget(m_bits);
    fields->addRow(bitsRow);
    fields->addRow(QStringLiteral("0 Text:"), m_text0);
    fields->addRow(QStringLiteral("1 Text:"), m_text1);
    fields->addRow(QStringLiteral("N/A Text:"), m_textNA);
    fields->addRow(QStringLiteral("When 0 send:"), m_turnOn);
    fields->addRow(QStringLiteral("When 1 send:"), m_turnOff);
    auto* minLabel = new QLabel(QStringLiteral("Minimum:"), this);
    auto* maxLabel = new QLabel(QStringLiteral("Maximum:"), this);
    fields->addRow(minLabel, m_min);
    fields->addRow(maxLabel, m_max);
    // Monitor items have no scale.
    for (QWidget* w : std::initializer_list<QWidget*>{minLabel, maxLabel, m_min, m_max})
        w->setVisible(chart);
    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(kindBox);
    left->addWidget(m_list, 1);
    middle->addLayout(left, 1);
    middle->addLayout(fields, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(motorRow);
    layout->addLayout(middle);
    layout->addWidget(buttons);

    m_form.Start(m_services.target ? m_services.target(item->ChannelIndex, item->MotorAddress) : tools::WatchTarget{});
    Refill();
    Show();

    connect(m_kinds, &QButtonGroup::idClicked, this, [this](int kind) {
        m_form.SetKind(kind);
        Refill();
        Show();
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_showing)
            return;
        m_form.SelectRow(m_list->indexOfTopLevelItem(m_list->currentItem()));
        Show();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(m_bitMask, &QCheckBox::clicked, this, [this](bool on) {
        m_form.SetBitMask(on);
        Show();
    });
    connect(m_bits, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_form.SetBits(Std(t));
        Show();
    });
    connect(m_poll, &QLineEdit::textEdited, this, [this](const QString& t) { m_form.pollCommand = Std(t); });
    auto edited = [this](std::string* value, tools::CWatchItemForm::Field field) {
        return [this, value, field](const QString& t) {
            if (m_showing)
                return;
            *value = Std(t);
            m_form.Edited(field);
        };
    };
    using F = tools::CWatchItemForm;
    connect(m_caption, &QLineEdit::textEdited, this, edited(&m_form.caption, F::Caption));
    connect(m_turnOn, &QLineEdit::textEdited, this, edited(&m_form.turnOn, F::TurnOn));
    connect(m_turnOff, &QLineEdit::textEdited, this, edited(&m_form.turnOff, F::TurnOff));
    connect(m_text0, &QComboBox::currentTextChanged, this, edited(&m_form.text0, F::Text0));
    connect(m_text1, &QComboBox::currentTextChanged, this, edited(&m_form.text1, F::Text1));
    connect(m_textNA, &QComboBox::currentTextChanged, this, edited(&m_form.textNA, F::TextNA));
    connect(m_min, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_showing) {
            m_form.minimum = v;
            m_form.Edited(F::Minimum);
        }
    });
    connect(m_max, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_showing) {
            m_form.maximum = v;
            m_form.Edited(F::Maximum);
        }
    });
    connect(m_motorButton, &QPushButton::clicked, this, [this] {
        if (!m_services.chooseMotor)
            return;
        const tools::WatchTarget& t = m_form.Target();
        const uint32_t key = t.present ? (static_cast<uint32_t>(t.address) << 16) | static_cast<uint32_t>(t.portIndex)
                                       : 0x10000u;
        if (const auto chosen = m_services.chooseMotor(key)) {
            m_form.ChooseMotor(*chosen);
            Refill();
            Show();
        }
    });
}

CWatchItemDlg::~CWatchItemDlg()
{
    if (m_owned)
        delete &m_form.Item();
}

QAbstractButton* CWatchItemDlg::KindButton(int kind) const
{
    return m_kinds->button(kind);
}

void CWatchItemDlg::Refill()
{
    m_showing = true;
    m_list->clear();
    for (const tools::WatchEntry& e : m_form.Entries())
        m_list->addTopLevelItem(new QTreeWidgetItem(QStringList{Local(e.caption)}));
    m_list->resizeColumnToContents(0);
    m_showing = false;
}

void CWatchItemDlg::Show()
{
    m_showing = true;
    const tools::WatchTarget& t = m_form.Target();
    m_motorName->setText(t.present ? Local(t.name) : QString());
    m_motorVersion->setText(t.present ? Local(t.version) : QString());
    if (QAbstractButton* radio = m_kinds->button(m_form.Kind()))
        radio->setChecked(true);
    const int row = m_form.SelectedRow();
    if (row >= 0 && row < m_list->topLevelItemCount()) {
        m_list->setCurrentItem(m_list->topLevelItem(row));
        m_list->scrollToItem(m_list->topLevelItem(row));
    } else {
        m_list->setCurrentItem(nullptr);
    }
    if (m_caption->text() != Local(m_form.caption))
        m_caption->setText(Local(m_form.caption));
    m_poll->setText(Local(m_form.pollCommand));
    m_bitMask->setChecked(m_form.bitMask);
    if (m_bits->text() != Local(m_form.bits))
        m_bits->setText(Local(m_form.bits));
    m_text0->setCurrentText(Local(m_form.text0));
    m_text1->setCurrentText(Local(m_form.text1));
    m_textNA->setCurrentText(Local(m_form.textNA));
    m_turnOn->setText(Local(m_form.turnOn));
    m_turnOff->setText(Local(m_form.turnOff));
    m_min->setValue(m_form.minimum);
    m_max->setValue(m_form.maximum);
    const auto en = m_form.Enabled();
    m_motorButton->setEnabled(en.motorButton);
    m_list->setEnabled(en.list);
    m_poll->setEnabled(en.pollCommand);
    m_bitMask->setEnabled(en.bitMask);
    m_bits->setEnabled(en.bits);
    for (QWidget* w : std::initializer_list<QWidget*>{m_text0, m_text1, m_textNA, m_turnOn, m_turnOff})
        w->setEnabled(en.texts);
    m_min->setEnabled(en.scale);
    m_max->setEnabled(en.scale);
    m_showing = false;
}

void CWatchItemDlg::Message(const std::string& text, uint32_t icon)
{
    if (m_services.questions)
        ui::OptionMessageBox(*m_services.questions, text, ui::MB_OK | icon);
}

void CWatchItemDlg::accept()
{
    const std::string refused = m_form.Ok();
    if (!refused.empty()) {
        Message(refused, ui::MB_ICONERROR);
        return;
    }
    if (!m_form.AddMode()) {
        QDialog::accept();
        return;
    }
    CWatchItem* held = &m_form.Item();
    CWatchItem* answer = m_services.add ? m_services.add(held) : nullptr;
    const auto out = m_form.AfterAdd(answer);
    if (answer != held)
        m_owned = answer != nullptr; // the window took `held`; a copy to go on with is ours
    if (!out.warning.empty())
        Message(out.warning, ui::MB_ICONWARNING);
    if (out.close)
        QDialog::accept();
}

void CWatchItemDlg::reject()
{
    QDialog::reject();
}

void CWatchItemDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_placed || event->spontaneous())
        return;
    m_placed = true;
    // Beside the window it edits, at the height the dialog got, so that the list stays in view.
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = owner ? owner->screen() : this->screen();
    if (!owner || !screen)
        return;
    const int x = tools::PlaceBesideParent(RectOf(owner->frameGeometry()), frameGeometry().width(),
                                           RectOf(screen->availableGeometry()));
    move(x, pos().y());
}
