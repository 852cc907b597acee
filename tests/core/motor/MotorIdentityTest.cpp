#include "core/VQXException.h"
#include "tests/common/CodeOf.h"
#include "tests/core/motor/FakeModels.h"
#include "tests/core/motor/MotorLine.h"

#include <gtest/gtest.h>

namespace {
constexpr uint32_t kSerialA123 = (uint32_t('A') << 24) + 123;
}

TEST(MotorIdentity, Version450WithSerialAndFactoryBlock)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    t.sim.version = "450";
    t.sim.sampleNumber = 5000;
    t.sim.PutBE(32256, kSerialA123, 4);
    t.PutFactoryBlock(200, kSerialA123);
    t.motor->ReadVersion();
    EXPECT_EQ(t.motor->Version, "450");
    EXPECT_DOUBLE_EQ(t.motor->SamplePeriod, 0.05);
    EXPECT_EQ(t.motor->ProgChecksum, 0xABCD);
    EXPECT_EQ(t.motor->SerialNumber, kSerialA123);
    EXPECT_EQ(t.motor->VQXFlags, 5);
    EXPECT_EQ(t.motor->Model, "TQ3410");
    EXPECT_EQ(t.motor->EnRes, 4000u);
    EXPECT_EQ(t.motor->ProgName, "move.tqx");
    EXPECT_EQ(t.motor->ProgSize, 300u);
    EXPECT_EQ(t.motor->KP, 10);
    EXPECT_EQ(t.motor->KL, 40);
    EXPECT_FALSE(t.motor->pProtocol);
    EXPECT_EQ(t.port.AllVer5s, 0);  // a 4-series motor on the port
    // A valid block is only read, never written.
    EXPECT_EQ(t.sim.Count("VST("), 0);
    EXPECT_EQ(t.sim.Count("EPTR=" + std::to_string(32256 | 0x0D000000)), 0);
}

TEST(MotorIdentity, Version462KeepsThePortsFiveSeriesFlagAndReadsTheChecksum)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    t.sim.version = "462ah";
    t.sim.checksumReply = "000000 01F2E3 P";
    t.sim.PutBE(32256, 0x00123456, 4);  // top byte not printable: no serial number
    t.PutFactoryBlock(200, 0);
    t.motor->ReadVersion();
    EXPECT_EQ(t.motor->Version, "462ah");
    EXPECT_EQ(t.motor->ProgChecksum, 0x01F2E3);
    EXPECT_EQ(t.motor->SerialNumber, 0u);
    EXPECT_EQ(t.port.AllVer5s, 1);
    EXPECT_TRUE(t.motor->IsVersion462());
    EXPECT_TRUE(t.motor->IsVersion46());
    EXPECT_TRUE(t.motor->IsVersion46Plus());
    EXPECT_FALSE(t.motor->IsVersion4Below46());
    EXPECT_FALSE(t.motor->IsVersion5());
}

TEST(MotorIdentity, FiveSeriesTakesItsSerialFromTheMotorAndUsesAddressBits)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    t.sim.version = "510";
    t.sim.version5 = true;
    t.sim.serialNumber = (uint32_t('Q') << 24) + 77;
    t.PutFactoryBlock(200, (uint32_t('Q') << 24) + 77);
    t.sim.checksumReply = "short";
    t.motor->ReadVersion();
    EXPECT_EQ(t.motor->Version, "510");
    EXPECT_EQ(t.sim.Count("LSA"), 1);
    EXPECT_EQ(t.motor->SerialNumber, (uint32_t('Q') << 24) + 77);
    EXPECT_EQ(t.motor->ProgChecksum, -1);
    EXPECT_EQ(t.sim.Count("EPTR=" + std::to_string(32468 | 0x0D000000)), 1);
    EXPECT_EQ(t.port.AllVer5s, 1);
    EXPECT_TRUE(t.motor->IsVersion5());
    EXPECT_EQ(t.sim.Count("VST("), 0);
}

TEST(MotorIdentity, ChecksumIsAskedWithALongTimeoutThatIsRestored)
{
    CMotorLine t;
    t.PutFactoryBlock(200, 0);
    const int total = t.port.totalTimeout;
    int seen = 0;
    t.sim.onCommand = [&](const std::string& c) {
        if (c == "RCKS")
            seen = t.port.totalTimeout;
    };
    t.motor->ReadVersion();
    EXPECT_EQ(seen, 8000);
    EXPECT_EQ(t.port.totalTimeout, total);
}

TEST(MotorIdentity, BlankMotorIsGivenAFactoryBlockOnItsFirstRead)
{
    CFakeModels models(StandardModels());
    CMotorLine t;  // every EEPROM byte 0xFF
    t.sim.version = "450";
    t.motor->ReadVersion();
    EXPECT_TRUE(t.motor->eepromPresent);
    EXPECT_EQ(t.motor->VQXFlags, 4);
    EXPECT_EQ(t.motor->SerialNumber, 0u);
    EXPECT_EQ(t.motor->EnRes, 2000u);  // model 0 has no resolution
    EXPECT_EQ(t.sim.GetBE(32468, 2), 0xADB4u);
    EXPECT_EQ(t.sim.GetBE(32470, 2), 200u);
    EXPECT_TRUE(t.BlockSumIsRight(200));
    EXPECT_EQ(t.sim.GetBE(32256, 4), 0xFFFFFFFFu);  // no serial number to write

    // The next identity read finds the block and writes nothing.
    t.sim.commands.clear();
    CMotor again;
    again.Address = 3;
    again.SetPort(&t.port);
    again.ReadVersion();
    EXPECT_EQ(t.sim.Count("VST("), 0);
    EXPECT_EQ(again.VQXFlags, 4);
}

TEST(MotorIdentity, MotorWithoutEEPROMGetsTheNoEEPROMModel)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    t.sim.hasEEPROM = false;
    t.sim.checksumReply = " P";
    t.motor->ReadVersion();
    EXPECT_FALSE(t.motor->eepromPresent);
    EXPECT_EQ(t.motor->MotorType, 4);
    EXPECT_EQ(t.motor->EnRes, 500u);
    EXPECT_EQ(t.motor->ProgChecksum, -1);
    EXPECT_EQ(t.sim.Count("RCKS"), 2);  // asked again once the EEPROM is known to be missing
    // The magic was tried once; no block follows.
    EXPECT_EQ(t.sim.Count("VST(aaa,"), 0);
    EXPECT_EQ(t.sim.Count("VST(aw[0],1)"), 1);
}

TEST(MotorIdentity, OneBadBlockReadIsReadAgainNotRewritten)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    t.PutFactoryBlock(200, kSerialA123);
    // The first read of the block's first value comes back changed.
    bool spoiled = false;
    t.sim.onCommand = [&](const std::string& c) {
        if (c == "VLD(aaa,10)" && !spoiled) {
            t.sim.eeprom[32468 + 20] ^= 0xFF;
            spoiled = true;
        } else if (c == "Rjjj" && spoiled && t.sim.eeprom[32468 + 20] != 0) {
            t.sim.eeprom[32468 + 20] ^= 0xFF;
        }
    };
    t.motor->ReadVersion();
    EXPECT_EQ(t.sim.Count("VST("), 0);
    EXPECT_EQ(t.motor->Model, "TQ3410");
    EXPECT_EQ(t.motor->VQXFlags, 5);
}

TEST(MotorIdentity, ARepeatedSumFailureRewritesTheBlock)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    t.PutFactoryBlock(200, kSerialA123, false);
    t.sim.PutBE(32256, kSerialA123, 4);
    t.motor->ReadVersion();
    EXPECT_GT(t.sim.Count("VST(aaa,"), 0);
    EXPECT_TRUE(t.BlockSumIsRight(200));
    EXPECT_EQ(t.motor->VQXFlags, 4);
    EXPECT_EQ(t.sim.GetBE(32468 + 44, 4), kSerialA123);
}

TEST(MotorIdentity, OlderIdentityRecordGivesModelAndSerial)
{
    CFakeModels models(StandardModels());
    CMotorLine t;
    // Length byte, then "TQ2315D", "x", "y", "B42", and the sum of the n bytes after them.
    const std::string texts = std::string("TQ2315D") + '\0' + "x" + '\0' + "y" + '\0' + "B42" + '\0';
    const int n = static_cast<int>(texts.size()) + 1;
    t.sim.eeprom[32468] = static_cast<uint8_t>(n);
    unsigned sum = static_cast<unsigned>(n);
    for (size_t i = 0; i < texts.size(); ++i) {
        t.sim.eeprom[32469 + i] = static_cast<uint8_t>(texts[i]);
        sum += static_cast<uint8_t>(texts[i]);
    }
    t.sim.eeprom[static_cast<size_t>(32468 + n)] = static_cast<uint8_t>(sum);
    t.motor->ReadVersion();
    EXPECT_EQ(t.motor->Model, "TQ2315D");
    EXPECT_EQ(t.motor->MotorType, 2);
    EXPECT_EQ(t.motor->SerialNumber, (uint32_t('B') << 24) + 42);
    EXPECT_TRUE(t.BlockSumIsRight(200));
}

TEST(MotorIdentity, PProtocolMotorIsAskedWithPCommands)
{
    CMotorLine t;
    t.sim.pProtocol = true;
    t.PutFactoryBlock(200, 0);
    t.motor->ReadVersion();
    EXPECT_TRUE(t.motor->pProtocol);
    EXPECT_EQ(t.sim.Count("PCKS"), 1);
    EXPECT_FALSE(t.motor->IsMotorOn());
    EXPECT_EQ(t.sim.Count("PFo"), 1);
}

TEST(MotorIdentity, AMotorThatDoesNotAnswerIsNotTakenForAPProtocolMotor)
{
    CMotorLine t;
    t.sim.vars["VA"] = 17;
    t.sim.dropReplyOnce = {"RSP", "PSP"};
    t.motor->Version = "450";
    EXPECT_EQ(t.motor->GetVersionText(), "450");
    EXPECT_FALSE(t.motor->pProtocol);
    t.sim.dropReplyOnce = {"RSP", "PSP"};
    EXPECT_THROW(t.motor->ReadVersion(), CVQXException);
    EXPECT_FALSE(t.motor->pProtocol);
    // Back on the line, it is asked in its own protocol.
    EXPECT_EQ(t.motor->GetVariable("VA"), "17");
    EXPECT_EQ(t.sim.Count("RVA"), 1);
}

TEST(MotorIdentity, GetVariableThroughARestoresA)
{
    CMotorLine t;
    t.sim.vars["VA"] = 17;
    EXPECT_EQ(t.motor->GetVariable("VA", false), "17");
    t.motor->GetVariable("VA", true);
    EXPECT_EQ(t.sim.Count("a=VA"), 1);
    EXPECT_EQ(t.sim.vars["a"], 42);
}

TEST(MotorIdentity, SilentMotorRaisesNoResponseWithItsDataWord)
{
    CMotorLine t;
    t.sim.deadAfter = 0;
    const auto silent = ExceptionOf([&] { t.motor->SendAndReceive("RP"); });
    ASSERT_TRUE(silent) << "no error";
    EXPECT_EQ(silent->GetCode(), CVQXException::NoResponse);
    EXPECT_EQ(silent->GetData(), MakeMotorDataWord(2, 3));
    // The version tests that may not fail take an unreadable version as none.
    EXPECT_FALSE(t.motor->IsVersion5());
    EXPECT_FALSE(t.motor->IsVersion462());
    EXPECT_THROW(t.motor->IsVersion46Plus(), CVQXException);
}

TEST(MotorIdentity, VersionTextLeavesAClosedPortClosedAndKeepsTheStoredVersionWhenSilent)
{
    CMotorLine t;
    t.sim.version = " 461h ";
    t.port.ClosePort();
    EXPECT_EQ(t.motor->GetVersionText(), "461h");
    EXPECT_EQ(t.port.isOpen, 0);
    EXPECT_EQ(t.motor->Version, "");  // only read, not stored
    t.sim.deadAfter = 0;
    t.motor->Version = "450";
    EXPECT_EQ(t.motor->GetVersionText(), "450");
}

TEST(MotorIdentity, AddressZeroStandsForTheWholePort)
{
    CMotorLine t;
    CMotor all;
    all.Address = 0;
    all.SetPort(&t.port);
    t.port.AllVer5s = 1;
    EXPECT_TRUE(all.IsVersion5());
    t.port.AllVer5s = 0;
    EXPECT_FALSE(all.IsVersion5());
    EXPECT_TRUE(t.sim.commands.empty());
}
