#pragma once
// One simulated Tessaraxon/Quintaloc motor as seen from its serial channels: it takes bytes one at
// a time, keeps its own address, selection, channel settings, variables, EEPROM and programs, and
// queues its answers. The wiring (chain, bus, network) decides where its bytes come from and go.
//
// Not thread-safe: the wiring owns the lock under which motors are driven and inspected.

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/MotorKnobs.h"
#include "tests/sim/motor/MotionModel.h"
#include "tests/sim/motor/MotorProfile.h"
#include "tests/sim/motor/ProgramStore.h"
#include "tests/sim/motor/SimTypes.h"
#include "tests/sim/motor/StatusWord.h"
#include "tests/sim/motor/Variables.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vqxsim {

constexpr int kUnaddressedAddress = 114;

// Bytes the motor sends, not before readyAt. barrier is the wiring's count of forwarded bytes that
// must have left before this answer may start (an answer follows the echo of its terminator).
struct Reply {
    Bytes bytes;
    TimePoint readyAt;
    uint64_t barrier = 0;
    size_t sent = 0; // bytes of it already on the wire
    bool program = false; // printed by a running program (dropped when it stops)
};

class SimMotor {
public:
    explicit SimMotor(MotorProfile profile = {}, TimePoint now = SimClock::now(),
                      std::shared_ptr<const CommandTable> table = DefaultCommandTable());

    // ---- the line side, used by the wiring ----
    // The channel the wiring is attached to (0 on an RS-232 chain; 0 or 1 on a bus).
    int lineChannel = 0;
    // One byte heard on the line channel.
    void Receive(uint8_t byte, TimePoint now);
    // Whether a byte heard now is passed on at once (echo on, not restarting).
    bool EchoesNow(TimePoint now) const { return !Booting(now) && m_echo[lineChannel]; }
    bool Booting(TimePoint now) const { return now < m_bootUntil; }
    TimePoint BootsUntil() const { return m_bootUntil; }
    TimePoint PoweredAt() const { return m_poweredAt; }
    LineSettings LineSide() const { return m_channel[lineChannel]; }
    std::deque<Reply>& Outbox() { return m_outbox; }
    const std::deque<Reply>& Outbox() const { return m_outbox; }
    // Answers queued from now on wait behind this many forwarded bytes.
    void SetReplyBarrier(uint64_t barrier) { m_barrier = barrier; }

    // ---- state, for tests and for command handlers ----
    const MotorProfile& Profile() const { return m_profile; }
    int Address() const { return m_address; } // 0 = unaddressed (answers at 114)
    void SetAddress(int address) { m_address = address; }
    bool Selected() const { return m_selected; }
    bool Asleep(int channel) const { return m_asleep[channel & 1]; }
    void SetAsleep(int channel, bool asleep) { m_asleep[channel & 1] = asleep; }
    bool Echo(int channel) const { return m_echo[channel & 1]; }
    void SetEcho(int channel, bool on) { m_echo[channel & 1] = on; }
    LineSettings Channel(int channel) const { return m_channel[channel & 1]; }
    void SetChannel(int channel, LineSettings s) { m_channel[channel & 1] = s; }
    Variables& Vars() { return m_vars; }
    int32_t Var(const std::string& name) const;
    Bytes& Eeprom() { return m_eeprom; }
    int Eptr() const { return m_eptr; }
    void SetEptr(int64_t address) { m_eptr = int(address & (eeaddr::kSize - 1)); m_eptrOutside = false; }
    // A pointer set beyond the EEPROM (EPTR with an address this motor does not have): loads and
    // stores there move nothing until the pointer is set inside again.
    bool EptrOutside() const { return m_eptrOutside; }
    void SetEptrOutside() { m_eptrOutside = true; }
    ProgramStore& Program() { return m_program; }
    ProgramStore& CalibrationProgram() { return m_calibration; }
    bool ServoOn() const { return !m_bits.count('o') || !m_bits.at('o'); }
    void SetServo(bool on);
    // A "B<c>" flag: live ones (t, o, p, m, v, b/c/f on version 5, h on older motors) come from the
    // motion and the inputs, the others are latches a test may set.
    bool Bit(char name) const;
    void SetBit(char name, bool value) { m_bits[name] = value; }
    // Any flag by its report name: "Bt", "I0", "Sl", "BP"; "T6" is the older motors' bit 6.
    bool Flag(const std::string& name) const;
    void SetFlag(const std::string& name, bool value);
    // The status word from the flags (the knob statusReply aside).
    int32_t StatusWord() const;
    Family MotorFamily() const { return FamilyOf(m_profile.firmware); }

    // ---- motion, for tests (brought to the motor's present time first by the rigs) ----
    // The shaft: where it is, how fast it turns (counts per sample x 65536), its following error.
    int32_t Position() const { return m_motion.Position(); }
    int32_t Velocity() const { return m_motion.Velocity(); }
    int32_t PositionError() const { return m_motion.PositionError() + knobs.extraPositionError; }
    bool Moving() const { return m_motion.Busy() || m_motion.Velocity() != 0 || !m_motion.Settled(); }
    // "F": the position loop takes the gains "KP=".."KG=" set into use.
    void TakeGains();
    // The encoder reads p from now on; a running move stops.
    void SetPosition(int32_t p);
    // The shaft turns at v already (velocity mode, servo on), as after "MV V=v G" long ago.
    void SetSteadyVelocity(int32_t v);
    MotionModel& Motion() { return m_motion; }
    const MotionModel& Motion() const { return m_motion; }
    MotionLimits& Limits() { return m_limits; }
    // A hardware limit input (+1 positive, -1 negative) held asserted by the outside.
    void SetHardwareLimit(int direction, bool asserted);
    // The limit switch of that direction sits at this position (asserted at or beyond it).
    void SetHardwareLimitAt(int direction, std::optional<int32_t> position);
    bool HardwareLimitAsserted(int direction) const;
    // The drive is too hot: the temperature flags latch and the servo goes off.
    void SetOverheat(bool hot);
    // Inputs and outputs by family: version 5 inputs 0..7 and outputs 0..2; other motors the pins
    // A..G as 0..6 (an input's level, an output's own level).
    void SetInput(int n, bool level);
    bool Input(int n) const;
    bool Output(int n) const;
    void SetOutput(int n, bool level);
    // Inputs as "RIN" (version 5: 0-4 and 7) or "RU" (pins A..G) gives them; outputs as "ROUT".
    int32_t InputWord() const;
    int32_t OutputWord() const;
    // Brings the motion to the given time (never back).
    void AdvanceTo(TimePoint now);
    // The motor's sample clock: samples since power-up at now.
    int64_t SampleAt(TimePoint now) const;
    // Named values such as P, V, A, UJA; a test may set any of them.
    std::map<std::string, int32_t>& Values() { return m_values; }
    std::optional<int32_t> ReadName(const std::string& name) const;
    bool ProgramRunning() const { return m_running; }
    // Stopping a program (END, Z, LOAD, power) also drops what it still had to print and do.
    void SetProgramRunning(bool running);
    // The built-in behaviour the running program stands for ("poll", "tune", "calibrate", "deaf"),
    // empty for a plain program.
    const std::string& Behaviour() const { return m_behaviour; }
    void SetBehaviour(std::string name) { m_behaviour = std::move(name); }
    // A running program's own timing: the action runs when the motor's time reaches when.
    void At(TimePoint when, std::function<void(SimMotor&)> action);
    // Sees every command the motor runs while a program runs (a program waiting for a variable).
    std::function<void(SimMotor&, const std::string&)> programWatch;
    // Deaf: a program that ignores the line (see the lock-up behaviour); false once "E" at 9600
    // came within the start window after power-up.
    bool Deaf(TimePoint now) const { return m_deafFrom && now >= *m_deafFrom; }
    void SetDeafFrom(std::optional<TimePoint> from) { m_deafFrom = from; }
    // Every command this motor took in while selected, oldest first (the last 1000).
    const std::deque<std::string>& CommandLog() const { return m_log; }
    // Sees every command as it enters that log (the line's log of who got what, in order).
    std::function<void(const std::string&)> commandWatch;

    MotorKnobs knobs;
    // Sees every byte before the framing does; returning true consumes it (host mode and other
    // byte-level behaviours of later programs).
    std::function<bool(SimMotor&, uint8_t)> rawInputHook;

    // Power off and on: everything from the profile and the EEPROM, silent for the boot time.
    void PowerCycle(TimePoint now);
    // The reset command: silent for the boot time, then the power-up state; keeps its address.
    void Restart();

    // ---- used by command handlers ----
    TimePoint Now() const { return m_now; }
    const CommandTable& Commands() const { return *m_table; }
    void SetCommands(std::shared_ptr<const CommandTable> table) { m_table = std::move(table); }
    // Queues an answer line (CR appended) after the reply delay plus extraDelayMs.
    void Answer(const std::string& text, int extraDelayMs = 0);
    // Queues bytes as they are, ready at the given time at the earliest.
    void Send(Bytes bytes, TimePoint readyAt);
    // Output the motor sends of its own accord (a running program's text), ready at once.
    void SendUnsolicited(const std::string& text) { Send(ToBytes(text), m_now); }
    // Text a running program prints, ready at the given time.
    void SendProgram(const std::string& text, TimePoint readyAt);
    void StartLoad(bool calibration);
    // Marks the EEPROM busy for one write and gives the time it will be done.
    TimePoint BeginEepromWrite();
    TimePoint EepromDoneAt() const { return std::max(m_now, m_eepromBusyUntil); }
    void SetCondition(int condition) { m_condition = condition; } // 0 none, 1 if true, 2 if false
    void SetCompareFlag(bool flag) { m_compare = flag; }
    // Runs one statement of a stored program (no selection, sleep or condition checks).
    void RunStatement(const std::string& statement);
    void RunProgram();

private:
    void ApplyPowerUp(bool keepAddress);
    void SyncMotion();
    void RunAtBoot();
    void SelectBy(uint8_t addressByte);
    void Execute(const std::string& token);
    void LoadByte(uint8_t byte);

    MotorProfile m_profile;
    std::shared_ptr<const CommandTable> m_table;
    TimePoint m_now;
    TimePoint m_poweredAt;
    TimePoint m_bootUntil;
    TimePoint m_eepromBusyUntil;
    int m_address = 0;
    bool m_selected = false;
    bool m_asleep[2] = {false, false};
    bool m_echo[2] = {false, false};
    LineSettings m_channel[2];
    Variables m_vars;
    Bytes m_eeprom;
    int m_eptr = 0;
    bool m_eptrOutside = false;
    ProgramStore m_program;
    ProgramStore m_calibration;
    std::map<char, bool> m_bits;
    std::map<std::string, int32_t> m_values;
    std::map<char, bool> m_softBits; // Sl, Sr, Sb, Sc
    MotionModel m_motion;
    MotionLimits m_limits;
    bool m_limitInput[2] = {false, false}; // negative, positive
    bool m_overheat = false;
    uint8_t m_inputs = 0;  // version 5
    uint8_t m_outputs = 0; // version 5
    int32_t m_publishedPosition = 0;
    std::string m_behaviour;
    std::multimap<TimePoint, std::function<void(SimMotor&)>> m_timed;
    std::optional<TimePoint> m_deafFrom;
    bool m_running = false;
    int m_condition = 0;
    bool m_compare = false;
    std::string m_token;
    const CommandEntry* m_pendingArgument = nullptr;
    bool m_pendingRuns = false;
    std::string m_pendingToken;
    int m_loading = 0; // 0 no, 1 program, 2 calibration program
    std::string m_loadBuffer;
    std::deque<Reply> m_outbox;
    uint64_t m_barrier = 0;
    std::deque<std::string> m_log;
};

// Splits program text into statements at blanks and line ends, keeping quoted text and
// parenthesised argument lists whole.
std::vector<std::string> SplitStatements(const std::string& text);

} // namespace vqxsim
