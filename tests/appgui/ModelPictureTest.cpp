// A motor model's picture as the user sees it: right way up whatever the file's row order,
// stretched into 200 x 100, lamps at the record's places in their state's colour, and nothing
// shown for a record without a readable picture.
#include "GuiFixture.h"

#include "app/tools/gui/ModelPicture.h"
#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"

#include <QBuffer>
#include <QPainter>

using namespace tools;

namespace {
const QColor kTop(0, 0, 200), kBottom(230, 200, 0), kLeft(200, 0, 0), kRight(0, 120, 0), kFace(212, 208, 200);

// A picture whose top and bottom (or left and right) halves differ, in a file format.
std::vector<uint8_t> PictureBytes(int w, int h, bool leftRight, const char* format)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    if (leftRight) {
        p.fillRect(0, 0, w / 2, h, kLeft);
        p.fillRect(w / 2, 0, w - w / 2, h, kRight);
    } else {
        p.fillRect(0, 0, w, h / 2, kTop);
        p.fillRect(0, h / 2, w, h - h / 2, kBottom);
    }
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

bool Near(QColor a, QColor b) { return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 24; }
} // namespace

class ModelPictureGui : public GuiTest {};

TEST_F(ModelPictureGui, PictureIsRightWayUpAndStretchedWithLampsAtTheirPlaces)
{
    // BMP keeps its rows bottom first, PNG top first: both must come out the same way up.
    for (const char* format : {"BMP", "PNG"}) {
        SCOPED_TRACE(format);
        CMotorModel model;
        model.SetPicture(PictureBytes(200, 100, false, format));
        const QImage pic = DrawModelPicture(model, kFace);
        ASSERT_EQ(pic.size(), QSize(200, 100));
        EXPECT_TRUE(Near(pic.pixelColor(100, 5), kTop));
        EXPECT_TRUE(Near(pic.pixelColor(100, 94), kBottom));
    }
    {   // 400 x 100 squeezed into 200 x 100; 100 x 20 stretched
        CMotorModel wide;
        wide.SetPicture(PictureBytes(400, 100, true, "PNG"));
        const QImage pic = DrawModelPicture(wide, kFace);
        EXPECT_TRUE(Near(pic.pixelColor(95, 50), kLeft));
        EXPECT_TRUE(Near(pic.pixelColor(105, 50), kRight));
        CMotorModel small;
        small.SetPicture(PictureBytes(100, 20, false, "PNG"));
        const QImage tall = DrawModelPicture(small, kFace);
        EXPECT_TRUE(Near(tall.pixelColor(199, 45), kTop));
        EXPECT_TRUE(Near(tall.pixelColor(0, 55), kBottom));
    }

    CMotorModel model;
    model.SetPicture(PictureBytes(200, 100, false, "BMP"));
    model.LEDs = {CMotorModel::MakeLed(30, 20), CMotorModel::MakeLed(150, 70), CMotorModel::MakeLed(10, 60),
                  CMotorModel::MakeLed(190, 90), CMotorModel::MakeLed(100, 40)};
    CModelPictureView view;
    view.SetModel(&model, PictureLedCount(true));
    ASSERT_TRUE(view.HasPicture());
    view.Leds().SetLed(0, kLedGreen);
    view.Leds().SetLed(1, kLedRed);
    view.Leds().SetLed(3, kLedGreen);
    view.Refresh();
    EXPECT_FALSE(view.Leds().AnyChanged());
    const QImage shown = view.Shown();
    const struct {
        QPoint at;
        QColor want;
    } probes[] = {
        {{35, 25}, QColor(0, 255, 0)},    // lamp 0 centre
        {{155, 75}, QColor(255, 0, 0)},    // lamp 1 red
        {{15, 65}, QColor(192, 192, 192)}, // lamp 2 grey (off)
        {{195, 95}, QColor(0, 255, 0)},   // lamp 3 in the corner
        {{105, 45}, QColor(192, 192, 192)},
        {{45, 25}, kTop},                 // beside lamp 0: the picture
        {{155, 85}, kBottom},             // below lamp 1
        {{30, 20}, kTop},                 // the lamp is round: its box corner stays picture
    };
    for (const auto& p : probes)
        EXPECT_TRUE(Near(shown.pixelColor(p.at), p.want)) << p.at.x() << "," << p.at.y() << " is "
                                                          << shown.pixelColor(p.at).name().toStdString();

    // The same control with a two-lamp motor draws only lamps 0 and 1.
    view.SetModel(&model, PictureLedCount(false));
    EXPECT_TRUE(Near(view.Shown().pixelColor(195, 95), kBottom));
    EXPECT_TRUE(Near(view.Shown().pixelColor(35, 25), QColor(192, 192, 192)));

    view.show();
    Snapshot(&view, "model-picture");

    // No picture, or bytes that are no picture: nothing is shown.
    CMotorModel none, garbage;
    garbage.SetPicture({'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    for (const CMotorModel* m : {&none, &garbage}) {
        EXPECT_TRUE(DrawModelPicture(*m, kFace).isNull());
        view.SetModel(m, 5);
        EXPECT_FALSE(view.HasPicture());
        EXPECT_TRUE(view.Shown().isNull());
    }
}

TEST_F(ModelPictureGui, ShippedModelsDrawTheirPicturesWithLampsInTheirSockets)
{
    CMotorModels models;
    std::string error;
    ASSERT_TRUE(models.Load(platform::AppFolder() + "/" + kModelsFileName, &error)) << error;
    int drawn = 0;
    for (int i = 1; i < models.GetCount(); ++i) {
        const CMotorModel& m = *models.Get(i);
        SCOPED_TRACE(m.Name);
        const QImage pic = DrawModelPicture(m, kFace);
        if (pic.isNull())
            continue;
        ++drawn;
        CModelPictureLeds leds;
        leds.SetModel(&m, kPictureLedMax);
        for (int k = 0; k < kPictureLedMax; ++k) {
            const PictureRect r = leds.LedRect(k);
            if (m.LEDs[static_cast<size_t>(k)] == 0)
                continue; // a model with fewer lamps
            // The picture has a dark socket where the record puts a lamp.
            EXPECT_TRUE(Near(pic.pixelColor(r.x + 5, r.y + 5), QColor(30, 30, 30))) << k;
        }
    }
    EXPECT_GE(drawn, 3);
}
