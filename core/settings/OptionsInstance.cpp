#include "core/settings/Options.h"

COptions& GetOptions()
{
    static COptions options;
    return options;
}
