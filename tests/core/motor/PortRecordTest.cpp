#include "core/archive/TagArchive.h"
#include "core/backends/MotorSocket.h"
#include "core/port/CommPort.h"
#include "tests/core/motor/FakeModels.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

CMotor* NewMotor(int address, const std::string& name, uint32_t serial = 0)
{
    auto* m = new CMotor;
    m->Address = address;
    m->Name = name;
    m->SerialNumber = serial;
    return m;
}

void Fill(CCommPort& port)
{
    port.Name = "Bus A";
    port.PortName = "/dev/ttyUSB7";
    port.BitPerSec = 38400;
    port.Parity = 2;
    port.CommType = COMM_RS485;
    port.MotorChannel = 1;
    port.MaxMotors = 8;
    port.motors.Add(NewMotor(1, "X", (uint32_t('A') << 24) + 1));
    port.motors.Add(NewMotor(2, "Y"));
    port.motors.Add(NewMotor(5, "Z"));
    port.RebuildAddressTable();
}

Bytes StorePort(CCommPort& port, uint32_t mode = 0)
{
    CTagArchive ar("VQXWSPFILE", mode);
    ar.OpenForWriteMemory();
    port.Serialize("Arr0", ar);
    EXPECT_TRUE(ar.Close());
    return ar.TakeBytes();
}

void LoadPort(CCommPort& port, const Bytes& bytes, uint32_t mode = 0)
{
    CTagArchive ar("VQXWSPFILE", mode);
    ASSERT_TRUE(ar.OpenForReadMemory(bytes));
    port.Serialize("Arr0", ar);
    ar.Close();
}

template <class Fn>
Bytes Raw(Fn&& fn)
{
    CTagArchive ar("VQXWSPFILE");
    ar.OpenForWriteMemory();
    ar.OpenGroup("Arr0");
    fn(ar);
    ar.CloseGroup();
    EXPECT_TRUE(ar.Close());
    return ar.TakeBytes();
}

void AddMotorGroup(CTagArchive& ar, int index, int32_t address)
{
    ar.OpenGroup(CTagArchive::ArrName(index));
    ar.SerializeInt("Address", address, 0);
    ar.CloseGroup();
}

} // namespace

TEST(PortRecord, StorageRoundTripWithMotorsAndAddressTable)
{
    CCommPort src;
    Fill(src);
    src.Echo = 1;
    const Bytes bytes = StorePort(src);
    CCommPort port;
    LoadPort(port, bytes);
    EXPECT_EQ(port.Name, "Bus A");
    EXPECT_EQ(port.PortName, "/dev/ttyUSB7");
    EXPECT_EQ(port.BitPerSec, 38400);
    EXPECT_EQ(port.savedBitPerSec, 38400);
    EXPECT_EQ(port.Parity, 2);
    EXPECT_EQ(port.CommType, COMM_RS485);
    EXPECT_EQ(port.Echo, 0);  // an RS-485 bus never echoes
    EXPECT_EQ(port.MotorChannel, 1);
    EXPECT_EQ(port.MaxMotors, 8);
    EXPECT_EQ(port.IsOpen, 0);
    ASSERT_EQ(port.motors.GetCount(), 3);
    ASSERT_NE(port.GetMotor(5), nullptr);
    EXPECT_EQ(port.GetMotor(5)->Name, "Z");
    EXPECT_EQ(port.GetMotor(5)->GetPort(), &port);
    EXPECT_EQ(port.GetMotor(5)->GetListIndex(), 2);
    EXPECT_EQ(port.GetMotor(3), nullptr);
    EXPECT_EQ(port.GetMotor(0), nullptr);
    EXPECT_EQ(port.GetMotor(9), nullptr);
    EXPECT_EQ(port.addressDirty, 1);
    EXPECT_EQ(port.MotorCount(), 3);
}

TEST(PortRecord, ANonZeroModeWordLeavesTheMotorsOut)
{
    CCommPort src;
    Fill(src);
    const Bytes bytes = StorePort(src, 1);
    CCommPort port;
    port.motors.Add(NewMotor(4, "kept"));
    LoadPort(port, bytes, 1);
    ASSERT_EQ(port.motors.GetCount(), 1);
    EXPECT_EQ(port.GetMotor(4)->Name, "kept");
    CCommPort full;
    LoadPort(full, bytes);
    EXPECT_EQ(full.motors.GetCount(), 0);
}

TEST(PortRecord, OldFileWithTheLineInItsOwnGroup)
{
    const Bytes bytes = Raw([](CTagArchive& ar) {
        std::string name = "Old";
        ar.SerializeString("Name", name, "");
        ar.OpenGroup("Port");
        std::string portName = "Com3";
        ar.SerializeString("PortName", portName, "");
        int32_t baud = 19200;
        ar.SerializeInt("BitPerSec", baud, 0);
        bool rs485 = true;
        ar.SerializeBool("IsRS485", rs485, false);
        ar.CloseGroup();
        bool echo = true;
        ar.SerializeBool("Echo", echo, false);
    });
    CCommPort port;
    LoadPort(port, bytes);
    EXPECT_EQ(port.CommType, COMM_RS485);
    EXPECT_EQ(port.PortName, "Com3");
    EXPECT_EQ(port.BitPerSec, 19200);
    EXPECT_EQ(port.Echo, 0);
    EXPECT_EQ(port.MaxMotors, 10);
}

TEST(PortRecord, HostileFileIsClampedAndUnreachableMotorsAreDropped)
{
    const Bytes bytes = Raw([](CTagArchive& ar) {
        int32_t maxMotors = 5000, baud = 0;
        uint8_t parity = 77, type = 1;
        ar.SerializeInt("MaxMotors", maxMotors, 0);
        ar.SerializeInt("BitPerSec", baud, 0);
        ar.SerializeByte("Parity", parity, 0);
        ar.SerializeByte("CommType", type, 0);
        ar.OpenGroup("Motors");
        for (int i = 0; i < 200; ++i)
            AddMotorGroup(ar, i, i == 0 ? 0 : (i == 1 ? 121 : (i == 2 ? -4 : i)));
        ar.CloseGroup();
        int32_t channel = 9;
        ar.SerializeInt("MotorChannel", channel, 0);
    });
    CCommPort port;
    LoadPort(port, bytes);
    EXPECT_EQ(port.MaxMotors, 120);
    EXPECT_EQ(port.BitPerSec, 9600);
    EXPECT_EQ(port.Parity, 0);
    EXPECT_EQ(port.MotorChannel, 0);
    // Elements beyond the list's 120 are not read; addresses 0, 121 and -4 are dropped.
    EXPECT_EQ(port.motors.GetCount(), 117);
    EXPECT_EQ(port.GetMotor(3)->Address, 3);
    EXPECT_EQ(port.GetMotor(119)->Address, 119);
    EXPECT_EQ(port.GetMotor(120), nullptr);

    const Bytes small = Raw([](CTagArchive& ar) {
        int32_t maxMotors = -3;
        ar.SerializeInt("MaxMotors", maxMotors, 0);
        ar.OpenGroup("Motors");
        AddMotorGroup(ar, 0, 1);
        AddMotorGroup(ar, 1, 2);
        ar.CloseGroup();
    });
    CCommPort tiny;
    LoadPort(tiny, small);
    EXPECT_EQ(tiny.MaxMotors, 1);
    EXPECT_EQ(tiny.motors.GetCount(), 1);
    EXPECT_EQ(tiny.addressTable.size(), 2u);
}

TEST(PortRecord, LookupsAndDescription)
{
    CCommPort port;
    Fill(port);
    EXPECT_EQ(port.FindMotorByUid((uint32_t('A') << 24) + 1)->Name, "X");
    EXPECT_EQ(port.FindMotorByUid(0x00123456), nullptr);
    EXPECT_EQ(port.FindMotorByUid(0), nullptr);
    EXPECT_EQ(port.FindMotorByUid(0xFFFFFFFF), nullptr);
    EXPECT_EQ(port.GetDescription(), "/dev/ttyUSB7,38400,RS485,Ch:1,8E1");
    port.CommType = COMM_RS232;
    port.Parity = 0;
    port.MotorChannel = 0;
    EXPECT_EQ(port.GetDescription(), "/dev/ttyUSB7,38400,RS232,Ch:0,8N1");
    port.CommType = COMM_ETHERNET;
    EXPECT_EQ(port.GetDescription(), "Ethernet Port");
    port.CommType = COMM_USB;
    EXPECT_EQ(port.GetDescription(), "USB Port");

    port.SetMaxMotors(4);
    EXPECT_EQ(port.GetMotor(5), nullptr);
    EXPECT_EQ(port.GetMotor(2)->Name, "Y");
    port.SetMaxMotors(500);
    EXPECT_EQ(port.MaxMotors, 120);
    EXPECT_EQ(port.GetMotor(5)->Name, "Z");
}

TEST(PortRecord, CopyIsDeepAndABorrowedCopySharesTheMotors)
{
    CCommPort src;
    Fill(src);
    src.id = 4;
    src.currentAddress = 2;
    src.pushbackCount = 3;
    CCommPort copy;
    copy = src;
    EXPECT_EQ(copy.id, 4);
    EXPECT_EQ(copy.Name, "Bus A");
    EXPECT_EQ(copy.currentAddress, 2);
    EXPECT_EQ(copy.addressDirty, 1);
    EXPECT_EQ(copy.pushbackCount, 0);
    ASSERT_EQ(copy.motors.GetCount(), 3);
    EXPECT_NE(copy.motors.GetAt(0), src.motors.GetAt(0));
    EXPECT_EQ(copy.GetMotor(5)->GetPort(), &copy);
    EXPECT_EQ(src.GetMotor(5)->GetPort(), &src);
    EXPECT_EQ(copy.GetMotor(5)->Name, "Z");

    CCommPort view;
    view.motors.borrowed = true;
    view = src;
    EXPECT_EQ(view.motors.GetAt(0), src.motors.GetAt(0));
    EXPECT_EQ(view.GetMotor(1), src.GetMotor(1));
    EXPECT_EQ(src.GetMotor(1)->GetPort(), &src);
}

TEST(PortRecord, MergeOfAnEqualDetectionFindsNoDifference)
{
    CCommPort defined, detected;
    Fill(defined);
    Fill(detected);
    for (int i = 0; i < detected.motors.GetCount(); ++i)
        detected.motors.GetAt(i)->IsAvailable = true;
    defined.GetMotor(2)->Name = "Y axis";
    defined.GetMotor(2)->AddAssociatedFile("y.tqs");
    defined.GetMotor(2)->SetMainAssociatedFile(0);
    defined.GetMotor(2)->Unit = "mm";
    EXPECT_FALSE(detected.MergeDetected(defined));
    EXPECT_EQ(detected.peer, &defined);
    EXPECT_EQ(defined.peer, &detected);
    // The detected motor takes the project's names and units.
    EXPECT_EQ(detected.GetMotor(2)->Name, "Y axis");
    EXPECT_EQ(detected.GetMotor(2)->Unit, "mm");
    ASSERT_NE(detected.GetMotor(2)->GetMainAssociatedFile(), nullptr);
    EXPECT_EQ(detected.GetMotor(2)->GetMainAssociatedFile()->FileName, "y.tqs");
    EXPECT_TRUE(defined.GetMotor(5)->IsAvailable);
    EXPECT_EQ(defined.GetMotor(5)->linked, detected.GetMotor(5));
}

TEST(PortRecord, MergeMarksUnknownAndMissingMotors)
{
    CCommPort defined, detected;
    Fill(defined);
    detected.MaxMotors = 8;
    detected.motors.Add(NewMotor(1, "", (uint32_t('A') << 24) + 1));
    detected.motors.Add(NewMotor(7, ""));
    detected.RebuildAddressTable();
    for (int i = 0; i < detected.motors.GetCount(); ++i)
        detected.motors.GetAt(i)->IsAvailable = true;
    EXPECT_TRUE(detected.MergeDetected(defined));
    EXPECT_EQ(detected.GetMotor(1)->diffMask, 0);
    EXPECT_EQ(detected.GetMotor(7)->diffMask, MOTOR_DIFF_UNMATCHED);
    EXPECT_EQ(detected.GetMotor(7)->linked, nullptr);
    EXPECT_FALSE(defined.GetMotor(2)->IsAvailable);
    EXPECT_EQ(defined.GetMotor(2)->diffMask, MOTOR_DIFF_UNMATCHED);
    EXPECT_EQ(defined.GetMotor(5)->diffMask, MOTOR_DIFF_UNMATCHED);
}

TEST(PortRecord, EthernetMergeFindsMotorsBySerialOnceEachAndReportsAMovedAddress)
{
    CCommPort defined, detected;
    defined.CommType = detected.CommType = COMM_ETHERNET;
    const uint32_t serial = (uint32_t('E') << 24) + 9;
    defined.motors.Add(NewMotor(1, "Conveyor", serial));
    defined.RebuildAddressTable();
    // The motor now answers at address 3, and a second detected motor claims the same serial.
    detected.motors.Add(NewMotor(3, "", serial));
    detected.motors.Add(NewMotor(4, "", serial));
    detected.RebuildAddressTable();
    for (int i = 0; i < 2; ++i)
        detected.motors.GetAt(i)->IsAvailable = true;
    EXPECT_TRUE(detected.MergeDetected(defined));
    EXPECT_EQ(detected.GetMotor(3)->Name, "Conveyor");
    EXPECT_EQ(detected.GetMotor(3)->diffMask, MOTOR_DIFF_ADDRESS);
    EXPECT_EQ(detected.GetMotor(4)->diffMask, MOTOR_DIFF_UNMATCHED);

    // An Ethernet motor found by its IP address, and one whose address changed.
    CCommPort def2, det2;
    def2.CommType = det2.CommType = COMM_ETHERNET;
    CMotor* a = NewMotor(1, "A");
    a->Socket = std::make_shared<CMotorSocket>("10.0.0.5");
    def2.motors.Add(a);
    def2.RebuildAddressTable();
    CMotor* d = NewMotor(2, "");
    d->Socket = std::make_shared<CMotorSocket>("10.0.0.5");
    d->IsAvailable = true;
    det2.motors.Add(d);
    det2.RebuildAddressTable();
    EXPECT_TRUE(det2.MergeDetected(def2));
    EXPECT_EQ(d->Name, "A");
    EXPECT_EQ(d->diffMask, MOTOR_DIFF_ADDRESS);
    d->Socket->IPAddress = "10.0.0.6";
    d->Address = 1;
    EXPECT_TRUE(det2.MergeDetected(def2));
    EXPECT_EQ(d->diffMask, MOTOR_DIFF_IPADDRESS);
}

TEST(PortRecord, LoadedEthernetPortWithoutMotorsOpens)
{
    CCommPort src;
    src.CommType = COMM_ETHERNET;
    const Bytes bytes = StorePort(src);
    CCommPort port;
    LoadPort(port, bytes);
    EXPECT_EQ(port.CommType, COMM_ETHERNET);
    EXPECT_TRUE(port.OpenPort());
    EXPECT_EQ(port.isOpen, 1);
    EXPECT_EQ(port.MotorCount(), 0);
}
