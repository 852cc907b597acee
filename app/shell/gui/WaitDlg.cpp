#include "app/shell/gui/WaitDlg.h"

#include "app/framework/gui/Text8.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CWaitDlg::CWaitDlg(QWidget* parent)
    : QDialog(parent), m_text(new QLabel(this)), m_subText(new QLabel(this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("152"));
    setWindowTitle(QStringLiteral("VQX"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_text->setObjectName(QStringLiteral("1069"));
    m_subText->setObjectName(QStringLiteral("1195"));
    m_bar->setObjectName(QStringLiteral("1068"));
    m_cancel->setObjectName(QStringLiteral("2"));
    m_text->setMinimumWidth(320);
    m_text->setWordWrap(true);
    m_subText->setWordWrap(true);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_subText);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    // Sized to its texts whenever they change: a wrapped line gets the height it needs (a minimum
    // size alone leaves a second line cut off).
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_cancel, &QPushButton::clicked, this, &CWaitDlg::cancelPressed);
}

void CWaitDlg::Refresh(const ui::CWaitState& state)
{
    m_text->setText(fw::ToQt(state.ShownText()));
    m_subText->setText(fw::ToQt(state.SubText()));
    m_bar->setVisible(state.BarVisible());
    m_bar->setValue(state.Position());
    m_cancel->setVisible(state.CancelVisible());
}

void CWaitDlg::reject()
{
    // Escape: the same as Cancel, when Cancel is there.
    if (m_cancel->isVisible())
        Q_EMIT cancelPressed();
}

void CWaitDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}
