#pragma once
// A private temporary folder for one test, removed with everything in it at the end.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vqx-test-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
        else
            throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempFolder()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::string operator/(const std::string& name) const { return File(name); }

private:
    std::string m_path;
};
