#include "core/settings/Options.h"

#include "platform/registry/Profile.h"

namespace {

// One exchange routine in table order, so Load and Save cannot drift apart.
template <class Record, class Io>
void Exchange(Record& o, Io& io)
{
    io.Int("IOTerminal", "IOTermBackColor", o.IOTermBackColor);
    io.Int("IOTerminal", "TxColor", o.TxColor);
    io.Int("IOTerminal", "RxColor", o.RxColor);
    io.Int("IOTerminal", "EchoColor", o.EchoColor);
    io.Int("IOTerminal", "SDAColor", o.SDAColor);
    io.Bool("IOTerminal", "IncludePolling", o.IncludePolling);
    io.Bool("IOTerminal", "IncludeVQX", o.IncludeVQX);
    io.Int("IOTerminal", "IOTermFontSize", o.IOTermFontSize);
    io.Bool("IOTerminal", "ReceiveSounds", o.ReceiveSounds);
    io.String("IOTerminal", "SoundFile", o.SoundFile);
    io.Int("IOTerminal", "SDALineHeight", o.SDALineHeight);

    io.Int("Terminal", "TermBackColor", o.TermBackColor);
    io.Int("Terminal", "TermFontSize", o.TermFontSize);
    io.Int("Terminal", "SentColor", o.SentColor);
    io.Int("Terminal", "ReceivedColor", o.ReceivedColor);
    io.Int("Terminal", "MessageColor", o.MessageColor);
    io.Bool("Terminal", "EchoErrors", o.EchoErrors);
    io.Bool("Terminal", "ShowTyping", o.ShowTyping);

    io.Bool("Communication", "CalTimeouts", o.CalTimeouts);
    io.Int("Communication", "EchoTimeout", o.EchoTimeout);
    io.Int("Communication", "ResponseTimeout", o.ResponseTimeout);
    io.Int("Communication", "NetworkDelay", o.NetworkDelay);
    io.Int("Communication", "DownloadDelay", o.DownloadDelay);

    io.Int("Editor", "TabSize", o.TabSize);
    io.Int("Editor", "TabSizePoint", o.TabSizePoint);
    io.Int("Editor", "BackColor", o.BackColor);
    io.Int("Editor", "NormalColor", o.NormalColor);
    io.Int("Editor", "KeywordColor", o.KeywordColor);
    io.Int("Editor", "FlowColor", o.FlowColor);
    io.Int("Editor", "CommentColor", o.CommentColor);
    io.Int("Editor", "EditorFontSize", o.EditorFontSize);

    io.Bool("Workspace", "SaveWorkspace", o.SaveWorkspace);
    io.Bool("Workspace", "ReloadWorkspace", o.ReloadWorkspace);
    io.Bool("Workspace", "RestoreSerialState", o.RestoreSerialState);
    io.Bool("Workspace", "RunStartup", o.RunStartup);

    io.Bool("Polling", "NoPollingOnError", o.NoPollingOnError);

    io.Bool("Scanner", "ShowAllLanguages", o.ShowAllLanguages);
}

// Loading: the field's current value is its default (Load starts from a default record).
struct Loader {
    platform::Profile& p;
    template <class T>
    void Int(const char* section, const char* key, T& field)
    {
        field = static_cast<T>(p.GetInt(section, key, static_cast<int32_t>(field)));
    }
    void Bool(const char* section, const char* key, bool& field)
    {
        field = p.GetInt(section, key, field ? 1 : 0) != 0;
    }
    void String(const char* section, const char* key, std::string& field)
    {
        field = p.GetString(section, key, field);
    }
};

struct Saver {
    platform::Profile& p;
    bool ok = true;
    template <class T>
    void Int(const char* section, const char* key, const T& field)
    {
        ok = p.WriteInt(section, key, static_cast<int32_t>(field)) && ok;
    }
    void Bool(const char* section, const char* key, const bool& field)
    {
        ok = p.WriteInt(section, key, field ? 1 : 0) && ok;
    }
    void String(const char* section, const char* key, const std::string& field)
    {
        ok = p.WriteString(section, key, field) && ok;
    }
};

} // namespace

void COptions::Load() { Load(platform::AppProfile()); }

void COptions::Load(platform::Profile& profile)
{
    // "Default" is both the constructor's value and the value used when the key is missing.
    *this = COptions();
    Loader loader{profile};
    Exchange(*this, loader);
    ShowAllLanguages = false;
}

bool COptions::Save() const { return Save(platform::AppProfile()); }

bool COptions::Save(platform::Profile& profile) const
{
    platform::Profile::Batch batch(profile);
    Saver saver{profile};
    Exchange(*this, saver);
    return batch.Commit() && saver.ok;
}
