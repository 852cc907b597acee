// The motor-models database from any bytes: loads or is refused, and keeps at most its limit.
#include "core/archive/TagArchive.h"
#include "core/shared/MotorModels.h"
#include "fuzz/FuzzTarget.h"

VQX_FUZZ_TARGET(motor_models, data, size)
{
    for (uint32_t mode : {0u, CTagArchive::kSkipPictures}) {
        CTagArchive ar(kModelsClassName, mode);
        CMotorModels models;
        std::string error;
        std::vector<std::string> warnings;
        const bool opened = ar.OpenForReadMemory(data, size);
        const bool loaded = models.Load(ar, "fuzz input", &error, &warnings);
        VQX_FUZZ_CHECK(loaded == opened);
        VQX_FUZZ_CHECK(loaded || !error.empty());
        VQX_FUZZ_CHECK(models.GetCount() <= CMotorModels::kMaxModels);
    }
}
