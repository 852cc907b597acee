#pragma once
// The calibration and lock-up commands of the main window and of the configuration tree (Verify
// Index Calibration, Recalibrate Quintaloc, Set Calibration Power, Communication Lockup Wizard),
// and the ways other places reach the calibration wizard: the follow-up after Detect Motors, the
// information view's line of a motor whose calibration did not finish, the wizard's own request
// to re-calibrate, and the lock-up choice of the communication-error box. The composition root
// gives what they need; nothing is taken from a global.

#include "app/project/PortCommands.h"

#include <cstdint>
#include <functional>
#include <memory>

class CCommPort;
class CMotor;
class CProject;
class ICommandSurroundings;
class QWidget;
namespace shell {
class CAppContext;
}

namespace tuning::gui {

struct CalibrationWiring {
    QWidget* mainWindow = nullptr;
    CProject* project = nullptr;
    shell::CAppContext* app = nullptr;       // questions, clock
    ICommandSurroundings* around = nullptr;  // detection, upload, clear, the tree
    std::function<CMotor*()> selectedMotor;  // the configuration tree's motor
    std::function<int()> currentPortIndex;   // the terminal's current port
};

class CCalibrationCommands {
public:
    explicit CCalibrationCommands(CalibrationWiring wiring);
    ~CCalibrationCommands();

    // The frame's command handler: true for the ids it took.
    bool OnCommand(int id);

    // Verify Index Calibration / Recalibrate Quintaloc for a motor: the two warnings, then the
    // wizard.
    void OnVerifyCalibration(CMotor& motor);
    void OnRecalibrate(CMotor& motor);
    // The same for the motor of a data word (port index low, address high), as the information
    // view's line and the wizard's own request carry it; nothing when it is gone.
    void OnCalibrateMotorKey(uint32_t dataWord, bool verify);
    // After Detect Motors: the choice the follow-up made, for the port's first motor.
    void RunChoice(int portIndex, CalibrationChoice choice);
    void SetCalibrationPower(CMotor& motor);
    // The lock-up wizard with a port preselected (-1: the terminal's current port).
    void RunLockupWizard(int portIndex = -1);
    // The port the next Communication Lockup Wizard command starts on (the port of a
    // communication error); once.
    void PreselectLockupPort(int portIndex) { m_lockupPort = portIndex; }

private:
    void RunWizard(CMotor& motor, bool verify);
    CMotor* MotorOfKey(int portIndex, int address) const;

    CalibrationWiring m_w;
    int m_lockupPort = -1;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

} // namespace tuning::gui
