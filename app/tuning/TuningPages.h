#pragma once
// The three pages of the tuner without widgets: Tuning Mode (which run), Settings (the other run
// settings, read only when a run starts) and Tuning Values (the eight gains: read from the motor,
// applied, kept as saved defaults, copied as program text, stored in tuning files).
#include "app/tuning/TuningFile.h"
#include "app/tuning/TuningSettings.h"

#include <array>
#include <functional>
#include <string>

class CMotor;
class CTagArchive;
class CVQXException;
namespace platform { class Profile; }
namespace ui { class COperationContext; }
namespace commerror { class ICommErrorHandler; }

namespace tuning {

inline constexpr const char* kPageTitles[3] = {"Tuning Mode", "Settings", "Tuning Values"};

// ---- Tuning Mode page (template 204) ----
namespace modepage {
inline constexpr int kMode1 = 1170, kMode2 = 1171, kMode3 = 1172;
inline constexpr const char* kTexts[3] = {"Tuning Mode 1", "Tuning Mode 2", "Tuning Mode 3"};
inline constexpr const char* kDescriptions[3] = {
    "* Best time resolution\n* Needs a motor with EEPROM\n",
    "* Use when multiple or customized movements are desired.\n* Needs a motor with EEPROM",
    "* Used when the motor has no EEPROM."};
inline constexpr const char* kNote =
    "WARNING: A program will be downloaded to the motor in modes 1 and 2. The motor's program will be saved and "
    "restored at the end of this tuning session. You may lose your program if this tuning session is not completed "
    "successfully.";
// The radio checked for a mode (1170 for anything but 2 and 3).
inline int RadioOf(int mode) { return mode == 2 ? kMode2 : mode == 3 ? kMode3 : kMode1; }
inline int ModeOf(int radio) { return radio == kMode1 ? 1 : radio == kMode2 ? 2 : 3; }
} // namespace modepage

// ---- Settings page (template 203) ----
class CTuningSettingsForm {
public:
    static constexpr int kTime = 1128, kSpeed = 1129, kAcceleration = 1130, kOffset = 1131, kCw = 1160, kCcw = 1161,
                         kReturn = 1370, kWait = 1133, kMoveProgram = 1000, kBrowse = 1171, kSwitch = 1132,
                         kPollError = 1173;
    struct Label {
        int id;
        const char* text;
    };
    static constexpr Label kLabels[] = {{kTime, "Tuning Time (mSec):"}, {kSpeed, "Velocity:"},
                                        {kAcceleration, "Acceleration:"}, {kOffset, "Position Offset:"},
                                        {kCw, "CW"}, {kCcw, "CCW"}, {kReturn, "Return to original point after"},
                                        {kWait, "mSec."}, {kMoveProgram, "Move Program: (Tuning Mode 2)"},
                                        {kBrowse, "..."}, {kSwitch, "Switch to 38400 bps"},
                                        {kPollError, "Poll Position Error"}};
    static constexpr const char* kBrowseTitle = "Open Compiled program";
    static constexpr const char* kBrowseFilter = "VQX compiled programs (*.tqx)|*.tqx|All Files (*.*)|*.*||";

    // The controls' contents.
    std::string time, speed, acceleration, offset, waitTime, moveProgram;
    bool ccw = false, returnChecked = false, switch38400 = true, pollError = true;
    int mode = 1; // the mode page's choice, for the enable rules

    // Writes the settings into the controls (the offset as magnitude and direction).
    void SetSettings(const TuningSettings& s);
    // Reads the controls into s; a field that is not a whole number leaves s as it was and
    // answers the message to show.
    std::string GetSettings(TuningSettings& s) const;
    bool Enabled(int id) const;
};

// ---- Tuning Values page (template 202) ----
// What reading and applying the gains reports to (the session's context, the main frame's
// communication-error handler and the motor finder).
struct GainsServices {
    ui::COperationContext* context = nullptr;
    commerror::ICommErrorHandler* commError = nullptr;
    std::function<CMotor*(int portIndex, int address)> findMotor;
};

class CTuningValuesForm {
public:
    static constexpr int kMotor0 = 1000, kNew0 = 1008, kApply = 1125, kLoadSaved = 1180, kSaveValues = 1181,
                         kCopy = 1408;
    static constexpr const char* kRowLabels[8] = {
        "KP (Proportional coefficient):", "KI (Integral coefficient):", "KD (Differential coefficient):",
        "KL (Integral limit):",           "KS (Differential sample rate):", "KV (Velocity feed forward):",
        "KA (Acceleration feed forward):", "KG (Gravitational coefficient):"};
    static constexpr const char* kButtons[4] = {"Apply new values", "Load Saved Values", "Save Values",
                                                "Copy Values"};
    static constexpr Gains kDefaults = {250, 28, 1000, 20, 1, 0, 0, 0};

    explicit CTuningValuesForm(platform::Profile& profile) : m_profile(profile) {}

    // Reads KP..KG from the motor into the gains and both columns; false (reported) on failure.
    bool ReadValues(CMotor& motor, const GainsServices& services);
    // Sends the New column and "F", then reads again (also after a failure).
    bool ApplyValues(CMotor& motor, const GainsServices& services);
    void LoadDefaults();
    void SaveDefaults();
    // The New column as program text; empty when a field is not a number (then `error` says which).
    std::string CopyProgram(std::string* error = nullptr) const;
    void SetGains(const Gains& g, bool motorColumn);

    const Gains& Values() const { return m_gains; }
    std::array<std::string, 8> motorColumn;
    std::array<std::string, 8> newColumn;

private:
    bool NewValues(Gains& out, std::string* error) const;
    void Report(CMotor& motor, const CVQXException& x, const GainsServices& services, bool reading);

    platform::Profile& m_profile;
    Gains m_gains{};
};

} // namespace tuning
