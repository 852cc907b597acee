#include "app/project/Macro.h"

#include "core/archive/TagArchive.h"

#include <algorithm>
#include <cstdio>

void CMacro::CopyFrom(const CMacro& other)
{
    index = other.index;
    Name = other.Name;
    Description = other.Description;
    Shortcut = other.Shortcut;
    Commands = other.Commands;
}

void CMacro::Serialize(const std::string& group, CTagArchive& ar)
{
    CTagGroup g(ar, group);
    if (!g)
        return;
    ar.SerializeString("Name", Name, "");
    ar.SerializeString("Description", Description, "");
    char shortcut = static_cast<char>(Shortcut);
    ar.SerializeChar("Shortcut", shortcut, static_cast<char>(kNoShortcut));
    Shortcut = static_cast<uint8_t>(shortcut);
    if (Shortcut > 9)
        Shortcut = kNoShortcut; // a stored value outside the ten digits means none
    ar.SerializeString("Commands", Commands, "");
}

std::vector<CMacro::Command> CMacro::Split(std::string_view commands, bool* tooLong)
{
    std::vector<Command> out;
    std::string line;
    if (tooLong)
        *tooLong = false;
    auto hand = [&](bool noReply) {
        if (!line.empty())
            out.push_back(Command{line, noReply});
        line.clear();
    };
    for (char c : commands) {
        if (c == ';') {
            hand(true);
        } else if (c == '\n') {
            hand(false);
        } else if (c != '\r') {
            if (line.size() >= kLineBufferSize) {
                if (tooLong)
                    *tooLong = true;
                return out;
            }
            line += c;
        }
    }
    hand(false); // the last command needs no separator
    return out;
}

bool CMacro::Run(IMacroTarget& target, const std::function<void()>& pump)
{
    stopRequested = false;
    if (Commands.empty())
        return true;
    bool tooLong = false;
    const std::vector<Command> list = Split(Commands, &tooLong);
    for (const Command& c : list) {
        if (!target.ExecuteLine(c.text, c.noReply))
            return false;
        if (pump)
            pump();
        if (stopRequested) {
            target.ExecuteLine(kStoppedLine, false);
            return true;
        }
    }
    if (tooLong) {
        target.ShowError(kCommandTooLong);
        return false;
    }
    return true;
}

std::string ShortcutText(uint8_t shortcut)
{
    if (shortcut > 9)
        return "None";
    return "Ctrl+" + std::to_string(shortcut);
}

std::vector<std::string> ShortcutChoices(const std::vector<std::unique_ptr<CMacro>>& macros, const CMacro* edited)
{
    std::vector<std::string> out{"None"};
    for (int d = 0; d <= 9; ++d) {
        const bool used = std::any_of(macros.begin(), macros.end(), [&](const std::unique_ptr<CMacro>& m) {
            return m && m.get() != edited && m->Shortcut == d;
        });
        if (!used)
            out.push_back(ShortcutText(static_cast<uint8_t>(d)));
    }
    return out;
}

uint8_t ShortcutFromText(std::string_view text)
{
    if (text.size() == 6 && text.substr(0, 5) == "Ctrl+" && text[5] >= '0' && text[5] <= '9')
        return static_cast<uint8_t>(text[5] - '0');
    return CMacro::kNoShortcut;
}

std::string ApplyMacroProperties(CMacro& macro, const std::string& name, const std::string& description,
                                 const std::string& shortcutText, const std::string& commands)
{
    macro.Name = name;
    if (name.empty())
        return "Please enter a name for this macro.";
    macro.Description = description;
    macro.Shortcut = ShortcutFromText(shortcutText);
    macro.Commands = commands;
    if (commands.empty())
        return "Please enter some commands for this macro!";
    if (macro.Commands.back() != '\n')
        macro.Commands += "\r\n";
    return {};
}

CMacro* CMacroRunner::FindByShortcut(const std::vector<std::unique_ptr<CMacro>>& macros, int digit)
{
    for (const auto& m : macros)
        if (m && m->Shortcut == digit)
            return m.get();
    return nullptr;
}

bool CMacroRunner::Run(CMacro& macro, IMacroTarget& target, const std::function<void()>& pump, bool* result)
{
    if (m_running)
        return false;
    m_running = &macro;
    struct Reset {
        CMacro*& r;
        ~Reset() { r = nullptr; }
    } reset{m_running};
    const bool ok = macro.Run(target, pump);
    if (result)
        *result = ok;
    return true;
}

void CMacroRunner::Stop()
{
    if (m_running)
        m_running->stopRequested = true;
}
