#pragma once
// A temporary folder removed (with its content) at the end of a test.

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

class TestDir {
public:
    TestDir()
    {
        char tmpl[] = "/tmp/vqx-test-XXXXXX";
        const char* d = mkdtemp(tmpl);
        EXPECT_NE(d, nullptr);
        m_path = d ? d : "/tmp";
    }
    ~TestDir()
    {
        if (m_path.rfind("/tmp/vqx-test-", 0) == 0) {
            std::string cmd = "rm -rf '" + m_path + "'";
            (void)std::system(cmd.c_str());
        }
    }
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};
