#include "app/tuning/CalibrationVerdict.h"

#include "app/tuning/CalibrationData.h"

#include <cstdlib>

namespace tuning {

CalibrationVerdict VerifyVerdict(long w, long x, long y, long z)
{
    if (w == -1)
        return {"Unable to perform Calibration Verification.  Check test conditions. Recalibration may be necessary.",
                true};
    const long ax = std::labs(x), ay = std::labs(y), az = std::labs(z);
    if (ay <= 17)
        return {"The Quintaloc Calibration is in perfect order.  There is no need to re-calibrate.", false};
    if (ay < ax && ay < az) {
        if (ay > 50)
            return {"A re-calibration of Quintaloc is recommended. ", false};
        return {"Unexpected test results. Please check the test conditions, and try again.", false};
    }
    if (ay <= 35)
        return {"A marginally better calibration might be achieved by re-calibration.", false};
    if (ay <= 40)
        return {"A better calibration may be achieved by re-calibration.", false};
    return {"A re-calibration is recommended.", false};
}

RecalibrationOutcome JudgeRecalibration(long value, int expected)
{
    if (value < 0 || value > kMaxCalibrationValue)
        return RecalibrationOutcome::Failed;
    return value == expected ? RecalibrationOutcome::Unchanged : RecalibrationOutcome::NewValue;
}

} // namespace tuning
