#include "app/shell/MachineLanguages.h"

#include "app/shell/LanguageFiles.h"
#include "scanner/Language.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace shell {

CMachineLanguages::CMachineLanguages(std::shared_ptr<CLanguageRegistry> key,
                                     std::function<std::string()> programFolder)
    : m_key(std::move(key)), m_folder(std::move(programFolder))
{
}

bool CMachineLanguages::Open()
{
    m_fromKey = m_key && m_key->Open();
    if (m_fromKey)
        return true;
    if (!m_shippedRead) {
        m_shipped = ShippedLanguages(m_folder());
        m_shippedRead = true;
    }
    return !m_shipped.empty();
}

bool CMachineLanguages::Read(const std::string& name, std::string& value)
{
    if (m_fromKey)
        return m_key->Read(name, value);
    auto it = m_shipped.find(name);
    if (it == m_shipped.end())
        return false;
    value = it->second;
    return true;
}

void CMachineLanguages::Close()
{
    if (m_fromKey)
        m_key->Close();
}

std::map<std::string, std::string> CMachineLanguages::ShippedLanguages(const std::string& programFolder)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> found;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(programFolder, ec))
        if (entry.path().extension() == ".sld")
            files.push_back(entry.path());
    // Sorted, so that two files claiming one version always resolve the same way.
    std::sort(files.begin(), files.end());
    const fs::path defaultFile = fs::path(programFolder) / "Default.sld";
    for (const fs::path& file : files) {
        CLanguage language;
        std::string reason;
        if (!language.Read(file.string(), reason))
            continue; // an unreadable file answers no version
        const std::vector<std::string> versions = SplitLanguageVersions(language.Version);
        for (const std::string& v : versions)
            found.emplace(v, file.string());
        if (file == defaultFile && !versions.empty())
            found["Default"] = versions.front();
    }
    return found;
}

} // namespace shell
