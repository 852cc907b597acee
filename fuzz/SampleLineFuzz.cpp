// The tuner's sample lines on any text. The first byte picks the width, the next four the offset
// z (kept below 10^9, so that every value read fits); the rest is the line. A line taken is two
// values of exactly the width, and written again from them it is the same line.
#include "app/tuning/TuningSettings.h"
#include "fuzz/FuzzTarget.h"

#include <string>

VQX_FUZZ_TARGET(sample_line, data, size)
{
    if (size < 5)
        return;
    const int width = int(data[0] % 12) - 1; // -1..10: the refused widths too
    const int64_t z = int64_t((uint32_t(data[1]) << 24 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 8 | data[4]) %
                              1000000000u);
    const std::string_view line = fuzz::Text(data + 5, size - 5);
    const std::optional<tuning::SampleLine> sample = tuning::ParseSampleLine(line, width, z);
    if (!sample)
        return;
    VQX_FUZZ_CHECK(width > 0 && line.size() == size_t(width) * 2);
    const std::string again = std::to_string(int64_t(sample->posError) + z) + std::to_string(int64_t(sample->position) + z);
    VQX_FUZZ_CHECK(again == line);
}
