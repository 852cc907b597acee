#include "core/shared/TipOfTheDay.h"

#include "core/shared/Tips.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"

std::string TipsFilePath() { return platform::JoinPath(platform::AppFolder(), kTipsFileName); }

bool ShowTipsAtStartup() { return platform::GetProfileInt("OptionBoxes", "NoStartupTips", 0) == 0; }

void DisableStartupTips() { platform::WriteProfileInt("OptionBoxes", "NoStartupTips", 1); }

std::string NextTip(const std::string& path)
{
    const int32_t k = platform::GetProfileInt("Settings", "NextTip", 0);
    const TipRecord tip = ReadTipRecord(path.empty() ? TipsFilePath() : path, k);
    if (tip.ok)
        platform::WriteProfileInt("Settings", "NextTip", tip.index + 1);
    else if (tip.count > 0 && k != 0)
        platform::WriteProfileInt("Settings", "NextTip", 0);
    return tip.text;
}
