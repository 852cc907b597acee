#pragma once
// A dock bar of the MDI frame (on QDockWidget): a titled tool view that docks to any side or
// floats, hides with its "X" button, and keeps the layout record the project stores
// (DockBarRecord). The bar's numeric id is its object name and its help topic.

#include "app/framework/DockLayout.h"

#include <QDockWidget>

namespace fw {

class CDockDlg : public QDockWidget {
    Q_OBJECT
public:
    // `where2Dock`: the side it docks to at first (an alignment bit, 0 = floating).
    CDockDlg(const QString& title, int id, uint32_t where2Dock, PlacementRect floatingRect = {100, 100, 300, 300},
             QWidget* parent = nullptr);

    int Id() const { return m_id; }
    QString Title() const { return windowTitle(); }
    // The help topic of a point of the bar (null: the bar as a whole); the bar's id by default.
    virtual int GetHelpTopicAt(const QPoint* screenPoint) const;

    // The record as it was last applied or collected.
    DockBarRecord& Record() { return m_record; }
    const DockBarRecord& Record() const { return m_record; }

private:
    int m_id;
    DockBarRecord m_record;
};

// Escape in a bar: the focus goes to the view of the main frame's active child window (the bar
// stays a child of the main window when it floats).
void FocusActiveDocument(QWidget* inBar);

} // namespace fw
