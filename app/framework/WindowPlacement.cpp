#include "app/framework/WindowPlacement.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace fw {
namespace {

// One number as %d or %u reads it, range-checked; advances `pos`.
bool ReadNumber(std::string_view text, size_t& pos, bool isUnsigned, int64_t& out)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    const size_t digits = pos;
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos++] - '0');
        if (value > 0xFFFFFFFFLL)
            return false;
    }
    if (pos == digits)
        return false;
    if (negative)
        value = -value;
    if (isUnsigned ? (value < -0x7FFFFFFFLL - 1 || value > 0xFFFFFFFFLL) : (value < -0x7FFFFFFFLL - 1 || value > 0x7FFFFFFF))
        return false;
    out = value;
    return true;
}

} // namespace

std::optional<WindowPlacement> ParsePlacement(std::string_view text)
{
    std::array<int64_t, 10> n{};
    size_t pos = 0;
    for (size_t i = 0; i < n.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',')
                return std::nullopt;
            ++pos;
        }
        if (!ReadNumber(text, pos, i < 2, n[i]))
            return std::nullopt;
    }
    WindowPlacement p;
    p.flags = static_cast<uint32_t>(n[0]);
    p.showCmd = static_cast<uint32_t>(n[1]);
    p.minX = static_cast<int32_t>(n[2]);
    p.minY = static_cast<int32_t>(n[3]);
    p.maxX = static_cast<int32_t>(n[4]);
    p.maxY = static_cast<int32_t>(n[5]);
    p.normal = {static_cast<int32_t>(n[6]), static_cast<int32_t>(n[7]), static_cast<int32_t>(n[8]),
                static_cast<int32_t>(n[9])};
    return p;
}

std::string FormatPlacement(const WindowPlacement& p)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", 0u, p.showCmd, p.minX, p.minY, p.maxX, p.maxY,
                  p.normal.left, p.normal.top, p.normal.right, p.normal.bottom);
    return buf;
}

std::optional<PlacementRestore> PlanPlacementRestore(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    const auto p = ParsePlacement(text);
    if (!p)
        return std::nullopt;
    PlacementRestore r;
    r.normal = p->normal.Empty() ? PlacementRect{0, 0, 800, 600} : p->normal;
    r.maximise = p->showCmd == SW_SHOWMAXIMIZED;
    return r;
}

PlacementRect FitOnScreen(PlacementRect rect, const PlacementRect& screen)
{
    if (screen.Empty())
        return rect;
    const int64_t w = std::min<int64_t>(int64_t(rect.right) - rect.left, screen.Width());
    const int64_t h = std::min<int64_t>(int64_t(rect.bottom) - rect.top, screen.Height());
    int64_t left = std::clamp<int64_t>(rect.left, screen.left, int64_t(screen.right) - w);
    int64_t top = std::clamp<int64_t>(rect.top, screen.top, int64_t(screen.bottom) - h);
    return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(left + w),
            static_cast<int32_t>(top + h)};
}

std::optional<PlacementPoint> CascadeOverWorkArea(const PlacementRect& area, int32_t width, int32_t height,
                                                   const std::vector<PlacementPoint>& held, int32_t step)
{
    if (area.Empty())
        return std::nullopt;
    step = std::max<int32_t>(step, 1);
    // A window larger than the area cascades over its upper-left half.
    const int64_t w = std::clamp<int64_t>(width, 0, area.Width() / 2);
    const int64_t h = std::clamp<int64_t>(height, 0, area.Height() / 2);
    const int64_t places =
        1 + std::min((int64_t(area.Width()) - w) / step, (int64_t(area.Height()) - h) / step);
    auto place = [&](int64_t k) {
        return PlacementPoint{static_cast<int32_t>(area.left + k * step), static_cast<int32_t>(area.top + k * step)};
    };
    auto isHeld = [&](const PlacementPoint& p) {
        for (const PlacementPoint& q : held)
            if (std::abs(int64_t(q.x) - p.x) * 2 < step && std::abs(int64_t(q.y) - p.y) * 2 < step)
                return true;
        return false;
    };
    for (int64_t k = 0; k < places; ++k)
        if (!isHeld(place(k)))
            return place(k);
    return place(int64_t(held.size()) % places);
}

} // namespace fw

