#include "app/shell/gui/HelpViewer.h"

#include "app/res/gui/Icons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace help {

CHelpViewer::CHelpViewer(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("VQX Help"));
    setWindowIcon(res::AppIcon());
    setModal(false);
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);
    auto* back = new QPushButton(QStringLiteral("Back"), this);
    auto* forward = new QPushButton(QStringLiteral("Forward"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    back->setObjectName(QStringLiteral("back"));
    forward->setObjectName(QStringLiteral("forward"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addLayout(buttons);
    resize(640, 560);
}

void CHelpViewer::ShowPage(const QString& file, const QString& anchor)
{
    QUrl url = QUrl::fromLocalFile(file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}

} // namespace help
