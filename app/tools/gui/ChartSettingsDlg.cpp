#include "app/tools/gui/ChartSettingsDlg.h"

#include "core/ui/Questions.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace chartsettings;

namespace {

QString Local(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }

} // namespace

CChartSettingsDlg::CChartSettingsDlg(QWidget* parent, const chartview::CChartViewForm::Settings& settings,
                                     ui::IQuestions& questions)
    : QDialog(parent), m_questions(questions), m_accepted(settings)
{
    setObjectName(QStringLiteral("224"));
    setWindowTitle(QStringLiteral("Chart Properties"));
    const Fields f = FieldsOf(settings);
    auto field = [this](int id, const std::string& text) {
        auto* e = new QLineEdit(Local(text), this);
        e->setObjectName(QString::number(id));
        return e;
    };
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Chart Title:"), field(IDC_TITLE, f.chartTitle));
    form->addRow(QStringLiteral("Vertical Axis:"), field(IDC_VERTICAL_AXIS, f.verticalAxis));
    form->addRow(QStringLiteral("Minimum:"), field(IDC_MINIMUM, f.minimum));
    form->addRow(QStringLiteral("Maximum:"), field(IDC_MAXIMUM, f.maximum));
    auto withUnit = [this](QLineEdit* edit, const char* unit) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(new QLabel(QString::fromLatin1(unit), this));
        return row;
    };
    form->addRow(QStringLiteral("Update every"), withUnit(field(IDC_UPDATE_TIME, f.updateTime), "mSec."));
    form->addRow(QStringLiteral("Buffer Size:"), withUnit(field(IDC_BUFFER_SIZE, f.bufferSize), "Samples"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CChartSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CChartSettingsDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QLineEdit* CChartSettingsDlg::Field(int id) const
{
    return findChild<QLineEdit*>(QString::number(id));
}

void CChartSettingsDlg::accept()
{
    auto text = [this](int id) { return Field(id)->text().toLatin1().toStdString(); };
    const Check c = CheckOk({text(IDC_TITLE), text(IDC_VERTICAL_AXIS), text(IDC_MINIMUM), text(IDC_MAXIMUM),
                             text(IDC_UPDATE_TIME), text(IDC_BUFFER_SIZE)});
    if (!c.ok) {
        ui::OptionMessageBox(m_questions, c.message, ui::MB_OK | ui::MB_ICONERROR);
        Field(c.focus)->setFocus();
        Field(c.focus)->selectAll();
        return;
    }
    m_accepted = c.settings;
    QDialog::accept();
}
