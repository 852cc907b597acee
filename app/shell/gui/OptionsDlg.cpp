#include "app/shell/gui/OptionsDlg.h"

#include "app/shell/gui/AppContext.h"
#include "platform/registry/Profile.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace optionsgui {

namespace {
QColor ToQColor(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
} // namespace

QString ChooseFile(QWidget* parent, shell::IDesktopServices& desktop, const QString& title, const QString& filter)
{
    shell::FileChoice choice;
    choice.title = title;
    choice.filter = filter;
    return desktop.ChooseOpenFile(parent, choice);
}

CColorButton::CColorButton(int id, uint32_t& color, std::function<void()> changed, shell::IDesktopServices& desktop,
                           QWidget* parent)
    : QPushButton(parent), m_color(color), m_changed(std::move(changed)), m_desktop(desktop)
{
    setObjectName(QString::number(id));
    setAutoDefault(false);
    setIconSize(QSize(50, 30));
    Redraw();
    connect(this, &QPushButton::clicked, this, [this] {
        if (const auto chosen = m_desktop.ChooseColor(this, m_color)) {
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
    CPageDlg dlg(parent, s.app, QStringLiteral("Options"), 338);
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
