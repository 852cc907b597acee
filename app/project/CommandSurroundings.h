#pragma once
// What the main frame's commands need of the windows around them, beyond what detection needs:
// the communication-error request of the frame, the configuration tree, the terminal, and the
// editor's documents. The project's operation context carries the please-wait dialog, the
// questions and the information view.

#include "app/project/DetectAllMotors.h"
#include "app/shell/CommError.h"

#include <string>
#include <vector>

class CMotor;
class CProject;

class ICommandSurroundings : public IDetectionSurroundings {
public:
    // WM_COMM_ERROR sent to the main frame; the answer as the contract says.
    virtual uint32_t CommError(uint32_t request, commerror::Target target)
    {
        (void)request, (void)target;
        return commerror::kGaveUp;
    }
    // "Different settings detected" in its list form (every port and its detected copy; a null
    // copy for a port left out): kMerge* or any other value when the user resolved the motors one
    // by one. Asked only when no answer is remembered.
    virtual int AskDifferentSettings(CProject& project, const std::vector<CCommPort*>& detected)
    {
        (void)project, (void)detected;
        return kMergeIgnore;
    }
    using IDetectionSurroundings::AskDifferentSettings;
    // "Resolve Motor Inconsistency" for one motor of the project and its freshly read copy.
    virtual void ResolveMotor(CMotor& motor, CMotor& read) { (void)motor, (void)read; }
    // The configuration tree is refilled (and its bar shown when `show`).
    virtual void RebuildTree(bool show) { (void)show; }
    // The terminal bar's description of a port is refreshed (after a baud change).
    virtual void PortSettingsChanged(int portIndex) { (void)portIndex; }
    // "Talk to Motors": the terminal bar shown with the focus in the current pane.
    virtual void TalkToMotors() {}
    // A source file open in an editor is saved before it is compiled; false when it could not be.
    virtual bool SaveOpenDocument(const std::string& path)
    {
        (void)path;
        return true;
    }
    // An uploaded program becomes a new, modified document of the source (or calibration source)
    // template with the title given; the file is the document's to read and may be deleted after.
    // False when no document could be made (the file is then kept for the user).
    virtual bool OpenUploadedProgram(const std::string& file, const std::string& title, bool calibration)
    {
        (void)file, (void)title, (void)calibration;
        return false;
    }
};

// True for the error codes that the communication-error query may recover from.
inline bool IsRecoverableCode(int code) { return (code >= 1005 && code <= 1007) || (code >= 1011 && code <= 1013); }
