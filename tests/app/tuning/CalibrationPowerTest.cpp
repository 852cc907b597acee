// The calibration power dialog without its window, against a simulated Quintaloc: what it shows,
// what Apply writes (and what it refuses), an invalid block rebuilt, the reset and its Bn check,
// and the size data it will not work without.
#include "app/tuning/CalibrationPower.h"

#include "tests/app/tuning/QuintalocLine.h"

using namespace tuning;
using caltest::GoodBlock;

namespace {

class PowerOnTheLine : public caltest::QuintalocOnTheLine {
protected:
    std::unique_ptr<CCalibrationPower> Power() { return std::make_unique<CCalibrationPower>(*motor, profile, questions); }
};

TEST_F(PowerOnTheLine, ShowsAppliesAndRefuses)
{
    auto power = Power();
    ASSERT_TRUE(power->Init());
    EXPECT_EQ(power->Title(), "Set Calibration Power - Motor1-Line");
    EXPECT_FALSE(power->SizeChoiceVisible());
    EXPECT_EQ(power->CurrentText(), "65"); // 650 of 1000
    EXPECT_EQ(power->NewText(), "65");
    EXPECT_EQ(power->SliderPosition(), 65);
    power->OnSetDefault();
    EXPECT_EQ(power->NewText(), "60");

    // A power the slider cannot show, or no number, is refused before the motor is asked.
    for (const char* bad : {"-5", "1000", "101", "4x", ""}) {
        SCOPED_TRACE(bad);
        const size_t before = Commands();
        power->SetNewText(bad);
        power->OnApply();
        EXPECT_EQ(questions.MessageTexts().back(), calpower::kOutOfRangeText);
        EXPECT_EQ(Commands(), before);
    }
    EXPECT_EQ(Block(), GoodBlock());

    // 65 % of 1000 is 650, bytes 02 8A; No to the reset.
    power->SetNewText("65");
    questions.AnswerMessageBox(ui::IDNO);
    power->OnApply();
    CalibrationBlock block = Block();
    EXPECT_EQ(block[0], 0x02);
    EXPECT_EQ(block[1], 0x8A);
    EXPECT_TRUE(IsValidBlock(block));
    EXPECT_EQ(questions.MessageTexts().back(), calpower::kResetQuestion);

    // 40 % with the reset: the motor restarts and is asked whether its calibration finished; it
    // did ("0"), so nothing more is said.
    power->SetNewText("40");
    questions.AnswerMessageBox(ui::IDYES);
    power->OnApply();
    EXPECT_EQ(BlockWord(Block(), kBlockPower), 400);
    EXPECT_EQ(power->CurrentText(), "40");
    const auto log = rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.CommandLog(); });
    const auto z = std::find(log.begin(), log.end(), "Z");
    EXPECT_NE(z, log.end());
    EXPECT_NE(std::find(z, log.end(), "RBn"), log.end()) << "Bn asked after the reset";
    EXPECT_EQ(questions.MessageTexts().back(), calpower::kResetQuestion);
}

TEST_F(PowerOnTheLine, AnInvalidBlockIsShownAsNotAvailableAndRebuilt)
{
    CalibrationBlock bad = GoodBlock();
    bad[kBlockSum] ^= 1;
    SetBlock(bad);
    auto power = Power();
    ASSERT_TRUE(power->Init());
    EXPECT_EQ(questions.MessageTexts().back(), calpower::kInvalidBlockText);
    EXPECT_EQ(power->CurrentText(), "N/A");
    EXPECT_EQ(power->NewText(), "60") << "the size's default";
    questions.AnswerMessageBox(ui::IDOK);
    questions.AnswerMessageBox(ui::IDNO);
    power->OnApply();
    const CalibrationBlock block = Block();
    EXPECT_TRUE(IsValidBlock(block));
    EXPECT_EQ(BlockWord(block, kBlockPower), 600);
    EXPECT_EQ(BlockWord(block, kBlockUser), 700);
    for (int i = 4; i <= 12; ++i)
        EXPECT_EQ(block[static_cast<size_t>(i)], 0xFF) << i;
    EXPECT_EQ(block[kBlockRun], 0) << "bit 0 of the flag byte is set: no calibration flag";
    EXPECT_EQ(block[kBlockValue], 0xFF);

    // Apply reads the flag byte again with the block: cleared meanwhile, the rebuilt run byte
    // keeps what it read and gains bit 1.
    bad[kBlockRun] = 0x40;
    SetBlock(bad);
    rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Eeprom()[kCalibrationFlagAddress] = 0; });
    questions.AnswerMessageBox(ui::IDOK);
    questions.AnswerMessageBox(ui::IDNO);
    power->OnApply();
    EXPECT_TRUE(IsValidBlock(Block()));
    EXPECT_EQ(Block()[kBlockRun], 0x42);
}

TEST_F(PowerOnTheLine, WithoutUsableSizeDataNothingIsWritten)
{
    for (const caltest::UnusableSizes& c : caltest::UnusableSizeData()) {
        SCOPED_TRACE(c.what);
        UseSizes(c);
        auto power = Power();
        EXPECT_EQ(power->Init(), c.anEntry);
        if (!c.anEntry) {
            EXPECT_EQ(questions.MessageTexts().back(), calpower::kNoSizesText);
            continue;
        }
        EXPECT_FALSE(power->SizeUsable());
        EXPECT_TRUE(power->SizeChoiceVisible()) << "another size may be chosen";
        power->SetNewText("50");
        power->OnApply();
        EXPECT_EQ(questions.MessageTexts().back(), calpower::kBadSizeText);
        EXPECT_EQ(Block(), GoodBlock());
    }
}

} // namespace
