// Rich text from any bytes: stripped to plain text without harm; markup never adds text.
#include "fuzz/FuzzTarget.h"
#include "scanner/Scanner.h"

VQX_FUZZ_TARGET(rtf, data, size)
{
    const std::string_view text = fuzz::Text(data, size);
    VQX_FUZZ_CHECK(CScanner::StripRtf(text).size() <= text.size());
    VQX_FUZZ_CHECK(CScanner::PlainText(text).size() <= text.size());
}
