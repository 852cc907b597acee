#pragma once
// Around every poll query of a tool: the analyzer's logging is switched off unless the user asked
// to see polling (IncludePolling and IncludeVQX), and the port's page carries the program's source
// tag. Both are undone however the exchange ends.

#include "core/analyzer/TrafficLog.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"

namespace tools {

// What an exchange is: a poll, or the tool's own command (logged unless IncludeVQX is off).
enum class TrafficKind { Poll, Tool };

class PollTrafficScope {
public:
    explicit PollTrafficScope(CMotor& motor, TrafficKind kind = TrafficKind::Poll)
    {
        Begin(motor, kind);
    }
    ~PollTrafficScope() { End(); }
    // Undoes both now (before the error is reported, say); the destructor then does nothing.
    void End()
    {
        if (!m_log)
            return;
        if (m_switchedOff)
            m_log->EnableLogging(true);
        m_log->SetPageFlags(m_page, SDA_FROM_PROGRAM, false);
        m_log = nullptr;
    }
    PollTrafficScope(const PollTrafficScope&) = delete;
    PollTrafficScope& operator=(const PollTrafficScope&) = delete;

private:
    void Begin(CMotor& motor, TrafficKind kind)
    {
        CCommPort* port = motor.GetPort();
        ui::COperationContext& context = motor.Context();
        m_log = context.TrafficLog();
        if (!m_log)
            return;
        m_page = port ? port->id : -1;
        const COptions& o = context.Options();
        const bool shown = kind == TrafficKind::Poll ? o.IncludePolling && o.IncludeVQX : o.IncludeVQX;
        if (!shown && m_log->IsLogging()) {
            m_log->EnableLogging(false);
            m_switchedOff = true;
        }
        m_log->SetPageFlags(m_page, SDA_FROM_PROGRAM, true);
    }

    ITrafficLog* m_log = nullptr;
    int m_page = -1;
    bool m_switchedOff = false;
};

} // namespace tools
