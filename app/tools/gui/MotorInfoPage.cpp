#include "app/tools/gui/MotorInfoPage.h"

#include "app/framework/gui/Text8.h"
#include "core/motor/Motor.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools::gui {

using namespace info;

CMotorInfoPage::CMotorInfoPage(QWidget* parent, MotorViewLink& link, MotorInfoPageServices services)
    : QWidget(parent), m_link(link), m_services(std::move(services))
{
    setObjectName(QStringLiteral("217"));
    struct Row {
        const char* title;
        int id;
        const char* unit;
    };
    const Row rows[] = {{"Motor Name:", kName, nullptr},          {"Motor Address:", kAddress, nullptr},
                        {"Version:", kFirmware, nullptr},          {"Sample Period:", kSamplePeriod, "mSec."},
                        {"Serial Number:", kSerial, nullptr},      {"Model:", kModel, nullptr},
                        {"Program Name:", kProgName, nullptr},     {"Program Size:", kProgSize, "Bytes"},
                        {"Download Time:", kDownloadTime, nullptr}, {"Manufacturing Date:", kMadeOn, nullptr},
                        {"Scaling:", kScaling, nullptr}};
    auto* grid = new QGridLayout;
    int r = 0;
    for (const Row& row : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(row.title), this), r, 0, Qt::AlignTop);
        auto* field = new QLabel(this);
        field->setObjectName(QString::number(row.id));
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        field->setWordWrap(row.id == kScaling);
        m_fields[row.id] = field;
        grid->addWidget(field, r, 1, 1, row.unit ? 1 : 3);
        if (row.unit)
            grid->addWidget(new QLabel(QString::fromLatin1(row.unit), this), r, 2);
        ++r;
    }
    grid->setColumnStretch(3, 1);
    m_getInfo = new QPushButton(QStringLiteral("Get Info"), this);
    m_getInfo->setObjectName(QString::number(kGetInfo));
    auto* edit = new QPushButton(QStringLiteral("Edit Properties"), this);
    edit->setObjectName(QString::number(kEditProperties));
    auto* details = new QPushButton(QStringLiteral("Details"), this);
    details->setObjectName(QString::number(kDetails));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_getInfo);
    buttons->addWidget(edit);
    buttons->addWidget(details);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(m_getInfo, &QPushButton::clicked, this, [this] { GetInfo(); });
    connect(edit, &QPushButton::clicked, this, [this] {
        if (m_link.motor && m_services.editProperties && m_services.editProperties(*m_link.motor))
            Refresh();
    });
    connect(details, &QPushButton::clicked, this, [this] {
        if (m_link.motor && m_services.details)
            m_services.details(*m_link.motor);
    });
}

QLabel* CMotorInfoPage::Field(int id) const
{
    const auto it = m_fields.find(id);
    return it == m_fields.end() ? nullptr : it->second;
}

void CMotorInfoPage::Refresh()
{
    if (!m_link.motor)
        return;
    ShowFields();
    if (m_services.changed)
        m_services.changed();
}

void CMotorInfoPage::ShowFields()
{
    if (!m_link.motor)
        return;
    const MotorInfoFields f = InfoFieldsOf(*m_link.motor);
    const std::pair<int, const std::string*> shown[] = {
        {kName, &f.name},         {kAddress, &f.address},   {kFirmware, &f.firmware},
        {kSamplePeriod, &f.samplePeriod}, {kSerial, &f.serial}, {kModel, &f.model},
        {kProgName, &f.progName}, {kProgSize, &f.progSize}, {kDownloadTime, &f.downloadTime},
        {kMadeOn, &f.madeOn},     {kScaling, &f.scaling}};
    for (const auto& [id, text] : shown)
        m_fields[id]->setText(fw::ToQt(*text));
}

void CMotorInfoPage::GetInfo()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const GetInfoResult result = GetMotorInfo(m_link, m_services.getInfo);
    QApplication::restoreOverrideCursor();
    if (result != GetInfoResult::Gone)
        Refresh();
}

} // namespace tools::gui
