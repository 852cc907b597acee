#include "app/project/gui/PortWindowsEvents.h"

#include "app/project/Project.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/TerminalBar.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

CPortWindowsEvents::CPortWindowsEvents(CProject& project, CTerminalBar& bar, CConfigBar& tree)
    : m_project(project), m_bar(bar), m_tree(tree)
{
}

CPortWindowsEvents::~CPortWindowsEvents() = default;

void CPortWindowsEvents::PortStateChanged(const CCommPort& port)
{
    for (int i = 0; i < m_project.PortCount(); ++i)
        if (m_project.Port(i) == &port)
            m_bar.UpdatePortButtons(i);
}

void CPortWindowsEvents::RebuildConfigTree() { m_tree.RebuildTree(false); }

void CPortWindowsEvents::MotorRecordChanged(CMotor&) { m_tree.RebuildTree(false); }

void CPortWindowsEvents::PlayReceiveSound(const std::string& file)
{
    // Without waiting and without cutting the sound that plays; where the desktop has no player,
    // nothing sounds.
    if (m_sound && m_sound->state() != QProcess::NotRunning)
        return;
    const QString player = QStandardPaths::findExecutable(QStringLiteral("aplay"));
    const QString path = QString::fromStdString(file);
    if (player.isEmpty() || !QFileInfo(path).isFile())
        return;
    m_sound = std::make_unique<QProcess>();
    m_sound->start(player, {QStringLiteral("-q"), path});
}
