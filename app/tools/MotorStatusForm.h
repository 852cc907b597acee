#pragma once
// The Status page of a motor view without widgets: the query cycle (states 0-13 and 20-23, one
// query per poll step, per firmware family), what each answer lights (status-bit LEDs and their
// labels, I/O LEDs, the picture's LEDs, value fields), the I/O clicks, Clear Flags and Refresh.
// The page widget shows what is here and hands the user's clicks in.

#include "app/tools/MotorFamily.h"
#include "app/tools/ModelPicture.h"
#include "app/tools/MotorPageQuery.h"

#include <array>
#include <string>

class CTagArchive;

namespace tools {

namespace status {
// Controls.
inline constexpr int kPoll = 1168, kStop = 1169, kRefresh = 1351, kScaled = 1220, kHex = 1067, kClearFlags = 1354;
inline constexpr int kExtra1List = 1362, kExtra2List = 1363, kPicture = 1356, kIndicator = 1355;
inline constexpr int kPosition = 1275, kPositionError = 1276, kVelocity = 1001, kMode = 1002;
inline constexpr int kExtra1Value = 1004, kExtra2Value = 1005, kAddress = 1003, kFirmware = 1015, kModel = 1006;
inline constexpr int kFirstStatusLed = 1500, kFirstStatusLabel = 1421, kFirstInputLed = 1277, kFirstIoLed = 1287;
inline constexpr int kStatusBits = 23, kInputs = 5, kIoPins = 7, kPictureLeds = 5, kExtras = 23;
inline constexpr const char* kSection = "PgFxd";
} // namespace status

class CMotorStatusForm {
public:
    explicit CMotorStatusForm(MotorViewLink& link);

    // ---- settings kept in the project ----
    bool IsPolled = false;
    bool Scaled = true;
    bool Hex = false;
    void SerializeState(CTagArchive& ar);

    // ---- the motor ----
    // Relabels for the motor's family, takes the picture's LED places from its model record and
    // the extra choices from the motor.
    void UpdateForMotor();
    const FamilyTraits& Family() const { return m_family; }
    // The motor's record in the models table; none for an index outside it.
    const CMotorModel* ModelRecord() const;
    bool ScaledEnabled() const { return m_scaledEnabled; }

    // ---- polling ----
    bool Polling() const { return IsPolled; }
    int NextQuery() const { return m_next; }
    int Link() const { return m_link; }
    // Poll: opens the motor's port when closed. Returns the error text when it cannot be opened
    // (polling stays off), else "" and polling is on.
    std::string StartPolling();
    void SetPolling(bool on);
    void SetLinkState(int state);
    // One step of the main frame's cycle: at most one query. True when the step ran.
    bool PollStep();
    // Reads one whole cycle (the Refresh button) and stops polling; never more than one cycle,
    // and it ends at the first step that fails. Returns an error text for a port that would not
    // open, else "".
    std::string Refresh();

    // The command of cycle state `query` as the motor's family asks it ("" sends nothing).
    std::string CommandOf(int query) const;
    // The state after `query` was answered.
    int NextAfter(int query) const;

    // ---- user actions ----
    // The extra-value choices (0..22); the motor keeps them.
    void ChooseExtras(int first, int second);
    int Extra(int which) const;
    std::string ExtraName(int index) const;
    // The tooltip of the value field of extra `which` (0, 1): none while its choice is "None".
    std::string ExtraTip(int which) const;
    // I/O LED n (0..6) clicked: sets that output on the motor. False when nothing was sent (not
    // polling, port closed, LED disabled, or the send failed: then the link shows offline).
    bool ClickIo(int n);
    // Whether I/O LED n may be clicked: polling, and its state was read from the motor (an output
    // of unknown state is never switched, which would switch its neighbours with it).
    bool IoEnabled(int n) const;
    // "ZS"; true when sent.
    bool ClearFlags();

    // ---- what the page shows ----
    std::array<int, status::kStatusBits> StatusLed{};  // -1 unknown, 0 off, 1 on
    std::array<bool, status::kStatusBits> StatusBold{};
    std::array<std::string, status::kStatusBits> StatusLabel;
    std::array<bool, status::kStatusBits> StatusShown{};
    std::array<int, status::kInputs> InputLed{};
    std::array<int, status::kIoPins> IoLed{};
    std::array<std::string, status::kIoPins> IoLabel;
    std::array<bool, status::kIoPins> IoShown{};
    bool InputsShown = false;
    std::string IoTitle, IoNote;
    // The lamps of the model's picture.
    CModelPictureLeds Picture;
    std::string Position, PositionError, Velocity, Mode, Extra1Text, Extra2Text;
    std::string AddressText, FirmwareText, ModelText;

    // The mode's name for an "RMODE" reply; the reply itself when it is no known mode.
    static std::string ModeText(const std::string& reply);
    // The base text of status label i.
    static const char* BaseLabel(int bit);

private:
    void TakeReply(int query, const std::string& reply);
    void ShowStatusWord(int32_t word, bool known);
    void ShowCalibrationFault(bool on);
    std::string ValueText(int32_t value, const std::string& reply, int kind) const;
    bool Send(const std::string& command);

    MotorViewLink& m_target;
    FamilyTraits m_family;
    bool m_scaledEnabled = false;
    int m_next = 0;
    int m_link = -1;
    std::array<bool, status::kIoPins> m_ioKnown{};
};

} // namespace tools
