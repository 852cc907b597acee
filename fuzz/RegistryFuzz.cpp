// A registry file from any text: read in linear time, and what a save writes reads back to itself.
#include "fuzz/FuzzTarget.h"
#include "platform/registry/Registry.h"

VQX_FUZZ_TARGET(registry, data, size)
{
    const std::string_view text = fuzz::Text(data, size);
    for (platform::RegHive hive : {platform::RegHive::CurrentUser, platform::RegHive::LocalMachine}) {
        const std::string saved = platform::regedit::Reformat(text, hive);
        VQX_FUZZ_CHECK(saved.rfind("REGEDIT4\n", 0) == 0);
        VQX_FUZZ_CHECK(platform::regedit::Reformat(saved, hive) == saved);
    }
}
