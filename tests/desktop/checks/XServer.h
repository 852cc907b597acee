#pragma once
// The X server as the window manager and the user see it, through a connection of its own: the
// window manager's stacking order, each window's owner (WM_TRANSIENT_FOR), whether it is mapped
// and modal, where it is; and real input (XTest): clicks and keys go through the server to
// whichever window is there, as a user's would. Kept apart from Qt's headers (Xlib's macros).

#include <QPoint>
#include <QRect>

#include <string>
#include <vector>

namespace desktop {

using XId = unsigned long;

class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool Connected() const { return m_display != nullptr; }
    // The windows the window manager manages, bottom of the stack first.
    std::vector<XId> Stacking() const;
    // The window's owner as the window manager reads it (0: none).
    XId TransientFor(XId window) const;
    bool Viewable(XId window) const;
    // The window manager's modal state of the window (_NET_WM_STATE_MODAL).
    bool Modal(XId window) const;
    // The window's client area in screen coordinates.
    QRect Geometry(XId window) const;
    // The window manager's frame around the window (title bar and borders).
    QRect Frame(XId window) const;
    // A click of `button` at a point of the screen; the pointer stays there.
    void Click(QPoint at, int button = 1) const;
    // A key by its X name ("F1", "Escape", "Return"), with modifier keys held ("Alt_L").
    void Key(const std::string& name, const std::vector<std::string>& modifiers = {}) const;

private:
    void* m_display = nullptr;
};

} // namespace desktop
