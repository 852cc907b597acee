#pragma once
#include <QLabel>
#include <QStatusBar>

// The status bar: the message pane, then the panes 59201 and 59200, whose texts the program sets
// itself (they are never updated by the command-update mechanism).
class CMainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMainStatusBar(QWidget* parent = nullptr);
    QLabel* Pane(int id) const;
    void SetPaneText(int id, const QString& text);

private:
    QLabel* m_version;
    QLabel* m_position;
};
