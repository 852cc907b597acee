#include "tests/desktop/XDesk.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <poll.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace desk {

namespace {

// Windows come and go between a listing and its use: a request on one that went is no fault.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace

XDesk::XDesk()
{
    m_dpy = XOpenDisplay(nullptr);
    if (!m_dpy)
        throw std::runtime_error("no X display (DISPLAY is not set or the server is gone)");
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_dpy, &event, &error, &major, &minor))
        throw std::runtime_error("the X server has no XTest extension");
    XSetErrorHandler(IgnoreError);
    m_root = DefaultRootWindow(m_dpy);
    // Ping answers are sent to the root window for the window manager; they reach us too (the
    // X11 platform of Qt sends them to those who select StructureNotify on the root).
    XSelectInput(m_dpy, m_root, StructureNotifyMask | SubstructureNotifyMask);
    m_stacking = XInternAtom(m_dpy, "_NET_CLIENT_LIST_STACKING", False);
    m_pid = XInternAtom(m_dpy, "_NET_WM_PID", False);
    m_protocols = XInternAtom(m_dpy, "WM_PROTOCOLS", False);
    m_ping = XInternAtom(m_dpy, "_NET_WM_PING", False);
    m_close = XInternAtom(m_dpy, "_NET_CLOSE_WINDOW", False);
    m_active = XInternAtom(m_dpy, "_NET_ACTIVE_WINDOW", False);
    m_name = XInternAtom(m_dpy, "_NET_WM_NAME", False);
    m_utf8 = XInternAtom(m_dpy, "UTF8_STRING", False);
}

XDesk::~XDesk()
{
    if (m_dpy)
        XCloseDisplay(m_dpy);
}

int XDesk::ScreenWidth() const { return DisplayWidth(m_dpy, DefaultScreen(m_dpy)); }
int XDesk::ScreenHeight() const { return DisplayHeight(m_dpy, DefaultScreen(m_dpy)); }

long XDesk::Property(Window w, Atom name, Atom type, std::vector<unsigned long>* out) const
{
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    out->clear();
    if (XGetWindowProperty(m_dpy, w, name, 0, 4096, False, type, &actual, &format, &count, &after, &data) != Success)
        return 0;
    if (data && format == 32)
        out->assign(reinterpret_cast<unsigned long*>(data), reinterpret_cast<unsigned long*>(data) + count);
    if (data)
        XFree(data);
    return static_cast<long>(out->size());
}

std::string XDesk::Title(Window w) const
{
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(m_dpy, w, m_name, 0, 256, False, m_utf8, &actual, &format, &count, &after, &data) == Success &&
        data && format == 8)
        title.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    return title;
}

std::vector<Win> XDesk::Windows(int pid, std::vector<Window>* hidden)
{
    std::vector<Win> out;
    std::vector<unsigned long> ids, owner;
    auto add = [&](Window id, bool popup) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(m_dpy, id, &a))
            return false;
        if (Property(id, m_pid, XA_CARDINAL, &owner) != 1 || static_cast<int>(owner[0]) != pid)
            return false;
        if (popup && !a.override_redirect)
            return false;
        if (a.map_state != IsViewable || a.width < 3 || a.height < 3)
            return true; // the program's, not shown
        Win win;
        Window child = 0;
        win.id = id;
        win.popup = popup;
        win.w = a.width;
        win.h = a.height;
        if (!XTranslateCoordinates(m_dpy, id, m_root, 0, 0, &win.x, &win.y, &child))
            return false;
        win.title = Title(id);
        out.push_back(win);
        return false;
    };
    if (hidden)
        hidden->clear();
    Property(m_root, m_stacking, XA_WINDOW, &ids);
    for (unsigned long id : ids)
        if (add(id, false) && hidden)
            hidden->push_back(id);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(m_dpy, m_root, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i)
            add(children[i], true);
        if (children)
            XFree(children);
    }
    return out;
}

void XDesk::Click(int x, int y, int button, int count)
{
    XTestFakeMotionEvent(m_dpy, -1, x, y, CurrentTime);
    for (int i = 0; i < count; ++i) {
        if (i)
            Pause(60); // well within a double-click's interval
        XTestFakeButtonEvent(m_dpy, button, True, CurrentTime);
        XTestFakeButtonEvent(m_dpy, button, False, CurrentTime);
        XFlush(m_dpy);
    }
}

void XDesk::Drag(int x0, int y0, int x1, int y1)
{
    XTestFakeMotionEvent(m_dpy, -1, x0, y0, CurrentTime);
    XTestFakeButtonEvent(m_dpy, 1, True, CurrentTime);
    XFlush(m_dpy);
    constexpr int kMoves = 6;
    for (int i = 1; i <= kMoves; ++i) {
        Pause(15);
        XTestFakeMotionEvent(m_dpy, -1, x0 + (x1 - x0) * i / kMoves, y0 + (y1 - y0) * i / kMoves, CurrentTime);
        XFlush(m_dpy);
    }
    XTestFakeButtonEvent(m_dpy, 1, False, CurrentTime);
    XFlush(m_dpy);
}

void XDesk::KeyOf(unsigned long sym, bool down)
{
    const KeyCode code = XKeysymToKeycode(m_dpy, sym);
    if (code)
        XTestFakeKeyEvent(m_dpy, code, down ? True : False, CurrentTime);
}

void XDesk::Chord(const std::vector<unsigned long>& modifiers, unsigned long key)
{
    for (unsigned long m : modifiers)
        KeyOf(m, true);
    // A hand holds the modifier a moment before the key: Qt takes the modifier state from the
    // keyboard's state notifications, which may come after a key pressed at once.
    if (!modifiers.empty()) {
        XFlush(m_dpy);
        Pause(40);
    }
    KeyOf(key, true);
    KeyOf(key, false);
    if (!modifiers.empty()) {
        XFlush(m_dpy);
        Pause(20);
    }
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        KeyOf(*m, false);
    XFlush(m_dpy);
}

void XDesk::Type(const std::string& text)
{
    for (char c : text) {
        // Printable ASCII keysyms are the characters themselves; the shifted ones need Shift.
        const KeySym sym = static_cast<unsigned char>(c);
        const KeyCode code = XKeysymToKeycode(m_dpy, sym);
        if (!code)
            continue;
        const bool shift = XkbKeycodeToKeysym(m_dpy, code, 0, 0) != sym;
        Chord(shift ? std::vector<unsigned long>{XK_Shift_L} : std::vector<unsigned long>{}, sym);
        Pause(5);
    }
}

void XDesk::RootMessage(Window w, Atom type, long d0, long d1, long d2)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = d0;
    e.xclient.data.l[1] = d1;
    e.xclient.data.l[2] = d2;
    XSendEvent(m_dpy, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(m_dpy);
}

// Source 2: a pager or task bar, which the window manager obeys as the user.
void XDesk::Close(Window w) { RootMessage(w, m_close, CurrentTime, 2, 0); }
void XDesk::Activate(Window w) { RootMessage(w, m_active, 2, CurrentTime, 0); }

bool XDesk::Ping(Window w, int ms)
{
    const long tag = ++m_tag;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = m_protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(m_ping);
    e.xclient.data.l[1] = tag;
    e.xclient.data.l[2] = static_cast<long>(w);
    XSendEvent(m_dpy, w, False, NoEventMask, &e);
    XFlush(m_dpy);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        while (XPending(m_dpy)) {
            XEvent in;
            XNextEvent(m_dpy, &in);
            if (in.type == ClientMessage && in.xclient.message_type == m_protocols &&
                static_cast<Atom>(in.xclient.data.l[0]) == m_ping && in.xclient.data.l[1] == tag)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{ConnectionNumber(m_dpy), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

void XDesk::Sync() { XSync(m_dpy, False); }

void XDesk::SaveScreen(const std::string& path)
{
    const int w = ScreenWidth(), h = ScreenHeight();
    XImage* image = XGetImage(m_dpy, m_root, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image)
        return;
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const char rgb[3] = {static_cast<char>((p >> 16) & 255), static_cast<char>((p >> 8) & 255), static_cast<char>(p & 255)};
            out.write(rgb, 3);
        }
    XDestroyImage(image);
}

} // namespace desk
