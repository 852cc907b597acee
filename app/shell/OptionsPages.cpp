#include "app/shell/OptionsPages.h"

#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"
#include "scanner/Scanner.h"

#include <algorithm>

namespace shell::options {

int FontSizePosition(int points) { return std::clamp(points / 2 - 3, 0, kFontSizeCount - 1); }
int FontSizeOfPosition(int position) { return 2 * std::clamp(position, 0, kFontSizeCount - 1) + 6; }
int TabWidthTwips(int characterPixels, int tabSize) { return characterPixels * tabSize * 15; }

// ---- Scanner ---------------------------------------------------------------------------------

ScannerPage ReadScannerPage(const CScanner& scanner, const COptions& options)
{
    ScannerPage p;
    p.maxErrors = scanner.Errors().MaxErrors;
    p.maxWarnings = scanner.Errors().MaxWarnings;
    p.checkNumberRanges = scanner.CheckNumRange;
    p.checkParameterRanges = scanner.CheckParamRange;
    p.keywordErrorsToWarnings = scanner.Errors2Warnings;
    p.showAllLanguages = options.ShowAllLanguages;
    return p;
}

std::optional<std::string> ValidateScannerPage(const ScannerPage& page)
{
    if (page.maxErrors <= 0)
        return "Please enter a positive number for Max Number of Errors.";
    if (page.maxWarnings <= 0)
        return "Please enter a positive number for Max Number of Warnings.";
    return std::nullopt;
}

void ApplyScannerPage(const ScannerPage& page, CScanner& scanner, COptions& options)
{
    scanner.Errors().MaxErrors = page.maxErrors;
    scanner.Errors().MaxWarnings = page.maxWarnings;
    scanner.CheckNumRange = page.checkNumberRanges;
    scanner.CheckParamRange = page.checkParameterRanges;
    scanner.Errors2Warnings = page.keywordErrorsToWarnings;
    options.ShowAllLanguages = page.showAllLanguages;
}

// ---- Editor ----------------------------------------------------------------------------------

EditorPage ReadEditorPage(const COptions& o)
{
    return {o.BackColor, o.NormalColor, o.KeywordColor, o.FlowColor, o.CommentColor,
            std::clamp(o.TabSize, 1, 10), FontSizeOfPosition(FontSizePosition(o.EditorFontSize)), o.TabSizePoint};
}

bool ApplyEditorPage(const EditorPage& p, COptions& o)
{
    if (p.backColor == o.BackColor && p.normalColor == o.NormalColor && p.keywordColor == o.KeywordColor &&
        p.flowColor == o.FlowColor && p.commentColor == o.CommentColor && p.tabSize == o.TabSize &&
        p.fontSize == o.EditorFontSize)
        return false;
    o.BackColor = p.backColor;
    o.NormalColor = p.normalColor;
    o.KeywordColor = p.keywordColor;
    o.FlowColor = p.flowColor;
    o.CommentColor = p.commentColor;
    o.TabSize = p.tabSize;
    o.TabSizePoint = p.tabSizePoint;
    o.EditorFontSize = p.fontSize;
    return true;
}

bool AskReformat(ui::IQuestions& questions)
{
    return ui::OptionMessageBox(questions, kReformatQuestion, ui::MB_YESNO | ui::MB_ICONQUESTION | ui::kRememberAnswer,
                                {}, ui::kCheckToDisable, "AutoReformat") == ui::IDYES;
}

// ---- Terminal --------------------------------------------------------------------------------

TerminalPage ReadTerminalPage(const COptions& o)
{
    return {o.TermBackColor, o.SentColor,  o.ReceivedColor,   o.MessageColor, FontSizeOfPosition(FontSizePosition(o.TermFontSize)),
            o.EchoErrors,    o.ShowTyping, o.CalTimeouts,     o.EchoTimeout,  o.ResponseTimeout,
            o.NetworkDelay,  o.DownloadDelay};
}

std::optional<std::string> ValidateTerminalPage(const TerminalPage& p)
{
    if (!p.calTimeouts && p.echoTimeout < 10)
        return "Invalid \"Echo Timeout\" value.\nPlease enter a number more than 10 mSec.";
    if (p.responseTimeout < 100)
        return "Invalid \"Response Timeout\" value.\nPlease enter a number more than 100 mSec.";
    if (p.networkDelay < 100)
        return "Invalid \"Network Delay\" value.\nPlease enter a number more than 100 mSec.";
    if (p.downloadDelay < 100)
        return "Invalid \"Dwonload Delay\" value.\nPlease enter a number more than 100 uSec.";
    return std::nullopt;
}

bool ApplyTerminalPage(const TerminalPage& p, COptions& o)
{
    const bool look = p.backColor != o.TermBackColor || p.sentColor != o.SentColor ||
                      p.receivedColor != o.ReceivedColor || p.messageColor != o.MessageColor ||
                      p.fontSize != o.TermFontSize;
    if (look) {
        o.TermBackColor = p.backColor;
        o.SentColor = p.sentColor;
        o.ReceivedColor = p.receivedColor;
        o.MessageColor = p.messageColor;
        o.TermFontSize = p.fontSize;
    }
    o.EchoErrors = p.echoErrors;
    o.ShowTyping = p.showTyping;
    o.CalTimeouts = p.calTimeouts;
    o.EchoTimeout = p.echoTimeout;
    o.ResponseTimeout = p.responseTimeout;
    o.NetworkDelay = p.networkDelay;
    o.DownloadDelay = p.downloadDelay;
    return look;
}

// ---- Serial Data Analyzer --------------------------------------------------------------------

AnalyzerPage ReadAnalyzerPage(const COptions& o)
{
    return {o.IOTermBackColor, o.TxColor,        o.RxColor,    o.EchoColor,
            o.SDAColor,        FontSizeOfPosition(FontSizePosition(o.IOTermFontSize)),
            o.SDALineHeight,   o.IncludePolling, o.IncludeVQX, o.ReceiveSounds,
            o.SoundFile};
}

bool ApplyAnalyzerPage(const AnalyzerPage& p, COptions& o)
{
    const bool look = p.backColor != o.IOTermBackColor || p.sentColor != o.TxColor || p.receivedColor != o.RxColor ||
                      p.echoColor != o.EchoColor || p.analyzerColor != o.SDAColor || p.lineHeight != o.SDALineHeight ||
                      p.fontSize != o.IOTermFontSize;
    if (look) {
        o.IOTermBackColor = p.backColor;
        o.TxColor = p.sentColor;
        o.RxColor = p.receivedColor;
        o.EchoColor = p.echoColor;
        o.SDAColor = p.analyzerColor;
        o.SDALineHeight = p.lineHeight;
        o.IOTermFontSize = p.fontSize;
    }
    o.IncludePolling = p.includePolling;
    o.IncludeVQX = p.includeInternal;
    o.ReceiveSounds = p.receiveSounds;
    o.SoundFile = p.soundFile;
    return look;
}

void RestoreAnalyzerDefaults(AnalyzerPage& p)
{
    p.backColor = 0xFFF2FC;
    p.sentColor = 0x000000;
    p.receivedColor = 0x008000; // green here, unlike the first run's blue
    p.includePolling = false;
    p.includeInternal = true;
    p.fontSize = 10;
}

// ---- Advanced --------------------------------------------------------------------------------

namespace {
using K = AdvancedKind;
constexpr bool COptions::*kNoField = nullptr;

std::vector<AdvancedItem> MakeAdvancedItems()
{
    std::vector<AdvancedItem> t;
    int group = -1, options = -1;
    auto add = [&](AdvancedItem item) {
        t.push_back(item);
        return static_cast<int>(t.size()) - 1;
    };
    auto top = [&](const char* text) { group = add({K::Group, -1, text, nullptr, 0, 0, 0, kNoField, false}); };
    auto check = [&](const char* text, const char* key, int set, int clear, int def, bool restore) {
        add({K::Check, group, text, key, set, clear, def, kNoField, restore});
    };
    auto optionGroup = [&](const char* text, const char* key) {
        options = add({K::OptionGroup, group, text, key, 0, 0, 0, kNoField, false});
    };
    auto option = [&](const char* text, int value, bool restore) {
        add({K::Option, options, text, nullptr, value, 0, 0, kNoField, restore});
    };
    auto setting = [&](const char* text, bool COptions::*field) {
        add({K::Setting, group, text, nullptr, 0, 0, 0, field, true});
    };

    top("Confirmation");
    check("Always ask before Addressing motors", "Address", 0, 6, 0, true);
    check("Always ask before downloading to a motor", "Download", 0, 6, 0, true);
    check("Always ask before downloading a calibration routine to a motor", "DownloadCal", 0, 6, 0, true);
    check("Always ask before downloading the polling program in Tessaraxon Playground", "PollingProgram", 0, 1, 0, true);
    check("Always show a message box when errors/warnings are detected", "ErrorsDetected", 0, 1, 0, true);
    check("Always show a message box when a program is scanned/compiled successfully", "SuccessMsg", 0, 1, 0, true);
    check("Always show a message box after downloading a program successfully", "EndDownload", 0, 1, 0, true);
    optionGroup("Formatting keywords in the editor views", "AutoReformat");
    option("Always ask", 0, true);
    option("Always format", 6, false);
    option("Never format", 7, false);
    optionGroup("When a new configuration is detected:", "DifferentChannel");
    option("Always ask", 0, true);
    option("Always add new motors", 1237, false);
    option("Always add new motors, and update existing ones", 1238, false);
    option("Always replace current settings with the detected settings", 1235, false);
    optionGroup("When a Communication error occurs:", "OnCommError");
    option("Ask before Addressing/Detecting motors.", 0, true);
    option("Address/Detect motors automatically.", 6, false);
    option("Don't address/Detect motors.", 7, false);
    top("Polling");
    setting("Stop polling when a communication error occurs", &COptions::NoPollingOnError);
    check("Download Polling Program for Tessaraxon Playground", "DownloadPollProgram", 1, 0, 0, false);
    top("Project");
    setting("Always save project when closed", &COptions::SaveWorkspace);
    setting("Reload last project at startup", &COptions::ReloadWorkspace);
    setting("Restore serial port Open/Close status when a project is opened", &COptions::RestoreSerialState);
    setting("Automatically run the \"Startup\" macro when a project is opened", &COptions::RunStartup);
    top("Startup settings");
    check("Show VQX logo at startup", "ShowLogo", 1, 0, 1, true);
    check("Show \"Tip of the Day\" at startup", "NoStartupTips", 0, 1, 0, true);
    check("Show \"Tessaraxon Playground\" at startup", "ShowPlayground", 1, 0, 1, true);
    check("Show the Welcome dialog box at startup with no project", "StartQuestion", 1, 0, 1, true);
    top("Miscellaneous");
    check("Set \"Yes\" button in the Address/Detect motors dialog box to be a default button.", "YesDefault", 1, 0, 1,
          true);
    check("Insert include file markers in the TQX file.", "InsertMarker", 1, 0, 0, false);
    return t;
}
} // namespace

const std::vector<AdvancedItem>& AdvancedItems()
{
    static const std::vector<AdvancedItem> items = MakeAdvancedItems();
    return items;
}

void CAdvancedTree::Load(platform::Profile& profile, const COptions& options)
{
    const auto& items = AdvancedItems();
    for (size_t i = 0; i < items.size(); ++i) {
        const AdvancedItem& item = items[i];
        switch (item.kind) {
        case K::Check:
            m_set[i] = profile.GetInt(ui::kOptionBoxesSection, item.key, item.defaultValue) == item.setValue;
            break;
        case K::Option: {
            const AdvancedItem& group = items[static_cast<size_t>(item.parent)];
            m_set[i] = profile.GetInt(ui::kOptionBoxesSection, group.key, group.defaultValue) == item.setValue;
            break;
        }
        case K::Setting: m_set[i] = options.*item.field; break;
        default: m_set[i] = false;
        }
    }
}

void CAdvancedTree::Click(int index)
{
    const auto& items = AdvancedItems();
    if (index < 0 || index >= static_cast<int>(items.size()))
        return;
    const AdvancedItem& item = items[static_cast<size_t>(index)];
    if (item.kind == K::Check || item.kind == K::Setting) {
        m_set[static_cast<size_t>(index)] = !m_set[static_cast<size_t>(index)];
    } else if (item.kind == K::Option) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].kind == K::Option && items[i].parent == item.parent)
                m_set[i] = static_cast<int>(i) == index;
    }
}

int CAdvancedTree::Image(int index) const
{
    const AdvancedItem& item = AdvancedItems()[static_cast<size_t>(index)];
    const bool set = m_set[static_cast<size_t>(index)];
    switch (item.kind) {
    case K::Check:
    case K::Setting: return set ? 1 : 0;
    case K::Option: return set ? 3 : 2;
    default: return std::string_view(item.text) == "Project" ? 5 : 4;
    }
}

void CAdvancedTree::RestoreDefaults()
{
    const auto& items = AdvancedItems();
    for (size_t i = 0; i < items.size(); ++i)
        m_set[i] = items[i].restoreSet;
}

void CAdvancedTree::Apply(platform::Profile& profile, COptions& options) const
{
    const auto& items = AdvancedItems();
    platform::Profile::Batch batch(profile);
    for (size_t i = 0; i < items.size(); ++i) {
        const AdvancedItem& item = items[i];
        if (item.kind == K::Check)
            profile.WriteInt(ui::kOptionBoxesSection, item.key, m_set[i] ? item.setValue : item.clearValue);
        else if (item.kind == K::Option && m_set[i])
            profile.WriteInt(ui::kOptionBoxesSection, items[static_cast<size_t>(item.parent)].key, item.setValue);
        else if (item.kind == K::Setting)
            options.*item.field = m_set[i];
    }
    batch.Commit();
}

} // namespace shell::options
