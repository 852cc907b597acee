#include "app/tools/ChartSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace chartsettings {

namespace {

// Leading blanks, a sign and digits; anything else reads 0, like the dialog's number fields.
int32_t SignedNumber(const std::string& text)
{
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s, &end, 10);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == s || (end && *end != '\0'))
        return 0;
    return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

} // namespace

Fields FieldsOf(const chartview::CChartViewForm::Settings& s)
{
    return {s.chartTitle,
            s.verticalAxis,
            std::to_string(s.vMin),
            std::to_string(s.vMax),
            std::to_string(s.updateTime),
            std::to_string(s.bufferSize)};
}

Check CheckOk(const Fields& f)
{
    Check c;
    c.settings.chartTitle = f.chartTitle;
    c.settings.verticalAxis = f.verticalAxis;
    c.settings.vMin = SignedNumber(f.minimum);
    c.settings.vMax = SignedNumber(f.maximum);
    c.settings.updateTime = SignedNumber(f.updateTime);
    c.settings.bufferSize = SignedNumber(f.bufferSize);
    if (c.settings.vMin >= c.settings.vMax) {
        c.message = kMinBelowMax;
        c.focus = IDC_MINIMUM;
    } else if (c.settings.updateTime < ChartDocument::kMinUpdateTime) {
        c.message = kUpdateTooShort;
        c.focus = IDC_UPDATE_TIME;
    } else if (c.settings.bufferSize < ChartDocument::kMinBufferSize) {
        c.message = kBufferTooSmall;
        c.focus = IDC_BUFFER_SIZE;
    } else if (c.settings.bufferSize > ChartDocument::kMaxBufferSize) {
        c.message = kBufferTooLarge;
        c.focus = IDC_BUFFER_SIZE;
    } else {
        c.ok = true;
    }
    return c;
}

} // namespace chartsettings
