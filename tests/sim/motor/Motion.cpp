#include "tests/sim/motor/Motion.h"

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/Expression.h"
#include "tests/sim/motor/SimMotor.h"

#include <cmath>

namespace vqxsim {

double MotionMotor::CountsPerSecond(SimMotor& m) const
{
    const double period = (m.Profile().sampleFigure > 0 ? m.Profile().sampleFigure : 1) * 10e-9;
    return m.Values()["V"] / 65536.0 / period;
}

void MotionMotor::Publish(SimMotor& m)
{
    m.Values()["P"] = static_cast<int32_t>(std::lround(m_position));
    m.SetBit('t', m_moving);
}

void MotionMotor::Advance(SimMotor& m, TimePoint now)
{
    if (m_moving && now > m_last) {
        const double dt = std::chrono::duration<double>(now - m_last).count();
        if (m_velocityMode) {
            m_position += m_velocity * dt;
        } else {
            const double step = std::abs(m_velocity) * dt;
            const double left = m_target - m_position;
            if (std::abs(left) <= step) {
                m_position = m_target;
                m_moving = false;
            } else {
                m_position += left > 0 ? step : -step;
            }
        }
    }
    if (now > m_last)
        m_last = now;
    Publish(m);
}

void MotionMotor::SetTarget(SimMotor& m, const std::string& expression, bool relative)
{
    Advance(m, m.Now());
    auto v = EvaluateExpression(expression, [&m](const std::string& n) { return m.ReadName(n); });
    if (!v)
        return;
    m_relative = relative;
    if (relative)
        m_distance = *v;
    else
        m_target = *v;
}

void MotionMotor::Go(SimMotor& m)
{
    Advance(m, m.Now());
    m_log.push_back("G " + std::to_string(std::lround(m_position)));
    const double speed = CountsPerSecond(m);
    if (m_velocityMode) {
        m_velocity = speed;
        m_moving = speed != 0;
    } else {
        if (m_relative) {
            m_target = m_position + double(m_distance);
            m_relative = false;
        }
        m_velocity = std::abs(speed);
        m_moving = m_target != m_position && m_velocity > 0;
    }
    Publish(m);
}

void MotionMotor::Stop(SimMotor& m)
{
    Advance(m, m.Now());
    m_log.push_back("S " + std::to_string(std::lround(m_position)));
    m_moving = false;
    m_target = m_position;
    Publish(m);
}

void MotionMotor::SetMode(SimMotor& m, bool velocity)
{
    Advance(m, m.Now());
    m_velocityMode = velocity;
}

std::shared_ptr<MotionMotor> AttachMotion(SimMotor& motor)
{
    auto state = std::make_shared<MotionMotor>();
    auto table = std::make_shared<CommandTable>(motor.Commands());
    const auto simple = [&](const char* name, std::function<void(SimMotor&)> f) {
        table->Add(name, {[f = std::move(f)](SimMotor& m, const std::string&, const std::string&) { f(m); }});
    };
    simple("G", [state](SimMotor& m) { state->Go(m); });
    simple("S", [state](SimMotor& m) { state->Stop(m); });
    simple("MP", [state](SimMotor& m) { state->SetMode(m, false); });
    simple("MV", [state](SimMotor& m) { state->SetMode(m, true); });
    table->AddPrefix("P=", {[state](SimMotor& m, const std::string& token, const std::string&) {
                         state->SetTarget(m, token.substr(2), false);
                     }});
    table->AddPrefix("D=", {[state](SimMotor& m, const std::string& token, const std::string&) {
                         state->SetTarget(m, token.substr(2), true);
                     }});
    motor.SetCommands(table);
    motor.rawInputHook = [state](SimMotor& m, uint8_t) {
        state->Advance(m, m.Now());
        return false;
    };
    return state;
}

} // namespace vqxsim
