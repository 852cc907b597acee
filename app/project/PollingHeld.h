#pragma once
// Holds the program-wide polling switch off for a scope: no monitor window or motor view polls
// the project's ports while a tool talks to a motor itself, or while a dialog holds the ports
// closed to edit them (a read of a port closed that way is no communication failure, and it
// must not stop the windows' polling).

#include "app/project/Project.h"

class PollingHeld {
public:
    explicit PollingHeld(CProject& project) : m_project(project), m_was(project.pollingAllowed)
    {
        project.pollingAllowed = false;
        ++project.pollingHeld;
    }
    ~PollingHeld()
    {
        m_project.pollingAllowed = m_was;
        --m_project.pollingHeld;
    }
    PollingHeld(const PollingHeld&) = delete;
    PollingHeld& operator=(const PollingHeld&) = delete;

private:
    CProject& m_project;
    bool m_was;
};
