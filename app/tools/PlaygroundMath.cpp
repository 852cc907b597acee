#include "app/tools/PlaygroundMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tools {
namespace {
int32_t Clamp32(double v)
{
    if (std::isnan(v))
        return 0;
    return int32_t(std::clamp(v, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max())));
}
int32_t Clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
} // namespace

double NormalizeAngle(double a)
{
    double r = a - 360.0 * std::trunc(a / 360.0);
    if (r < 0)
        r += 360.0;
    if (r >= 360.0) // -1e-14 + 360 rounds to 360
        r = 0;
    return r;
}

double KnobPointAngle(int x, int y, int w, int h)
{
    const int dx = x - w / 2;
    const int dy = y - h / 2;
    double a = -std::atan2(double(dy), double(dx));
    if (a < 0)
        a += 2 * M_PI;
    return a * 57.295779513082195;
}

double KnobChange(double target, double current)
{
    double d = target - current;
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return d;
}

double KnobAngleOfPosition(int32_t position, uint32_t enRes)
{
    if (enRes == 0)
        return 0;
    return NormalizeAngle(-double(position) * 360.0 / double(enRes));
}

int32_t KnobDestination(int32_t position, uint32_t enRes, double degrees)
{
    return Clamp32(double(position) - std::trunc(double(enRes) * degrees / 360.0));
}

int32_t VelocityOfRpm(double rpm, uint32_t enRes, double sp, bool round)
{
    const double v = rpm * double(enRes) * sp * 65536.0 / 60000.0;
    return Clamp32(round ? std::trunc(v + 0.5) : std::trunc(v));
}

int32_t AccelerationOfRps2(double rps2, uint32_t enRes, double sp)
{
    return Clamp32(std::trunc(double(enRes) * sp * sp * rps2 * 65536.0 * 0.000001));
}

double RpmOfVelocity(int32_t velocity, uint32_t enRes, double sp)
{
    const double d = double(enRes) * 65536.0 * sp;
    return d == 0 ? 0 : double(velocity) * 60000.0 / d;
}

std::string FormatTrimmed(double value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    if (s == "-0")
        s = "0";
    return s;
}

int SliderOfCount(int64_t count, int32_t left, int32_t right)
{
    const int64_t span = int64_t(right) - left;
    if (span <= 0)
        return 0;
    return int(std::clamp<int64_t>((count - left) * 500 / span, 0, 500));
}

int32_t CountOfSlider(int position, int32_t left, int32_t right)
{
    return Clamp32(int64_t(left) + (int64_t(right) - left) * position / 500);
}

int SliderOfCommand(int64_t command, int64_t maximum)
{
    if (maximum == 0)
        return 100;
    // 100 * command may not fit: the quotient is clamped first.
    const double q = double(command) * 100.0 / double(maximum);
    return int(std::clamp<double>(100.0 - std::trunc(q), 0, 200));
}

int32_t CommandOfSlider(int position, int64_t maximum)
{
    return Clamp32((100 - int64_t(position)) * maximum / 100);
}

} // namespace tools
