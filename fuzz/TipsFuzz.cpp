// The tips file from any bytes: a tip that lies inside the file, or the read-error text.
#include "core/shared/Tips.h"
#include "fuzz/FuzzTarget.h"

VQX_FUZZ_TARGET(tips, data, size)
{
    const std::string_view file = fuzz::Text(data, size);
    for (int32_t k : {-1, 0, 1, 7, 1000000}) {
        const TipRecord tip = ParseTipRecord(file, k);
        VQX_FUZZ_CHECK(tip.ok ? tip.text.size() + 8 <= size : tip.text == kTipsReadError);
        VQX_FUZZ_CHECK(!tip.ok || (tip.index >= 0 && tip.index < tip.count));
    }
}
