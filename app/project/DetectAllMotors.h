#pragma once
// Detecting (or, on an RS-232 chain, addressing) the motors of one port of the project on a copy
// of the port, reporting progress and outcome in the port's terminal pane and the information
// view, and merging what was found into the project: silently for a port without motors or for
// the default project, otherwise as the user decides in "Different settings detected".
// Widget-free: the pane, the dialog and the refresh of the windows come in through
// IDetectionSurroundings.

#include "app/shell/CommErrorQuery.h"

#include <cstdint>
#include <functional>
#include <string>

class CCommPort;
class CProject;

// Flags of DetectAllMotors (the whole word also goes to the detection routine).
enum : uint32_t {
    kDetectToPane = 0x40000,
    kDetectToInfo = 0x80000,
    kDetectThrow = 0x100000,
    kDetectTakeAsFound = 0x200000,
    kDetectAddressChain = 0x400000,
    kDetectTo100 = 0x800000,
};

// Answers of "Different settings detected".
enum : int {
    kMergeReplace = 1235,
    kMergeAddNew = 1237,
    kMergeAddAndUpdate = 1238,
    kMergeIgnore = 1245,
};
inline constexpr const char* kDifferentChannelKey = "DifferentChannel";

class IDetectionSurroundings {
public:
    virtual ~IDetectionSurroundings() = default;
    // Text and errors in the terminal pane of a port (ShowPortText / ShowError).
    virtual void ShowPortText(int portIndex, const std::string& text) { (void)portIndex, (void)text; }
    virtual void ShowPortError(int portIndex, const std::string& text) { (void)portIndex, (void)text; }
    // The port's motors are about to be replaced or changed: windows on them close first.
    virtual void MotorsChanging(CCommPort& port) { (void)port; }
    // The configuration tree, the port tabs and the analyzer's tabs are rebuilt.
    virtual void PortsChanged() {}
    // The address of the motor a port's terminal tab talks to (0: all motors); -1 without a tab.
    virtual int TargetAddress(int portIndex)
    {
        (void)portIndex;
        return -1;
    }
    // "Different settings detected": kMerge* or any other value when the user resolved the
    // motors one by one ("See Differences" ended with "Apply and Exit"). Asked only when no answer
    // is remembered.
    virtual int AskDifferentSettings(CCommPort& port, CCommPort& detected)
    {
        (void)port, (void)detected;
        return kMergeIgnore;
    }
};

// Every port's motors are about to go (another project, the port list replaced): MotorsChanging
// for each port of the project.
void AllMotorsChanging(CProject& project, IDetectionSurroundings& surroundings);

// Returns a detection failure code (2, 4, 8, 16, 32, 64, 128, 256, 0x40000), or for a finished
// detection 0x10001 (the port was changed), 0x20001 (left as it was) or 1 (detected settings
// ignored). The project's port is reopened afterwards when it was open.
uint32_t DetectAllMotors(CProject& project, CCommPort& port, uint32_t flags, IDetectionSurroundings& surroundings);

// The merge of a detected port into the project's port for an answer of the dialog; true when
// anything changed.
bool MergeDetectedMotors(CCommPort& port, const CCommPort& detected, int answer);

// What the communication-error query does with the project: detection through DetectAllMotors,
// warnings and the summary in the information view, the recovery commands through a callback.
class CProjectRecoveryActions final : public commerror::ICommErrorActions {
public:
    CProjectRecoveryActions(CProject& project, IDetectionSurroundings& surroundings,
                            std::function<void(int)> runCommand = {})
        : m_project(project), m_surroundings(surroundings), m_runCommand(std::move(runCommand))
    {
    }
    uint32_t DetectAllMotors(CCommPort& port, uint32_t flags) override;
    void RunRecoveryCommand(int choice) override;
    void RunRecoveryCommandFor(int choice, CCommPort& port) override;
    // Takes the recovery commands with the index of the port the request was about.
    std::function<void(int choice, int portIndex)> runCommandFor;
    void AddInfoWarning(const std::string& text) override;
    void ShowInfoSummary() override;

private:
    CProject& m_project;
    IDetectionSurroundings& m_surroundings;
    std::function<void(int)> m_runCommand;
};
