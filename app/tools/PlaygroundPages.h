#pragma once
// The playground's five pages without widgets: Position (jog, go to, limits, slider, knob),
// Velocity and Torque (slider-driven modes), Terminal (one-line commands) and Motor Info.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools {

class CPlaygroundForm;

// Scroll notifications of a slider, as the window reports them.
enum class Scroll { LineLess, LineMore, PageLess, PageMore, ToLess, ToMore, ThumbTrack, ThumbPosition, EndScroll };

class CPlaygroundPage {
public:
    explicit CPlaygroundPage(CPlaygroundForm& form) : m_form(form) {}
    virtual ~CPlaygroundPage() = default;
    // Showing a page activates it when connected.
    virtual void ShowPage(bool show);
    virtual void UpdateEnabled() {}
    virtual void ApplyPollValues(const std::string& /*letters*/) {}
    // A step of the poll cycle without the polling program (30 and up); true when it asked.
    virtual bool PagePollStep(int& step);
    bool Shown() const { return m_shown; }

protected:
    virtual void Activate() {}
    bool Ready() const;
    CPlaygroundForm& m_form;
    bool m_shown = false;
};

// Position (template 260).
class CJogPage : public CPlaygroundPage {
public:
    using CPlaygroundPage::CPlaygroundPage;
    enum Id { kLL = 1390, kL = 1391, kX = 1401, kR = 1393, kRL = 1394, kZeroPos = 1392, kKnob = 1398,
              kSlider = 1389, kVelocity = 1129, kFastVelocity = 1130, kAcceleration = 1131, kLeftLimit = 1132,
              kRightLimit = 1133, kDestination = 1001, kCurrent = 1388, kApply = 1125, kGo = 1005, kZero = 1077,
              kStopOnRelease = 1405, kFastJog = 1406, kLeftLabel = 1395, kRightLabel = 1396, kCentreLabel = 1397 };
    void ApplyPollValues(const std::string& letters) override;
    bool PagePollStep(int& step) override;

    // The user's actions.
    void Apply();
    void Go();
    void GoTo(int id); // LL, RL or 0
    void Zero();
    void Decelerate();
    void KnobTurned(double degrees);
    void Slider(Scroll code, int position);
    // L or R: 3 held 300 ms, 1 released after holding, 2 released before.
    void JogButton(int id, int code);

    // Edits and boxes (the window writes what the user typed).
    std::string velocityText = "100", fastVelocityText = "1000", accelerationText = "10";
    std::string leftText = "-100000", rightText = "100000", destinationText = "0";
    bool stopOnRelease = true, fastJog = false;

    // What the window shows.
    int sliderPosition = 250, selectionFrom = 245, selectionTo = 255;
    double knobAngle = 0;
    std::string currentText = "0";
    std::string LeftLabel() const { return std::to_string(LeftLimit); }
    std::string RightLabel() const { return std::to_string(RightLimit); }
    std::string CentreLabel() const { return std::to_string((int64_t(LeftLimit) + RightLimit) / 2); }

    int32_t Acceleration = 0, Velocity = 0, FastVelocity = 0;
    int32_t LeftLimit = -100000, RightLimit = 100000;
    bool SoftLimitsSupported = true, FollowSlider = false, MovePending = false;
    int32_t Destination = 0;

protected:
    void Activate() override;

private:
    bool MayMove();
    void Pending(int64_t destination);
    std::string m_lastVelocity = "100", m_lastFastVelocity = "1000", m_lastAcceleration = "10";
    bool m_settling = false; // a jog was let go: the destination follows the motor until it stands
};

// What the Velocity and Torque pages share: a slider around zero, the knob, the position and the
// motor's speed, read by position then velocity in the cycle without the polling program.
class CSpeedPage : public CPlaygroundPage {
public:
    using CPlaygroundPage::CPlaygroundPage;
    void ApplyPollValues(const std::string& letters) override;
    bool PagePollStep(int& step) override;
    bool stopOnRelease = true;
    int sliderPosition = 100;
    double knobAngle = 0;
    std::string currentText = "0", speedText = "0", topLabel, bottomLabel;
    bool speedHighlighted = false;

protected:
    // Whether a slider notification commands the motor; stops it when it does not.
    bool MayCommand(Scroll code);
    virtual void Stop() = 0;
};

// Velocity (template 261) and Torque (template 262).
class CVelocityPage : public CSpeedPage {
public:
    using CSpeedPage::CSpeedPage;
    enum Id { kKnob = 1398, kSlider = 1399, kMaximum = 1000, kAcceleration = 1130, kSpeed = 1131,
              kTopLabel = 1091, kBottomLabel = 1090, kCurrent = 1388, kStopOnRelease = 1405 };
    explicit CVelocityPage(CPlaygroundForm& form) : CSpeedPage(form)
    {
        topLabel = "1000";
        bottomLabel = "-1000";
    }
    void MaximumChanged(const std::string& text);
    void AccelerationChanged(const std::string& text);
    void Slider(Scroll code, int position);
    void StopOnReleaseClicked(bool checked);

    std::string maximumText = "1000", accelerationText = "10";

    int32_t Acceleration = 0, MaxVelocity = 0, CommandedVelocity = 0;
    bool AccelerationChangedFlag = false;

protected:
    void Activate() override;

private:
    void Stop() override;
};

class CTorquePage : public CSpeedPage {
public:
    enum Id { kKnob = 1398, kSlider = 1400, kMaximum = 1402, kTopLabel = 1091, kBottomLabel = 1090,
              kTorque = 1132, kSpeed = 1131, kCurrent = 1388, kStopOnRelease = 1405 };
    explicit CTorquePage(CPlaygroundForm& form) : CSpeedPage(form)
    {
        topLabel = "1023";
        bottomLabel = "-1023";
    }
    void ShowPage(bool show) override;
    void UpdateEnabled() override { TorqueModeEntered = false; }
    void MaximumChanged(const std::string& text);
    void Slider(Scroll code, int position);
    void StopOnReleaseClicked(bool checked);

    std::string maximumText = "1023";
    std::string torqueText = "0";
    bool torqueHighlighted = false;

    int32_t MaxTorque = 1023, CommandedTorque = 0;
    bool TorqueModeEntered = false;

protected:
    void Activate() override;

private:
    void EnterTorqueMode();
    void Stop() override;
};

// Terminal (template 263) and Motor Info (template 264).
class CTerminalPage : public CPlaygroundPage {
public:
    using CPlaygroundPage::CPlaygroundPage;
    enum Id { kList = 1003, kEdit = 1404, kSend = 1156, kClear = 1157 };
    void Send();
    void Clear() { rows.clear(); }
    std::string editText;
    std::vector<std::pair<std::string, std::string>> rows; // command, response

protected:
    void Activate() override;
};

class CPlaygroundInfoPage : public CPlaygroundPage {
public:
    using CPlaygroundPage::CPlaygroundPage;
    enum Id { kTitle = 1001, kList = 1407 };
    void Fill();
    std::string title;
    std::vector<std::pair<std::string, std::string>> rows; // property, value

protected:
    void Activate() override;
};

} // namespace tools
