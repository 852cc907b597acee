#pragma once
// The registered language files, as the Scanner options page lists and edits them: the machine's
// Scanner key names the language folder ("Path"), the default version ("Default") and one value
// per version naming its .sld file; the subkey "More" holds the hidden versions. Every action here
// takes effect at once (Cancel of the options does not undo it).

#include "platform/registry/Registry.h"

#include <string>
#include <vector>

namespace ui {
class IQuestions;
}

namespace shell {

inline constexpr const char* kLanguageKey = "SOFTWARE\\Korvessan\\Scanner";
inline constexpr const char* kHiddenLanguageKey = "SOFTWARE\\Korvessan\\Scanner\\More";

struct LanguageRow {
    std::string version;
    bool isDefault = false; // the "Default" column reads "X"
    bool hidden = false;    // listed from "More"
    bool operator==(const LanguageRow&) const = default;
};

struct LanguageList {
    std::vector<LanguageRow> rows;
    std::string folder;         // "Path": where Add copies files
    bool keyExists = false;
    bool folderMissing = false; // the key exists without "Path" (error 1246)
};

// The versions a language file's "Version" text lists: the parts between ";", " " and ",".
std::vector<std::string> SplitLanguageVersions(const std::string& versionText);
// The file name Add gives a language: the letters and digits of the first version, then ".sld";
// empty when the first version has none.
std::string LanguageFileName(const std::vector<std::string>& versions);

class CLanguageFiles {
public:
    explicit CLanguageFiles(platform::Registry& registry, ui::IQuestions& questions)
        : m_registry(registry), m_questions(questions) {}

    // The list: the Scanner key's string values in order (up to the first value of another type),
    // "Path" and "Default" left out; then, with showAll, the hidden versions of "More".
    LanguageList Read(bool showAll);

    // Registers a language file: its versions are read from the file, the user is asked once
    // before any registered version is re-pointed, the file is copied into the language folder
    // (unless it is already that file), and only then are the versions written. False, with a
    // message shown, when nothing was registered.
    bool Add(const std::string& file);
    // Unregisters a version (hidden ones too) after asking; the file stays on disk.
    bool Delete(const std::string& version);
    // Moves a listed version to "More"; nothing when it is not in the Scanner key.
    void Hide(const std::string& version);
    // Makes a version (shown again if hidden) the default.
    void SetDefault(const std::string& version);

    static constexpr const char* kReadError = "Error reading the specified file!";
    static constexpr const char* kReplaceQuestion =
        "This version of VQX language is already assigned to another database. Do you want to replace it with the "
        "new database file?";
    static constexpr const char* kNoSelection = "Please select an item from the list!";
    static constexpr const char* kDeleteQuestion = "Are you sure you want to delete the selected version?";
    static constexpr const char* kNoFolder = "Error reading Language module.";
    static constexpr const char* kNoVersion = "The specified file names no language version; it was not added.";

private:
    // Moves a value from one key to the other (same name, same string); false when the source has none.
    bool Move(const char* from, const char* to, const std::string& version);
    void Error(const std::string& text);

    platform::Registry& m_registry;
    ui::IQuestions& m_questions;
};

} // namespace shell
