#include "app/shell/FindReplace.h"

namespace textfind {

CFindState& CFindState::Instance()
{
    static CFindState state;
    return state;
}

void CFindState::Reset() { *this = CFindState(); }

std::string CFindState::InitialText(const IFindTarget& target) const
{
    const std::string selected = target.SelectedText();
    return selected.empty() ? m_find : selected;
}

void CFindState::Remember(const std::string& what, int dialogFlags)
{
    m_find = what;
    m_flags = (dialogFlags & (FR_MATCHCASE | FR_WHOLEWORD)) | kDefaultFindFlags;
}

std::string CFindState::FindNext(IFindTarget& target, const std::string& what, int dialogFlags)
{
    Remember(what, dialogFlags);
    if (what.empty() || !target.Find(what, m_flags, false))
        return kCannotFindText;
    return {};
}

std::string CFindState::Replace(IFindTarget& target, const std::string& what, const std::string& with, int dialogFlags)
{
    Remember(what, dialogFlags);
    m_replace = with;
    if (what.empty())
        return kCannotFindText;
    if (target.SelectedText() == what)
        target.ReplaceSelection(with);
    if (!target.Find(what, m_flags, false))
        return kCannotFindText;
    return {};
}

std::string CFindState::ReplaceAll(IFindTarget& target, const std::string& what, const std::string& with,
                                   int dialogFlags, int* count)
{
    Remember(what, dialogFlags);
    m_replace = with;
    int n = 0;
    if (!what.empty()) {
        target.SaveSelection();
        // Each search starts after the last replacement, so a replacement holding the text it
        // replaces is not searched again.
        for (bool first = true; target.Find(what, m_flags, first); first = false) {
            target.ReplaceSelection(with);
            ++n;
        }
        target.RestoreSelection();
    }
    if (count)
        *count = n;
    return n == 0 ? kCannotFindText : std::string();
}

std::string CFindState::Repeat(IFindTarget& target)
{
    if (m_find.empty())
        return {};
    return target.Find(m_find, m_flags, false) ? std::string() : kNotFoundText;
}

} // namespace textfind
