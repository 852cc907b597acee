#pragma once
// CMacro: a named list of motor commands replayed through the terminal pane of the current port,
// from the Macros dialog or by its Ctrl+digit shortcut. The project keeps at most 50.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CTagArchive;

// What a macro runs against: the terminal pane of the current port.
class IMacroTarget {
public:
    virtual ~IMacroTarget() = default;
    // One line of the macro: "*" lines are skipped, ":" lines shown as comments, others sent;
    // noReply: the command is written without reading a reply (it was ended by ";"). False ends
    // the macro (the pane has shown the error).
    virtual bool ExecuteLine(const std::string& line, bool noReply) = 0;
    // Shows an error of the macro itself in the pane.
    virtual void ShowError(const std::string& text) = 0;
};

class CMacro {
public:
    static constexpr uint8_t kNoShortcut = 255;
    // Longest command between two separators.
    static constexpr size_t kLineBufferSize = 255;
    static constexpr const char* kStoppedLine = ":Macro Execution Stopped";
    static constexpr const char* kCommandTooLong = "A macro command is longer than 255 characters; the macro stops.";

    int index = -1;
    std::string Name;
    std::string Description;
    uint8_t Shortcut = kNoShortcut; // 0..9: Ctrl+0 .. Ctrl+9
    std::string Commands;           // ";" or line ends between commands
    bool stopRequested = false;

    // Copies what a copy of a macro keeps (not the stop request).
    void CopyFrom(const CMacro& other);
    void Serialize(const std::string& group, CTagArchive& ar);

    // One command of the list with the flag it is handed with (true: ended by ";").
    struct Command {
        std::string text;
        bool noReply = false;
        bool operator==(const Command&) const = default;
    };
    // The commands of a text in order. An empty command between separators is left out; a last
    // command without ";" or line end is kept (with the flag false). A command longer than the
    // line buffer sets `tooLong` and ends the list before it.
    static std::vector<Command> Split(std::string_view commands, bool* tooLong = nullptr);

    // Runs the macro: each command goes to the target; `pump` is called after every command so
    // that a Stop button stays live. Stops at a failed command (false), at a stop request (the
    // stop line is shown) and before a command that is too long (error shown, false).
    bool Run(IMacroTarget& target, const std::function<void()>& pump = {});
};

// The "Shortcut" column and combo texts: "None" or "Ctrl+%d".
std::string ShortcutText(uint8_t shortcut);
// The combo's entries for a macro: "None", then "Ctrl+%d" for each digit no other macro uses.
std::vector<std::string> ShortcutChoices(const std::vector<std::unique_ptr<CMacro>>& macros, const CMacro* edited);
// The digit of a combo text, kNoShortcut for "None" or anything else.
uint8_t ShortcutFromText(std::string_view text);

// The Macro Properties dialog's OK: the error message to show (the dialog stays), or empty when
// the fields were written into the macro (commands then end with a line feed).
std::string ApplyMacroProperties(CMacro& macro, const std::string& name, const std::string& description,
                                 const std::string& shortcutText, const std::string& commands);

// Runs at most one macro at a time: the Ctrl+digit shortcuts and the Macros dialog's Run.
class CMacroRunner {
public:
    bool Running() const { return m_running != nullptr; }
    const CMacro* RunningMacro() const { return m_running; }
    // The first macro whose shortcut is the digit; none when no macro has it.
    static CMacro* FindByShortcut(const std::vector<std::unique_ptr<CMacro>>& macros, int digit);
    // Runs a macro unless one is running already (false then, and nothing happens).
    bool Run(CMacro& macro, IMacroTarget& target, const std::function<void()>& pump, bool* result = nullptr);
    // Asks the running macro to stop.
    void Stop();

private:
    CMacro* m_running = nullptr;
};
