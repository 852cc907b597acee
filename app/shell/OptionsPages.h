#pragma once
// The rules of the Options dialog's pages, without widgets: what each page shows of the settings
// record and of the compiler, its checks with their messages, what its apply step stores and
// whether the program must follow (re-highlight the editors, clear the terminal panes, redraw the
// analyzer), its Restore Defaults, and the Advanced page's tree of remembered answers and switches.
// A page works on its own copy; nothing reaches the record before its apply step.

#include "core/settings/Options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CScanner;
namespace platform {
class Profile;
}
namespace ui {
class IQuestions;
}

namespace shell::options {

// The font sizes offered: 6, 8, ... 20 points, by list position 0..7.
inline constexpr int kFontSizeCount = 8;
// A stored size's position (size / 2 - 3), clamped into the list.
int FontSizePosition(int points);
int FontSizeOfPosition(int position);
// The editor's tab width in twips: the pixel width of one preview character, times the tab size,
// times 15.
int TabWidthTwips(int characterPixels, int tabSize);

// ---- "Scanner" -----------------------------------------------------------------------------
struct ScannerPage {
    int maxErrors = 50;
    int maxWarnings = 50;
    bool checkNumberRanges = true;
    bool checkParameterRanges = false;
    bool keywordErrorsToWarnings = false;
    bool showAllLanguages = false;
    bool operator==(const ScannerPage&) const = default;
};
ScannerPage ReadScannerPage(const CScanner& scanner, const COptions& options);
// The first failing check's message; none when the page is valid.
std::optional<std::string> ValidateScannerPage(const ScannerPage& page);
void ApplyScannerPage(const ScannerPage& page, CScanner& scanner, COptions& options);

// ---- "Editor" ------------------------------------------------------------------------------
struct EditorPage {
    uint32_t backColor = 0xFDFEC5;
    uint32_t normalColor = 0x000000;
    uint32_t keywordColor = 0xFF0000;
    uint32_t flowColor = 0xB316C9;
    uint32_t commentColor = 0x008000;
    int tabSize = 4;       // 1..10
    int fontSize = 10;
    int tabSizePoint = 480; // measured by the preview
    bool operator==(const EditorPage&) const = default;
};
EditorPage ReadEditorPage(const COptions& options);
// Stores the page when a colour, the tab size or the font size differs from the record; true
// when it did (the reformat question follows).
bool ApplyEditorPage(const EditorPage& page, COptions& options);
// "Do you want to format the keywords in open documents?", remembered under "AutoReformat":
// true for Yes, asked or remembered.
bool AskReformat(ui::IQuestions& questions);
inline constexpr const char* kReformatQuestion = "Do you want to format the keywords in open documents?";

// ---- "Terminal" ----------------------------------------------------------------------------
struct TerminalPage {
    uint32_t backColor = 0xD70909;
    uint32_t sentColor = 0xFFFFFF;
    uint32_t receivedColor = 0xFFFF80;
    uint32_t messageColor = 0x00FFFF;
    int fontSize = 10;
    bool echoErrors = false;
    bool showTyping = true;
    bool calTimeouts = true;
    int echoTimeout = 100;
    int responseTimeout = 500;
    int networkDelay = 1000;
    int downloadDelay = 260;
    bool operator==(const TerminalPage&) const = default;
};
TerminalPage ReadTerminalPage(const COptions& options);
std::optional<std::string> ValidateTerminalPage(const TerminalPage& page);
// Stores the switches and numbers, and the colours and font when one changed: true then (the
// terminal panes are cleared to take them).
bool ApplyTerminalPage(const TerminalPage& page, COptions& options);

// ---- "Serial Data Analyzer" ----------------------------------------------------------------
struct AnalyzerPage {
    uint32_t backColor = 0xFFF2FC;
    uint32_t sentColor = 0x000000;
    uint32_t receivedColor = 0xFF0000;
    uint32_t echoColor = 0xFF0000;
    uint32_t analyzerColor = 0x008000;
    int fontSize = 10;
    int lineHeight = 16; // measured by the preview
    bool includePolling = false;
    bool includeInternal = true;
    bool receiveSounds = false;
    std::string soundFile;
    bool operator==(const AnalyzerPage&) const = default;
};
AnalyzerPage ReadAnalyzerPage(const COptions& options);
// Stores the switches and the sound file, and the colours, line height and font when one changed:
// true then (the analyzer applies its options and redraws).
bool ApplyAnalyzerPage(const AnalyzerPage& page, COptions& options);
// Background, sent, received, the two include switches and the font; the echo and analyzer
// colours and the sound are kept.
void RestoreAnalyzerDefaults(AnalyzerPage& page);

// ---- "Advanced" ----------------------------------------------------------------------------
enum class AdvancedKind { Group, Check, OptionGroup, Option, Setting };
struct AdvancedItem {
    AdvancedKind kind;
    int parent;          // index of the item it hangs under; -1 at the top
    const char* text;
    const char* key;     // "OptionBoxes" value of a check item or option group
    int setValue;        // check: written when set; option: its own value
    int clearValue;      // check: written when clear
    int defaultValue;    // check and option group: the value when the key is absent
    bool COptions::*field; // setting items
    bool restoreSet;     // the state Restore Defaults gives a check, option or setting
};
// The tree in order (the order Apply walks).
const std::vector<AdvancedItem>& AdvancedItems();

class CAdvancedTree {
public:
    // The states shown: read from the "OptionBoxes" section and the record.
    void Load(platform::Profile& profile, const COptions& options);
    // A click on an item's image: a check toggles, an option is set and its siblings cleared.
    void Click(int index);
    bool IsSet(int index) const { return m_set[static_cast<size_t>(index)]; }
    // The image index: 0/1 check clear/set, 2/3 option clear/set, 4 group, 5 "Project".
    int Image(int index) const;
    void RestoreDefaults();
    // Writes every check and option group to the profile and the settings to the record.
    void Apply(platform::Profile& profile, COptions& options) const;

private:
    std::vector<bool> m_set = std::vector<bool>(AdvancedItems().size(), false);
};

} // namespace shell::options
