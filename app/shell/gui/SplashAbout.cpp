#include "app/shell/gui/SplashAbout.h"

#include "app/framework/gui/PaintNow.h"
#include "app/res/gui/Icons.h"
#include "app/shell/SmallForms.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QPixmap CSplashWnd::Compose(const QString& version)
{
    QPixmap pm(420, 300);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 300);
    g.setColorAt(0, QColor(236, 241, 250));
    g.setColorAt(1, QColor(198, 212, 238));
    p.fillRect(pm.rect(), g);
    p.drawPixmap(30, 40, res::AppIcon().pixmap(64, 64));
    QFont title(QStringLiteral("Tahoma"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(10, 52, 170));
    p.drawText(QRect(110, 40, 300, 64), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("VQX"));
    QFont sub(QStringLiteral("Tahoma"));
    sub.setPixelSize(18);
    p.setFont(sub);
    p.drawText(QRect(0, 130, 420, 40), Qt::AlignCenter, QStringLiteral("Tessaraxon Interface"));
    // The version, transparently in the band y 260..280 across the picture's width.
    QFont band(QStringLiteral("Tahoma"));
    band.setPixelSize(15);
    band.setBold(true);
    p.setFont(band);
    p.setPen(QColor(10, 52, 170));
    p.drawText(QRect(0, 260, 420, 20), Qt::AlignCenter, version);
    return pm;
}

CSplashWnd::CSplashWnd(const QString& version, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_picture(new QLabel(this))
{
    setObjectName(QStringLiteral("169"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_picture->setObjectName(QStringLiteral("1079"));
    const QPixmap pm = Compose(version);
    m_picture->setPixmap(pm);
    m_picture->setGeometry(0, 0, pm.width(), pm.height());
    setFixedSize(pm.size());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::close);
}

void CSplashWnd::Create()
{
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    // The start-up goes on loading right after this: the picture is on the screen before that.
    fw::ShowPainted(this);
    raise();
    m_timer.start(3000);
}

void CSplashWnd::mouseDoubleClickEvent(QMouseEvent*) { close(); }

CAboutDlg::CAboutDlg(const QString& version, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("About VQX"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* icon = new QLabel(this);
    icon->setPixmap(res::AppIcon().pixmap(44, 44));
    auto* text = new QLabel(QString::fromStdString(shell::AboutText(version.toStdString())), this);
    text->setObjectName(QStringLiteral("1015"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
