#pragma once
// The motor view without widgets: one motor in five pages (Status, Info, Monitor, User Variables,
// Flags), the tab it shows, the poll step it hands to the visible page, the close question, and
// its state in the project ("MV%d": the motor by port and motor index, placement, tab, and each
// page's section). The window (gui/) builds the pages' widgets over these forms.

#include "app/tools/MotorFlagsForm.h"
#include "app/tools/MotorMonitorPageForm.h"
#include "app/tools/MotorPageQuery.h"
#include "app/tools/MotorStatusForm.h"
#include "app/tools/MotorVariablesForm.h"

#include <functional>
#include <memory>
#include <string>

class CMotor;
class CTagArchive;

namespace tools {

namespace motorview {
inline constexpr int kTabs = 5;
inline constexpr int kStatusTab = 0, kInfoTab = 1, kMonitorTab = 2, kVariablesTab = 3, kFlagsTab = 4;
inline constexpr const char* kTabLabels[kTabs] = {"Status", "Info", "Monitor", "User Variables", "Flags"};
inline constexpr const char* kHelpTopics[kTabs] = {
    "VQXUsersGuide\\Tools\\MotorView\\Status.htm", "VQXUsersGuide\\Tools\\MotorView\\Info.htm",
    "VQXUsersGuide\\Tools\\MotorView\\Monitor.htm", "VQXUsersGuide\\Tools\\MotorView\\UserVariables.htm",
    "VQXUsersGuide\\Tools\\MotorView\\Flags.htm"};
inline constexpr const char* kViewHelpTopic = "VQXUsersGuide\\Tools\\MotorView\\MotorView.htm";
inline constexpr const char* kMemMapHelpTopic = "VQXUsersGuide\\Tools\\MotorView\\MemMap.htm";
inline constexpr const char* kTabTip = "Select Motor View Page";
inline constexpr int kTabControl = 1175;
} // namespace motorview

// How a motor of the project is found by its indexes, and its indexes back.
struct MotorIndexes {
    int portIndex = -1;
    int motorIndex = -1;
};
using MotorByIndexes = std::function<CMotor*(int portIndex, int motorIndex)>;

class CMotorViewForm {
public:
    CMotorViewForm(int slotIndex, CMotor* motor, int portIndex, MonitorServices monitorServices, IMonitorHost& monitorHost);

    int SlotIndex() const { return m_slot; }
    MotorViewLink& Link() { return m_link; }
    CMotor* Motor() const { return m_link.motor; }
    // The window title: "MotorView - "<name>"".
    std::string Caption() const;

    CMotorStatusForm& Status() { return m_status; }
    CMotorMonitorPageForm& Monitor() { return m_monitor; }
    CMotorVariablesForm& Variables() { return m_variables; }
    CMotorFlagsForm& Flags() { return m_flags; }

    int CurrentTab() const { return m_tab; }
    void SelectTab(int tab);
    std::string HelpTopic() const;

    // One step of the main frame's cycle, handed to the visible page; false on the Info page,
    // while polling is not allowed, or without a motor.
    bool PollStep();
    // The motor's data changed (Get Info, Edit Properties): the pages follow its family.
    void MotorChanged();
    // Lets go of the motor at once (it is being replaced or deleted); the pages stop touching it.
    void ForgetMotor();
    // The monitor page's save question.
    bool CanClose() { return m_link.motor ? m_monitor.CanClose() : true; }

    // "MV%d": storing writes the motor's indexes (from `indexes`), placement, tab and the pages'
    // sections; loading finds the motor with `find` (none: the view is dropped). False when the
    // group is absent or, loading, no motor was found.
    bool SaveState(const std::string& group, CTagArchive& ar, const MotorIndexes& indexes, const MotorByIndexes& find);
    std::string Placement;

private:
    int m_slot;
    MotorViewLink m_link;
    int m_tab = 0;
    CMotorStatusForm m_status;
    CMotorMonitorPageForm m_monitor;
    CMotorVariablesForm m_variables;
    CMotorFlagsForm m_flags;
};

} // namespace tools
