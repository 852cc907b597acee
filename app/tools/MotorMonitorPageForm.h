#pragma once
// The Monitor page of a motor view without widgets: the watch list of one motor (the monitor
// window's list and commands), its monitor template files (".mtf", the monitor file's layout),
// Scaled and Hex, its poll step and Refresh, and the close question. Every item stays bound to
// the view's motor, also when a template stored another one.

#include "app/tools/MonitorForm.h"
#include "app/tools/MotorPageQuery.h"

#include <memory>
#include <string>

class CTagArchive;

namespace tools {

namespace monitorpage {
inline constexpr int ID_OPEN = 32997, ID_ADD = 32998, ID_DELETE = 32999, ID_EDIT = 33000, ID_SAVE = 33001;
inline constexpr int ID_SAVE_AS = 33002, ID_MOVE_DOWN = 33003, ID_MOVE_UP = 33004, ID_HEX = 33005;
inline constexpr int kPoll = 1168, kStop = 1169, kRefresh = 1351, kScaled = 1220, kHex = 1067, kList = 1213;
inline constexpr int kIndicator = 1355;
inline constexpr const char* kSection = "PgWtc";
inline constexpr const char* kFileFilter = "VQX Monitor Template Files (*.mtf)|*.mtf|All Files (*.*)|*.*||";
inline constexpr const char* kDefaultExt = "mtf";
inline constexpr const char* kOpenTitle = "Open Monitor Template File";
} // namespace monitorpage

class CMotorMonitorPageForm {
public:
    // `services.find` and `services.currentMotor` are set here to the view's motor.
    CMotorMonitorPageForm(MotorViewLink& link, MonitorServices services, IMonitorHost& host);

    bool IsPolled = false;
    bool Scaled = true;
    bool Hex() const { return m_form.List().Hex; }
    void SetHex(bool hex) { m_form.List().Hex = hex; }
    void SerializeState(CTagArchive& ar);

    CWatchList& List() { return m_form.List(); }
    const CWatchList& List() const { return m_form.List(); }
    bool Modified() const { return m_form.List().Modified; }

    // At creation: the motor's template, whether Scaled can be used, polling as restored.
    void Start();
    // Whether the motor uses a conversion factor; without one Scaled is off.
    void UpdateScaled();
    bool ScaledEnabled() const { return m_scaledEnabled; }

    // Reads a template into the page and binds its items to the motor. "" on success; the reason
    // when the file cannot be used (the items stay as they were).
    std::string LoadTemplate(const std::string& path);
    bool SaveTemplate();
    bool SaveTemplateAs();
    static int NextTemplateNumber();

    // Toolbar, menu and keys; returns the row to select afterwards.
    int OnCommand(int id, int selectedRow);
    bool IsCommandEnabled(int id, int selectedRow) const;
    void OnDoubleClick(int row, bool onValueIcon) { m_form.OnDoubleClick(row, onValueIcon); }
    void OnRowChecked(int row, bool checked) { m_form.OnRowChecked(row, checked); }
    CWatchItem* AddWatchItem(CWatchItem* item) { return m_form.AddWatchItem(item); }

    bool Polling() const { return m_form.Polling(); }
    int Link() const { return m_form.Indicator(); }
    std::string StartPolling();
    void SetPolling(bool on);
    bool PollStep();
    void Refresh();

    // "Do you want to save the changes to "Monitor Items of <motor>"?"
    bool CanClose();

private:
    CMotor* Find(int portIndex, int address) const;
    void AfterReadError(const WatchReadError& error, bool resume);

    MotorViewLink& m_target;
    MonitorServices m_services;
    IMonitorHost& m_host;
    CMonitorForm m_form;
    bool m_scaledEnabled = false;
};

} // namespace tools
