#include "app/shell/gui/OptionsDlg.h"

#include "platform/registry/Profile.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace optionsgui {

namespace {
QColor ToQColor(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
uint32_t FromQColor(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 | static_cast<uint32_t>(c.blue()) << 16;
}
} // namespace

std::function<std::optional<uint32_t>(QWidget*, uint32_t)>& ChooseColor()
{
    static std::function<std::optional<uint32_t>(QWidget*, uint32_t)> choose =
        [](QWidget* parent, uint32_t initial) -> std::optional<uint32_t> {
        const QColor c = QColorDialog::getColor(ToQColor(initial), parent);
        if (!c.isValid())
            return std::nullopt;
        return FromQColor(c);
    };
    return choose;
}

std::function<QString(QWidget*, const QString&, const QString&)>& ChooseFile()
{
    static std::function<QString(QWidget*, const QString&, const QString&)> choose =
        [](QWidget* parent, const QString& title, const QString& filter) {
            return QFileDialog::getOpenFileName(parent, title, QString(), filter);
        };
    return choose;
}

CColorButton::CColorButton(int id, uint32_t& color, std::function<void()> changed, QWidget* parent)
    : QPushButton(parent), m_color(color), m_changed(std::move(changed))
{
    setObjectName(QString::number(id));
    setAutoDefault(false);
    setIconSize(QSize(50, 30));
    Redraw();
    connect(this, &QPushButton::clicked, this, [this] {
        if (const auto chosen = ChooseColor()(this, m_color)) {
            m_color = *chosen;
            Redraw();
            m_changed();
        }
    });
}

void CColorButton::Redraw()
{
    QPixmap swatch(50, 30);
    swatch.fill(ToQColor(m_color));
    QPainter(&swatch).drawRect(0, 0, 49, 29);
    setIcon(QIcon(swatch));
}

} // namespace optionsgui

bool EditOptions(QWidget* parent, OptionsSurroundings& s)
{
    CPageDlg dlg(parent, QStringLiteral("Options"), 338);
    dlg.m_bListStyle = true;
    dlg.m_bShowRestoreDefaults = true;
    auto* scanner = new CScannerOptionsPage(s);
    auto* editor = new CEditorOptionsPage(s);
    auto* terminal = new CTerminalOptionsPage(s);
    auto* analyzer = new CAnalyzerOptionsPage(s);
    auto* advanced = new CAdvancedOptionsPage(s);
    auto icon = [&dlg](QStyle::StandardPixmap p) { return dlg.style()->standardIcon(p); };
    dlg.AddPage(QStringLiteral("Scanner"), scanner, icon(QStyle::SP_FileDialogContentsView));
    dlg.AddPage(QStringLiteral("Editor"), editor, icon(QStyle::SP_FileIcon));
    dlg.AddPage(QStringLiteral("Terminal"), terminal, icon(QStyle::SP_ComputerIcon));
    dlg.AddPage(QStringLiteral("Serial Data Analyzer"), analyzer, icon(QStyle::SP_DriveNetIcon));
    dlg.AddPage(QStringLiteral("Advanced"), advanced, icon(QStyle::SP_FileDialogDetailedView));
    if (dlg.exec() != QDialog::Accepted)
        return false;
    s.options.Save(s.profile);
    return true;
}
