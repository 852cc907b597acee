#pragma once
// The tuner window (template 180) without widgets: its target motor (the project's, or a
// temporary one it owns), the settings and pages, the samples of the last run or file, the ruler
// and scroll offset, tuning files, the clipboard texts, and the programs it saved. A thin window
// shows this state and hands the user's actions here.
#include "app/tools/ProgramBackupStore.h"
#include "app/tuning/SampleArray.h"
#include "app/tuning/TuningChart.h"
#include "app/tuning/TuningFile.h"
#include "app/tuning/TuningPages.h"
#include "app/tuning/TuningRun.h"
#include "app/tuning/TuningSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
class CScanner;
namespace platform { class Profile; }

namespace tuning {

namespace tuner {
inline constexpr const char* kCaption = "Tuning";
inline constexpr int kMotorName = 1122, kSelectMotor = 1123, kHGrid = 1126, kVGrid = 1127, kRulerTime = 1139,
                     kRulerSample = 1140, kRulerSpin = 1177, kRun = 1076, kScroll = 1118, kList = 1003, kTab = 1175,
                     kPicture = 1089, kPageFrame = 1020;
inline constexpr int kCmdRun = 32984, kCmdOpen = 32985, kCmdSave = 32986, kCmdSaveAs = 32987, kCmdCopyData = 32988,
                     kCmdCopyImage = 32989, kCmdMotorRemoved = 1440;
struct Command {
    int id;
    const char* menu;
    const char* prompt;
    const char* theme; // the picture: a freedesktop icon name, else our drawing (res/icons/cmd)
    const char* own;
};
// The context menu's commands in order (0: separator), their prompts' first lines and pictures.
inline constexpr Command kCommands[] = {
    {kCmdOpen, "Open", "Open an VQX Tuning File", "document-open", nullptr},
    {kCmdSave, "Save", "Save to an VQX Tuning File", "document-save", nullptr},
    {kCmdSaveAs, "Save As", "Save to a new VQX Tuning File", "document-save-as", nullptr},
    {0, nullptr, nullptr, nullptr, nullptr},
    {kCmdCopyData, "Copy Data", "Copy data to the clipboard", "edit-copy", nullptr},
    {kCmdCopyImage, "Copy Chart Image", "Copy image to the clipboard", nullptr, "tuner-copy-image"},
    {0, nullptr, nullptr, nullptr, nullptr},
    {kCmdRun, "Run", "Run Tuning", nullptr, "tuner-run"}};
inline constexpr int kToolbar[5] = {kCmdOpen, kCmdSave, kCmdCopyData, kCmdCopyImage, kCmdRun};
struct Tip {
    int id;
    const char* text;
};
inline constexpr Tip kTips[] = {{kRun, "Run Tuner"},
                                {kSelectMotor, "Select the Target Motor"},
                                {kHGrid, "Show/Hide Horizontal Grid"},
                                {kVGrid, "Show/Hide Vertical Grid"},
                                {kRulerSpin, "Move the Ruler to Left/Right"}};
inline constexpr const char* kMotorRemovedPrompt = "The configuration has changed and you must select a new motor.";
inline constexpr const char* kCloseQuestion = "Do you want to close the Tuning Window?";
inline constexpr const char* kOpenTitle = "Open Tuning File";
// The guide's page of the window (F1), and the topic the prompts of its commands name.
inline constexpr const char* kHelpTopic = "VQXUsersGuide\\Tools\\Tuner\\TuningWindow.htm";
inline constexpr const char* kCommandHelpTopic = "VQXUsersGuide\\Tools\\Tuner\\TuningWindow.htm#TunerContextMenu";
} // namespace tuner

// A motor key: port index in the low 16 bits, address in the high 16 bits.
inline uint32_t MotorKey(int portIndex, int address) { return uint32_t(portIndex & 0xFFFF) | (uint32_t(address) << 16); }

class CTunerForm {
public:
    struct Services {
        ui::COperationContext* context = nullptr;
        CScanner* scanner = nullptr;
        platform::Profile* profile = nullptr;
        std::function<std::vector<CCommPort*>()> ports;            // the project's ports now
        commerror::ICommErrorHandler* commError = nullptr;
        std::string backupFolder = tools::CProgramBackupStore::DefaultFolder();
    };

    explicit CTunerForm(Services services);
    ~CTunerForm();

    // ---- target ----
    // Why no motor can be reached by the key (no port at that index, no ports at all); empty when
    // one can. The target stays as it was then.
    std::string SetTarget(uint32_t key);
    // The user chose the target (Select Motor, or a new one after the motor was removed): as
    // SetTarget, and the next run asks about the motor's faults again.
    std::string SelectTarget(uint32_t key);
    CMotor* Motor() const { return m_motor; }
    bool TemporaryMotor() const { return m_temporary != nullptr; }
    uint32_t Key() const;
    // The motor is going away: the reference is dropped (no traffic).
    void ForgetMotor();
    std::string MotorName() const;

    // ---- settings and pages ----
    void LoadSettings();
    // Takes the Settings page first; the grid switches last.
    void SaveSettings();
    TuningSettings settings;
    GridChecks grid;
    CTuningSettingsForm settingsPage;
    CTuningValuesForm valuesPage;
    void SetMode(int mode);

    // ---- run ----
    // Reads the gains of the target (the window opens only when this succeeds).
    bool ReadValues();
    bool ApplyValues();
    // One run of the current mode; false when nothing ran (no motor, bad settings).
    bool Run();
    RunOutcome lastRun;

    // ---- samples, ruler, scroll ----
    CSampleArray position;
    CSampleArray posError;
    int count = 0;
    int capacity = 0;
    int ruler = -1;
    int scrollOffset = 0;
    // After a run or a file: offset 0 and the ruler at sample 0 (what the spin control writes).
    void ResetView();
    void SetRulerSample(int sample);
    void SetRulerTime(int64_t time);
    int64_t RulerTime() const { return SampleTime(ruler, settings.tuningTime, count); }

    // ---- files ----
    const std::string& SavePath() const { return m_path; }
    // Writes the file; false with the message shown. Sets the save path.
    bool SaveFile(const std::string& path);
    // Reads the file and takes it whole; false with the message shown (the window keeps its state).
    bool OpenFile(const std::string& path);
    // The name proposed by Save As: the save path, else the motor's name.
    std::string ProposedName() const;

    // ---- clipboard ----
    // "Time\tPosition[\tPosError]\r\n" and one line per sample; empty when there are no samples.
    std::string CopyData() const;

    // ---- the saved programs ----
    // Closing: puts every saved program back; the messages of the motors that could not get
    // theirs back (shown as well).
    std::vector<std::string> RestorePrograms();
    // The motors of `port` (null: of every port) are about to be replaced or taken away: the
    // programs saved from them go back now, while they can still be reached. What cannot go back
    // (the motor does not answer, it is not there) stays saved for RestoreWaiting, without a
    // message. Nothing happens while a run is on the way.
    void RestoreBeforeChange(const CCommPort* port);
    // Puts back the saved programs whose motor is in the project again (found by its serial
    // number, wherever its port is now); the others keep waiting. Nothing while a run is on the
    // way.
    void RestoreWaiting();
    bool HoldsPrograms() const { return !m_backups.Entries().empty(); }
    // Whether a run or a restore is on the way (a notice that comes meanwhile waits).
    bool Busy() const { return m_busy; }
    tools::CProgramBackupStore& Backups() { return m_backups; }

private:
    GainsServices Gains() const;
    CMotor* FindMotor(int portIndex, int address) const;
    // The motor a saved program came from: the project's motor of that serial number, else the
    // motor at its key.
    CMotor* MotorOf(const tools::CProgramBackupStore::Entry& entry) const;
    std::vector<tools::CProgramBackupStore::Result> RestoreFound(const CCommPort* onlyPort);
    void Error(const std::string& text) const;

    Services m_services;
    CMotor* m_motor = nullptr;
    std::unique_ptr<CMotor> m_temporary;
    int m_portIndex = 0;
    int m_address = 1;
    bool m_showErrors = true;
    bool m_busy = false;
    std::string m_path;
    tools::CProgramBackupStore m_backups;
};

} // namespace tuning
