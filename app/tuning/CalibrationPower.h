#pragma once
// The calibration power dialog without its window: shows the ST11 value of a Quintaloc's
// calibration block in percent of its size's ST11 max and writes a new one. The window binds its
// controls (ids below) to this and refreshes them after every call.

#include "app/tuning/CalibrationData.h"

#include <string>
#include <vector>

class CMotor;
namespace platform {
class Profile;
}
namespace ui {
class IQuestions;
}

namespace tuning {

namespace calpower {
enum : int {
    kCurrent = 1496,
    kNew = 1495,
    kSlider = 1497,
    kDefault = 1498,
    kApply = 1156,
    kSizeLabel = 1474,
    kSizeCombo = 1471,
    kClose = 1,
};
inline constexpr const char* kNoSizesText =
    "Cannot read calibration values from registry. You may need to re-install VQX.";
inline constexpr const char* kInvalidBlockText = "Invalid Calibration Data Block was found in the motor";
inline constexpr const char* kResetQuestion =
    "The new value was sent to the motor successfully.\n\nDo you want to reset the motor now?";
inline constexpr const char* kNoAnswerAfterReset = "Cannot communicate with the motor after resetting it.";
inline constexpr const char* kUnfinishedText =
    "The motor did not finish the calibration successfully. Please make sure that the new value of Calibration "
    "Power is not too small.\n\nClick on the 'Set Default' button and apply the default value. If this problem "
    "persists, you may need to verify calibration index or re-calibrate the motor.";
inline constexpr const char* kOutOfRangeText = "Please enter a calibration power from 0 to 100 %.";
inline constexpr const char* kBadSizeText =
    "The calibration data of this motor size cannot be used. Please choose another motor size.";
} // namespace calpower

class CCalibrationPower {
public:
    CCalibrationPower(CMotor& motor, platform::Profile& profile, ui::IQuestions& questions);

    // Start-up: the size data and the motor's block. False when the dialog is to close (after
    // its message: no sizes in the profile, or the motor could not be read).
    bool Init();

    std::string Title() const;
    const std::vector<std::string>& SizeNames() const { return m_names; }
    bool SizeChoiceVisible() const { return m_sizeVisible; }
    int SelectedSize() const { return m_selected; }
    // The text of "Current Value" ("N/A" while the block is invalid) and of "New Value".
    std::string CurrentText() const;
    const std::string& NewText() const { return m_newText; }
    int SliderPosition() const;
    // Set Default and Apply need a usable size (one whose ST11 max is not 0).
    bool SizeUsable() const { return m_sizeUsable; }

    // ---- the user's actions ----
    void SelectSize(int index);
    void SetNewText(const std::string& text) { m_newText = text; }
    void OnSlider(int position);
    void OnSetDefault();
    void OnApply();

    // What the motor holds now (0xFFFF while its block is invalid), and the size in use.
    uint16_t CurrentPower() const { return m_current; }
    const CCalibrationSize& Size() const { return m_size; }

private:
    bool ReadBlock(CalibrationBlock& block, bool& valid);
    // Opens the port when closed, takes the flag byte and reads the block; whether its sum holds.
    // Throws CVQXException.
    bool ReadFlagAndBlock(CalibrationBlock& block);
    void Error(const std::string& text);
    std::string Caption() const;

    CMotor& m_motor;
    platform::Profile& m_profile;
    ui::IQuestions& m_questions;
    std::vector<std::string> m_entries;
    std::vector<std::string> m_names;
    int m_selected = -1;
    bool m_sizeVisible = false;
    bool m_sizeUsable = false;
    CCalibrationSize m_size;
    uint16_t m_current = kUnknownValue;
    int m_shownPercent = -1; // what "Current Value" shows; -1: "N/A"
    bool m_calibrationFlag = false;
    std::string m_newText;
};

} // namespace tuning
