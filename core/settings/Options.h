#pragma once
// A settings record, kept in the user's profile. The program's one record is the default
// operation context's (ui::COperationContext::Default().Options()); each context has its own.

#include <cstdint>
#include <string>

namespace platform {
class Profile;
}

class COptions {
public:
    COptions() = default;

    // Reads every value from the application's profile (platform::AppProfile()) in the table
    // order of the settings table, each with its default; a boolean is true for any non-zero integer.
    // ShowAllLanguages is read and then set to false: every run starts with hidden language
    // versions not shown.
    void Load();
    void Load(platform::Profile& profile);
    // Writes every field to its key in table order: integers and colours, and booleans as 0 or
    // 1, with the integer setter; SoundFile with the string setter. All 37 writes go to the file
    // in one atomic write. False when the profile could not be saved.
    bool Save() const;
    bool Save(platform::Profile& profile) const;

    // The number of profile keys of the record.
    static constexpr int kKeyCount = 37;

    // "IOTerminal"
    uint32_t IOTermBackColor = 0xFFF2FC;
    uint32_t TxColor = 0x000000;
    uint32_t RxColor = 0xFF0000;
    uint32_t EchoColor = 0xFF0000;
    uint32_t SDAColor = 0x008000;
    bool IncludePolling = false;
    bool IncludeVQX = true;
    int32_t IOTermFontSize = 10;
    bool ReceiveSounds = false;
    std::string SoundFile;
    int32_t SDALineHeight = 16;
    // "Terminal"
    uint32_t TermBackColor = 0xD70909;
    int32_t TermFontSize = 10;
    uint32_t SentColor = 0xFFFFFF;
    uint32_t ReceivedColor = 0xFFFF80;
    uint32_t MessageColor = 0x00FFFF;
    bool EchoErrors = false;
    bool ShowTyping = true;
    // "Communication"
    bool CalTimeouts = true;
    int32_t EchoTimeout = 100;     // ms
    int32_t ResponseTimeout = 500; // ms
    int32_t NetworkDelay = 1000;   // ms
    int32_t DownloadDelay = 260;   // microseconds per byte written when echo is off
    // "Editor"
    int32_t TabSize = 4;
    int32_t TabSizePoint = 480;
    uint32_t BackColor = 0xFDFEC5;
    uint32_t NormalColor = 0x000000;
    uint32_t KeywordColor = 0xFF0000;
    uint32_t FlowColor = 0xB316C9;
    uint32_t CommentColor = 0x008000;
    int32_t EditorFontSize = 10;
    // "Workspace"
    bool SaveWorkspace = true;
    bool ReloadWorkspace = true;
    bool RestoreSerialState = true;
    bool RunStartup = true;
    // "Polling"
    bool NoPollingOnError = true;
    // "Scanner"
    bool ShowAllLanguages = false;
};
