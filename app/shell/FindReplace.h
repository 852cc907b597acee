#pragma once
// Find and Replace over any text view (the source editor, the terminal documents): the remembered
// search text and flags, and what Find Next, Replace, Replace All and the repeat command do. The
// view searches and replaces through IFindTarget; texts are UTF-8.

#include <string>

namespace textfind {

// Search flags as the find dialog keeps them: down and the hidden direction, plus the choices.
enum : int { FR_DOWN = 0x1, FR_WHOLEWORD = 0x2, FR_MATCHCASE = 0x4, FR_HIDEUPDOWN = 0x4000 };
inline constexpr int kDefaultFindFlags = FR_DOWN | FR_HIDEUPDOWN; // 0x4001

inline constexpr const char* kCannotFindText = "Cannot find the specified string!";
inline constexpr const char* kNotFoundText = "The text was not found!";

class IFindTarget {
public:
    virtual ~IFindTarget() = default;
    virtual std::string SelectedText() const = 0;
    // Searches forward from the end of the selection (from the start of the text when asked) and
    // selects the match; false when there is none.
    virtual bool Find(const std::string& what, int flags, bool fromStart) = 0;
    // Replaces the selection (a source view re-highlights the line).
    virtual void ReplaceSelection(const std::string& with) = 0;
    virtual void SaveSelection() = 0;
    virtual void RestoreSelection() = 0;
};

// One per program: the find dialogs of every view share what was searched last.
class CFindState {
public:
    static CFindState& Instance();

    // The text a new dialog starts with: the selection, else the last searched text.
    std::string InitialText(const IFindTarget& target) const;
    int Flags() const { return m_flags; }
    const std::string& LastFind() const { return m_find; }
    const std::string& LastReplace() const { return m_replace; }

    // Each answers the message to show, empty when there is none.
    std::string FindNext(IFindTarget& target, const std::string& what, int dialogFlags);
    std::string Replace(IFindTarget& target, const std::string& what, const std::string& with, int dialogFlags);
    // Returns the message and the number of replacements.
    std::string ReplaceAll(IFindTarget& target, const std::string& what, const std::string& with, int dialogFlags,
                           int* count = nullptr);
    // The view's Find Next command: the remembered text and flags.
    std::string Repeat(IFindTarget& target);

    void Reset();

private:
    void Remember(const std::string& what, int dialogFlags);

    std::string m_find;
    std::string m_replace;
    int m_flags = kDefaultFindFlags;
};

} // namespace textfind
