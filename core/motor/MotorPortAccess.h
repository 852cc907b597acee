#pragma once
// The few things a motor asks of its port, in one place.

#include <string>

class CCommPort;

namespace motorport {

int PortIndex(const CCommPort& port);
bool IsPortOpen(const CCommPort& port);
void EnsureOpen(CCommPort& port);
void ClosePortOf(CCommPort& port);
bool AllVer5s(const CCommPort& port);
void ClearAllVer5s(CCommPort& port);
int CurrentAddress(const CCommPort& port);
void Write(CCommPort& port, const std::string& text, int address, bool track);
std::string Query(CCommPort& port, const std::string& text, int address, bool track);

// Raises the port's echo and reply timeouts for one operation and puts the old ones back when
// it ends, also when an error passes. A negative value keeps that timeout.
class CTimeoutScope {
public:
    CTimeoutScope(CCommPort& port, int echoMs, int totalMs);
    ~CTimeoutScope();
    CTimeoutScope(const CTimeoutScope&) = delete;
    CTimeoutScope& operator=(const CTimeoutScope&) = delete;

private:
    CCommPort& m_port;
    int m_echo;
    int m_total;
};

} // namespace motorport
