#pragma once
// The picture of a motor model with its status lamps, without widgets: where each lamp goes on
// the 200 x 100 picture (from the model record), its colour by state, which lamps changed, and
// where a lamp lands when the picture is shown at another size. The motor view, the playground
// and the calibration tools keep one of these per picture; gui/ModelPicture paints it.
#include <array>
#include <cstddef>
#include <cstdint>

class CMotorModel;

namespace tools {

inline constexpr int kModelPictureWidth = 200;
inline constexpr int kModelPictureHeight = 100;
inline constexpr int kPictureLedSize = 10; // a lamp is a filled circle of this diameter
inline constexpr int kPictureLedMax = 5;

// Lamp states: off (grey), fault (red), on (green).
inline constexpr int kLedOff = -1, kLedRed = 0, kLedGreen = 1;

// Version-5 motors light all five lamps; the others two.
inline constexpr int PictureLedCount(bool version5) { return version5 ? 5 : 2; }

// The colour of a lamp in state s, as 0xRRGGBB: 1 green, 0 red, anything else grey.
uint32_t PictureLedColour(int state);

struct PictureLed {
    int x = 0; // top-left corner of the lamp on the 200 x 100 picture
    int y = 0;
    int state = kLedOff;
    bool changed = true;
};

// A rectangle in the coordinates of the shown picture.
struct PictureRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PictureRect&) const = default;
};

class CModelPictureLeds {
public:
    // Takes the first `count` lamp places of the record (lamps beyond them stay unused). No
    // record: every place is 0,0. Every lamp goes grey and is marked changed.
    void SetModel(const CMotorModel* model, int count);
    int Count() const { return m_count; }
    const PictureLed& Led(int i) const { return m_leds[static_cast<std::size_t>(i)]; }

    // Sets lamp i (ignored beyond Count); a different state marks it changed.
    void SetLed(int i, int state);
    void SetAll(int state);
    // After a batch of SetLed: redraw when this is true, then ClearChanged.
    bool AnyChanged() const;
    void ClearChanged();
    void MarkAllChanged();

    // Where lamp i lands when the picture is stretched to width x height (the picture itself is
    // always drawn stretched, without keeping its proportions).
    PictureRect LedRect(int i, int width = kModelPictureWidth, int height = kModelPictureHeight) const;

private:
    int m_count = 0;
    std::array<PictureLed, kPictureLedMax> m_leds{};
};

} // namespace tools
