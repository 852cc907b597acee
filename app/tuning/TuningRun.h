#pragma once
// One tuning run in one of the three modes: the motor follows a move for the tuning time while
// its position (from the start) and, optionally, its position error are recorded. The traffic
// goes through ITuningMotor (the real one over the core's motor and port), the user through the
// context's questions and please-wait dialog. A run is synchronous; every failure ends in the
// end-of-run steps, which wake the motors, switch the target off, give back the variables the run
// changed and put the port back as it was.
#include "app/tuning/SampleArray.h"
#include "app/tuning/TuningSettings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ui {
class IProgress;
class IQuestions;
} // namespace ui

namespace tuning {

// What a run does on the wire. Failures are thrown as CVQXException.
class ITuningMotor {
public:
    virtual ~ITuningMotor() = default;
    // Reads the motor's identity again (this also refreshes its sample period).
    virtual void ReadIdentity() = 0;
    virtual double SamplePeriodMs() = 0;
    // A report command to the motor, answered.
    virtual std::string Ask(const std::string& command) = 0;
    // A command to the motor, no answer read.
    virtual void Send(const std::string& command) = 0;
    // A command to every motor of the port.
    virtual void SendToAll(const std::string& command) = 0;
    // A report command to the motor addressed last, without a new address byte.
    virtual std::string AskCurrent(const std::string& command) = 0;
    // The next line the motor prints (without its line end).
    virtual std::string ReadLine() = 0;
    // Drops whatever the motor still sends (after a stopped program), also what was read ahead
    // of the next reply.
    virtual void Purge() = 0;

    virtual bool PortOpen() = 0;
    virtual void OpenPort() = 0;
    virtual void ClosePort() = 0;
    virtual int PortBitPerSec() = 0;
    virtual bool SerialPort() = 0;
    virtual int MotorChannel() = 0;
    virtual bool EthernetPort() = 0;
    // Switches the port and its motors to this rate.
    virtual void SwitchBaud(int baud) = 0;

    // Why the motor's program cannot be saved now (empty: it can, or is saved already).
    virtual std::string WhyCannotSaveProgram() = 0;
    // Saves the motor's own program once (the first time only).
    virtual void SaveProgram() = 0;
    // Compiles the generated program for the motor and downloads it.
    virtual void DownloadTuningProgram(const std::string& text) = 0;
    // Downloads the compiled move program of mode 2.
    virtual void DownloadMoveProgram(const std::string& path) = 0;

    // The sampling clock of modes 2 and 3.
    virtual void StartTimer() = 0;
    virtual void WaitUntil(int ms) = 0;
};

// What a run leaves for the window.
struct RunOutcome {
    bool ran = false;       // the sampling was reached
    bool emptied = false;   // the arrays were sized for the run: the samples before it are gone
    int count = 0;          // samples recorded (0 after a cancel or a run that never sampled)
    int64_t capacity = 0;
    int rejected = 0;       // mode 1: lines not of the expected form
    int overflow = 0;       // mode 1: lines beyond the capacity
};

inline constexpr const char* kNotOffQuestion =
    "Motor is not Off. Continuing will disrupt motor functioning!\nDo you want to continue?";
inline constexpr const char* kErrorsDetected = "The following errors were detected in the motor:\n";
inline constexpr const char* kWarningCaption = "Warning!";

// "The following errors were detected..." with one line per bit of 0x66 set; empty when none.
std::string StatusErrorText(int64_t statusWord);

class CTuningRun {
public:
    CTuningRun(ITuningMotor& motor, ui::IQuestions& questions, ui::IProgress& progress)
        : m_motor(motor), m_questions(questions), m_progress(progress)
    {
    }

    // The status question is asked once per window: the window keeps the flag.
    bool* showErrors = nullptr;

    // Runs the settings' mode into the two arrays (sized to the run's capacity). rulerIndex is
    // set to count / 2 while it is negative.
    RunOutcome Run(const TuningSettings& s, CSampleArray& position, CSampleArray& posError, int& rulerIndex);

private:
    bool PrepareMotor();
    // Stops the tuning program and drops what it still prints.
    void EndProgram();
    void RunProgram(const TuningSettings& s, CSampleArray& position, CSampleArray& posError, RunOutcome& out);
    void RunPolled(const TuningSettings& s, CSampleArray& position, CSampleArray& posError, RunOutcome& out);
    int32_t AskNumber(const std::string& command);
    bool Ask(const std::string& text);
    void ShowError(const std::string& text);
    void WarnStatus();
    // One end-of-run step; its failure is dropped so that the next still runs.
    template <class F> void Step(F f);

    ITuningMotor& m_motor;
    ui::IQuestions& m_questions;
    ui::IProgress& m_progress;
};

} // namespace tuning
