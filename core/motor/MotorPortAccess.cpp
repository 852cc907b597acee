#include "core/motor/MotorPortAccess.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

namespace motorport {

int PortIndex(const CCommPort& port) { return port.id; }
bool IsPortOpen(const CCommPort& port) { return port.isOpen != 0; }

void EnsureOpen(CCommPort& port)
{
    if (!port.isOpen)
        port.OpenPort();
}

void ClosePortOf(CCommPort& port) { port.ClosePort(); }
bool AllVer5s(const CCommPort& port) { return port.AllVer5s != 0; }
void ClearAllVer5s(CCommPort& port) { port.AllVer5s = 0; }
int CurrentAddress(const CCommPort& port) { return port.currentAddress; }

void Write(CCommPort& port, const std::string& text, int address, bool track)
{
    port.WriteCommand(text, address, track);
}

std::string Query(CCommPort& port, const std::string& text, int address, bool track)
{
    return port.Query(text, address, track);
}

CTimeoutScope::CTimeoutScope(CCommPort& port, int echoMs, int totalMs)
    : m_port(port), m_echo(port.echoTimeout), m_total(port.totalTimeout)
{
    if (echoMs >= 0)
        port.echoTimeout = echoMs;
    if (totalMs >= 0)
        port.totalTimeout = totalMs;
}

CTimeoutScope::~CTimeoutScope()
{
    m_port.echoTimeout = m_echo;
    m_port.totalTimeout = m_total;
}

} // namespace motorport

ui::COperationContext& CMotor::Context() const
{
    return port ? port->Context() : ui::COperationContext::Default();
}
