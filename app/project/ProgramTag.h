#pragma once
// While one of these lives, the analyzer page of a port (or every page of the project) carries
// the source tag of traffic the program sends by itself; it is cleared however the scope ends.

#include "core/analyzer/TrafficLog.h"
#include "core/port/CommPort.h"

class ProgramTag {
public:
    explicit ProgramTag(CCommPort* port) : m_port(port) { Set(true); }
    ~ProgramTag() { Set(false); }
    ProgramTag(const ProgramTag&) = delete;
    ProgramTag& operator=(const ProgramTag&) = delete;

private:
    void Set(bool on)
    {
        if (!m_port)
            return;
        if (ITrafficLog* log = m_port->Context().TrafficLog())
            log->SetPageFlags(m_port->id, SDA_FROM_PROGRAM, on);
    }
    CCommPort* m_port;
};
