#include "app/tools/ModelPicture.h"

#include "core/shared/MotorModel.h"

#include <algorithm>

namespace tools {

uint32_t PictureLedColour(int state)
{
    switch (state) {
    case kLedGreen: return 0x00FF00;
    case kLedRed: return 0xFF0000;
    default: return 0xC0C0C0;
    }
}

void CModelPictureLeds::SetModel(const CMotorModel* model, int count)
{
    m_count = std::clamp(count, 0, kPictureLedMax);
    for (size_t i = 0; i < m_leds.size(); ++i) {
        const uint32_t place = model ? model->LEDs[i] : 0;
        m_leds[i] = PictureLed{CMotorModel::LedX(place), CMotorModel::LedY(place), kLedOff, true};
    }
}

void CModelPictureLeds::SetLed(int i, int state)
{
    if (i < 0 || i >= m_count)
        return;
    PictureLed& led = m_leds[static_cast<size_t>(i)];
    if (led.state != state) {
        led.state = state;
        led.changed = true;
    }
}

void CModelPictureLeds::SetAll(int state)
{
    for (int i = 0; i < m_count; ++i)
        SetLed(i, state);
}

bool CModelPictureLeds::AnyChanged() const
{
    return std::any_of(m_leds.begin(), m_leds.begin() + m_count, [](const PictureLed& l) { return l.changed; });
}

void CModelPictureLeds::ClearChanged()
{
    for (PictureLed& l : m_leds)
        l.changed = false;
}

void CModelPictureLeds::MarkAllChanged()
{
    for (PictureLed& l : m_leds)
        l.changed = true;
}

PictureRect CModelPictureLeds::LedRect(int i, int width, int height) const
{
    const PictureLed& l = m_leds[static_cast<size_t>(std::clamp(i, 0, kPictureLedMax - 1))];
    // 64-bit so that a far-off place from a damaged record cannot overflow.
    auto sx = [&](int64_t v) { return static_cast<int>(v * width / kModelPictureWidth); };
    auto sy = [&](int64_t v) { return static_cast<int>(v * height / kModelPictureHeight); };
    const int x = sx(l.x), y = sy(l.y);
    return PictureRect{x, y, std::max(1, sx(l.x + kPictureLedSize) - x), std::max(1, sy(l.y + kPictureLedSize) - y)};
}

} // namespace tools
