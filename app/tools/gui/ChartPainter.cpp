#include "app/tools/gui/ChartPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

namespace chartgui {

namespace {

QColor ToQt(chart::Rgb c) { return QColor(c.r, c.g, c.b); }
QString Text(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }

QFont MakeFont(int pixels, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setItalic(true);
    f.setBold(bold);
    return f;
}

} // namespace

QFont LabelFont() { return MakeFont(15, false); }
QFont TitleFont() { return MakeFont(18, true); }

chart::TextSize QtTextMetrics::Measure(chart::Font font, std::string_view text) const
{
    static const QFontMetrics label(LabelFont());
    static const QFontMetrics title(TitleFont());
    const QFontMetrics& m = font == chart::Font::Label ? label : title;
    const QString s = QString::fromLatin1(text.data(), static_cast<int>(text.size()));
    return {m.horizontalAdvance(s), m.height()};
}

void Paint(QPainter& p, const chart::Picture& picture)
{
    const QFont label = LabelFont();
    const QFont title = TitleFont();
    for (const chart::Op& op : picture.ops) {
        if (auto* f = std::get_if<chart::FillOp>(&op)) {
            p.fillRect(QRect(QPoint(f->rect.left, f->rect.top), QPoint(f->rect.right - 1, f->rect.bottom - 1)), ToQt(f->color));
        } else if (auto* l = std::get_if<chart::LineOp>(&op)) {
            p.setPen(QPen(ToQt(l->color), l->width));
            p.drawLine(l->from.x, l->from.y, l->to.x, l->to.y);
        } else if (auto* r = std::get_if<chart::FrameOp>(&op)) {
            p.setPen(QPen(ToQt(r->color), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(QPoint(r->rect.left, r->rect.top), QPoint(r->rect.right, r->rect.bottom)).adjusted(0, 0, -1, -1));
        } else if (auto* t = std::get_if<chart::TextOp>(&op)) {
            const QFont& font = t->font == chart::Font::Label ? label : title;
            p.setFont(font);
            p.setPen(ToQt(t->color));
            const QFontMetrics m(font);
            if (t->rotated) {
                p.save();
                p.translate(t->at.x, t->at.y);
                p.rotate(-90);
                p.drawText(0, m.ascent(), Text(t->text));
                p.restore();
            } else {
                p.drawText(t->at.x, t->at.y + m.ascent(), Text(t->text));
            }
        } else if (auto* c = std::get_if<chart::PolylineOp>(&op)) {
            QPolygon poly;
            poly.reserve(static_cast<int>(c->points.size()));
            for (const chart::Point& pt : c->points)
                poly.append(QPoint(pt.x, pt.y));
            p.setPen(QPen(ToQt(c->color), c->width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            if (poly.size() == 1)
                p.drawPoint(poly.front());
            else
                p.drawPolyline(poly);
        }
    }
}

QImage Render(const chart::Picture& picture, int width, int height)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(ToQt(chart::kBackground));
    QPainter p(&image);
    if (picture.placeholder) {
        p.setPen(Qt::black);
        p.setFont(LabelFont());
        p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Add chart items to sample them"));
    } else {
        Paint(p, picture);
    }
    return image;
}

} // namespace chartgui
