#pragma once
// Shared helpers of the scanner tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "scanner/LanguageTable.h"
#include "scanner/Scanner.h"

namespace scannertest {

// The source folder, as the build names it: __FILE__ is relative to the build folder when a
// compiler cache with a base folder ran the compiler, and the tests run elsewhere.
inline std::filesystem::path SourceRoot() { return VQX_SOURCE_DIR; }

inline std::string TablePath()
{
    return (SourceRoot() / "scanner/language/MotorLanguage.tbl").lexically_normal().string();
}

inline const CLanguageTable& Table()
{
    static const CLanguageTable table = [] {
        CLanguageTable t;
        std::string error;
        if (!LoadLanguageTable(TablePath(), t, error))
            ADD_FAILURE() << error;
        return t;
    }();
    return table;
}

// The default language, made from the table in memory.
inline CLanguage TableLanguage() { return LanguageOfTable(Table()); }

// A fresh folder per test, removed at the end.
class TempDir {
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("vqx-scanner-") + (info ? info->test_suite_name() : "x") + "-" +
                           (info ? info->name() : "y") + "-" + std::to_string(::getpid());
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }
    std::string Write(const std::string& name, const std::string& content) const
    {
        const std::string p = *this / name;
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }

private:
    std::filesystem::path m_path;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A process registry of its own in a temporary folder, installed for the test's lifetime, so
// that no test reads the developer's or the machine's settings.
class IsolatedRegistry {
public:
    IsolatedRegistry() : reg(dir / "user.reg", dir / "machine.reg"), scoped(reg) {}
    TempDir dir;
    platform::Registry reg;
    platform::ScopedDefaultRegistry scoped;
};

class ScannerTest : public ::testing::Test {
protected:
    void SetUp() override { s.SetLanguage(TableLanguage()); }

    IsolatedRegistry registry;

    void Scan(const std::string& text, const std::string& version = "") { s.Scan(text, version); }

    std::vector<int> Codes() const
    {
        std::vector<int> codes;
        for (const CError& e : s.Errors().Items())
            codes.push_back(e.code);
        return codes;
    }
    bool Has(int code) const
    {
        for (const CError& e : s.Errors().Items())
            if (e.code == code)
                return true;
        return false;
    }
    const CError* Find(int code) const
    {
        for (const CError& e : s.Errors().Items())
            if (e.code == code)
                return &e;
        return nullptr;
    }
    std::string Dump() const
    {
        std::string out;
        for (const CError& e : s.Errors().Items())
            out += std::to_string(e.code) + " " + std::to_string(e.line) + ":" + std::to_string(e.column) +
                   " " + e.message + "\n";
        return out;
    }
    // The scan left no message at all.
    void ExpectClean() const { EXPECT_EQ(s.Errors().GetCount(), 0) << Dump(); }

    CScanner s;
};

} // namespace scannertest
