#pragma once
// A slot of the main frame that holds a tool window by its interface. It is guarded by the QObject
// behind the window, so it reads empty once that object is destroyed, however it went: its own
// close, Escape, a deferred delete, its parent's destruction, the project or the program ending.
// Nobody has to remember to clear it (docs/design/window-lifetimes.md).

#include "app/shell/ToolWindow.h"

#include <QObject>
#include <QPointer>

namespace shell {

class ToolSlot {
public:
    ToolSlot() = default;
    // A tool window is always a QObject; anything else cannot be guarded and is not kept.
    ToolSlot(IToolWindow* window) : m_object(dynamic_cast<QObject*>(window)), m_window(m_object ? window : nullptr)
    {
        Q_ASSERT(!window || m_object);
    }

    // The window while it lives; null once it went (or for an empty slot).
    IToolWindow* get() const { return m_object ? m_window : nullptr; }
    operator IToolWindow*() const { return get(); }
    IToolWindow* operator->() const { return get(); }
    QObject* Object() const { return m_object.data(); }

private:
    QPointer<QObject> m_object;
    IToolWindow* m_window = nullptr;
};

} // namespace shell
