#include "app/tools/gui/ModelPicture.h"

#include "core/shared/MotorModel.h"

#include <QPainter>
#include <QPalette>

namespace tools {

QImage DrawModelPicture(const CMotorModel& model, QColor face)
{
    if (!model.HasPicture())
        return {};
    const QImage source = QImage::fromData(model.Picture.data(), static_cast<int>(model.Picture.size()));
    if (source.isNull())
        return {};
    QImage out(kModelPictureWidth, kModelPictureHeight, QImage::Format_RGB32);
    out.fill(face);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Qt's readers already give the rows top first, whatever the file's own order: draw as read.
    p.drawImage(QRect(0, 0, kModelPictureWidth, kModelPictureHeight), source);
    return out;
}

QImage DrawPictureLeds(const QImage& picture, const CModelPictureLeds& leds)
{
    if (picture.isNull())
        return {};
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    QPainter p(&out);
    for (int i = 0; i < leds.Count(); ++i) {
        const PictureRect r = leds.LedRect(i, out.width(), out.height());
        const QColor colour = QColor::fromRgb(PictureLedColour(leds.Led(i).state));
        p.setPen(colour);
        p.setBrush(colour);
        p.drawEllipse(QRect(r.x, r.y, r.width - 1, r.height - 1));
    }
    return out;
}

QString AddressRichText(const QString& address)
{
    return QStringLiteral("<span style=\"font-family:Arial; font-size:7.5pt; color:black\">ADDR:</span><br>"
                          "<span style=\"font-family:Arial; font-size:20pt; font-weight:bold; color:black\">%1</span>")
        .arg(address.toHtmlEscaped());
}

CModelPictureView::CModelPictureView(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kModelPictureWidth, kModelPictureHeight);
}

void CModelPictureView::SetModel(const CMotorModel* model, int ledCount)
{
    m_model = model;
    m_picture = model ? DrawModelPicture(*model, palette().color(QPalette::Button)) : QImage();
    m_leds.SetModel(model, ledCount);
    m_leds.ClearChanged();
    update();
}

void CModelPictureView::Refresh()
{
    if (!m_leds.AnyChanged())
        return;
    m_leds.ClearChanged();
    update();
}

void CModelPictureView::SetLeds(const CModelPictureLeds& leds)
{
    m_leds = leds;
    Refresh();
}

QImage CModelPictureView::Shown() const { return DrawPictureLeds(m_picture, m_leds); }

void CModelPictureView::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.drawImage(rect(), Shown());
}

} // namespace tools
