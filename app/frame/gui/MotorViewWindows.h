#pragma once
// The motor views of the main frame: opened from the configuration tree (double click, context
// menu) and from Tools > Motor View in the first free of its ten slots, with what a view needs of
// the running project passed in; kept in the project file ("NoOfMVs", "MV%d") and reopened with
// it; closed when their motor goes.

#include "app/project/Project.h"

#include <functional>
#include <memory>
#include <string>

class CMainFrame;
class CMotor;
class CMotorViewDlg;
class CTerminalBar;
namespace commerror {
class ICommErrorHandler;
}

class CMotorViewWindows final : public IProjectSection {
public:
    struct Sources {
        CMainFrame& frame;
        CProject& project;
        CTerminalBar& bar;
        commerror::ICommErrorHandler& query;
        std::function<void(CMotor& defined, CMotor& detected)> resolve;
        std::function<bool(CMotor&)> editProperties; // the motor settings dialog; true on OK
    };
    explicit CMotorViewWindows(Sources sources);
    ~CMotorViewWindows() override;

    // A view of `motor` (a motor of the project, or one made for the view alone: `owned`) in the
    // first free slot, shown on `tab`. Null when all ten slots are taken.
    CMotorViewDlg* Open(CMotor* motor, std::unique_ptr<CMotor> owned = {}, int tab = 0);
    // Tools > Motor View: the Select Motor dialog, then a view of the chosen motor.
    void OnMotorViewCommand();

    // The project's motor views (IProjectSection).
    void SerializeSection(const std::string& group, CTagArchive& ar) override;

private:
    int FreeSlot() const;
    int PortIndexOf(const CMotor* motor) const;
    CMotorViewDlg* Create(int slot, CMotor* motor, std::unique_ptr<CMotor> owned);

    Sources m_sources;
};
