// Rich text from any bytes: read without harm into a document whose text is the plain-text
// reading, and which the writer writes so that it reads back the same; the compiler's view of it.
#include "fuzz/FuzzTarget.h"
#include "platform/rtf/Rtf.h"
#include "scanner/Scanner.h"

VQX_FUZZ_TARGET(rtf, data, size)
{
    namespace rtf = platform::rtf;
    const std::string_view text = fuzz::Text(data, size);
    const rtf::Document document = rtf::Read(text);
    VQX_FUZZ_CHECK(document.PlainText() == rtf::PlainText(text));
    VQX_FUZZ_CHECK(rtf::Read(rtf::Write(document)) == document);
    VQX_FUZZ_CHECK(CScanner::PlainText(text).size() <= 2 * size + 16);
}
