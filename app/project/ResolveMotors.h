#pragma once
// "Resolve Motor Inconsistency": the motors that differ between the project and a detection, one
// row each with the action the user picks (Update, Add, Delete, Leave, Ignore), the parameters of
// the selected row, and "Apply and Exit", which carries the actions out. Widget-free; the dialog
// shows it. Three forms: one port and its detected copy, every port and the detected ports, or one
// motor and its detected twin.

#include <functional>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
class CProject;

enum class ResolveAction { Update, Add, Delete, Leave, Ignore };
const char* ResolveActionText(ResolveAction action);

struct ResolveRow {
    CCommPort* definedPort = nullptr;  // the project's port (none: a detected port without twin)
    CCommPort* detectedPort = nullptr;
    CMotor* defined = nullptr;
    CMotor* detected = nullptr;
    ResolveAction action = ResolveAction::Leave;
    std::string Name() const;
};

// One line of the parameter list: name, both values, and whether the bit is set in the mask.
struct ResolveParameter {
    std::string name;
    std::string defined;
    std::string detected;
    bool differs = false;
};

class CResolveMotorsForm {
public:
    enum : int { kMotorList = 1003, kParameterList = 1255, kFirstButton = 1262, kSecondButton = 1245,
                 kAddAllNew = 1256, kIgnoreAllNew = 1259, kUpdateAllDifferent = 1257,
                 kIgnoreAllDifferent = 1261, kDeleteAllUndetected = 1002, kLeaveAllUndetected = 1260 };
    static constexpr const char* kTitle = "Resolve Motor Inconsistency";
    // Shown for a value that is not known (no checksum, no program name, no motor on that side).
    static constexpr const char* kUnknown = "N/A";

    // Ports that were compared (MergeDetected) beforehand.
    CResolveMotorsForm(CCommPort& port, CCommPort& detected);
    // The list form: every defined port with its detected twin (the detected port's peer), then
    // the detected ports that have none.
    CResolveMotorsForm(const std::vector<CCommPort*>& defined, const std::vector<CCommPort*>& detected);
    // One motor and the motor detected in its place (linked by CompareWith).
    CResolveMotorsForm(CMotor& motor, CMotor& detected);

    const std::vector<ResolveRow>& Rows() const { return m_rows; }
    static std::vector<ResolveParameter> Parameters(const ResolveRow& row);
    // Titles of the two buttons for a row.
    static const char* FirstButtonText(const ResolveRow& row);
    static const char* SecondButtonText(const ResolveRow& row);
    // The two buttons on the selected row: Add/Update/Delete, or Ignore/Leave.
    void ActFirst(int row);
    void ActSecond(int row);
    // The buttons for all rows.
    void OnAllButton(int id);

    // Carries out every row. `project`: what is marked modified, where a detected port without
    // twin gets its port (created when missing); may be null. `motorGoing` is told of each motor
    // before it is deleted. Returns the number of changes; an added motor whose address is taken
    // by then is left out, and the lines that say so are in `refused`.
    int Apply(CProject* project, std::vector<std::string>* refused = nullptr,
              const std::function<void(CMotor*)>& motorGoing = {});

private:
    void AddPortRows(CCommPort* defined, CCommPort* detected);
    std::vector<ResolveRow> m_rows;
};
