// The calibration tools' shared data: the "FactoryCal" entries and their parser, the choice of a
// motor's size, the calibration block, the percent conversions, the verdicts and the sizes the
// suite ships.
#include "app/tuning/CalibrationData.h"
#include "app/tuning/CalibrationVerdict.h"

#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace tuning;

namespace {

struct ParseCase {
    const char* entry;
    bool ok;
    // KP, KD, KI, KL, default, user, max after the parse (0xFFFF: not reached)
    uint16_t values[7];
};

class TempProfile {
public:
    TempProfile()
        : m_dir(std::filesystem::temp_directory_path() /
                ("caldata-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count))),
          m_registry((std::filesystem::create_directories(m_dir), (m_dir / "u.reg").string()), (m_dir / "m.reg").string()),
          profile(&m_registry)
    {
    }
    ~TempProfile() { std::filesystem::remove_all(m_dir); }
    void Write(int n, std::vector<std::string> entries)
    {
        profile.WriteInt(kFactoryCalSection, "NoOfSizes", n);
        for (size_t i = 0; i < entries.size(); ++i)
            profile.WriteString(kFactoryCalSection, "Size0" + std::to_string(i), entries[i]);
    }

private:
    static inline int s_count = 0;
    std::filesystem::path m_dir;
    platform::Registry m_registry;

public:
    platform::Profile profile;
};

} // namespace

TEST(CalibrationData, ParsesEntriesAsTheProfileHoldsThem)
{
    constexpr uint16_t U = kUnknownValue;
    const ParseCase cases[] = {
        {"L,250,1000,28,20,600,700,1000", true, {250, 1000, 28, 20, 600, 700, 1000}},
        {",1,2,3,4,5,6,7", false, {U, U, U, U, U, U, U}},           // no name
        {"L,1,2,3,4,5,6", false, {1, 2, 3, 4, 5, U, U}},            // one comma short: the fields before it are set
        {"L,abc,70000,-1, 7x,,6,1000", true, {0, 4464, 0xFFFF, 7, 0, 6, 1000}}, // atoi's reading, low 16 bits
        {"QL5720", false, {U, U, U, U, U, U, U}},
        {"", false, {U, U, U, U, U, U, U}},
    };
    for (const ParseCase& c : cases) {
        uint16_t v[7] = {U, U, U, U, U, U, U};
        EXPECT_EQ(ParseCalibrationSettings(c.entry, v[0], v[1], v[2], v[3], v[4], v[5], v[6]), c.ok) << c.entry;
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(v[i], c.values[i]) << c.entry << " field " << i;
    }
    // The tools refuse an entry whose ST11 max is 0: nothing can be shown in percent of it.
    CCalibrationSize size;
    EXPECT_FALSE(ParseCalibrationSize("Z,1,2,3,4,5,6,0", size));
    EXPECT_TRUE(ParseCalibrationSize("Z,1,2,3,4,5,6,7", size));
    EXPECT_EQ(size.name, "Z");
    EXPECT_EQ(size.ST11Max, 7);
}

TEST(CalibrationData, ChoosesTheLastSizeThatFitsTheMotor)
{
    const std::vector<std::string> entries = {"M23,1,1,1,1,1,1,1", "M2,1,1,1,1,1,1,1", "QL5720,1,1,1,1,1,1,1"};
    struct Case {
        const char* modelText;
        const char* recordName;
        int expected;
    } cases[] = {
        {"M2315", "", 1},         // both begin the text: the later one wins
        {"M2", "", 1},            // only M2 is as short
        {"m2315-x", "QL5720", 1}, // case ignored; the text decides, not the record
        {"", "ql5720", 2},        // no model text: the record's name
        {"", "", -1},             // no model record: nothing matches
        {"TX23-61", "", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchCalibrationSize(entries, c.modelText, c.recordName), c.expected)
            << c.modelText << "/" << c.recordName;
}

TEST(CalibrationData, ReadsTheProfileUntilTheFirstEntryWithoutAName)
{
    struct Case {
        int n;
        std::vector<std::string> entries;
        size_t read;
    } cases[] = {
        {3, {"A,1,2,3,4,5,6,7", "", "C,1,2,3,4,5,6,7"}, 1},
        {2, {"A,1,2,3,4,5,6,7", "B,1,2,3,4,5,6,7"}, 2},
        {0, {"A,1,2,3,4,5,6,7"}, 0},  // a hostile count
        {-4, {"A,1,2,3,4,5,6,7"}, 0},
        {5, {"A,1,2,3,4,5,6,7"}, 1},  // more announced than there are
        {2, {",1,2,3,4,5,6,7", "B,1,2,3,4,5,6,7"}, 0},
    };
    for (const Case& c : cases) {
        TempProfile p;
        p.Write(c.n, c.entries);
        EXPECT_EQ(ReadCalibrationSizes(p.profile).size(), c.read) << c.n;
    }
    // What a tool offers: the names, and the entry of the motor.
    TempProfile p;
    p.Write(2, {"QL5720,35,350,2,100,600,700,1000", "QL5740,55,700,3,120,550,650,1000"});
    const CalibrationSizeChoice choice = FindCalibrationSize(p.profile, "QL5740-B2", "");
    EXPECT_EQ(choice.names, (std::vector<std::string>{"QL5720", "QL5740"}));
    EXPECT_EQ(choice.match, 1);
}

TEST(CalibrationData, BlockSumRebuildAndPercent)
{
    CalibrationBlock block{};
    SetBlockWord(block, kBlockPower, 655);
    SetBlockWord(block, kBlockUser, 700);
    block[kBlockRun] = 2;
    block[kBlockValue] = 96;
    Resum(block);
    EXPECT_EQ(block[0], 0x02);
    EXPECT_EQ(block[1], 0x8F);
    EXPECT_EQ(block[kBlockSum], static_cast<uint8_t>(0x02 + 0x8F + 0x02 + 0xBC + 2 + 96));
    EXPECT_TRUE(IsValidBlock(block));
    // Plausible bytes with a wrong sum are not a block.
    CalibrationBlock wrong = block;
    wrong[kBlockSum] ^= 1;
    EXPECT_FALSE(IsValidBlock(wrong));
    // Building anew: the user value and 0xFF in 4..12; the rest is the caller's.
    RebuildBlock(wrong, 650);
    EXPECT_EQ(BlockWord(wrong, kBlockUser), 650);
    for (int i = 4; i <= 12; ++i)
        EXPECT_EQ(wrong[static_cast<size_t>(i)], 0xFF) << i;
    EXPECT_EQ(BlockWord(wrong, kBlockPower), 655);

    struct Case {
        uint16_t value, max;
        int percent;
    } toPercent[] = {{655, 1000, 65}, {1000, 1000, 100}, {0, 1000, 0}, {600, 0, -1}, {0xFFFF, 0xFFFF, 100}};
    for (const Case& c : toPercent)
        EXPECT_EQ(PowerPercent(c.value, c.max), c.percent) << c.value << "/" << c.max;
    struct Back {
        int percent;
        uint16_t max, value;
    } toValue[] = {{65, 1000, 650}, {40, 1000, 400}, {100, 65535, 65535}, {0, 1000, 0}, {-5, 1000, 0}};
    for (const Back& c : toValue)
        EXPECT_EQ(PowerValue(c.percent, c.max), c.value) << c.percent;
    for (long long p : {-5LL, 101LL, 1000LL, -1LL})
        EXPECT_FALSE(IsPowerPercent(p)) << p;
    for (long long p : {0LL, 40LL, 100LL})
        EXPECT_TRUE(IsPowerPercent(p)) << p;
}

TEST(CalibrationData, VerdictsAndRecalibrationOutcomes)
{
    struct Case {
        long w, x, y, z;
        const char* verdict;
        bool error;
    } cases[] = {
        {5, 20, -17, 30, "The Quintaloc Calibration is in perfect order.  There is no need to re-calibrate.", false},
        {-1, 0, 0, 0, "Unable to perform Calibration Verification.  Check test conditions. Recalibration may be necessary.", true},
        {0, 100, 60, 80, "A re-calibration of Quintaloc is recommended. ", false},
        {0, 100, 45, 80, "Unexpected test results. Please check the test conditions, and try again.", false},
        {0, 30, 36, 80, "A better calibration may be achieved by re-calibration.", false},
        {0, 30, 40, 80, "A better calibration may be achieved by re-calibration.", false},
        {0, 30, 41, 80, "A re-calibration is recommended.", false},
        {0, 30, 35, 80, "A marginally better calibration might be achieved by re-calibration.", false},
        {0, 18, -18, 18, "A marginally better calibration might be achieved by re-calibration.", false},
    };
    for (const Case& c : cases) {
        const CalibrationVerdict v = VerifyVerdict(c.w, c.x, c.y, c.z);
        EXPECT_EQ(v.text, c.verdict) << c.w << " " << c.x << " " << c.y << " " << c.z;
        EXPECT_EQ(v.error, c.error);
    }
    struct Recal {
        long value;
        int expected;
        RecalibrationOutcome outcome;
    } recal[] = {{161, 80, RecalibrationOutcome::Failed}, {-1, 80, RecalibrationOutcome::Failed},
                 {0, 80, RecalibrationOutcome::NewValue}, {160, 80, RecalibrationOutcome::NewValue},
                 {80, 80, RecalibrationOutcome::Unchanged}};
    for (const Recal& r : recal)
        EXPECT_EQ(JudgeRecalibration(r.value, r.expected), r.outcome) << r.value;
}

TEST(CalibrationData, ShippedSizesMatchTheShippedModelsAndAreInstalledOnce)
{
    ASSERT_TRUE(LoadMotorModels());
    const auto shipped = ReadShippedCalibrationSizes(platform::JoinPath(platform::AppFolder(), "FactoryCal.txt"));
    ASSERT_FALSE(shipped.empty());
    std::set<std::string> models;
    for (int i = 0; i < GetMotorModels().GetCount(); ++i)
        models.insert(GetMotorModels().Get(i)->Name);
    for (const std::string& entry : shipped) {
        CCalibrationSize size;
        EXPECT_TRUE(ParseCalibrationSize(entry, size)) << entry;
        EXPECT_TRUE(models.count(size.name)) << size.name << " names no model record";
        EXPECT_LT(size.ST11Default, size.ST11Max) << entry;
    }

    TempProfile fresh;
    EXPECT_EQ(InstallCalibrationSizes(fresh.profile, shipped), static_cast<int>(shipped.size()));
    EXPECT_EQ(ReadCalibrationSizes(fresh.profile), shipped);
    // A profile with sizes of its own keeps them; one with a hostile count gets the shipped ones.
    TempProfile own;
    own.Write(1, {"X9,1,2,3,4,5,6,7"});
    EXPECT_EQ(InstallCalibrationSizes(own.profile, shipped), 0);
    EXPECT_EQ(ReadCalibrationSizes(own.profile), (std::vector<std::string>{"X9,1,2,3,4,5,6,7"}));
    TempProfile hostile;
    hostile.Write(0, {"X9,1,2,3,4,5,6,7"});
    EXPECT_EQ(InstallCalibrationSizes(hostile.profile, shipped), static_cast<int>(shipped.size()));
    // Nothing shipped: nothing written, and the tools will say so.
    TempProfile none;
    EXPECT_EQ(InstallCalibrationSizes(none.profile, {}), 0);
    EXPECT_EQ(NumberOfSizes(none.profile), 0);
}
