#pragma once
// The desktop as a user meets it, through the X server: the windows a program shows (the window
// manager's clients in stacking order, and its open menus and popups), real input by the XTest
// extension, the window manager's close, and _NET_WM_PING to tell whether a window answers.

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace desk {

struct Win {
    Window id = 0;
    int x = 0, y = 0, w = 0, h = 0; // root coordinates of the client area
    bool popup = false;             // an override-redirect window: a menu, a combo's list, a tooltip
    std::string title;
};

class XDesk {
public:
    XDesk(); // throws std::runtime_error without a display or the XTest extension
    ~XDesk();
    XDesk(const XDesk&) = delete;
    XDesk& operator=(const XDesk&) = delete;

    // The visible windows of process `pid`, bottom to top: managed windows in the window manager's
    // stacking order, then open popups; `hidden` gets its managed windows not shown (minimised).
    std::vector<Win> Windows(int pid, std::vector<Window>* hidden = nullptr);
    int ScreenWidth() const;
    int ScreenHeight() const;

    void Click(int x, int y, int button, int count);
    void Drag(int x0, int y0, int x1, int y1);
    // A key with modifiers held (keysyms, e.g. XK_Control_L), pressed and released.
    void Chord(const std::vector<unsigned long>& modifiers, unsigned long key);
    void Type(const std::string& text);
    // The window manager's close (as its close button) and its activation (as a task bar).
    void Close(Window w);
    void Activate(Window w);
    // Pings the client of `w`; true when it answered within `ms`.
    bool Ping(Window w, int ms);
    void Sync();
    // The screen as a picture (binary PPM), to look at after a failure.
    void SaveScreen(const std::string& path);

private:
    void KeyOf(unsigned long sym, bool down);
    void RootMessage(Window w, Atom type, long d0, long d1, long d2);
    long Property(Window w, Atom name, Atom type, std::vector<unsigned long>* out) const;
    std::string Title(Window w) const;

    Display* m_dpy = nullptr;
    Window m_root = 0;
    long m_tag = 0x5a000000;
    Atom m_stacking, m_pid, m_protocols, m_ping, m_close, m_active, m_name, m_utf8;
};

} // namespace desk
