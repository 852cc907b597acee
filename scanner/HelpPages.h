#pragma once
// The parts of the user guide made from the language table: the language reference (one entry per
// keyword, each with an anchor of its name) and the keyword index of the contents page, which the
// editor's F1 on a keyword opens at the keyword's anchor.

#include <string>

struct CLanguageTable;

// The language reference page (ProgrammersGuide/Language.htm).
std::string LanguageReferencePage(const CLanguageTable& table);
// The index entries: one list item per keyword, its id the keyword, linking to its entry.
std::string KeywordIndexItems(const CLanguageTable& table);
// Copies the guide's pages, style sheet and pictures from `source` to `output` (files ending in
// ".in" are templates: their
// "<!--KEYWORD INDEX-->" line is filled and the suffix dropped) and writes the language reference.
// False with `error` when a file cannot be read or written.
bool StageHelpPages(const CLanguageTable& table, const std::string& source, const std::string& output,
                    std::string& error);
// The text as HTML: markup characters escaped, bytes above 127 taken as Windows-1252 characters.
std::string HtmlText(const std::string& bytes);
