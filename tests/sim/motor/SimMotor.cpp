#include "tests/sim/motor/SimMotor.h"

#include "tests/sim/motor/ProgramBehaviours.h"

#include <cstdlib>

namespace vqxsim {

SimMotor::SimMotor(MotorProfile profile, TimePoint now, std::shared_ptr<const CommandTable> table)
    : m_profile(std::move(profile)), m_table(std::move(table)), m_now(now)
{
    m_eeprom = BuildEepromImage(m_profile);
    m_program.Load(m_profile.program.empty() ? EndProgramImage() : m_profile.program);
    if (!m_profile.calibrationProgram.empty())
        m_calibration.Load(m_profile.calibrationProgram);
    for (int ch = 0; ch < 2; ++ch) {
        m_channel[ch] = m_profile.channel[ch];
        m_echo[ch] = m_profile.echo[ch];
    }
    m_poweredAt = now;
    m_bootUntil = now;
    ApplyPowerUp(false);
}

void SimMotor::ApplyPowerUp(bool keepAddress)
{
    if (!keepAddress) {
        int stored = m_eeprom[eeaddr::kAddress];
        m_address = stored >= 1 && stored <= 120 ? stored : 0;
    }
    m_selected = false;
    m_asleep[0] = m_asleep[1] = false;
    m_vars.Clear();
    m_eptr = 0;
    m_eptrOutside = false;
    m_condition = 0;
    m_compare = false;
    m_token.clear();
    m_pendingArgument = nullptr;
    m_loading = 0;
    m_loadBuffer.clear();
    SetProgramRunning(false);
    m_bits.clear();
    m_bits['o'] = true; // servo off after power-up
    m_softBits.clear();
    m_motion.Reset(0);
    // The switches stay where they are; what the motor was told about them is forgotten.
    MotionLimits limits;
    limits.positiveAt = m_limits.positiveAt;
    limits.negativeAt = m_limits.negativeAt;
    m_limits = limits;
    m_outputs = 0;
    // Motion and input values read as 0 until a test or a later behaviour sets them.
    for (const char* name : {"P", "V", "A", "E", "PE", "I", "W", "T", "O", "S", "CTR", "CHN", "TEMP", "UIA", "UAI",
                             "UBI", "UCI", "UDI", "UEI", "UFI", "UGI"})
        m_values.emplace(name, 0);
    m_values["UJA"] = m_profile.supplyMeasure;
    m_values["P"] = m_publishedPosition = 0;
    // The servo gains come up as the profile's (KP, KD, KI, KL), the others as a motor leaves
    // the factory; "RKP".."RKG" report them, "KP=".. change them until the next power-up, and
    // the position loop works with them from "F" on.
    const char* const gainNames[4] = {"KP", "KD", "KI", "KL"};
    for (size_t g = 0; g < 4; ++g)
        m_values[gainNames[g]] = m_profile.gains[g];
    m_values["KS"] = 1;
    for (const char* name : {"KV", "KA", "KG"})
        m_values[name] = 0;
    TakeGains();
    if (m_overheat)
        SetOverheat(true);
}

void SimMotor::PowerCycle(TimePoint now)
{
    m_now = now;
    m_outbox.clear();
    for (int ch = 0; ch < 2; ++ch) {
        m_channel[ch] = m_profile.channel[ch];
        m_echo[ch] = m_profile.echo[ch];
    }
    ApplyPowerUp(false);
    m_poweredAt = now;
    m_bootUntil = now + Ms(knobs.bootMs);
    RunAtBoot();
}

void SimMotor::Restart()
{
    m_outbox.clear();
    if (knobs.baudAfterReset > 0)
        m_channel[lineChannel].baud = knobs.baudAfterReset;
    m_echo[0] = m_echo[1] = knobs.echoAfterReset;
    ApplyPowerUp(true);
    m_poweredAt = m_now;
    m_bootUntil = m_now + Ms(knobs.bootMs);
    RunAtBoot();
}

void SimMotor::RunAtBoot()
{
    // Programs that stand for a built-in behaviour start at power-up as the real ones would;
    // plain programs only when a test asks for it.
    if (knobs.runProgramAtBoot || ProgramBehaviourOf(*this) != ProgramKind::Plain)
        RunProgram();
}

void SimMotor::SetProgramRunning(bool running)
{
    m_running = running;
    if (running)
        return;
    m_behaviour.clear();
    programWatch = nullptr;
    m_timed.clear();
    m_deafFrom.reset();
    // What the program had queued to print and has not started sending yet is gone.
    std::erase_if(m_outbox, [this](const Reply& r) { return r.program && r.sent == 0 && r.readyAt > m_now; });
}

void SimMotor::At(TimePoint when, std::function<void(SimMotor&)> action)
{
    m_timed.emplace(when, std::move(action));
}

int32_t SimMotor::InputWord() const
{
    int32_t v = 0;
    for (int i = 0; i < (MotorFamily() == Family::V5 ? 8 : 7); ++i)
        if (Input(i))
            v |= 1 << i;
    return MotorFamily() == Family::V5 ? (v & 0x9F) : v;
}

int32_t SimMotor::OutputWord() const
{
    int32_t v = 0;
    for (int i = 0; i < (MotorFamily() == Family::V5 ? 3 : 7); ++i)
        if (Output(i))
            v |= 1 << i;
    return v;
}

int32_t SimMotor::Var(const std::string& name) const
{
    auto ref = ParseVarRef(name);
    if (!ref)
        return 0;
    return m_vars.Get(*ref).value_or(0);
}

bool SimMotor::Bit(char name) const
{
    return Flag(std::string("B") + name);
}

bool SimMotor::Flag(const std::string& name) const
{
    if (name.size() != 2)
        return false;
    const Family family = MotorFamily();
    const char c = name[1];
    if (name[0] == 'S') {
        auto it = m_softBits.find(c);
        return it != m_softBits.end() && it->second;
    }
    if (name[0] == 'I')
        return family == Family::V5 && c >= '0' && c <= '7' && Input(c - '0');
    if (name == "T6")
        return m_bits.count('6') && m_bits.at('6');
    if (name[0] != 'B')
        return false;
    switch (c) {
    case 't':
        return m_motion.Busy();
    case 'p':
        return HardwareLimitAsserted(+1);
    case 'm':
        return HardwareLimitAsserted(-1);
    case 'v':
        if (family == Family::V5)
            return m_motion.AtSlewVelocity();
        break;
    case 'b':
    case 'c':
    case 'f':
        // Version 5 only, and only while the soft limits are in force.
        if (family == Family::V5) {
            if (!m_limits.softEnabled)
                return false;
            const int32_t p = m_motion.Position();
            if (c == 'b')
                return p < m_limits.softNegative;
            if (c == 'c')
                return p > m_limits.softPositive;
            return p >= m_limits.softNegative && p <= m_limits.softPositive;
        }
        break;
    case 'h':
        if (family == Family::Older)
            return m_overheat; // the real-time flag; bit 6 is the latch
        break;
    case 'z':
        if (family == Family::V5)
            return m_running;
        break;
    default:
        break;
    }
    auto it = m_bits.find(c);
    return it != m_bits.end() && it->second;
}

void SimMotor::SetFlag(const std::string& name, bool value)
{
    if (name.size() != 2)
        return;
    if (name[0] == 'S')
        m_softBits[name[1]] = value;
    else if (name == "T6")
        m_bits['6'] = value;
    else if (name[0] == 'B')
        m_bits[name[1]] = value;
}

int32_t SimMotor::StatusWord() const
{
    const auto& flags = StatusWordFlags(MotorFamily());
    uint32_t w = 0;
    for (size_t i = 0; i < flags.size(); ++i)
        if (Flag(flags[i]))
            w |= 1u << i;
    return int32_t(w);
}

void SimMotor::SetServo(bool on)
{
    m_bits['o'] = !on;
    if (!on)
        m_motion.ServoOff();
}

void SimMotor::SetPosition(int32_t p)
{
    m_motion.Stop();
    m_motion.SetPosition(p);
    m_values["P"] = m_publishedPosition = p;
}

void SimMotor::SetSteadyVelocity(int32_t v)
{
    m_bits['o'] = false;
    m_motion.RunSteady(v);
}

void SimMotor::TakeGains()
{
    ServoGains g;
    int32_t* const fields[] = {&g.kp, &g.ki, &g.kd, &g.kl, &g.ks, &g.kv, &g.ka, &g.kg};
    const char* const names[] = {"KP", "KI", "KD", "KL", "KS", "KV", "KA", "KG"};
    for (size_t i = 0; i < 8; ++i)
        *fields[i] = m_values[names[i]];
    m_motion.SetGains(g);
}

void SimMotor::SetHardwareLimit(int direction, bool asserted)
{
    m_limitInput[direction > 0 ? 1 : 0] = asserted;
}

void SimMotor::SetHardwareLimitAt(int direction, std::optional<int32_t> position)
{
    (direction > 0 ? m_limits.positiveAt : m_limits.negativeAt) = position;
}

bool SimMotor::HardwareLimitAsserted(int direction) const
{
    const int32_t p = m_motion.Position();
    if (direction > 0)
        return m_limitInput[1] || (m_limits.positiveAt && p >= *m_limits.positiveAt);
    return m_limitInput[0] || (m_limits.negativeAt && p <= *m_limits.negativeAt);
}

void SimMotor::SetOverheat(bool hot)
{
    m_overheat = hot;
    if (!hot)
        return;
    m_bits['h'] = true;
    m_bits['6'] = true;
    SetServo(false);
}

void SimMotor::SetInput(int n, bool level)
{
    if (MotorFamily() == Family::V5) {
        if (n >= 0 && n < 8)
            m_inputs = uint8_t(level ? m_inputs | (1u << n) : m_inputs & ~(1u << n));
        return;
    }
    if (n >= 0 && n < 7) {
        const std::string pin = std::string("U") + char('A' + n);
        if (!m_values[pin + "O"])
            m_values[pin + "I"] = level ? 1 : 0;
    }
}

bool SimMotor::Input(int n) const
{
    if (MotorFamily() == Family::V5)
        return n >= 0 && n < 8 && (m_inputs >> n & 1);
    if (n < 0 || n >= 7)
        return false;
    auto it = m_values.find(std::string("U") + char('A' + n) + "I");
    return it != m_values.end() && it->second != 0;
}

bool SimMotor::Output(int n) const
{
    if (MotorFamily() == Family::V5)
        return n >= 0 && n < 3 && (m_outputs >> n & 1);
    if (n < 0 || n >= 7)
        return false;
    const std::string pin = std::string("U") + char('A' + n);
    auto mode = m_values.find(pin + "O");
    auto level = m_values.find(pin);
    return mode != m_values.end() && mode->second && level != m_values.end() && level->second;
}

void SimMotor::SetOutput(int n, bool level)
{
    if (MotorFamily() == Family::V5) {
        if (n >= 0 && n < 3)
            m_outputs = uint8_t(level ? m_outputs | (1u << n) : m_outputs & ~(1u << n));
        return;
    }
    if (n < 0 || n >= 7)
        return;
    const std::string pin = std::string("U") + char('A' + n);
    m_values[pin] = level ? 1 : 0;
    if (m_values[pin + "O"])
        m_values[pin + "I"] = m_values[pin];
}

int64_t SimMotor::SampleAt(TimePoint now) const
{
    const int64_t period = int64_t(m_profile.sampleFigure > 0 ? m_profile.sampleFigure : 1) * 10;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_poweredAt).count() / period;
}

void SimMotor::AdvanceTo(TimePoint now)
{
    if (now > m_now)
        m_now = now;
    SyncMotion();
}

void SimMotor::SyncMotion()
{
    // A test that wrote P moved the shaft by hand.
    if (auto it = m_values.find("P"); it != m_values.end() && it->second != m_publishedPosition)
        SetPosition(it->second);
    m_limits.positiveBlocked = m_limitInput[1] && m_limits.positiveEnabled;
    m_limits.negativeBlocked = m_limitInput[0] && m_limits.negativeEnabled;
    m_limits.errorLimit = std::max(m_values["E"], 0);
    // A program's timed steps run at their own time, the shaft brought there first.
    while (!m_timed.empty() && m_timed.begin()->first <= m_now) {
        auto action = std::move(m_timed.begin()->second);
        const TimePoint when = m_timed.begin()->first;
        m_timed.erase(m_timed.begin());
        m_motion.AdvanceTo(std::max<int64_t>(SampleAt(when), m_motion.Sample()), m_limits);
        const TimePoint now = m_now;
        m_now = when;
        action(*this);
        m_now = now;
    }
    m_motion.AdvanceTo(std::max<int64_t>(SampleAt(m_now), m_motion.Sample()), m_limits);
    const uint32_t events = m_motion.TakeEvents();
    const bool v5 = MotorFamily() == Family::V5;
    if (events & kHitPositiveLimit)
        m_bits['r'] = true;
    if (events & kHitNegativeLimit)
        m_bits['l'] = true;
    if (events & kHitSoftPositive)
        (v5 ? m_softBits['r'] : m_bits['r']) = true;
    if (events & kHitSoftNegative)
        (v5 ? m_softBits['l'] : m_bits['l']) = true;
    if (events & kFollowingError) {
        m_bits['e'] = true;
        SetServo(false);
    }
    // Past the error limit the servo gives up and the flag latches.
    auto limit = m_values.find("E");
    if (ServoOn() && limit != m_values.end() && limit->second > 0 && std::abs(PositionError()) > limit->second) {
        m_bits['e'] = true;
        SetServo(false);
    }
    m_values["P"] = m_publishedPosition = m_motion.Position();
}

std::optional<int32_t> SimMotor::ReadName(const std::string& name) const
{
    if (auto ref = ParseVarRef(name))
        return m_vars.Get(*ref);
    std::string key = name[0] == '@' ? name.substr(1) : name;
    if (key == "CLK") {
        // Sample ticks since power-up; the figure is the sample period in units of 10 ns.
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(m_now - m_poweredAt).count();
        int64_t period = int64_t(m_profile.sampleFigure > 0 ? m_profile.sampleFigure : 1) * 10;
        return Wrap32(ns / period);
    }
    if (key == "P")
        return m_motion.Position();
    if (key == "PE")
        return PositionError();
    if (key == "W")
        return StatusWord();
    if (key == "V" && name[0] == '@')
        return m_motion.Velocity();
    if (auto it = m_values.find(key); it != m_values.end())
        return it->second;
    return std::nullopt;
}

void SimMotor::Send(Bytes bytes, TimePoint readyAt)
{
    if (knobs.mute || bytes.empty())
        return;
    if (!m_outbox.empty())
        readyAt = std::max(readyAt, m_outbox.back().readyAt);
    m_outbox.push_back(Reply{std::move(bytes), readyAt, m_barrier});
}

void SimMotor::SendProgram(const std::string& text, TimePoint readyAt)
{
    const size_t before = m_outbox.size();
    Send(ToBytes(text), readyAt);
    if (m_outbox.size() > before)
        m_outbox.back().program = true;
}

void SimMotor::Answer(const std::string& text, int extraDelayMs)
{
    TimePoint at = m_now + Ms(knobs.replyDelayMs + extraDelayMs);
    if (knobs.chatterMs > 0) {
        int step = std::max(1, knobs.chatterIntervalMs);
        for (int t = 0; t < knobs.chatterMs; t += step)
            Send(Bytes{'#'}, at + Ms(t));
        return;
    }
    Bytes bytes = ToBytes(text);
    bytes.push_back('\r');
    Send(std::move(bytes), at);
}

TimePoint SimMotor::BeginEepromWrite()
{
    m_eepromBusyUntil = std::max(m_now, m_eepromBusyUntil) + Ms(knobs.eepromWriteMs);
    return m_eepromBusyUntil;
}

void SimMotor::StartLoad(bool calibration)
{
    SetProgramRunning(false);
    m_loading = calibration ? 2 : 1;
    m_loadBuffer.clear();
}

void SimMotor::Receive(uint8_t byte, TimePoint now)
{
    m_now = now;
    // A deaf program is kept from starting by "E" at 9600 soon after power-up.
    if (m_deafFrom && now < *m_deafFrom && byte == 'E' && LineSide().baud == 9600) {
        SetProgramRunning(false);
        return;
    }
    if (Booting(now) || Deaf(now))
        return;
    if (rawInputHook && rawInputHook(*this, byte))
        return;
    if (m_loading) {
        LoadByte(byte);
        return;
    }
    if (byte >= 0x80) {
        SelectBy(byte);
        m_token.clear();
        return;
    }
    if (byte == ' ' || byte == '\r' || byte == '\n') {
        if (m_selected && !m_token.empty())
            Execute(m_token);
        m_token.clear();
        return;
    }
    if (m_token.size() < 255)
        m_token += char(byte);
}

void SimMotor::SelectBy(uint8_t addressByte)
{
    int target = addressByte - 0x80;
    m_selected = target == 0 || (m_address > 0 && target == m_address) ||
                 (m_address == 0 && target == kUnaddressedAddress);
}

void SimMotor::LoadByte(uint8_t byte)
{
    m_loadBuffer += char(byte);
    const size_t n = m_loadBuffer.size();
    if (n < 3 || uint8_t(m_loadBuffer[n - 3]) != 0xFF || uint8_t(m_loadBuffer[n - 2]) != 0xFF || m_loadBuffer[n - 1] != ' ')
        return;
    m_loadBuffer.resize(n - 3);
    // Without program memory nothing is kept.
    if (m_profile.hasEeprom)
        (m_loading == 2 ? m_calibration : m_program).Load(m_loadBuffer);
    m_loading = 0;
    m_loadBuffer.clear();
}

void SimMotor::Execute(const std::string& token)
{
    SyncMotion();
    m_log.push_back(token);
    if (m_log.size() > 1000)
        m_log.pop_front();
    if (commandWatch)
        commandWatch(token);
    if (m_pendingArgument) {
        const CommandEntry* entry = m_pendingArgument;
        m_pendingArgument = nullptr;
        if (m_pendingRuns)
            entry->run(*this, m_pendingToken, token);
        return;
    }
    const CommandEntry* entry = m_table->Find(token, m_profile.pProtocol ? 'P' : 'R');
    if (!entry)
        return;
    bool runs = true;
    if (m_asleep[lineChannel] && !entry->whileAsleep)
        runs = false;
    else if (!entry->ignoresCondition && m_condition != 0 && m_compare != (m_condition == 1))
        runs = false;
    if (entry->takesArgument) {
        m_pendingArgument = entry;
        m_pendingRuns = runs;
        m_pendingToken = token;
        return;
    }
    if (runs)
        entry->run(*this, token, std::string());
    if (m_running && programWatch)
        programWatch(*this, token);
}

void SimMotor::RunStatement(const std::string& statement)
{
    SyncMotion();
    const CommandEntry* entry = m_table->Find(statement, m_profile.pProtocol ? 'P' : 'R');
    if (entry && !entry->takesArgument)
        entry->run(*this, statement, std::string());
}

void SimMotor::RunProgram()
{
    SetProgramRunning(false);
    m_running = true;
    if (knobs.programBehaviour) {
        knobs.programBehaviour(*this);
        return;
    }
    if (StartProgramBehaviour(*this))
        return;
    // Straight-line programs only: statements run in order until END or the end of the text.
    std::vector<std::string> statements = SplitStatements(m_program.Valid() ? m_program.Body() : std::string());
    for (size_t i = 0; i < statements.size() && m_running && i < 10000; ++i) {
        if (statements[i] == "END")
            break;
        RunStatement(statements[i]);
    }
    SetProgramRunning(false);
}

std::vector<std::string> SplitStatements(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    bool quoted = false;
    int depth = 0;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '(')
            ++depth;
        else if (!quoted && c == ')' && depth > 0)
            --depth;
        bool separator = c == '\n' || c == '\r' || (!quoted && depth == 0 && (c == ' ' || c == '\t'));
        if (c == '\n')
            quoted = false, depth = 0;
        if (separator) {
            if (!current.empty())
                out.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

} // namespace vqxsim
