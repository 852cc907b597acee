#include "app/shell/LanguageFiles.h"

#include "app/shell/FirmwareVersions.h"
#include "core/archive/TagArchive.h"
#include "core/ui/Questions.h"
#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"
#include "platform/paths/Paths.h"

#include <cctype>
#include <filesystem>

namespace shell {

namespace {
using platform::RegHive;
constexpr size_t kMaxLanguageFile = 64u << 20;

// A language file's "Version" string; false when the file is no language archive.
bool ReadVersionText(const std::string& file, std::string& version)
{
    CTagArchive ar("VQXLangFile");
    if (!ar.OpenForRead(file))
        return false;
    ar.SerializeString("Version", version, "");
    ar.Close();
    return true;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}
} // namespace

std::vector<std::string> SplitLanguageVersions(const std::string& versionText)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= versionText.size()) {
        const size_t j = versionText.find_first_of("; ,", i);
        const size_t end = j == std::string::npos ? versionText.size() : j;
        if (end > i)
            out.push_back(versionText.substr(i, end - i));
        if (j == std::string::npos)
            break;
        i = j + 1;
    }
    return out;
}

std::string LanguageFileName(const std::vector<std::string>& versions)
{
    std::string name;
    if (!versions.empty())
        for (char c : versions.front())
            if (std::isalnum(static_cast<unsigned char>(c)))
                name += c;
    return name.empty() ? std::string() : name + ".sld";
}

LanguageList CLanguageFiles::Read(bool showAll)
{
    LanguageList list;
    list.keyExists = m_registry.KeyExists(RegHive::LocalMachine, kLanguageKey);
    if (!list.keyExists)
        return list;
    const auto folder = m_registry.GetString(RegHive::LocalMachine, kLanguageKey, "Path");
    list.folderMissing = !folder;
    list.folder = folder.value_or(std::string());
    const std::string def = m_registry.GetString(RegHive::LocalMachine, kLanguageKey, "Default").value_or(std::string());
    // The firmware menu lists the same values by the same rules; "@" marks the default.
    auto append = [&](std::vector<platform::RegValue> values, bool hidden) {
        values.push_back(platform::RegValue::String("Default", def));
        for (const std::string& marked : FirmwareVersionList(values))
            list.rows.push_back({marked.substr(0, marked.size() - 1), marked.back() == '@', hidden});
    };
    append(m_registry.Values(RegHive::LocalMachine, kLanguageKey), false);
    if (showAll && m_registry.KeyExists(RegHive::LocalMachine, kHiddenLanguageKey))
        append(m_registry.Values(RegHive::LocalMachine, kHiddenLanguageKey), true);
    return list;
}

bool CLanguageFiles::Add(const std::string& file)
{
    std::string versionText;
    if (!ReadVersionText(file, versionText)) {
        Error(kReadError);
        return false;
    }
    const std::vector<std::string> versions = SplitLanguageVersions(versionText);
    const std::string name = LanguageFileName(versions);
    if (name.empty()) {
        Error(kNoVersion);
        return false;
    }
    const auto folder = m_registry.GetString(RegHive::LocalMachine, kLanguageKey, "Path");
    if (!folder) {
        Error(kNoFolder);
        return false;
    }
    const std::string target = platform::JoinPath(platform::TranslatePath(*folder), name);
    // Asked before anything changes: No leaves every registration and file as it was.
    for (const std::string& v : versions) {
        if (m_registry.GetString(RegHive::LocalMachine, kLanguageKey, v) ||
            m_registry.GetString(RegHive::LocalMachine, kHiddenLanguageKey, v)) {
            if (ui::OptionMessageBox(m_questions, kReplaceQuestion,
                                     ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON2) != ui::IDYES)
                return false;
            break;
        }
    }
    if (!SameFile(file, target)) {
        std::string bytes;
        if (platform::ReadRegularFile(file, bytes, kMaxLanguageFile) != platform::ReadStatus::Ok) {
            Error(kReadError);
            return false;
        }
        if (!platform::MakeFolders(platform::FolderPart(target)) ||
            !platform::WriteFileAtomically(target, bytes.data(), bytes.size())) {
            Error("The language file could not be copied to \"" + target + "\"; it was not added.");
            return false;
        }
    }
    platform::Registry::Batch batch(m_registry, RegHive::LocalMachine);
    for (const std::string& v : versions) {
        // A hidden registration of the version would hide the new one behind the old file.
        m_registry.DeleteValue(RegHive::LocalMachine, kHiddenLanguageKey, v);
        m_registry.SetString(RegHive::LocalMachine, kLanguageKey, v, target);
    }
    return batch.Commit();
}

bool CLanguageFiles::Delete(const std::string& version)
{
    if (version.empty()) {
        Error(kNoSelection);
        return false;
    }
    if (ui::OptionMessageBox(m_questions, kDeleteQuestion, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON2) !=
        ui::IDYES)
        return false;
    Move(kHiddenLanguageKey, kLanguageKey, version);
    return m_registry.DeleteValue(RegHive::LocalMachine, kLanguageKey, version);
}

void CLanguageFiles::Hide(const std::string& version)
{
    if (!version.empty())
        Move(kLanguageKey, kHiddenLanguageKey, version);
}

void CLanguageFiles::SetDefault(const std::string& version)
{
    if (version.empty())
        return;
    Move(kHiddenLanguageKey, kLanguageKey, version);
    m_registry.SetString(RegHive::LocalMachine, kLanguageKey, "Default", version);
}

bool CLanguageFiles::Move(const char* from, const char* to, const std::string& version)
{
    const auto value = m_registry.GetString(RegHive::LocalMachine, from, version);
    if (!value)
        return false;
    platform::Registry::Batch batch(m_registry, RegHive::LocalMachine);
    m_registry.DeleteValue(RegHive::LocalMachine, from, version);
    m_registry.SetString(RegHive::LocalMachine, to, version, *value);
    return batch.Commit();
}

void CLanguageFiles::Error(const std::string& text)
{
    ui::OptionMessageBox(m_questions, text, ui::MB_OK | ui::MB_ICONERROR);
}

} // namespace shell
