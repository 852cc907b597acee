#pragma once
// Jogger's behaviour without widgets: two axes (motor 1 X, motor 2 Y) jogged with press-and-hold
// buttons. A press arms the jog timer; the timer (300 ms later) starts a continuous move towards
// the end of the axis's range; the release stops that move, or makes one step when the timer had
// not fired yet. A poll shows the positions and four status bits of both axes.
//
// Every typed field is checked as a whole number before anything is sent: a field that is not
// one gives a message and no motor command.

#include "samples/common/EngineLink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace jogger {

enum Direction { kLeft = 1, kRight = 2, kUp = 3, kDown = 4 };
enum JogState { kWaiting = 0, kJogging = 1, kIdle = 2 };

// The text fields of the form, as typed.
struct Fields {
    std::string speed = "100000";
    std::string accel = "100";
    std::string step = "100";
    std::string minX = "0", maxX = "3000";
    std::string minY = "0", maxY = "3000";
};

// A status line: "X:" or "Y:" and four columns for position error, overheat, negative limit and
// positive limit of the status word.
std::string StatusLine(const char* axis, int64_t statusWord);
inline constexpr const char* kHeader = "Pos Error      Overheat     Neg. Limit    Pos. Limit";

class Jogger {
public:
    explicit Jogger(vqxclient::EngineLink& engine) : m_engine(engine) {}

    Fields fields;

    // Each event returns false with Error() set when it stopped at a failure (the form shows a
    // box titled "VQXEngine Error!"); a typed field that is not a number stops it before any
    // motor command.
    bool Open(const std::string& port, const std::string& baud);
    bool CommitChanges();
    // Button pressed: the form starts the 300 ms jog timer.
    void ButtonDown(Direction direction);
    // The jog timer fired: true when it should stop (always, once it ran).
    bool JogTimer();
    bool ButtonUp(Direction direction);
    // The 300 ms poll; failures only show "N/A".
    void Poll();
    void Close();

    const std::string& Error() const { return m_error; }
    int MotorCount() const { return m_motors; }
    bool Opened() const { return m_opened; }
    JogState State() const { return m_state; }
    const std::string& XPos() const { return m_xText; }
    const std::string& YPos() const { return m_yText; }
    const std::string& XStatus() const { return m_xStatus; }
    const std::string& YStatus() const { return m_yStatus; }

private:
    std::optional<int32_t> Number(const std::string& text, const char* label);
    bool Fail(const std::string& text);
    static int MotorOf(Direction d) { return d == kLeft || d == kRight ? 1 : 2; }
    void PollAxis(int motor, std::string& posText, int32_t& position, std::string& status, const char* axis);

    vqxclient::EngineLink& m_engine;
    std::string m_error;
    bool m_opened = false;
    int m_motors = 0;
    JogState m_state = kIdle;
    Direction m_direction = kLeft;
    int32_t m_x = 0, m_y = 0;
    std::string m_xText = "N/A", m_yText = "N/A";
    std::string m_xStatus, m_yStatus;
};

} // namespace jogger
