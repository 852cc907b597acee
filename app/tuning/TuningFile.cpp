#include "app/tuning/TuningFile.h"

#include "core/archive/TagArchive.h"

namespace tuning {
namespace {

void SerializeInfo(CTagArchive& ar, TuningFileContent& c)
{
    if (ar.OpenGroup("MotorInfo")) {
        ar.SerializeInt("Channel", c.channel, 0);
        ar.SerializeInt("Address", c.address, 1);
        ar.CloseGroup();
    }
    if (ar.OpenGroup("TuningInfo")) {
        TuningSettings& s = c.settings;
        ar.SerializeInt("TotalTime", s.tuningTime, 1000);
        ar.SerializeInt("TuningMode", s.mode, 1);
        ar.SerializeString("MoveProgram", s.moveProgram, "");
        ar.SerializeBool("SwitchTo38400", s.switch38400, true);
        ar.SerializeBool("PollError", s.pollError, true);
        ar.SerializeInt("PositionOffset", s.positionOffset, 500);
        ar.SerializeInt("Speed", s.speed, 100000);
        ar.SerializeBool("Return", s.returnToStart, false);
        ar.SerializeInt("WaitTime", s.waitTime, 200);
        ar.SerializeInt("Acceleration", s.acceleration, 100000);
        if (ar.IsLoading())
            ar.SerializeInt("RulerSample", c.rulerSample, 0);
        ar.SerializeBool("HGrid", c.grid.horizontal, true);
        ar.SerializeBool("VGrid", c.grid.vertical, true);
        ar.CloseGroup();
    }
}

} // namespace

void SerializeGains(const std::string& group, CTagArchive& ar, std::optional<Gains>& gains)
{
    if (ar.IsStoring() && !gains)
        return;
    if (!ar.OpenGroup(group))
        return;
    Gains g = gains.value_or(Gains{});
    for (size_t i = 0; i < g.size(); ++i)
        ar.SerializeInt(kGainNames[i], g[i], 0);
    gains = g;
    ar.CloseGroup();
}

bool WriteTuningFile(const std::string& path, const TuningFileContent& content)
{
    CTagArchive ar(kTuningFileClass);
    if (!ar.OpenForWrite(path))
        return false;
    TuningFileContent c = content; // the serializers take their values by reference
    SerializeInfo(ar, c);
    SerializeGains("TuningValues", ar, c.gains);
    c.position.Serialize("Position", ar);
    if (c.settings.pollError)
        c.posError.Serialize("PosError", ar);
    return ar.IsGood() && ar.Close();
}

TuningFileRead ReadTuningFile(const std::string& path)
{
    TuningFileRead r;
    CTagArchive ar(kTuningFileClass);
    if (!ar.OpenForRead(path)) {
        r.error = kCannotOpen;
        return r;
    }
    TuningFileContent c;
    SerializeInfo(ar, c);
    SerializeGains("TuningValues", ar, c.gains);
    auto present = [&ar](const char* group) {
        const bool found = ar.OpenGroup(group);
        if (found)
            ar.CloseGroup();
        return found;
    };
    c.hasPosition = present("Position");
    const bool positionOk = c.position.Serialize("Position", ar);
    c.hasPosError = c.settings.pollError && present("PosError");
    const bool errorOk = !c.settings.pollError || c.posError.Serialize("PosError", ar);
    ar.Close();
    auto refuse = [&](const std::string& why) {
        r.error = "The file \"" + path + "\" is not a valid tuning file: " + why;
        return r;
    };
    if (!positionOk || !errorOk)
        return refuse("its sample count does not agree with its data.");
    if (c.settings.mode < 1 || c.settings.mode > 3)
        return refuse("its tuning mode is " + std::to_string(c.settings.mode) + ".");
    if (c.settings.tuningTime <= 0)
        return refuse("its tuning time is " + std::to_string(c.settings.tuningTime) + " mSec.");
    if (c.channel < 0 || c.address < 0 || c.address > 120)
        return refuse("it names no motor of a port.");
    r.content = std::move(c);
    return r;
}

} // namespace tuning
