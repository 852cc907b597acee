// Resetting a motor and waiting until it answers again.

#include "core/VQXException.h"
#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/analyzer/TrafficLog.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/settings/Options.h"
#include "core/transfer/TransferSteps.h"
#include "core/ui/Services.h"
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
        if (m_progress) {
            ui::Progress().Show("Restarting the motor", std::nullopt);
            ui::Progress().SetCancelVisible(false);
            ui::Progress().Notify(ui::kProgressTotal, kAttempts);
        }
        CSerialDataAnalyzer& analyzer = GetSerialDataAnalyzer();
        m_wasLogging = analyzer.IsLogging();
        if (!port.Policy().Settings().IncludeVQX)
            analyzer.EnableLogging(false);
        if (ITrafficLog* log = port.Policy().Analyzer())
            log->SetPageFlags(port.id, SDA_FROM_PROGRAM, true);
    }
    ~CRestartScope()
    {
        if (m_progress)
            ui::Progress().Close();
        GetSerialDataAnalyzer().EnableLogging(m_wasLogging);
        if (ITrafficLog* log = m_port.Policy().Analyzer())
            log->SetPageFlags(m_port.id, SDA_FROM_PROGRAM, false);
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
                ui::Progress().Notify(ui::kProgressCount, attempt);
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
