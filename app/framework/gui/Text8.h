#pragma once
// The one conversion between the program's 8-bit texts (what the motors send and receive and what
// files store: Windows-1252 bytes) and the widgets' Unicode. One byte is one character both ways,
// so positions agree; the five bytes the code page leaves undefined and any character outside it
// survive as themselves or as "?". See docs/design/text-encoding.md.

#include <QString>

#include <string>
#include <string_view>

namespace fw {

QString ToQt(std::string_view bytes);
std::string FromQt(const QString& text);

} // namespace fw
