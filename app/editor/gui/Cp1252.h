#pragma once
// Stored texts are 8-bit Windows-1252 bytes; the editor shows them as Unicode. One byte is one
// character both ways, so positions agree; the five bytes the code page leaves undefined and any
// character outside it survive as themselves or as "?".

#include <QString>

#include <string>
#include <string_view>

namespace editor {

QString FromCp1252(std::string_view bytes);
std::string ToCp1252(const QString& text);

} // namespace editor
