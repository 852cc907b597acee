#pragma once
// The MDI frame with up to ten dock bars: a QMainWindow whose centre is the MDI area. It collects
// the bars' layout records for the project file and puts a stored layout back: docked bars in
// ascending stored position (which rebuilds their order along each side), floating bars at their
// floating rectangle, each shown or hidden as stored.

#include "app/framework/DockLayout.h"

#include <QMainWindow>

#include <array>
#include <vector>

class QMdiArea;

namespace fw {

class CDockDlg;

class CDockMDI : public QMainWindow {
    Q_OBJECT
public:
    explicit CDockMDI(QWidget* parent = nullptr);

    QMdiArea* MdiArea() const { return m_mdi; }
    // Registers a bar in the next free slot and docks it (hidden) to its first side; false when
    // all ten slots are taken.
    bool AddDockDlg(CDockDlg* bar);
    const std::array<CDockDlg*, kMaxDockBars>& DockDlgs() const { return m_bars; }
    // The bars in use from the start of the array (up to the first free slot).
    std::vector<CDockDlg*> BarsInUse() const;

    // The records of the bars in use, as the bars stand now.
    std::vector<DockBarRecord> CollectDockLayout();
    // Applies records to the bars in use (a missing record leaves its bar as it is).
    void RestoreDockLayout(const std::vector<DockBarRecord>& records);

    // Shows or hides a bar (the View commands).
    void ShowControlBar(CDockDlg* bar, bool show);

    // Moves a window this frame owns, before it is first shown, over the frame's work area (the
    // MDI area, below the menu and toolbar), cascaded after the owned windows already open there.
    // A stored placement applied afterwards still wins; a hidden frame leaves the window alone.
    void PlaceOwnedWindow(QWidget* window) const;
    // The same for a window whose owner is (or is inside) such a frame; others stay as they are.
    static void PlaceOverOwnersWorkArea(QWidget* window);

private:
    QMdiArea* m_mdi;
    std::array<CDockDlg*, kMaxDockBars> m_bars{};
};

} // namespace fw
