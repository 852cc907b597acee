#pragma once
// What the project's ports tell the windows: the terminal bar's Open button and motor list follow
// a port that opens or closes (whoever opened or closed it), the configuration tree is rebuilt when
// a network or USB port learns its motors, and a received byte may play the chosen sound.

#include "core/port/PortEvents.h"

#include <memory>

class CConfigBar;
class CProject;
class CTerminalBar;
class QProcess;

class CPortWindowsEvents final : public IPortEvents {
public:
    CPortWindowsEvents(CProject& project, CTerminalBar& bar, CConfigBar& tree);
    ~CPortWindowsEvents() override;
    void PortStateChanged(const CCommPort& port) override;
    void RebuildConfigTree() override;
    void MotorRecordChanged(CMotor& motor) override;
    void PlayReceiveSound(const std::string& file) override;

private:
    CProject& m_project;
    CTerminalBar& m_bar;
    CConfigBar& m_tree;
    std::unique_ptr<QProcess> m_sound; // the sound playing (bytes arriving meanwhile play none)
};
