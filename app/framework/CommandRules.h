#pragma once
// Update rules of commands: for every numeric command id a function that says whether the
// command is enabled, checked, and what its menu text is now. The rules are plain functions of
// the program's state, so they are tested without a window; the command table (gui/CommandTable)
// applies them to its actions when a menu opens and on an idle refresh of the toolbar.

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace fw {

struct CommandState {
    bool enabled = true;
    bool checked = false;
    std::optional<std::string> text; // none: the text stays as it is

    bool operator==(const CommandState&) const = default;
};

class CommandRules {
public:
    using Rule = std::function<CommandState()>;
    using RangeRule = std::function<CommandState(int id)>;

    // One rule for one id (replaces an earlier one).
    void Set(int id, Rule rule);
    // One rule for the ids first..last (a later single rule of an id in the range wins).
    void SetRange(int first, int last, RangeRule rule);
    bool Has(int id) const;
    // The state of a command; a command without a rule is enabled and not checked.
    CommandState State(int id) const;

private:
    struct Range {
        int first;
        int last;
        RangeRule rule;
    };
    std::map<int, Rule> m_rules;
    std::map<int, Range> m_ranges; // by first id
};

// A command's texts, as the three lines of its string resource plus its menu text and key.
struct CommandInfo {
    int id = 0;
    std::string menuText;    // with "&" before the mnemonic
    std::string shortcut;    // portable key text ("Ctrl+N"), empty when none
    std::string description; // line 1: the status-bar text
    std::string tooltip;     // line 2
    std::string helpTopic;   // line 3
    bool checkable = false;
};

// Splits a three-line string resource "description\ntooltip\nhelp topic" into the info's lines.
void SetResourceLines(CommandInfo& info, const std::string& lines);

} // namespace fw
