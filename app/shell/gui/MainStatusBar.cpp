#include "app/shell/gui/MainStatusBar.h"

#include "app/shell/CommandIds.h"

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent), m_version(new QLabel(this)), m_position(new QLabel(this))
{
    m_version->setObjectName(QString::number(cmd::ID_INDICATOR_VERSION));
    m_position->setObjectName(QString::number(cmd::ID_INDICATOR_POSITION));
    // Each pane is as wide as its sizing text.
    m_version->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Version: XXXXXXX")) + 8);
    m_position->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Ln 1000000, Col 10000000")) + 8);
    m_version->setEnabled(false);
    m_position->setEnabled(false);
    addPermanentWidget(m_version);
    addPermanentWidget(m_position);
}

QLabel* CMainStatusBar::Pane(int id) const
{
    if (id == cmd::ID_INDICATOR_VERSION)
        return m_version;
    if (id == cmd::ID_INDICATOR_POSITION)
        return m_position;
    return nullptr;
}

void CMainStatusBar::SetPaneText(int id, const QString& text)
{
    if (QLabel* pane = Pane(id))
        pane->setText(text);
}
