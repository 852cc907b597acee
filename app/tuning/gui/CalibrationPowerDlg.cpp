#include "app/tuning/gui/CalibrationPowerDlg.h"

#include "app/framework/gui/Text8.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace tuning::gui {
namespace {

using namespace calpower;

QPushButton* Button(const char* text, int id, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

} // namespace

CCalibrationPowerDlg::CCalibrationPowerDlg(QWidget* parent, CMotor& motor, platform::Profile& profile,
                                           ui::IQuestions& questions)
    : QDialog(parent), m_form(motor, profile, questions)
{
    setObjectName(QStringLiteral("285"));
    setWindowTitle(fw::ToQt(m_form.Title()));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_current = new QLineEdit(this);
    m_current->setObjectName(QString::number(kCurrent));
    m_current->setReadOnly(true);
    m_new = new QLineEdit(this);
    m_new->setObjectName(QString::number(kNew));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QString::number(kSlider));
    m_slider->setRange(0, 100);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(10);
    m_slider->setTickInterval(10);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_default = Button("Set Default", kDefault, this);
    m_apply = Button("Apply to motor", kApply, this);
    m_sizeLabel = new QLabel(QStringLiteral("Motor Size:"), this);
    m_sizeLabel->setObjectName(QString::number(kSizeLabel));
    m_size = new QComboBox(this);
    m_size->setObjectName(QString::number(kSizeCombo));
    auto* close = Button("Close", kClose, this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Current Value:"), this), 0, 0);
    grid->addWidget(m_current, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("New Value:"), this), 1, 0);
    grid->addWidget(m_new, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 1, 2);
    grid->addWidget(m_sizeLabel, 2, 0);
    grid->addWidget(m_size, 2, 1, 1, 2);
    auto* slider = new QHBoxLayout;
    slider->addWidget(new QLabel(QStringLiteral("0 %"), this));
    slider->addWidget(m_slider, 1);
    slider->addWidget(new QLabel(QStringLiteral("100 %"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_default);
    buttons->addWidget(m_apply);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(slider);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_new, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_form.SetNewText(fw::FromQt(text));
        m_refreshing = true;
        m_slider->setValue(m_form.SliderPosition());
        m_refreshing = false;
    });
    connect(m_slider, &QSlider::valueChanged, this, [this](int position) {
        if (m_refreshing)
            return;
        m_form.OnSlider(position);
        Refresh();
    });
    connect(m_size, &QComboBox::activated, this, [this](int index) {
        m_form.SelectSize(index);
        Refresh();
    });
    connect(m_default, &QPushButton::clicked, this, [this] {
        m_form.OnSetDefault();
        Refresh();
    });
    connect(m_apply, &QPushButton::clicked, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_form.OnApply();
        QApplication::restoreOverrideCursor();
        Refresh();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

int CCalibrationPowerDlg::DoModal()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ready = m_form.Init();
    QApplication::restoreOverrideCursor();
    if (!ready)
        return QDialog::Rejected;
    Refresh();
    return exec();
}

void CCalibrationPowerDlg::Refresh()
{
    m_refreshing = true;
    if (m_size->count() != static_cast<int>(m_form.SizeNames().size())) {
        m_size->clear();
        for (const std::string& name : m_form.SizeNames())
            m_size->addItem(fw::ToQt(name));
    }
    m_size->setCurrentIndex(m_form.SelectedSize());
    m_size->setVisible(m_form.SizeChoiceVisible());
    m_sizeLabel->setVisible(m_form.SizeChoiceVisible());
    m_current->setText(fw::ToQt(m_form.CurrentText()));
    m_new->setText(fw::ToQt(m_form.NewText()));
    m_slider->setValue(m_form.SliderPosition());
    m_default->setEnabled(m_form.SizeUsable());
    m_apply->setEnabled(m_form.SizeUsable());
    m_refreshing = false;
}

} // namespace tuning::gui
