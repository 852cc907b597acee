#pragma once
// The document string of a document template: seven fields separated by line feeds: window
// title, document name, file-new name, filter name, filter extension, file type id, file type
// name. And the conversion of filter lists "Name|*.a|Other|*.b;*.c||" to the file dialog's form
// "Name (*.a);;Other (*.b *.c)".

#include <string>
#include <string_view>

namespace fw {

struct DocTemplateString {
    std::string windowTitle;
    std::string docName;
    std::string fileNewName;
    std::string filterName;
    std::string filterExt;
    std::string regFileTypeId;
    std::string regFileTypeName;
};

DocTemplateString ParseDocTemplateString(std::string_view text);
// "Name|pattern|...||" to "Name (pattern);;..."; a name that already shows its pattern in
// brackets is kept as it is; ";" between patterns becomes a blank.
std::string DialogFilter(std::string_view pipeFilter);
// The filter of one template: its filter name (which shows the pattern) with the pattern.
std::string DialogFilter(const DocTemplateString& doc);
// Whether a file name ends in the template's extension (case ignored).
bool MatchesExtension(const DocTemplateString& doc, std::string_view path);

} // namespace fw
