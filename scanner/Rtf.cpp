// Plain text from a rich-text source file: the suite's one RTF reader, with paragraphs as the
// compiler's line ends.
#include "scanner/Scanner.h"
#include "platform/rtf/Rtf.h"

std::string CScanner::PlainText(std::string_view text)
{
    if (platform::rtf::IsRtf(text))
        return StripRtf(text);
    return std::string(text);
}

std::string CScanner::StripRtf(std::string_view s)
{
    const platform::rtf::ReadOptions options{"\r\n"};
    return platform::rtf::PlainText(s, options);
}
