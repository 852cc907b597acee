#pragma once
// The window type of a tool window the main frame owns (monitor, motor view, chart): a top-level
// window with its own title bar, minimise and close buttons that the window manager keeps above
// its owner and minimises with it, and that no taskbar lists. X11 window managers learn the owner
// from WM_TRANSIENT_FOR, which Qt writes only for transient types; so the window is of the dialog
// type (modeless) and its parent, the main frame, is its transient parent.

#include <Qt>

namespace fw {

inline constexpr Qt::WindowFlags kOwnedWindowFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                     Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

} // namespace fw
