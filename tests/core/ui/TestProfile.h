#pragma once
// A registry of the test's own (user and machine files in a temporary folder), installed as the
// process-wide registry for the test's lifetime, so that remembered answers and other profile
// values never touch the real files.

#include "platform/registry/Registry.h"
#include "tests/common/TempFolder.h"

#include <memory>

class TestProfile {
public:
    TestProfile()
        : m_registry(std::make_unique<platform::Registry>(m_folder.File("user.reg"), m_folder.File("machine.reg"))),
          m_scope(*m_registry)
    {
    }
    platform::Registry& Registry() { return *m_registry; }
    const TempFolder& Folder() const { return m_folder; }

private:
    TempFolder m_folder;
    std::unique_ptr<platform::Registry> m_registry;
    platform::ScopedDefaultRegistry m_scope;
};
