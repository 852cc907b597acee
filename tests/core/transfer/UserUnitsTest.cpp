#include "core/motor/Motor.h"

#include <gtest/gtest.h>

namespace {
CMotor UnitMotor()
{
    CMotor m;
    m.UseConversionFactor = true;
    m.ConversionFactor = 1;
    m.EnRes = 1000;
    m.SamplePeriod = 1;
    m.Unit = "mm";
    m.TimeUnit = "min";
    return m;
}
} // namespace

TEST(UserUnits, VelocityPerMinuteAndHour)
{
    CMotor m = UnitMotor();
    EXPECT_EQ(m.FormatVelocity(65536), "60.000 mm/min");
    m.TimeUnit = "Hour";
    EXPECT_EQ(m.FormatVelocity(65536), "3600.000 mm/Hour");
    m.TimeUnit = "Sec.";
    EXPECT_EQ(m.FormatVelocity(65536), "1.000 mm/Sec.");
    EXPECT_EQ(m.FormatAcceleration(65536), "1000.000 mm/Sec.^2");
    m.TimeUnit = 'm';
    EXPECT_EQ(m.FormatAcceleration(65536), "3600000.000 mm/m^2");
}

TEST(UserUnits, PositionAndPlainCounts)
{
    CMotor m = UnitMotor();
    m.ConversionFactor = 0.5;
    EXPECT_EQ(m.FormatPosition(-3000), "-1.500 mm");
    m.UseConversionFactor = false;
    EXPECT_EQ(m.FormatPosition(-3000), "-3000");
    m.UseConversionFactor = true;
    m.ConversionFactor = 0;
    EXPECT_EQ(m.FormatPosition(7), "7");
}

TEST(UserUnits, ZeroResolutionShowsTheCountAndLargeResolutionsDoNotOverflow)
{
    CMotor m = UnitMotor();
    m.EnRes = 0;
    EXPECT_EQ(m.FormatPosition(1234), "1234");
    EXPECT_EQ(m.FormatVelocity(1234), "1234");
    EXPECT_EQ(m.FormatAcceleration(1234), "1234");
    // 100000 x 65536 does not fit in 32 bits.
    m.EnRes = 100000;
    m.TimeUnit = 's';
    EXPECT_EQ(m.FormatVelocity(6553600), "1.000 mm/s");
    m.SamplePeriod = 0;
    EXPECT_EQ(m.FormatVelocity(5), "5");
    m.SamplePeriod = 1;
    m.TimeUnit.clear();
    EXPECT_EQ(m.FormatAcceleration(5), "5");
}

TEST(UserUnits, ScaledReplyTextsByReportCommand)
{
    CMotor m = UnitMotor();
    std::string text = "2000";
    EXPECT_TRUE(m.FormatScaledValue("RP", text));
    EXPECT_EQ(text, "2.000 mm");
    text = "-1000";
    EXPECT_TRUE(m.FormatScaledValue("3RPE", text));
    EXPECT_EQ(text, "-1.000 mm");
    text = "65536";
    EXPECT_TRUE(m.FormatScaledValue("RV", text));
    EXPECT_EQ(text, "60.000 mm/min");
    text = "12a4";
    EXPECT_FALSE(m.FormatScaledValue("RP", text));
    EXPECT_EQ(text, "12a4");
    text = "1-2";
    EXPECT_FALSE(m.FormatScaledValue("RP", text));
    text = "";
    EXPECT_FALSE(m.FormatScaledValue("RP", text));
    text = "99999999999";
    EXPECT_FALSE(m.FormatScaledValue("RP", text));
    text = "100";
    EXPECT_FALSE(m.FormatScaledValue("RT", text));
    EXPECT_EQ(text, "100");
}
