#pragma once
// Find and the kept selection of any Qt text view (QTextEdit, QPlainTextEdit), shared by the
// views that serve the find dialog.

#include "app/shell/FindReplace.h"

#include "app/framework/gui/Text8.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <string>

namespace textfind {

// Searches from the end of the selection (or the start of the text) and selects the match.
template <class Edit>
bool FindInView(Edit& edit, const std::string& what, int flags, bool fromStart)
{
    QTextDocument::FindFlags f;
    if (flags & FR_MATCHCASE)
        f |= QTextDocument::FindCaseSensitively;
    if (flags & FR_WHOLEWORD)
        f |= QTextDocument::FindWholeWords;
    QTextCursor from(edit.document());
    if (!fromStart)
        from.setPosition(edit.textCursor().selectionEnd());
    const QTextCursor found = edit.document()->find(fw::ToQt(what), from, f);
    if (found.isNull())
        return false;
    edit.setTextCursor(found);
    return true;
}

// Selects anchor..position again, within the text as it is now.
template <class Edit>
void RestoreViewSelection(Edit& edit, int anchor, int position)
{
    const int end = std::max(0, edit.document()->characterCount() - 1);
    QTextCursor c(edit.document());
    c.setPosition(std::min(anchor, end));
    c.setPosition(std::min(position, end), QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
}

} // namespace textfind
