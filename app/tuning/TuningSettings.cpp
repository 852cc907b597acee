#include "app/tuning/TuningSettings.h"

#include "platform/registry/Profile.h"

#include <algorithm>
#include <cstdlib>

namespace tuning {

TuningSettings LoadTunerSettings(platform::Profile& p, GridChecks* grid)
{
    TuningSettings s;
    s.mode = p.GetInt(kTunerSection, "TuningMode", 1);
    s.tuningTime = p.GetInt(kTunerSection, "TuningTime", 1000);
    s.speed = p.GetInt(kTunerSection, "Speed", 1000000);
    s.acceleration = p.GetInt(kTunerSection, "Acceleration", 1000000);
    s.positionOffset = p.GetInt(kTunerSection, "PositionOffset", 500);
    s.moveProgram = p.GetString(kTunerSection, "MoveProgram", "");
    s.switch38400 = p.GetInt(kTunerSection, "Switch38400", 1) != 0;
    s.pollError = p.GetInt(kTunerSection, "PollError", 1) != 0;
    s.returnToStart = p.GetInt(kTunerSection, "Return", 0) != 0;
    s.waitTime = p.GetInt(kTunerSection, "WaitTime", 200);
    if (grid) {
        grid->horizontal = p.GetInt(kTunerSection, "HGrid", 1) != 0;
        grid->vertical = p.GetInt(kTunerSection, "VGrid", 1) != 0;
    }
    return s;
}

void SaveTunerSettings(platform::Profile& p, const TuningSettings& s, const GridChecks& grid)
{
    p.WriteInt(kTunerSection, "TuningMode", s.mode);
    p.WriteInt(kTunerSection, "TuningTime", s.tuningTime);
    p.WriteInt(kTunerSection, "Speed", s.speed);
    p.WriteInt(kTunerSection, "Acceleration", s.acceleration);
    p.WriteInt(kTunerSection, "PositionOffset", s.positionOffset);
    p.WriteString(kTunerSection, "MoveProgram", s.moveProgram);
    p.WriteInt(kTunerSection, "Switch38400", s.switch38400);
    p.WriteInt(kTunerSection, "PollError", s.pollError);
    p.WriteInt(kTunerSection, "Return", s.returnToStart);
    p.WriteInt(kTunerSection, "WaitTime", s.waitTime);
    p.WriteInt(kTunerSection, "HGrid", grid.horizontal);
    p.WriteInt(kTunerSection, "VGrid", grid.vertical);
}

int PrintWidth(int64_t positionOffset)
{
    // Offsets come from 32-bit settings, so 5 x |offset| fits.
    int64_t v = 5 * std::llabs(std::clamp<int64_t>(positionOffset, INT32_MIN, INT32_MAX));
    int digits = 0;
    for (; v > 0; v /= 10)
        ++digits;
    return digits;
}

int64_t PrintOffset(int width)
{
    if (width <= 0)
        return 0;
    int64_t z = 5;
    for (int i = 1; i < width && i < 18; ++i)
        z *= 10;
    return z;
}

int SamplingLineSpeed(const TuningSettings& s, int portBitPerSec, bool serialPort)
{
    // Only a serial line can change its rate; on Ethernet and USB the setting has no meaning.
    return s.switch38400 && serialPort ? 38400 : portBitPerSec;
}

ProgramRunPlan PlanProgramRun(const TuningSettings& s, int lineSpeed)
{
    ProgramRunPlan plan;
    plan.width = PrintWidth(s.positionOffset);
    plan.z = PrintOffset(plan.width);
    plan.bitsPerLine = 10 * (plan.width + 1) * (s.pollError ? 2 : 1);
    if (lineSpeed > 0 && s.tuningTime > 0 && plan.bitsPerLine > 0) {
        plan.expected = (int64_t(s.tuningTime) * lineSpeed / 1000) / plan.bitsPerLine;
        plan.capacity = plan.expected * 3 / 2;
    }
    return plan;
}

PollRunPlan PlanPollRun(const TuningSettings& s, int lineSpeed)
{
    PollRunPlan plan;
    if (s.mode == 3) {
        const int w3 = PrintWidth(s.positionOffset) + 1;
        plan.bitsPerPoll = 10 * w3 + 70 + (s.pollError ? 10 * w3 + 90 : 0);
    } else {
        plan.bitsPerPoll = s.pollError ? 280 : 130;
    }
    plan.intervalMs = 20;
    if (lineSpeed > 0)
        plan.intervalMs = std::max<int>(20, int(int64_t(plan.bitsPerPoll) * 1000 / lineSpeed * 3 / 2));
    if (s.tuningTime > 0)
        plan.capacity = s.tuningTime / plan.intervalMs + 1;
    return plan;
}

std::string WhyCannotRun(const TuningSettings& s, int lineSpeed, double samplePeriodMs)
{
    if (s.mode < 1 || s.mode > 3)
        return "Choose a tuning mode on the Tuning Mode page.";
    if (s.tuningTime <= 0 || s.tuningTime > 3600000)
        return "The tuning time must lie between 1 and 3600000 mSec.";
    if (lineSpeed <= 0)
        return "The port has no valid baud rate; set one in the port's properties.";
    if (s.mode != 2 && (s.positionOffset == 0 || std::llabs(int64_t(s.positionOffset)) > kMaxPositionOffset))
        return "The position offset must lie between 1 and " + std::to_string(kMaxPositionOffset) + ".";
    if (s.mode != 2 && s.returnToStart && (s.waitTime < 0 || s.waitTime > 3600000))
        return "The time after which the motor returns must lie between 0 and 3600000 mSec.";
    if (s.mode == 1 && !(samplePeriodMs > 0))
        return "The motor's sample period is not known; the tuning program cannot be timed.";
    if (s.mode == 2 && s.moveProgram.empty())
        return "Choose the compiled move program for Tuning Mode 2 on the Settings page.";
    if (s.mode == 1 && PlanProgramRun(s, lineSpeed).capacity <= 0)
        return "The tuning time is too short to carry one sample line at this line speed.";
    return {};
}

std::string TuningProgramText(bool channel1)
{
    const std::string ch = channel1 ? "1" : "";
    return "p=@P\r\n"
           "PRINT" + ch + "(@PE+z,z,#13)\r\n"
           "G\r\n"
           "CLK=0\r\n"
           "WHILE CLK<t\r\n"
           "IF CLK>=w P=p G w=t ENDIF\r\n"
           "a=@PE b=@P-p\r\n"
           "PRINT" + ch + "(a+z,b+z,#13)\r\n"
           "LOOP\r\n"
           "PRINT" + ch + "(\"FINISHED\",#13)\r\n"
           "END";
}

std::optional<SampleLine> ParseSampleLine(std::string_view line, int width, int64_t z)
{
    if (width <= 0 || width > 9 || line.size() != size_t(width) * 2)
        return std::nullopt;
    int64_t v[2] = {0, 0};
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9')
            return std::nullopt;
        v[i / size_t(width)] = v[i / size_t(width)] * 10 + (line[i] - '0');
    }
    // A value with fewer digits than W would have shifted the split: the leading digit is never 0.
    if (line[0] == '0' || line[size_t(width)] == '0')
        return std::nullopt;
    return SampleLine{int32_t(v[0] - z), int32_t(v[1] - z)};
}

} // namespace tuning
