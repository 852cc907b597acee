#pragma once
// Paints a motor model's picture with its status lamps: the record's picture bytes stretched into
// 200 x 100 on the button face, right way up, and the lamps of a CModelPictureLeds over it.
#include "app/tools/ModelPicture.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

class CMotorModel;

namespace tools {

// The record's picture stretched into 200 x 100 on `face`. A null image when the record holds no
// picture or its bytes are no picture Qt can read: the caller then shows no picture.
QImage DrawModelPicture(const CMotorModel& model, QColor face);
// The picture with the first Count() lamps drawn over it, at the picture's own size.
QImage DrawPictureLeds(const QImage& picture, const CModelPictureLeds& leds);

// The address of a motor's identity panel (motor view, playground): "ADDR:" at 7.5 points, then
// the address at 20 points bold, in black Arial, as rich text.
QString AddressRichText(const QString& address);

// The picture control: holds the drawn picture and the lamps, and repaints when a lamp changed.
class CModelPictureView : public QWidget {
public:
    explicit CModelPictureView(QWidget* parent = nullptr);

    // Draws the model's picture (none: nothing is shown) and takes its first `ledCount` lamp
    // places; every lamp goes grey.
    void SetModel(const CMotorModel* model, int ledCount);
    bool HasPicture() const { return !m_picture.isNull(); }
    CModelPictureLeds& Leds() { return m_leds; }
    const CModelPictureLeds& Leds() const { return m_leds; }
    // After a batch of lamp settings: repaints when at least one lamp changed.
    void Refresh();
    // Shows the lamps a form keeps (same places and count); repaints when one changed.
    void SetLeds(const CModelPictureLeds& leds);
    // The record whose picture is shown (to tell when the motor's model changed).
    const CMotorModel* Model() const { return m_model; }
    // What the control shows now (null without a picture).
    QImage Shown() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    const CMotorModel* m_model = nullptr;
    CModelPictureLeds m_leds;
};

} // namespace tools
