#include "app/res/gui/Icons.h"


#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>

// The drawings live in a static library: their registration is pulled in by name.
static void InitResources() { Q_INIT_RESOURCE(vqx); }

namespace res {
namespace {

QPixmap Painted(const QString& label, unsigned rgb, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromRgb(rgb));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 6.0, size / 6.0);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(std::max(6, size * (label.size() > 2 ? 3 : label.size() > 1 ? 4 : 6) / 10));
    p.setFont(f);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, label);
    return pm;
}

QIcon PaintedIcon(const QString& label, unsigned rgb)
{
    QIcon icon;
    for (int size : {16, 22, 32, 44})
        icon.addPixmap(Painted(label, rgb, size));
    return icon;
}

// A desktop that names no theme (or only the bare base theme) gets the one the system ships: a
// toolbar of pictures on every desktop, not only on the one whose theme has the names.
bool UseFallbackTheme()
{
    static const bool done = [] {
        InitResources();
        // Some platforms (the offscreen one, a bare window manager) name no folder of themes.
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& folder :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory))
            if (!paths.contains(folder))
                paths << folder;
        QIcon::setThemeSearchPaths(paths);
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    return done;
}

QString OwnPath(const QString& own) { return QStringLiteral(":/icons/cmd/") + own + QStringLiteral(".svg"); }

} // namespace

QIcon Icon(const QString& themeName, const QString& fallbackLabel, unsigned rgb, const QString& own)
{
    UseFallbackTheme();
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    if (!own.isEmpty())
        return QIcon(OwnPath(own));
    return PaintedIcon(fallbackLabel, rgb);
}

QIcon CommandIcon(const char* theme, const char* own)
{
    UseFallbackTheme();
    if (theme && QIcon::hasThemeIcon(QString::fromLatin1(theme)))
        return QIcon::fromTheme(QString::fromLatin1(theme));
    if (own)
        return QIcon(OwnPath(QString::fromLatin1(own)));
    return {};
}

QIcon ListImage(const char* name)
{
    UseFallbackTheme();
    return QIcon(QStringLiteral(":/icons/list/") + QString::fromLatin1(name) + QStringLiteral(".svg"));
}

QIcon AppIcon()
{
    UseFallbackTheme();
    return QIcon(QStringLiteral(":/icons/vqx.svg"));
}

QIcon BoxIcon(unsigned iconBits)
{
    QStyle* style = QApplication::style();
    switch (iconBits & 0xF0) {
    case 0x10: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case 0x20: return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case 0x30: return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case 0x40: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default: break;
    }
    return {};
}

} // namespace res
