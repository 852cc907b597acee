#pragma once
// A window's stored placement, as a text of ten comma-separated numbers "%u,%u,%d,%d,%d,%d,%d,
// %d,%d,%d": flags, show command, minimised x, y, maximised x, y, normal rectangle left, top,
// right, bottom. The flags are always written as 0.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

struct PlacementRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const PlacementRect&) const = default;
};

inline constexpr uint32_t SW_HIDE = 0;
inline constexpr uint32_t SW_SHOWNORMAL = 1;
inline constexpr uint32_t SW_SHOWMINIMIZED = 2;
inline constexpr uint32_t SW_SHOWMAXIMIZED = 3;

struct WindowPlacement {
    uint32_t flags = 0;
    uint32_t showCmd = SW_SHOWNORMAL;
    int32_t minX = -1, minY = -1, maxX = -1, maxY = -1;
    PlacementRect normal;
    bool operator==(const WindowPlacement&) const = default;
};

// The ten numbers of a placement text; none unless all ten were read. Numbers are separated by
// commas and may have blanks before them; what follows the tenth is ignored. A number outside
// its 32-bit range ends the reading there (so the text does not count).
std::optional<WindowPlacement> ParsePlacement(std::string_view text);
// The text of a placement, flags written as 0.
std::string FormatPlacement(const WindowPlacement& placement);

// What restoring a stored placement does: the window is placed hidden at the normal rectangle
// (an empty one is replaced by 0,0,800,600) and maximised afterwards when the stored show
// command was 3. None when the text is empty or does not yield ten numbers: the window stays
// where it is.
struct PlacementRestore {
    PlacementRect normal;
    bool maximise = false;
};
std::optional<PlacementRestore> PlanPlacementRestore(std::string_view text);

// Keeps a rectangle on a screen area: a window stored on a screen that is gone comes back
// whole on the current one (moved, and shrunk only when it is larger than the area).
PlacementRect FitOnScreen(PlacementRect rect, const PlacementRect& screen);

struct PlacementPoint {
    int32_t x = 0, y = 0;
    bool operator==(const PlacementPoint&) const = default;
};

// Where a tool window without a stored placement opens: over the main frame's work area (below
// its menu and toolbar), at the area's top-left corner or `step` further right and down for each
// cascade place that an open window already holds (within half a step). The places run as far as
// the window, or as much of it as half the area, stays inside the area; when every place is held
// the cascade starts over. An empty area leaves the window where it is (none).
std::optional<PlacementPoint> CascadeOverWorkArea(const PlacementRect& area, int32_t width, int32_t height,
                                                   const std::vector<PlacementPoint>& held, int32_t step);

} // namespace fw
