#pragma once
// The layout record of the dock bars, as the project file keeps it: per bar "Showed",
// "FloatingRect", "DockingRect", "m_dwStyle", "Where2Dock" and "PosInDockArr", in a group
// "DockDlgs" with one group "Arr%d" per bar. The rules that do not need a window live here: which
// side a style word docks to, how many stored bars are read, and the order bars are put back in.

#include "app/framework/WindowPlacement.h"

#include <cstdint>
#include <vector>

namespace fw {

// Control-bar style bits.
inline constexpr uint32_t CBRS_FLOATING = 0x0001;
inline constexpr uint32_t CBRS_ALIGN_LEFT = 0x1000;
inline constexpr uint32_t CBRS_ALIGN_TOP = 0x2000;
inline constexpr uint32_t CBRS_ALIGN_RIGHT = 0x4000;
inline constexpr uint32_t CBRS_ALIGN_BOTTOM = 0x8000;
inline constexpr uint32_t CBRS_ALIGN_ANY = 0xF000;
inline constexpr uint32_t CBRS_ORIENT_HORZ = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM;
inline constexpr uint32_t CBRS_ORIENT_VERT = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;

// A frame holds up to ten bars; stored positions run 0..19.
inline constexpr int kMaxDockBars = 10;
inline constexpr int kDockPositions = 20;

enum class DockSide { Floating, Left, Top, Right, Bottom };

struct DockBarRecord {
    int32_t showed = 0;
    PlacementRect floatingRect{100, 100, 300, 300};
    PlacementRect dockingRect{};
    uint32_t style = 0;
    uint32_t where2Dock = 0;
    int32_t posInDockArr = 0;
    bool operator==(const DockBarRecord&) const = default;
};

// The side of an alignment word (0 or only the floating bit: floating). Of several alignment
// bits the first of top, bottom, left, right wins, as the framework docks.
DockSide SideOf(uint32_t where2Dock);
uint32_t AlignmentOf(DockSide side);
// "Where2Dock" on save: 0 when floating, else the style's alignment bits.
uint32_t Where2DockOnSave(uint32_t style);

// The number of stored bars that are read into a frame of `slots` bars: a file may claim any
// count, only the frame's slots (at most ten) are filled.
int StoredBarsToRead(int storedCount, int slots = kMaxDockBars);
// A stored position, clamped to 0..19 so that no bar is left out of the restore.
int32_t ClampDockPosition(int32_t stored);
// The order bars are put back in: ascending position (clamped), array order within a position.
std::vector<int> DockRestoreOrder(const std::vector<DockBarRecord>& bars);

} // namespace fw
