#include "app/tuning/gui/CalibrationCommands.h"

#include "app/framework/gui/DockMDI.h"
#include "app/project/CommandSurroundings.h"
#include "app/project/MotorPrograms.h"
#include "app/project/PollingHeld.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/gui/AppContext.h"
#include "app/tuning/gui/CalibrationPowerDlg.h"
#include "app/tuning/gui/CalibrationWizardDlg.h"
#include "app/tuning/gui/LockupWizardDlg.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"
#include "platform/serial/SerialDevice.h"

#include <vector>

namespace tuning::gui {

CCalibrationCommands::CCalibrationCommands(CalibrationWiring wiring) : m_w(std::move(wiring)) {}
CCalibrationCommands::~CCalibrationCommands() = default;

bool CCalibrationCommands::OnCommand(int id)
{
    using namespace shell::ids;
    switch (id) {
    case kTreeVerifyCalibration:
    case kTreeRecalibrate:
    case kTreeCalibrationPower: {
        CMotor* motor = m_w.selectedMotor ? m_w.selectedMotor() : nullptr;
        if (!motor)
            return true;
        if (id == kTreeCalibrationPower)
            SetCalibrationPower(*motor);
        else if (id == kTreeVerifyCalibration)
            OnVerifyCalibration(*motor);
        else
            OnRecalibrate(*motor);
        return true;
    }
    case cmd::ID_LOCKUP_WIZARD: {
        const int port = m_lockupPort;
        m_lockupPort = -1;
        RunLockupWizard(port);
        return true;
    }
    default: return false;
    }
}

CMotor* CCalibrationCommands::MotorOfKey(int portIndex, int address) const
{
    CCommPort* port = m_w.project->Port(portIndex);
    return port ? port->GetMotor(address) : nullptr;
}

void CCalibrationCommands::OnVerifyCalibration(CMotor& motor)
{
    if (CalibrationWarningsAccepted(m_w.app->Questions(), true))
        RunWizard(motor, true);
}

void CCalibrationCommands::OnRecalibrate(CMotor& motor)
{
    if (CalibrationWarningsAccepted(m_w.app->Questions(), false))
        RunWizard(motor, false);
}

void CCalibrationCommands::OnCalibrateMotorKey(uint32_t dataWord, bool verify)
{
    CMotor* motor = MotorOfKey(static_cast<int>(dataWord & 0xFFFF), static_cast<int>(dataWord >> 16));
    if (!motor)
        return;
    verify ? OnVerifyCalibration(*motor) : OnRecalibrate(*motor);
}

void CCalibrationCommands::RunChoice(int portIndex, CalibrationChoice choice)
{
    CCommPort* port = m_w.project->Port(portIndex);
    CMotor* first = port ? port->motors.GetAt(0) : nullptr;
    if (first && choice != CalibrationChoice::None)
        RunWizard(*first, choice == CalibrationChoice::Verify);
}

void CCalibrationCommands::RunWizard(CMotor& motor, bool verify)
{
    PollingHeld held(*m_w.project);
    CCalibrationWizardDlg dlg(m_w.mainWindow, motor, verify ? calwizard::Mode::Verify : calwizard::Mode::Recalibrate,
                              platform::AppProfile(), *m_w.app, platform::AppFolder());
    // The wizard's request to re-calibrate comes once it has ended, for the motor it had.
    dlg.recalibrate = [this, alive = std::weak_ptr<int>(m_alive)](int portIndex, int address) {
        if (!alive.expired())
            OnCalibrateMotorKey(MakeMotorDataWord(portIndex, address), false);
    };
    dlg.DoModal();
}

void CCalibrationCommands::SetCalibrationPower(CMotor& motor)
{
    PollingHeld held(*m_w.project);
    CCalibrationPowerDlg dlg(m_w.mainWindow, motor, platform::AppProfile(), m_w.app->Questions());
    dlg.DoModal();
}

void CCalibrationCommands::RunLockupWizard(int portIndex)
{
    CProject& project = *m_w.project;
    std::vector<CCommPort*> ports;
    for (int i = 0; i < project.PortCount(); ++i)
        ports.push_back(project.Port(i));
    CCommPort* current = project.Port(portIndex >= 0 ? portIndex : m_w.currentPortIndex ? m_w.currentPortIndex() : -1);
    ICommandSurroundings& around = *m_w.around;
    LockupSurroundings s;
    s.writeByte = [](CCommPort& port, uint8_t byte) {
        size_t written = 0;
        return port.Device() && port.Device()->Write(&byte, 1, written) && written == 1;
    };
    s.detectPort = [&around](CCommPort& port) {
        return (around.CommError(commerror::kDetectWithSummary, commerror::Target::Port(&port)) &
                commerror::kAnswerWorks) != 0;
    };
    s.uploadProgram = [&around](CMotor& motor) { UploadMotorProgram(motor, false, around); };
    s.clearEEPROM = [&around, &project](CMotor& motor) {
        ClearMotorEEPROM(motor, around);
        return project.Context().Info().ErrorCount() == 0;
    };
    // Every analyzer page carries the program's tag while the wizard runs.
    std::vector<std::unique_ptr<ProgramTag>> tags;
    for (CCommPort* port : ports)
        tags.push_back(std::make_unique<ProgramTag>(port));
    PollingHeld held(project);
    CLockupWizardDlg dlg(m_w.mainWindow, std::move(ports), current, *m_w.app, s);
    fw::CDockMDI::PlaceOverOwnersWorkArea(&dlg);
    dlg.exec();
}

} // namespace tuning::gui
