#pragma once
// The splash window (shown at start for three seconds, or until double-clicked) with the version
// painted in its band, and the About box.

#include <QDialog>
#include <QTimer>
#include <QWidget>

class QLabel;

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    explicit CSplashWnd(const QString& version, QWidget* parent = nullptr);
    // Shows it centred and top-most and starts its three-second timer.
    void Create();
    // The composed picture: our own drawing with the version centred in the band y 260..280.
    static QPixmap Compose(const QString& version);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QLabel* m_picture;
    QTimer m_timer;
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QString& version, QWidget* parent = nullptr);
};
