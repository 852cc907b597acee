// The data files the build generates into the program folder (VQX_HOME for the tests).
#include "core/shared/MotorModels.h"
#include "core/shared/Tips.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
std::string ProgramFolder()
{
    const char* home = std::getenv("VQX_HOME");
    return home ? home : "";
}
} // namespace

TEST(GeneratedData, ModelsDatabaseHasTheRecordsThePartsRelyOn)
{
    if (ProgramFolder().empty())
        GTEST_SKIP() << "VQX_HOME is not set (run through ctest)";
    CMotorModels table;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(table.Load(ProgramFolder() + "/TQModels.tqm", &error, &warnings)) << error;
    EXPECT_TRUE(warnings.empty());
    ASSERT_GT(table.GetCount(), kNoEEPROMModelIndex);
    EXPECT_LE(table.GetCount(), CMotorModels::kMaxModels);

    const CMotorModel* none = table.Get(kNoModelIndex);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->Index, 0);
    EXPECT_EQ(none->Name, ""); // never matches a motor's model text
    EXPECT_GT(none->EncoderResolution, 0u);

    const CMotorModel* noEEPROM = table.Get(kNoEEPROMModelIndex);
    ASSERT_NE(noEEPROM, nullptr);
    EXPECT_EQ(noEEPROM->Index, 4);
    EXPECT_FALSE(noEEPROM->Name.empty());
    EXPECT_GT(noEEPROM->EncoderResolution, 0u);

    for (int i = 1; i < table.GetCount(); ++i) {
        const CMotorModel* m = table.Get(i);
        EXPECT_EQ(m->Index, i);
        EXPECT_FALSE(m->Name.empty()) << i;
        EXPECT_GT(m->EncoderResolution, 0u) << m->Name;
        EXPECT_NE(m->Comments.find("suite data"), std::string::npos) << m->Name; // clearly our own
        EXPECT_EQ(m->PictureState, 2);
        for (int k = i + 1; k < table.GetCount(); ++k)
            EXPECT_NE(m->Name, table.Get(k)->Name);
    }
}

TEST(GeneratedData, TipsFileReadsEveryTipAndWraps)
{
    if (ProgramFolder().empty())
        GTEST_SKIP() << "VQX_HOME is not set (run through ctest)";
    const std::string path = ProgramFolder() + "/Tips.dat";
    const TipRecord first = ReadTipRecord(path, 0);
    ASSERT_TRUE(first.ok);
    ASSERT_GT(first.count, 1);
    for (int k = 0; k < first.count; ++k) {
        const TipRecord r = ReadTipRecord(path, k);
        ASSERT_TRUE(r.ok) << k;
        EXPECT_FALSE(r.text.empty()) << k;
        EXPECT_EQ(r.text.find('\r'), std::string::npos);
        EXPECT_EQ(r.text.find('\n'), std::string::npos) << "the tip dialog wraps a tip itself: " << k;
    }
    EXPECT_EQ(ReadTipRecord(path, first.count).text, first.text);
}
