#pragma once
// The order in which the main frame closes the program, and where it may be refused. Every step
// is asked of a participant (the frame), so that the order and the refusals are tested without a
// window:
//   1. the framework's close hook may refuse;
//   2. modified documents are saved (may be refused);
//   3. every monitor window, then every motor view, may refuse (the first refusal stops);
//   4. "Workspace"\"LastWSP": the project's path, "" for the default project with the frame
//      visible, unchanged with the frame hidden (play mode);
//   5. with SaveWorkspace the project is saved; else a modified project other than the default
//      one is asked about ("Do you want to save changes to the current project?"; Cancel stops);
//   6. tuner and playground closed; 7. ports closed; 8. monitor windows and motor views closed;
//   9. the placement saved; 10. the poll timer stopped; 11. the find dialog destroyed;
//   12. documents closed and the frame destroyed.
// A save that fails stops the close, so that nothing is lost without the user knowing.

#include <string>

namespace shell {

inline constexpr const char* kSaveProjectQuestion = "Do you want to save changes to the current project?";

class ICloseParticipant {
public:
    virtual ~ICloseParticipant() = default;
    virtual bool CloseHookAllows() = 0;
    virtual bool SaveModifiedDocuments() = 0;
    virtual bool ToolWindowsCanClose() = 0;
    virtual bool ProjectIsDefault() = 0;
    virtual bool ProjectModified() = 0;
    virtual std::string ProjectPath() = 0;
    virtual bool FrameVisible() = 0;
    virtual bool SaveWorkspaceSetting() = 0;
    virtual void WriteLastWorkspace(const std::string& path) = 0;
    // Saves the project; false when it could not be saved (the participant told the user).
    virtual bool SaveProject() = 0;
    // The remembered-answer box with Yes, No and Cancel; the button's answer.
    virtual int AskSaveProject() = 0;
    virtual void CloseTunerAndPlayground() = 0;
    virtual void ClosePorts() = 0;
    virtual void CloseToolWindows() = 0;
    virtual void SaveWindowPos() = 0;
    virtual void StopPollTimer() = 0;
    virtual void DestroyFindDialog() = 0;
    virtual void CloseDocumentsAndDestroy() = 0;
};

// Runs the close sequence; true when the program is closing.
bool RunCloseSequence(ICloseParticipant& p);

} // namespace shell
