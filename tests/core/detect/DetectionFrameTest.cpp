#include "core/detect/DetectionFrame.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "tests/common/HeadlessContext.h"

#include <gtest/gtest.h>

namespace {

class DetectionFrameTest : public ::testing::Test, protected HeadlessContext {
protected:
    DetectionFrameTest()
    {
        port.Name = 'P';
        port.SetContext(&context);
    }
    std::vector<int> Addresses() const
    {
        std::vector<int> out;
        for (int i = 0; i < port.motors.GetCount(); ++i) {
            EXPECT_EQ(port.motors.GetAt(i)->GetListIndex(), i);
            out.push_back(port.motors.GetAt(i)->Address);
        }
        return out;
    }
    CCommPort port;
};

TEST_F(DetectionFrameTest, EnteringRaisesMaxMotorsAndRefusesATakenAddress)
{
    CMotor* a = EnterDetectedMotor(port, 3);
    EXPECT_EQ(a->Name, "Motor3-P");
    EXPECT_EQ(port.GetMotor(3), a);
    CMotor* b = EnterDetectedMotor(port, 14);
    EXPECT_EQ(port.MaxMotors, 14);
    EXPECT_EQ(port.GetMotor(14), b);
    EXPECT_EQ(port.GetMotor(3), a) << "the table keeps its entries when it grows";
    EXPECT_THROW(EnterDetectedMotor(port, 3), CVQXException);
    EXPECT_THROW(EnterDetectedMotor(port, 121), CVQXException);
    EXPECT_EQ(port.motors.GetCount(), 2);
}

TEST_F(DetectionFrameTest, OrderByAddressMovesTheNewMotorInFrontOfTheFirstGreater)
{
    EnterDetectedMotor(port, 2);
    EnterDetectedMotor(port, 5);
    EnterDetectedMotor(port, 9);
    OrderByAddress(port, EnterDetectedMotor(port, 4));
    EXPECT_EQ(Addresses(), (std::vector<int>{2, 4, 5, 9}));
    OrderByAddress(port, EnterDetectedMotor(port, 10));
    EXPECT_EQ(Addresses(), (std::vector<int>{2, 4, 5, 9, 10}));
    OrderByAddress(port, EnterDetectedMotor(port, 1));
    EXPECT_EQ(Addresses(), (std::vector<int>{1, 2, 4, 5, 9, 10}));
}

TEST_F(DetectionFrameTest, RemovingClosesUpTheListAndClearsTheTable)
{
    EnterDetectedMotor(port, 1);
    CMotor* middle = EnterDetectedMotor(port, 2);
    EnterDetectedMotor(port, 3);
    RemoveDetectedMotor(port, middle);
    EXPECT_EQ(Addresses(), (std::vector<int>{1, 3}));
    EXPECT_EQ(port.GetMotor(2), nullptr);
    EXPECT_EQ(LowestFreeAddress(port), 2);
}

TEST_F(DetectionFrameTest, LowestFreeAddressUsesMaxMotorsItself)
{
    port.SetMaxMotors(2);
    EnterDetectedMotor(port, 1);
    EXPECT_EQ(LowestFreeAddress(port), 2);
    EnterDetectedMotor(port, 2);
    EXPECT_EQ(LowestFreeAddress(port), 0);
}

TEST_F(DetectionFrameTest, ReferencePortGivesItsAddressUnlessAnotherMotorHoldsIt)
{
    CCommPort reference;
    auto* defined = new CMotor;
    defined->Address = 12;
    defined->SerialNumber = 0x41000010;
    defined->Name = "Left arm";
    reference.motors.Add(defined);
    auto* second = new CMotor;
    second->Address = 1;
    second->SerialNumber = 0x41000011;
    second->Name = "Right arm";
    reference.motors.Add(second);
    reference.SetMaxMotors(12);

    CMotor* holder = EnterDetectedMotor(port, 1);
    holder->SerialNumber = 0x41000099;
    CMotor* found = EnterDetectedMotor(port, 2);
    found->SerialNumber = 0x41000010;
    EXPECT_TRUE(MatchReferencePort(port, found, &reference, {}));
    EXPECT_EQ(found->Address, 12);
    EXPECT_EQ(found->Name, "Motor12-P");
    EXPECT_EQ(port.MaxMotors, 12) << "raised before the table entry is written";
    EXPECT_EQ(port.GetMotor(12), found);
    EXPECT_EQ(port.GetMotor(2), nullptr);

    CMotor* other = EnterDetectedMotor(port, 3);
    other->SerialNumber = 0x41000011; // defined at 1, which the holder has
    EXPECT_FALSE(MatchReferencePort(port, other, &reference, {}));
    EXPECT_EQ(other->Address, 3);
    EXPECT_EQ(port.GetMotor(1), holder);
    EXPECT_EQ(info.WarningCount(), 1);
}

TEST_F(DetectionFrameTest, ReferenceMatchByLinkTextWhenNoSerialMatches)
{
    CCommPort reference;
    auto* defined = new CMotor;
    defined->Address = 4;
    defined->Model = "link-b";
    reference.motors.Add(defined);
    reference.RebuildAddressTable();
    CMotor* found = EnterDetectedMotor(port, 1);
    found->Model = "link-b";
    EXPECT_TRUE(MatchReferencePort(port, found, &reference, [](const CMotor& m) { return m.Model; }));
    EXPECT_EQ(found->Address, 4);
}

TEST_F(DetectionFrameTest, EmptyingClearsListTableAndWarnings)
{
    EnterDetectedMotor(port, 1);
    port.calibrationWarnings = 1001;
    EmptyMotorList(port);
    EXPECT_EQ(port.motors.GetCount(), 0);
    EXPECT_EQ(port.GetMotor(1), nullptr);
    EXPECT_EQ(port.calibrationWarnings, 0);
}

} // namespace
