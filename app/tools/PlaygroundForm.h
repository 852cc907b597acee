#pragma once
// The playground (dialog 259) without widgets: pick a port and a motor, connect, poll it in the
// main frame's cycle (with the polling program or the fixed cycle), show LEDs, faults and limits,
// and the five pages' rules. A thin window shows the state and sends the user's actions here.
// Everything the form needs comes in: the session's operation context (questions, options,
// traffic log), the project's ports, the polling-program service and the motor traffic seam.
#include "app/tools/ModelPicture.h"
#include "app/tools/PlaygroundFaults.h"
#include "app/tools/PlaygroundPages.h"
#include "app/tools/PlaygroundPoll.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
class CMotorModel;
namespace ui { class COperationContext; }
namespace platform { class ISerialPortProbe; }

namespace tools {

// Control ids and texts of the window.
namespace pg {
inline constexpr int kTab = 1175, kPortList = 1382, kMotorList = 1055, kDetect = 1007, kConfigure = 1384,
                     kConnect = 1385, kDisconnect = 1005, kShowAtStartup = 1386, kAddress = 1003,
                     kVersion = 1015, kModel = 1006, kClearFlags = 1354, kShowMain = 1392, kLeft = 1416,
                     kSoft = 1417, kRight = 1418, kLink = 1355, kStop = 1403, kOff = 1404;
inline constexpr int kStatusLed0 = 1500, kStatusLabel0 = 1421, kInputLed0 = 1277, kIoLed0 = 1287;
inline constexpr const char* kTitle = "Tessaraxon Playground";
inline constexpr const char* kTabs[5] = {"Position", "Velocity", "Torque", "Terminal", "Motor Info"};
} // namespace pg

// The motor traffic of the playground (the real one goes through CMotor).
class IPlaygroundIo {
public:
    virtual ~IPlaygroundIo() = default;
    virtual void OpenPort(CMotor& motor) = 0;
    virtual void Send(CMotor& motor, const std::string& command) = 0;
    virtual std::string Ask(CMotor& motor, const std::string& command) = 0;
};

// Saving the user's program, loading the polling program and putting the programs back.
class IPollingPrograms {
public:
    virtual ~IPollingPrograms() = default;
    // Empty when the motor's program may be saved (or is saved already), else why not.
    virtual std::string WhyCannotSave(const CMotor& motor) = 0;
    virtual bool Saved(const CMotor& motor) = 0;
    // Saves the user's program (CVQXException 1040 for a corrupt one passes on).
    virtual void SaveUserProgram(CMotor& motor) = 0;
    // The END program, after the user agreed to clear a corrupt program.
    virtual void ClearProgram(CMotor& motor) = 0;
    // Compiles the polling program for the motor into a fresh file and downloads it.
    virtual void DownloadPollingProgram(CMotor& motor) = 0;
    // Puts every saved program back; one message per motor that could not get it back.
    virtual std::vector<std::string> RestoreAll() = 0;
};

// Leaving through button 1392: "Show VQX" while the playground is the program's first window
// (the main window still hidden), "Close" otherwise; in play mode it only closes.
struct LeaveChoice {
    bool writeNoShowAtStartup = false; // OptionBoxes/ShowPlayground = 0
    bool startMainWindow = false;      // the project's start-up shows the main window, then the first screens
};
inline constexpr const char* kShowMainText = "Show VQX";
inline constexpr const char* kCloseText = "Close";
inline constexpr const char* kShowAtStartupText = "Always show Tessaraxon Playground at startup";
// The text of 1392, and whether 1386 is offered, for a window that may hand over to the main
// window (not in play mode) and a main window that is hidden or shown.
inline const char* ShowMainButtonText(bool canShowMain, bool mainHidden)
{
    return canShowMain && mainHidden ? kShowMainText : kCloseText;
}
inline bool OffersShowAtStartup(bool canShowMain, bool mainHidden) { return canShowMain && mainHidden; }
LeaveChoice DecideLeave(bool canShowMain, bool mainHidden, bool showAtStartupChecked);
// Closing the playground while the main window is hidden ends the program (play mode, or a user
// who never asked for the main window).
inline bool ClosingEndsProgram(bool mainHidden, const LeaveChoice& leaving) { return mainHidden && !leaving.startMainWindow; }

struct PlaygroundSettings {
    bool downloadPollProgram = false; // OptionBoxes/DownloadPollProgram
    bool showAtStartup = true;        // OptionBoxes/ShowPlayground
};

class CPlaygroundForm {
public:
    CPlaygroundForm(ui::COperationContext& context, IPlaygroundIo& io, IPollingPrograms& programs,
                    PlaygroundSettings settings);
    ~CPlaygroundForm();

    // ---- ports and motors ----
    struct Entry {
        std::string text;
        int data = -1;        // port list: project port index or -1; motor list: index in the port's list
        std::string portName; // port list: the serial device the entry stands for (empty: Ethernet/USB)
    };
    // What the main frame does with ports for the window: the machine's serial ports (null: only
    // the project's are listed), the project's ports now, the Port Properties dialog (true on OK;
    // an existing port is taken over, reopened and the project marked modified by it), and
    // appending a new port to the project (tree, terminal and analyzer tabs rebuilt, modified).
    struct PortServices {
        std::function<platform::ISerialPortProbe*()> probe;
        std::function<std::vector<CCommPort*>()> ports;
        std::function<bool(CCommPort& port, bool isNew)> properties;
        std::function<bool(std::unique_ptr<CCommPort> port)> append;
    };
    void SetPortServices(PortServices services) { m_portServices = std::move(services); }
    // The machine's serial ports (a project port of that name gives its index), the project's
    // other serial ports, then its Ethernet and USB ports. The entry of the motor's port is chosen,
    // else the one of `prefer`, else the one on the device `preferDevice` (a path or "Com<n>"), else
    // the first.
    void FillPortList(const std::vector<CCommPort*>& ports, const CCommPort* prefer = nullptr,
                      const std::string& preferDevice = {});
    const std::vector<Entry>& PortEntries() const { return m_portEntries; }
    const std::vector<Entry>& MotorEntries() const { return m_motorEntries; }
    int SelectedPort() const { return m_selectedPort; }
    int SelectedMotor() const { return m_selectedMotor; }
    void OnPortSelected(int entry);
    void OnMotorSelected(int entry);
    // The Motor menu's command: this motor, connected again when a motor was connected.
    void SelectMotor(CMotor* motor);
    // The motor is going (deleted or replaced): disconnect without traffic and forget it.
    void ForgetMotor();
    // A port is going: the motor goes with it when it is the port's, and the lists let go of
    // every port they were built from. True when they did: the window lists the project's ports
    // again once the change is over.
    bool PortGoing(const CCommPort* port);
    // Detect Motors: the main frame detects the chosen port's motors (`detect` sends the request
    // for the port and returns the answer), taking them as found when the main window is hidden.
    // Found: the motor at the chosen one's place (or none), listed again, and connected.
    using DetectPort = std::function<uint32_t(CCommPort& port, uint32_t request)>;
    // For a machine port the project lacks, the port is made first and kept only when motors
    // were found.
    void OnDetectMotors(const DetectPort& detect, bool mainHidden);
    // Configure Port: the Port Properties of the chosen port; for a machine port the project
    // lacks a new port, appended on OK and destroyed on Cancel.
    void OnConfigurePort();

    // ---- connection ----
    void OnConnect();
    void OnDisconnect();
    // The window closes: the motor is stopped ("S") and the connection ends.
    void CloseConnection();
    void GoOffline();
    void SetConnected(bool on);
    void SetOnline(int state);
    // One step of the main frame's poll cycle: true when an exchange ran.
    bool PollStep();
    // At window destruction: puts the saved programs back; the messages were shown.
    void RestorePrograms();

    // ---- buttons ----
    void StopMotor();
    void MotorOff();
    void ClearFaults();
    void ToggleOutput(int id);
    void SetLimitCheck(int id, bool checked);
    void SendLimitSettings();
    // Before every move of a page: true when nothing is to be reported; else the user was asked
    // and the move is not made.
    bool AskClearFaults();
    void OnTabChanged(int tab);

    // ---- what the window shows ----
    CMotor* Motor() const { return m_motor; }
    bool Connected() const { return m_connected; }
    bool UsePollingProgram() const { return m_usePollingProgram; }
    int CurrentTab() const { return m_currentTab; }
    int LinkState() const { return m_link; }
    const PollValues& Values() const { return m_values; }
    PollValues& MutableValues() { return m_values; }
    const LimitChecks& Checks() const { return m_checks; }
    int StatusLed(int bit) const { return m_statusLeds[bit]; }
    int InputLed(int i) const { return m_inputLeds[i]; }
    int IoLed(int i) const { return m_ioLeds[i]; }
    // The model picture's lamps (places from the motor's model record, states from the polls).
    const CModelPictureLeds& PictureLeds() const { return m_pictureLeds; }
    CModelPictureLeds& MutablePictureLeds() { return m_pictureLeds; }
    // The motor's model record (none without a motor or for an index beyond the table).
    const CMotorModel* ModelRecord() const;
    // Whether a control is enabled now, by id.
    bool Enabled(int id) const;
    // Whether a status row (bits 16-22), an input LED or an I/O LED is shown for the motor.
    bool StatusRowShown(int bit) const;
    bool InputsShown() const;
    int IoLedCount() const;
    std::string StatusLabel(int bit) const;
    bool StatusLabelBold(int bit) const { return m_statusLeds[bit] == 1; }
    std::string IoLabel(int i) const;
    std::string IoTitle() const;
    std::string IoNote() const;
    std::string AddressText() const; // the address shown under "ADDR:"; empty without a motor
    std::string VersionText() const;
    std::string ModelText() const;
    std::string ToolTip(int id) const;
    Family MotorFamily() const { return m_family; }
    bool Is462() const { return m_is462; }
    const PlaygroundSettings& Settings() const { return m_settings; }
    PlaygroundSettings& MutableSettings() { return m_settings; }

    // ---- pages ----
    CJogPage& Jog() { return *m_jog; }
    CVelocityPage& Velocity() { return *m_velocity; }
    CTorquePage& Torque() { return *m_torque; }
    CTerminalPage& Terminal() { return *m_terminal; }
    CPlaygroundInfoPage& Info() { return *m_info; }

    // ---- what the pages use ----
    ui::COperationContext& Context() const { return m_context; }
    // Sends a command; false after a failure (the connection ended, GoOffline).
    bool Send(const std::string& command);
    // Asks a report; nullopt-like: false after a failure (GoOffline).
    bool Ask(const std::string& command, std::string& reply);
    // Like Ask, without going offline (the terminal page decides).
    std::string AskRaw(const std::string& command);
    // One report of the poll cycle, traffic marked as polling; false after a failure.
    bool PollQuery(const std::string& command, std::string& reply);
    // The polling program's settings for a page, followed by "n=1" on 462 firmware.
    bool SendPollSettings(const std::string& settings);
    int& PollStepIndex() { return m_pollStep; }
    // Refreshes the window (a callback the window sets).
    std::function<void()> changed;
    // Lets the window show a page again after ZS (the velocity or torque page restarts).
    void Notify() const
    {
        if (changed)
            changed();
    }

private:
    int DownloadPollingProgram();
    bool PollWithoutProgram();
    void ApplyPollReply(const std::string& letters, int32_t previousStatus);
    void UpdateStatusLeds(int32_t w);
    void UpdatePictureLeds(int32_t w);
    void UpdateInputLeds();
    void UpdateOutputLeds();
    void SetMotor(CMotor* motor);
    void UpdateForMotor();
    CPlaygroundPage* Page(int tab);
    uint32_t Key(const CMotor& m) const;
    // A new port for a port-list entry without a project port; none (the user was told) when the
    // project has no room left.
    std::unique_ptr<CCommPort> MakeEntryPort(const Entry& entry);
    // The project has the port now: the list is built again with it chosen.
    void PortAdded(const CCommPort* port);
    // The project's ports now (the services'), else those of the last list.
    std::vector<CCommPort*> CurrentPorts() const;

    ui::COperationContext& m_context;
    IPlaygroundIo& m_io;
    IPollingPrograms& m_programs;
    PlaygroundSettings m_settings;
    CMotor* m_motor = nullptr;
    int m_currentTab = 0;
    std::unique_ptr<CJogPage> m_jog;
    std::unique_ptr<CVelocityPage> m_velocity;
    std::unique_ptr<CTorquePage> m_torque;
    std::unique_ptr<CTerminalPage> m_terminal;
    std::unique_ptr<CPlaygroundInfoPage> m_info;
    std::set<uint32_t> m_programTable; // motors holding the polling program (address << 16 | port id)
    bool m_connected = false;
    // Expires with the form: code after a dialog or box learns that its window went meanwhile.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_usePollingProgram = false;
    int m_pollStep = 0;
    PollValues m_values;
    LimitChecks m_checks;
    int m_link = -1;
    std::array<int, 23> m_statusLeds;
    std::array<int, 5> m_inputLeds;
    std::array<int, 7> m_ioLeds;
    CModelPictureLeds m_pictureLeds;
    bool m_outputsKnown = false;
    Family m_family = Family::Older;
    bool m_is462 = false;
    bool m_askingFaults = false;
    std::vector<CCommPort*> m_ports;
    PortServices m_portServices;
    std::vector<Entry> m_portEntries;
    std::vector<Entry> m_motorEntries;
    int m_selectedPort = -1;
    int m_selectedMotor = -1;
};

} // namespace tools
