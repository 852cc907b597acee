#include "tests/desktop/checks/XServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace desktop {
namespace {

Display* D(void* d) { return static_cast<Display*>(d); }

// A property of longs (windows, atoms, cardinals); empty when the window has none.
std::vector<unsigned long> Longs(Display* d, Window w, const char* name, Atom type)
{
    std::vector<unsigned long> out;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 4096, False, type, &actual, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (format == 32)
            for (unsigned long i = 0; i < count; ++i)
                out.push_back(reinterpret_cast<unsigned long*>(data)[i]);
        XFree(data);
    }
    return out;
}

} // namespace

XServer::XServer() : m_display(XOpenDisplay(nullptr)) {}

XServer::~XServer()
{
    if (m_display)
        XCloseDisplay(D(m_display));
}

std::vector<XId> XServer::Stacking() const
{
    Display* d = D(m_display);
    XSync(d, False);
    const auto list = Longs(d, DefaultRootWindow(d), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
    return {list.begin(), list.end()};
}

XId XServer::TransientFor(XId window) const
{
    Window owner = 0;
    if (!XGetTransientForHint(D(m_display), window, &owner))
        return 0;
    return owner;
}

bool XServer::Viewable(XId window) const
{
    XWindowAttributes a{};
    return XGetWindowAttributes(D(m_display), window, &a) && a.map_state == IsViewable;
}

bool XServer::Modal(XId window) const
{
    Display* d = D(m_display);
    const Atom modal = XInternAtom(d, "_NET_WM_STATE_MODAL", False);
    for (unsigned long state : Longs(d, window, "_NET_WM_STATE", XA_ATOM))
        if (state == modal)
            return true;
    return false;
}

QRect XServer::Geometry(XId window) const
{
    Display* d = D(m_display);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, window, &a))
        return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return {x, y, a.width, a.height};
}

QRect XServer::Frame(XId window) const
{
    const QRect client = Geometry(window);
    const auto e = Longs(D(m_display), window, "_NET_FRAME_EXTENTS", XA_CARDINAL); // left, right, top, bottom
    if (e.size() != 4)
        return client;
    return client.adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
}

void XServer::Click(QPoint at, int button) const
{
    Display* d = D(m_display);
    XTestFakeMotionEvent(d, -1, at.x(), at.y(), 0);
    XTestFakeButtonEvent(d, button, True, 0);
    XTestFakeButtonEvent(d, button, False, 0);
    XFlush(d);
}

void XServer::Key(const std::string& name, const std::vector<std::string>& modifiers) const
{
    Display* d = D(m_display);
    auto code = [d](const std::string& n) { return XKeysymToKeycode(d, XStringToKeysym(n.c_str())); };
    for (const std::string& m : modifiers)
        XTestFakeKeyEvent(d, code(m), True, 0);
    XTestFakeKeyEvent(d, code(name), True, 0);
    XTestFakeKeyEvent(d, code(name), False, 0);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        XTestFakeKeyEvent(d, code(*m), False, 0);
    XFlush(d);
}

} // namespace desktop
