#include "app/res/gui/Icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

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

} // namespace

QIcon Icon(const QString& themeName, const QString& fallbackLabel, unsigned rgb)
{
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return PaintedIcon(fallbackLabel, rgb);
}

QIcon AppIcon() { return PaintedIcon(QStringLiteral("VQX"), 0x0A34AA); }

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
