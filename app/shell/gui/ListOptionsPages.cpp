// The Scanner page (compiler settings and the registered language files) and the Advanced page
// (the tree of remembered answers and switches) of the Options dialog.

#include "app/shell/gui/OptionsDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/shell/gui/DialogWidgets.h"
#include "app/shell/gui/Help.h"
#include "core/ui/Questions.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace shell::options;

// ---- Scanner -----------------------------------------------------------------------------------

CScannerOptionsPage::CScannerOptionsPage(OptionsSurroundings& s)
    : CPageDlgItem(170), m_s(s), m_files(s.registry, s.questions)
{
    auto field = [this](int id) {
        auto* f = new QLineEdit(this);
        f->setObjectName(QString::number(id));
        f->setMaximumWidth(80);
        return f;
    };
    auto check = [this](int id, const char* text) {
        auto* c = new QCheckBox(QString::fromLatin1(text), this);
        c->setObjectName(QString::number(id));
        return c;
    };
    m_errors = field(1000);
    m_warnings = field(1001);
    m_numberRanges = check(1080, "Check Number Ranges");
    m_parameterRanges = check(1081, "Check Parameter Ranges");
    m_convert = check(1120, "Convert Keyword errors to warnings");
    m_showAll = check(1379, "Show all language files");
    m_list = dialogwidgets::MakeReportList(1003, {QStringLiteral("Version"), QStringLiteral("Default")}, {100, 70}, this);
    m_list->setRootIsDecorated(false);
    m_list->setMinimumHeight(140);
    dialogwidgets::RouteListKeys(m_list, [this] { OnAdd(); }, [this] { OnDelete(); }, nullptr);

    auto* numbers = new QGridLayout;
    numbers->addWidget(new QLabel(QStringLiteral("Max Number of Errors:"), this), 0, 0);
    numbers->addWidget(m_errors, 0, 1);
    numbers->addWidget(new QLabel(QStringLiteral("Max Number of Warnings:"), this), 1, 0);
    numbers->addWidget(m_warnings, 1, 1);
    numbers->setColumnStretch(2, 1);
    auto* buttons = new QVBoxLayout;
    auto button = [&](int id, const char* text, std::function<void()> act) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, std::move(act));
        buttons->addWidget(b);
    };
    button(2004, "Add", [this] { OnAdd(); });
    button(2005, "Delete", [this] { OnDelete(); });
    button(1380, "Hide", [this] {
        m_files.Hide(SelectedVersion());
        FillList();
    });
    button(1119, "Set default", [this] {
        m_files.SetDefault(SelectedVersion());
        FillList();
    });
    buttons->addStretch();
    auto* languages = new QHBoxLayout;
    languages->addWidget(m_list, 1);
    languages->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(numbers);
    for (QCheckBox* c : {m_numberRanges, m_parameterRanges, m_convert, m_showAll})
        layout->addWidget(c);
    layout->addLayout(languages, 1);

    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        m_files.SetDefault(SelectedVersion());
        FillList();
    });
    connect(m_showAll, &QCheckBox::clicked, this, [this] { FillList(); });
    Show(ReadScannerPage(s.scanner, s.options));
}

void CScannerOptionsPage::Show(const ScannerPage& page)
{
    m_errors->setText(QString::number(page.maxErrors));
    m_warnings->setText(QString::number(page.maxWarnings));
    m_numberRanges->setChecked(page.checkNumberRanges);
    m_parameterRanges->setChecked(page.checkParameterRanges);
    m_convert->setChecked(page.keywordErrorsToWarnings);
    m_showAll->setChecked(page.showAllLanguages);
    FillList();
}

ScannerPage CScannerOptionsPage::Values() const
{
    ScannerPage p;
    p.maxErrors = m_errors->text().trimmed().toInt();
    p.maxWarnings = m_warnings->text().trimmed().toInt();
    p.checkNumberRanges = m_numberRanges->isChecked();
    p.checkParameterRanges = m_parameterRanges->isChecked();
    p.keywordErrorsToWarnings = m_convert->isChecked();
    p.showAllLanguages = m_showAll->isChecked();
    return p;
}

void CScannerOptionsPage::FillList()
{
    const shell::LanguageList list = m_files.Read(m_showAll->isChecked());
    std::vector<std::vector<std::string>> rows;
    for (const shell::LanguageRow& row : list.rows)
        rows.push_back({row.version, row.isDefault ? "X" : ""});
    dialogwidgets::FillReportListRows(m_list, rows);
    m_list->resizeColumnToContents(1);
    if (list.folderMissing)
        ui::OptionMessageBox(m_s.questions, shell::CLanguageFiles::kNoFolder, ui::MB_OK | ui::MB_ICONERROR);
}

std::string CScannerOptionsPage::SelectedVersion() const
{
    const int row = dialogwidgets::SelectedRow(m_list);
    return row < 0 ? std::string() : fw::FromQt(m_list->topLevelItem(row)->text(0));
}

void CScannerOptionsPage::OnAdd()
{
    const QString file = optionsgui::ChooseFile(this, m_s.desktop, QStringLiteral("Add VQX Language File"),
                                                  QStringLiteral("VQX Language Files (*.sld);;All Files (*)"));
    if (file.isEmpty())
        return;
    m_files.Add(file.toLocal8Bit().toStdString());
    FillList();
}

void CScannerOptionsPage::OnDelete()
{
    m_files.Delete(SelectedVersion());
    FillList();
}

bool CScannerOptionsPage::Validate()
{
    if (const auto problem = ValidateScannerPage(Values())) {
        ui::OptionMessageBox(m_s.questions, *problem, ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    return true;
}

void CScannerOptionsPage::Apply() { ApplyScannerPage(Values(), m_s.scanner, m_s.options); }

void CScannerOptionsPage::RestoreDefaults()
{
    const ScannerPage defaults;
    m_errors->setText(QString::number(defaults.maxErrors));
    m_warnings->setText(QString::number(defaults.maxWarnings));
    m_numberRanges->setChecked(defaults.checkNumberRanges);
    m_parameterRanges->setChecked(defaults.checkParameterRanges);
    m_convert->setChecked(defaults.keywordErrorsToWarnings);
    if (m_showAll->isChecked()) {
        m_showAll->setChecked(false);
        FillList();
    }
}

std::string CScannerOptionsPage::HelpTopic() const { return "VQXUsersGuide\\Options\\Scanner.htm"; }

// ---- Advanced ----------------------------------------------------------------------------------

namespace {

// The tree's six images: check box clear/set, option button clear/set, group, project.
QIcon AdvancedImage(int image)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (image) {
    case 0:
    case 1:
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 11, 11);
        if (image == 1) {
            p.setPen(QPen(Qt::black, 2));
            p.drawPolyline(QPolygon({QPoint(4, 8), QPoint(7, 11), QPoint(12, 4)}));
        }
        break;
    case 2:
    case 3:
        p.setBrush(Qt::white);
        p.drawEllipse(2, 2, 11, 11);
        if (image == 3) {
            p.setBrush(Qt::black);
            p.drawEllipse(5, 5, 5, 5);
        }
        break;
    default:
        p.setBrush(image == 5 ? QColor(230, 190, 80) : QColor(120, 150, 210));
        p.drawRoundedRect(1, 3, 14, 11, 2, 2);
        break;
    }
    return QIcon(pixmap);
}

} // namespace

CAdvancedOptionsPage::CAdvancedOptionsPage(OptionsSurroundings& s) : CPageDlgItem(186), m_s(s)
{
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("1149"));
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setMinimumSize(460, 300);
    m_tree->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    const auto& items = AdvancedItems();
    for (const AdvancedItem& item : items) {
        QTreeWidgetItem* node = item.parent < 0 ? new QTreeWidgetItem(m_tree)
                                                : new QTreeWidgetItem(m_items[static_cast<size_t>(item.parent)]);
        node->setText(0, QString::fromLatin1(item.text));
        m_items.push_back(node);
    }
    m_state.Load(s.profile, s.options);
    ShowImages();
    m_tree->expandAll();
    if (!m_items.empty())
        m_tree->scrollToItem(m_items.front());
}

void CAdvancedOptionsPage::ShowImages()
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        const int image = m_state.Image(static_cast<int>(i));
        m_items[i]->setIcon(0, AdvancedImage(image));
        m_items[i]->setData(0, Qt::UserRole, image);
    }
}

bool CAdvancedOptionsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree->viewport() && event->type() == QEvent::MouseButtonPress) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (QTreeWidgetItem* item = m_tree->itemAt(at)) {
            // Only a click on the item's image changes it.
            const QRect row = m_tree->visualItemRect(item);
            const QRect image(row.left(), row.top(), m_tree->iconSize().width() + 6, row.height());
            const auto it = std::find(m_items.begin(), m_items.end(), item);
            if (image.contains(at) && it != m_items.end()) {
                m_state.Click(static_cast<int>(it - m_items.begin()));
                ShowImages();
            }
        }
    }
    return CPageDlgItem::eventFilter(watched, event);
}

void CAdvancedOptionsPage::Apply() { m_state.Apply(m_s.profile, m_s.options); }

void CAdvancedOptionsPage::RestoreDefaults()
{
    m_state.RestoreDefaults();
    ShowImages();
}

std::string CAdvancedOptionsPage::HelpTopic() const { return "VQXUsersGuide\\Options\\Advanced.htm"; }
