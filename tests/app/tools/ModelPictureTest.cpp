// The lamps of a model picture: places from the record, count, colours by state, the changed
// marks that decide a redraw, and where a lamp lands on a picture shown at another size.
#include <gtest/gtest.h>

#include "app/tools/ModelPicture.h"
#include "core/shared/MotorModel.h"

using namespace tools;

namespace {
CMotorModel ModelWithLeds(std::array<std::pair<int16_t, int16_t>, 5> places)
{
    CMotorModel m;
    for (size_t i = 0; i < places.size(); ++i)
        m.LEDs[i] = CMotorModel::MakeLed(places[i].first, places[i].second);
    return m;
}
} // namespace

TEST(ModelPicture, LampsTakeTheRecordsPlacesForTheFamilysCount)
{
    const CMotorModel model = ModelWithLeds({{{30, 20}, {50, 21}, {-4, 95}, {190, -3}, {0x7FFF, -0x8000}}});
    const struct {
        const CMotorModel* model;
        int count;
        int wantCount;
        std::array<std::pair<int, int>, 5> want;
    } cases[] = {
        {&model, PictureLedCount(true), 5, {{{30, 20}, {50, 21}, {-4, 95}, {190, -3}, {32767, -32768}}}},
        {&model, PictureLedCount(false), 2, {{{30, 20}, {50, 21}, {-4, 95}, {190, -3}, {32767, -32768}}}},
        {nullptr, 5, 5, {}}, // no record: every lamp at 0,0
        {&model, 9, 5, {{{30, 20}, {50, 21}, {-4, 95}, {190, -3}, {32767, -32768}}}},
        {&model, -1, 0, {{{30, 20}, {50, 21}, {-4, 95}, {190, -3}, {32767, -32768}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        CModelPictureLeds leds;
        leds.SetLed(0, kLedGreen); // before any model: no lamp to set
        leds.SetModel(c.model, c.count);
        EXPECT_EQ(leds.Count(), c.wantCount);
        for (int i = 0; i < kPictureLedMax; ++i) {
            EXPECT_EQ(leds.Led(i).x, c.want[static_cast<size_t>(i)].first) << i;
            EXPECT_EQ(leds.Led(i).y, c.want[static_cast<size_t>(i)].second) << i;
            EXPECT_EQ(leds.Led(i).state, kLedOff) << i;
        }
        EXPECT_EQ(leds.AnyChanged(), c.wantCount > 0);
    }
}

TEST(ModelPicture, ColoursChangedMarksAndScaledPlaces)
{
    EXPECT_EQ(PictureLedColour(kLedOff), 0xC0C0C0u);
    EXPECT_EQ(PictureLedColour(kLedRed), 0xFF0000u);
    EXPECT_EQ(PictureLedColour(kLedGreen), 0x00FF00u);
    EXPECT_EQ(PictureLedColour(7), 0xC0C0C0u);

    const CMotorModel model = ModelWithLeds({{{30, 20}, {50, 21}, {-4, 95}, {190, 90}, {0x7FFF, 0x7FFF}}});
    CModelPictureLeds leds;
    leds.SetModel(&model, 2);
    leds.ClearChanged();
    leds.SetLed(0, kLedOff); // same state: no redraw
    EXPECT_FALSE(leds.AnyChanged());
    leds.SetLed(3, kLedGreen); // beyond the count
    EXPECT_FALSE(leds.AnyChanged());
    EXPECT_EQ(leds.Led(3).state, kLedOff);
    leds.SetLed(1, kLedRed);
    EXPECT_TRUE(leds.AnyChanged());
    EXPECT_TRUE(leds.Led(1).changed);
    EXPECT_FALSE(leds.Led(0).changed);
    leds.ClearChanged();
    leds.SetAll(kLedGreen);
    EXPECT_TRUE(leds.Led(0).changed && leds.Led(1).changed);
    EXPECT_EQ(leds.Led(1).state, kLedGreen);

    leds.SetModel(&model, 5);
    const struct {
        int led, width, height;
        PictureRect want;
    } rects[] = {
        {0, 200, 100, {30, 20, 10, 10}},
        {0, 400, 200, {60, 40, 20, 20}},
        {1, 100, 50, {25, 10, 5, 5}},
        {2, 200, 100, {-4, 95, 10, 10}},
        {3, 20, 10, {19, 9, 1, 1}},
        {4, 200, 100, {32767, 32767, 10, 10}},
        {4, 4000, 2000, {655340, 655340, 200, 200}},
    };
    for (const auto& r : rects)
        EXPECT_EQ(leds.LedRect(r.led, r.width, r.height), r.want) << r.led << " at " << r.width;
}
