#include "app/tools/gui/WatchIcons.h"

#include "app/tools/WatchItem.h"

#include <QPainter>
#include <QPixmap>

namespace watchicons {

namespace {

QPixmap Blank(int w = 16, int h = 16)
{
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

QColor LedColour(int family)
{
    switch (family) {
    case 0: return QColor(40, 40, 40);
    case 1: return QColor(0, 190, 0);
    case 2: return QColor(220, 0, 0);
    case 3: return QColor(240, 200, 0);
    default: return QColor(0, 90, 230);
    }
}

} // namespace

QIcon StripImage(int image)
{
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (image >= 0 && image < 4) {
        const QColor colours[] = {QColor(0, 170, 0), QColor(210, 0, 0), QColor(150, 150, 150), QColor(0, 90, 230)};
        p.setPen(Qt::NoPen);
        p.setBrush(colours[image]);
        p.drawRect(4, 4, 8, 8);
    } else if (image >= CWatchItem::kFirstLedImage && image < CWatchItem::kFirstLedImage + CWatchItem::kLedCount) {
        const int n = image - CWatchItem::kFirstLedImage;
        p.setPen(QColor(60, 60, 60));
        if (n < 20) {
            p.setBrush(LedColour(n / 4));
            switch (n % 4) {
            case 0: p.drawEllipse(3, 3, 10, 10); break;
            case 1: p.drawRect(4, 5, 12, 6); break;
            case 2: p.drawRect(0, 5, 16, 6); break;
            default: p.drawRect(0, 5, 12, 6); break;
            }
        } else if (n == 20) {
            p.setBrush(QColor(190, 190, 190));
            p.drawRect(2, 2, 12, 12);
        } else {
            QFont f = p.font();
            f.setBold(true);
            f.setPixelSize(13);
            p.setFont(f);
            p.setPen(n == 21 ? QColor(90, 90, 90) : QColor(0, 150, 0));
            p.drawText(pm.rect(), Qt::AlignCenter, n == 21 ? QStringLiteral("0") : QStringLiteral("1"));
        }
    }
    p.end();
    return QIcon(pm);
}

QIcon LinkIndicator(int state)
{
    QPixmap pm = Blank(24, 16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(state == 1 ? QColor(0, 200, 0) : state == 0 ? QColor(220, 0, 0) : QColor(170, 170, 170));
    p.drawEllipse(6, 2, 12, 12);
    p.end();
    return QIcon(pm);
}

} // namespace watchicons
