#pragma once
// The small help window VQX shows the user guide in when the desktop has no web browser to open
// it: one page at a time, its links followed inside the window, Back and Forward.

#include <QDialog>

class QTextBrowser;

namespace help {

class CHelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit CHelpViewer(QWidget* parent = nullptr);
    // Shows a page of the guide at an anchor (none: its top).
    void ShowPage(const QString& file, const QString& anchor);
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

} // namespace help
