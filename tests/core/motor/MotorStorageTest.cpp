#include "core/archive/TagArchive.h"
#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "core/motor/Motor.h"
#include "tests/core/motor/FakeModels.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Bytes = std::vector<uint8_t>;

template <class Fn>
Bytes Store(Fn&& fn)
{
    CTagArchive ar("VQXWSPFILE");
    ar.OpenForWriteMemory();
    fn(ar);
    EXPECT_TRUE(ar.Close());
    return ar.TakeBytes();
}

CMotor LoadMotor(const Bytes& bytes, const char* group = "Arr0")
{
    CTagArchive ar("VQXWSPFILE");
    EXPECT_TRUE(ar.OpenForReadMemory(bytes));
    CMotor m;
    m.Serialize(group, ar);
    ar.Close();
    return m;
}

size_t Occurrences(const Bytes& bytes, const std::string& name)
{
    Bytes needle{static_cast<uint8_t>(name.size())};
    needle.insert(needle.end(), name.begin(), name.end());
    size_t n = 0;
    for (auto it = bytes.begin(); (it = std::search(it, bytes.end(), needle.begin(), needle.end())) != bytes.end(); ++it)
        ++n;
    return n;
}

CMotor SampleMotor()
{
    CMotor m;
    m.Address = 7;
    m.Name = "Spindle";
    m.Version = "462ah";
    m.SamplePeriod = 0.24576;
    m.SerialNumber = (uint32_t('C') << 24) + 99;
    m.Socket = std::make_shared<CMotorSocket>();
    m.Socket->IPAddress = "192.168.0.10";
    m.Socket->Port = 10001;
    m.VQXFlags = 5;
    m.ProgName = "C:\\progs\\spin.tqx";
    m.progDate = SystemTime{2007, 3, 0, 4, 5, 6, 7, 0};
    m.ProgSize = 4321;
    m.CalProgName = "cal.scx";
    m.calProgDate = SystemTime{2008, 1, 0, 2, 3, 4, 5, 0};
    m.CalProgSize = 77;
    m.EnRes = 4000;
    for (int i = 0; i < 6; ++i)
        m.ProdDates[i] = PackDate(2000 + i, 1 + i, 2 + i);
    m.IPSl = 1;
    m.NoRMA = 2;
    m.RMANo = 3;
    m.RMADt = PackDate(2009, 9, 9);
    m.CalV = 4;
    m.TstRs = 5;
    m.HO = 6;
    for (int i = 0; i < 8; ++i)
        m.CommOptions[i] = static_cast<uint16_t>(i * 3);
    m.ProgChecksum = 0xABCDEF;
    m.MotorType = 3;
    m.Model = "TQ3410";
    m.TimeUnit = "Min.";
    m.UseConversionFactor = true;
    m.ConversionFactor = 2.5;
    m.Unit = "mm";
    m.UParamIndex[0] = 4;
    m.UParamIndex[1] = 8;
    m.UserTemplateFile = "spindle.mtf";
    m.AddAssociatedFile("a.tqs");
    m.AddAssociatedFile("b.tqc");
    m.SetMainAssociatedFile(1);
    m.IsAvailable = true;
    m.KP = 11;
    m.KD = 22;
    m.KI = 33;
    m.KL = 44;
    return m;
}

} // namespace

TEST(MotorStorage, RoundTripKeepsEveryStoredField)
{
    CFakeModels models(StandardModels());
    const CMotor src = SampleMotor();
    const Bytes bytes = Store([&](CTagArchive& ar) { const_cast<CMotor&>(src).Serialize("Arr0", ar); });
    CMotor m = LoadMotor(bytes);
    EXPECT_EQ(m.Address, 7);
    EXPECT_EQ(m.Name, "Spindle");
    EXPECT_EQ(m.Version, "462ah");
    EXPECT_DOUBLE_EQ(m.SamplePeriod, 0.24576);
    EXPECT_EQ(m.SerialNumber, src.SerialNumber);
    ASSERT_TRUE(m.Socket);
    EXPECT_EQ(m.Socket->IPAddress, "192.168.0.10");
    EXPECT_EQ(m.Socket->Port, 10001);
    EXPECT_FALSE(m.USBCom);
    EXPECT_EQ(m.VQXFlags, 5);
    EXPECT_EQ(m.ProgName, src.ProgName);
    EXPECT_TRUE(SameMoment(m.progDate, src.progDate));
    EXPECT_EQ(m.ProgSize, 4321u);
    EXPECT_EQ(m.CalProgName, "cal.scx");
    EXPECT_TRUE(SameMoment(m.calProgDate, src.calProgDate));
    EXPECT_EQ(m.CalProgSize, 77u);
    EXPECT_EQ(m.EnRes, 4000u);
    EXPECT_TRUE(std::equal(std::begin(m.ProdDates), std::end(m.ProdDates), std::begin(src.ProdDates)));
    EXPECT_EQ(m.IPSl, 1);
    EXPECT_EQ(m.NoRMA, 2);
    EXPECT_EQ(m.RMANo, 3);
    EXPECT_EQ(m.RMADt, src.RMADt);
    EXPECT_EQ(m.CalV, 4);
    EXPECT_EQ(m.TstRs, 5);
    EXPECT_EQ(m.HO, 6u);
    EXPECT_TRUE(std::equal(std::begin(m.CommOptions), std::end(m.CommOptions), std::begin(src.CommOptions)));
    EXPECT_EQ(m.ProgChecksum, 0xABCDEF);
    EXPECT_EQ(m.MotorType, 3);
    EXPECT_EQ(m.Model, "TQ3410");
    EXPECT_EQ(m.TimeUnit, "Min.");
    EXPECT_TRUE(m.UseConversionFactor);
    EXPECT_DOUBLE_EQ(m.ConversionFactor, 2.5);
    EXPECT_EQ(m.Unit, "mm");
    EXPECT_EQ(m.UParamIndex[0], 4);
    EXPECT_EQ(m.UParamIndex[1], 8);
    EXPECT_EQ(m.UserTemplateFile, "spindle.mtf");
    ASSERT_EQ(m.associatedFiles.GetCount(), 2);
    EXPECT_EQ(m.associatedFiles.GetAt(0)->FileName, "a.tqs");
    ASSERT_NE(m.GetMainAssociatedFile(), nullptr);
    EXPECT_EQ(m.GetMainAssociatedFile()->FileName, "b.tqc");
    EXPECT_TRUE(m.IsAvailable);
    EXPECT_EQ(m.KP, 11);
    EXPECT_EQ(m.KD, 22);
    EXPECT_EQ(m.KI, 33);
    EXPECT_EQ(m.KL, 44);
    EXPECT_TRUE(m.eepromPresent);
    EXPECT_FALSE(m.pProtocol);
}

TEST(MotorStorage, StoresKiTwiceAndKlBesideThemAndEmptyBackEndGroups)
{
    CMotor m = SampleMotor();
    m.Socket.reset();
    const Bytes bytes = Store([&](CTagArchive& ar) { m.Serialize("Arr0", ar); });
    EXPECT_EQ(Occurrences(bytes, "KI"), 2u);
    EXPECT_EQ(Occurrences(bytes, "KL"), 1u);
    EXPECT_EQ(Occurrences(bytes, "Socket"), 1u);
    EXPECT_EQ(Occurrences(bytes, "USBCom"), 1u);
    CMotor back = LoadMotor(bytes);
    EXPECT_FALSE(back.Socket);
    EXPECT_FALSE(back.USBCom);
}

TEST(MotorStorage, OlderFilesLoadWithPackedDateAndUnknownKl)
{
    CFakeModels models(StandardModels());
    // A motor as older programs stored it: no six date items, one packed date, no KL, and an
    // empty address in its socket group.
    const Bytes bytes = Store([](CTagArchive& ar) {
        ar.OpenGroup("Arr0");
        int32_t address = 2;
        ar.SerializeInt("Address", address, 0);
        ar.OpenGroup("Socket");
        std::string ip;
        ar.SerializeString("IPAddress", ip, "");
        ar.CloseGroup();
        ar.OpenGroup("USBCom");
        std::string usb = "TQ0001";
        ar.SerializeString("USBAddress", usb, "");
        int32_t device = 3;
        ar.SerializeInt("DeviceNumber", device, 0);
        ar.CloseGroup();
        uint32_t packed = 2 * 634400 + 5 * 48800 + 17 * 1525 + 9 * 61 + 30;
        ar.SerializeDword("ProgDate", packed, 0);
        int32_t type = 9999;
        ar.SerializeInt("MotorType", type, 0);
        uint16_t kp = 5, ki = 7;
        ar.SerializeShort("KP", kp, uint16_t{0});
        ar.SerializeShort("KI", ki, uint16_t{0});
        ar.CloseGroup();
    });
    CMotor m = LoadMotor(bytes);
    EXPECT_EQ(m.Address, 2);
    EXPECT_EQ(m.progDate.wYear, 2002);
    EXPECT_EQ(m.progDate.wMonth, 5);
    EXPECT_EQ(m.progDate.wDay, 17);
    EXPECT_EQ(m.progDate.wHour, 9);
    EXPECT_EQ(m.progDate.wMinute, 30);
    EXPECT_EQ(m.MotorType, 0);
    EXPECT_FALSE(m.Socket);
    ASSERT_TRUE(m.USBCom);
    EXPECT_EQ(m.USBCom->USBAddress, "TQ0001");
    EXPECT_EQ(m.USBCom->DeviceNumber, 3);
    EXPECT_EQ(m.KP, 5);
    EXPECT_EQ(m.KI, 7);
    EXPECT_EQ(m.KL, GAIN_UNKNOWN);
    // Load defaults, which differ from a new motor's where the stored form says so.
    EXPECT_EQ(m.EnRes, 0u);
    EXPECT_EQ(m.ProgChecksum, 0);
    EXPECT_EQ(m.Unit, "");
    EXPECT_EQ(m.TimeUnit, "Sec.");
    EXPECT_EQ(m.GetMainAssociatedFile(), nullptr);
}

TEST(MotorStorage, HostileValuesStayInsideTheRecord)
{
    CFakeModels models(StandardModels());
    const Bytes bytes = Store([](CTagArchive& ar) {
        ar.OpenGroup("Arr0");
        // Items of the wrong size keep their defaults.
        uint8_t shortAddress = 9;
        ar.SerializeByte("Address", shortAddress, 0);
        std::vector<uint32_t> dates(50, 0x07D00101);
        ar.SerializeValueList("ProdDates", dates, 50, 0u);
        std::vector<uint16_t> options(30, 1);
        ar.SerializeValueList("CommOptions", options, 30, uint16_t{0});
        int32_t type = -5;
        ar.SerializeInt("MotorType", type, 0);
        int32_t num = 150;
        ar.SerializeInt("num", num, -1);
        ar.OpenGroup("AssociatedFiles");
        for (int i = 0; i < 130; ++i) {
            ar.OpenGroup(CTagArchive::ArrName(i));
            std::string name = 'f' + std::to_string(i) + ".tqs";
            ar.SerializeString("FileName", name, "");
            ar.CloseGroup();
        }
        ar.CloseGroup();
        ar.CloseGroup();
    });
    CMotor m = LoadMotor(bytes);
    EXPECT_EQ(m.Address, 0);
    EXPECT_EQ(m.ProdDates[5], 0x07D00101u);
    EXPECT_EQ(m.CommOptions[7], 1);
    EXPECT_EQ(m.MotorType, 0);
    EXPECT_EQ(m.associatedFiles.GetCount(), 100);
    EXPECT_EQ(m.GetMainAssociatedFile(), nullptr);

    // A missing motor group leaves the record as it was.
    CMotor untouched = SampleMotor();
    CTagArchive ar("VQXWSPFILE");
    ASSERT_TRUE(ar.OpenForReadMemory(bytes));
    untouched.Serialize("Arr9", ar);
    EXPECT_EQ(untouched.Name, "Spindle");
}
