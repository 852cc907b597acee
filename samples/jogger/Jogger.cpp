#include "samples/jogger/Jogger.h"

#include "samples/common/Numbers.h"

namespace jogger {
namespace {
struct FieldError {
    std::string text;
};
} // namespace

std::string StatusLine(const char* axis, int64_t w)
{
    const auto column = [w](int64_t bit, int blanks) { return std::string(size_t(blanks), ' ') + ((w & bit) ? "1" : "0"); };
    return std::string(axis) + column(0x20, 9) + column(0x40, 20) + column(0x04, 18) + column(0x02, 17);
}

std::optional<int32_t> Jogger::Number(const std::string& text, const char* label)
{
    if (auto v = vqxclient::ParseInt32(text))
        return v;
    throw FieldError{std::string("\"") + label + "\" must be a whole number, not \"" + text + "\"."};
}

bool Jogger::Fail(const std::string& text)
{
    m_error = text;
    return false;
}

bool Jogger::Open(const std::string& port, const std::string& baud)
{
    m_error.clear();
    try {
        const int32_t rate = *Number(baud, "Baud Rate:");
        Number(fields.speed, "Jog Speed:");
        Number(fields.accel, "Jog Acceleration:");
        m_engine.OpenPort(port);
        m_opened = true;
        m_engine.SetBaudRate(rate);
        m_motors = m_engine.AddressMotorChain();
        m_engine.SetEcho(true);
        m_engine.SetDefaultMotor(0);
        for (const char* command : {"MP", "D=0", "P=@P", "G"})
            m_engine.WriteCommand(command);
        return CommitChanges();
    } catch (const FieldError& e) {
        return Fail(e.text);
    } catch (const vqxclient::EngineFailure& e) {
        return Fail(e.what());
    }
}

bool Jogger::CommitChanges()
{
    try {
        const int32_t speed = *Number(fields.speed, "Jog Speed:");
        const int32_t accel = *Number(fields.accel, "Jog Acceleration:");
        m_engine.SetDefaultMotor(0);
        m_engine.WriteCommand("V=" + std::to_string(speed));
        m_engine.WriteCommand("A=" + std::to_string(accel));
        m_engine.WriteCommand("MP");
        return true;
    } catch (const FieldError& e) {
        return Fail(e.text);
    } catch (const vqxclient::EngineFailure& e) {
        return Fail(e.what());
    }
}

void Jogger::ButtonDown(Direction direction)
{
    m_direction = direction;
    m_state = kWaiting;
}

bool Jogger::JogTimer()
{
    if (m_state != kWaiting)
        return true;
    m_state = kJogging;
    try {
        const char* label = m_direction == kLeft ? "Min X" : m_direction == kRight ? "Max X" : m_direction == kUp ? "Max Y" : "Min Y";
        const std::string& text = m_direction == kLeft    ? fields.minX
                                  : m_direction == kRight ? fields.maxX
                                  : m_direction == kUp    ? fields.maxY
                                                          : fields.minY;
        const int32_t target = *Number(text, label);
        const int32_t speed = *Number(fields.speed, "Jog Speed:");
        const int32_t accel = *Number(fields.accel, "Jog Acceleration:");
        m_engine.SetDefaultMotor(MotorOf(m_direction));
        m_engine.WriteCommand("P=" + std::to_string(target));
        m_engine.WriteCommand("V=" + std::to_string(speed));
        m_engine.WriteCommand("A=" + std::to_string(accel));
        m_engine.WriteCommand("G");
    } catch (const FieldError& e) {
        m_state = kIdle; // nothing moves: the release has nothing to stop
        Fail(e.text);
    } catch (const vqxclient::EngineFailure& e) {
        Fail(e.what());
    }
    return true;
}

bool Jogger::ButtonUp(Direction direction)
{
    const JogState was = m_state;
    m_state = kIdle;
    m_error.clear();
    try {
        const int motor = MotorOf(direction);
        if (was == kJogging) {
            // Stop first: no typed field may keep a motor running.
            m_engine.SetDefaultMotor(motor);
            for (const char* command : {"MV", "V=0", "G", "MP"})
                m_engine.WriteCommand(command);
            m_engine.WriteCommand("V=" + std::to_string(*Number(fields.speed, "Jog Speed:")));
            return true;
        }
        if (was != kWaiting)
            return true;
        const int32_t step = *Number(fields.step, "Jog Step:");
        bool inside = false;
        switch (direction) {
        case kLeft:
            inside = *Number(fields.minX, "Min X") < m_x;
            break;
        case kRight:
            inside = m_x < *Number(fields.maxX, "Max X");
            break;
        case kUp:
            inside = m_y < *Number(fields.maxY, "Max Y");
            break;
        case kDown:
            inside = *Number(fields.minY, "Min Y") < m_y;
            break;
        }
        if (!inside)
            return true;
        const bool negative = direction == kLeft || direction == kDown;
        m_engine.SetDefaultMotor(motor);
        m_engine.WriteCommand((negative ? "D=-" : "D=") + std::to_string(step));
        m_engine.WriteCommand("G");
        return true;
    } catch (const FieldError& e) {
        return Fail(e.text);
    } catch (const vqxclient::EngineFailure& e) {
        return Fail(e.what());
    }
}

void Jogger::PollAxis(int motor, std::string& posText, int32_t& position, std::string& status, const char* axis)
{
    m_engine.SetDefaultMotor(motor);
    m_engine.WriteCommand("RP");
    posText = m_engine.ReadResponse();
    position = int32_t(vqxclient::LeadingInteger(posText).value_or(0));
    m_engine.WriteCommand("RW");
    status = StatusLine(axis, vqxclient::LeadingInteger(m_engine.ReadResponse()).value_or(0));
}

void Jogger::Poll()
{
    if (!m_opened)
        return;
    try {
        m_engine.ClearBuffer();
        PollAxis(1, m_xText, m_x, m_xStatus, "X:");
        if (m_motors >= 2)
            PollAxis(2, m_yText, m_y, m_yStatus, "Y:");
    } catch (const vqxclient::EngineFailure&) {
        m_xText = m_yText = "N/A";
    }
}

void Jogger::Close()
{
    if (!m_opened)
        return;
    m_opened = false;
    try {
        m_engine.ClosePort();
    } catch (const vqxclient::EngineFailure&) {
    }
}

} // namespace jogger
