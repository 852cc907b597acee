// "FactoryCal" size entries on any text: an entry taken has a name and an ST11 max to show power
// against, and written again from what was read, it parses to the same size.
#include "app/tuning/CalibrationData.h"
#include "fuzz/FuzzTarget.h"

#include <string>

VQX_FUZZ_TARGET(calibration_size, data, size)
{
    const std::string_view entry = fuzz::Text(data, size);
    tuning::CCalibrationSize parsed;
    if (!tuning::ParseCalibrationSize(entry, parsed))
        return;
    VQX_FUZZ_CHECK(!parsed.name.empty());
    VQX_FUZZ_CHECK(parsed.name == tuning::CalibrationSizeName(entry));
    VQX_FUZZ_CHECK(parsed.ST11Max != 0);
    VQX_FUZZ_CHECK(tuning::PowerPercent(parsed.ST11Max, parsed.ST11Max) == 100);

    std::string again = parsed.name;
    for (uint16_t v : {parsed.KP, parsed.KD, parsed.KI, parsed.KL, parsed.ST11Default, parsed.ST11User, parsed.ST11Max})
        again += ',' + std::to_string(v);
    tuning::CCalibrationSize reparsed;
    VQX_FUZZ_CHECK(tuning::ParseCalibrationSize(again, reparsed));
    VQX_FUZZ_CHECK(reparsed.name == parsed.name && reparsed.KP == parsed.KP && reparsed.KD == parsed.KD &&
                   reparsed.KI == parsed.KI && reparsed.KL == parsed.KL && reparsed.ST11Default == parsed.ST11Default &&
                   reparsed.ST11User == parsed.ST11User && reparsed.ST11Max == parsed.ST11Max);
}
