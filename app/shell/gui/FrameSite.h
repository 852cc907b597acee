#pragma once
// What the windows of an area reach of the main window without knowing it: its menu bar and MDI
// area, the program's context, the command table with a handler of their own, the information
// bar, the status panes and the tool-window slots. The main frame implements it and hands it to the areas it wires together
// (an area never includes the frame).

#include "app/shell/MotorLookup.h"
#include "app/shell/ToolWindow.h"

#include <functional>

class CInfoBar;
class CMainStatusBar;
class CMotor;

namespace fw {
class CDockMDI;
class CommandTable;
} // namespace fw

namespace shell {

class CAppContext;

class IFrameSite {
public:
    virtual ~IFrameSite() = default;

    // The questions, please-wait, information lines, settings, desktop services and compiler the
    // windows of the program work with.
    virtual CAppContext& Context() const = 0;
    virtual fw::CDockMDI& Window() = 0;
    virtual fw::CommandTable& Commands() const = 0;
    // Offered every command id the frame's own commands do not take, in the order added, until
    // one answers true.
    virtual void AddCommandHandler(std::function<bool(int id)> handler) = 0;
    virtual CInfoBar* InfoBar() const = 0;
    // The status bar with the version (59200) and position (59201) panes.
    virtual CMainStatusBar* StatusBar() const = 0;

    // The tool-window slots (`kToolSlots` monitor windows and motor views, one playground, tuner
    // and chart view). A slot empties by itself when its window is destroyed, however that came
    // about; a window that closes and goes later clears it at once.
    virtual IToolWindow* MonitorWindow(int slot) const = 0;
    virtual IToolWindow* MotorView(int slot) const = 0;
    virtual void SetMonitorWindow(int slot, IToolWindow* window) = 0;
    virtual void SetMotorView(int slot, IToolWindow* window) = 0;
    virtual IToolWindow* Playground() const = 0;
    virtual IToolWindow* Tuner() const = 0;
    virtual IToolWindow* ChartView() const = 0;
    virtual void SetPlayground(IToolWindow* window) = 0;
    virtual void SetTuner(IToolWindow* window) = 0;
    virtual void SetChartView(IToolWindow* window) = 0;
    virtual void ClearToolSlot(IToolWindow* window) = 0;
    // The project's ports and the terminal's current port and address, for GetMotorByIndex.
    virtual MotorLookupState MotorLookup() const = 0;
    // The one notice of what changed under the windows: every tool window in a slot is told.
    virtual void TellToolWindows(const SessionChange& change) = 0;
    // A motor is going: views of it close (queued), a tuner or playground showing it lets go.
    void RemoveMotorWindows(const CMotor* motor) { TellToolWindows({SessionChange::MotorGoing, motor, nullptr}); }
};

} // namespace shell
