// Resetting a motor and waiting until it answers again.

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/settings/Options.h"
#include "core/transfer/TransferSteps.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "platform/clock/Clock.h"

using namespace transfer;

namespace {

constexpr int kAttempts = 30;
constexpr int kPauseMs = 300;

// Keeps the analyzer quiet about the polling (unless the user wants to see it) and tags the
// port's page as the program's own traffic, for the length of a restart.
class CRestartScope {
public:
    CRestartScope(CCommPort& port, bool showProgress) : m_port(port), m_progress(showProgress)
    {
        ui::COperationContext& context = port.Context();
        if (m_progress) {
            context.Progress().Show("Restarting the motor", std::nullopt);
            context.Progress().SetCancelVisible(false);
            context.Progress().Notify(ui::kProgressTotal, kAttempts);
        }
        if (ITrafficLog* log = context.TrafficLog()) {
            m_wasLogging = log->IsLogging();
            if (!context.Options().IncludeVQX)
                log->EnableLogging(false);
            log->SetPageFlags(port.id, SDA_FROM_PROGRAM, true);
        }
    }
    ~CRestartScope()
    {
        ui::COperationContext& context = m_port.Context();
        if (m_progress)
            context.Progress().Close();
        if (ITrafficLog* log = context.TrafficLog()) {
            log->EnableLogging(m_wasLogging);
            log->SetPageFlags(m_port.id, SDA_FROM_PROGRAM, false);
        }
    }
    CRestartScope(const CRestartScope&) = delete;
    CRestartScope& operator=(const CRestartScope&) = delete;

private:
    CCommPort& m_port;
    bool m_progress;
    bool m_wasLogging = true;
};

} // namespace

bool CMotor::Restart(bool showProgress)
{
    CCommPort& port = PortOf(*this);
    CRestartScope scope(port, showProgress);
    motorport::EnsureOpen(port);
    SendCommand("Z");
    LimitDownloadBaud(false);
    bool answered = false;
    try {
        for (int attempt = 1; attempt <= kAttempts && !answered; ++attempt) {
            try {
                SendAndReceive("RSP");
                answered = true;
            } catch (const CVQXException& e) {
                if (e.GetCode() != CVQXException::NoResponse)
                    throw;
            }
            platform::SleepMs(kPauseMs);
            if (!answered && showProgress)
                Context().Progress().Notify(ui::kProgressCount, attempt);
        }
    } catch (...) {
        try {
            LimitDownloadBaud(true);
        } catch (...) {
        }
        throw;
    }
    LimitDownloadBaud(true);
    return answered;
}
