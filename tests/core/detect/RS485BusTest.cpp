#include "core/detect/RS485Bus.h"

#include "core/VQXException.h"
#include "tests/core/detect/DetectFixture.h"

#include <set>

namespace {

class RS485BusTest : public DetectFixture {
protected:
    void Bus(int portBaud = 9600) { Build(CTestMotors::Topology::Bus, COMM_RS485, portBaud); }
    CTestMotor& Motor(int address, uint32_t serial, const std::string& version = "500", int baud = 9600)
    {
        CTestMotor& m = motors->Add(address, serial, version);
        m.baud = baud;
        return m;
    }
};

// Serial numbers: letter << 24 | number. Two of them share their low 6 bits (a first-pass
// collision); the rest are apart.
constexpr uint32_t S(uint32_t number) { return 0x41000000u | number; }

TEST_F(RS485BusTest, SelfAddressingResolvesACollisionAndPacksTheAddresses)
{
    Bus();
    const uint32_t serials[] = {S(5), S(5 + 64 * 3), S(17), S(40), S(2), S(63), S(30), S(9)};
    int k = 0;
    for (uint32_t s : serials)
        Motor(0, s, "500", k++ % 2 ? 19200 : 9600); // half of them listen at another rate
    DetectRS485(*port);

    ASSERT_EQ(port->motors.GetCount(), 8);
    EXPECT_GT(motors->collisions, 0) << "the two motors on address 6 collided";
    std::set<uint32_t> found;
    for (int i = 0; i < 8; ++i) {
        CMotor* m = Listed(i);
        EXPECT_EQ(m->Address, i + 1) << "packed into 1..8, in address order";
        found.insert(m->SerialNumber);
    }
    EXPECT_EQ(found.size(), 8u);
    // Each simulated motor sits where its record says.
    for (size_t i = 0; i < motors->Size(); ++i) {
        const CTestMotor& sim = (*motors)[i];
        EXPECT_EQ(sim.baud, 9600);
        bool matched = false;
        for (int j = 0; j < 8; ++j)
            matched = matched || (Listed(j)->SerialNumber == sim.serial && Listed(j)->Address == sim.address);
        EXPECT_TRUE(matched) << "serial " << sim.serial << " at " << sim.address;
    }
    ExpectListConsistent();
    EXPECT_EQ(questions.MessageBoxCount(), 0);
    EXPECT_FALSE(port->isOpen);
    EXPECT_FALSE(progress.IsShown());
}

TEST_F(RS485BusTest, OneMotorMovesToAddressOne)
{
    Bus();
    Motor(0, S(45));
    DetectRS485(*port);
    ASSERT_EQ(port->motors.GetCount(), 1);
    EXPECT_EQ(Listed(0)->Address, 1);
    EXPECT_EQ((*motors)[0].address, 1);
    EXPECT_EQ((*motors)[0].Count("ADDR=ff+1"), 1) << "the first address comes from the serial number";
    EXPECT_EQ((*motors)[0].Count("ADDR=1"), 1) << "packed once";
}

TEST_F(RS485BusTest, EqualSerialNumbersEndWithAnEmptyList)
{
    Bus();
    Motor(0, S(7));
    Motor(0, S(7)).sampleFigure = 20000; // otherwise the two would be one motor to the computer
    Motor(0, S(100));
    DetectRS485(*port);
    EXPECT_EQ(port->motors.GetCount(), 0);
    for (CMotor* e : port->addressTable)
        EXPECT_EQ(e, nullptr);
    ASSERT_EQ(questions.MessageTexts().size(), 1u);
    EXPECT_EQ(questions.MessageTexts()[0], "Duplicate Serial Numbers.");
    // Six passes: the first, then one per 5 further bits.
    EXPECT_EQ((*motors)[0].Count("ADDR=ff+65"), 5);
}

TEST_F(RS485BusTest, AnOlderMotorOnTheBusStopsTheDetection)
{
    Bus();
    motors->collision = CTestMotors::Collision::And; // colliding digits still read as digits
    Motor(0, S(3));
    Motor(0, S(3 + 64), "450");
    DetectRS485(*port);
    EXPECT_EQ(port->motors.GetCount(), 0);
    ASSERT_EQ(questions.MessageTexts().size(), 1u);
    EXPECT_EQ(questions.MessageTexts()[0], "Not all motors are Version 5/Quintaloc(TM).");
}

TEST_F(RS485BusTest, AGarbledIdentityAfterACleanCollisionIsOneMoreCollision)
{
    Bus();
    motors->collision = CTestMotors::Collision::And;
    Motor(0, S(3));
    Motor(0, S(3 + 64)).sampleFigure = 100000; // the identity replies mix into no identity at all
    DetectRS485(*port);
    EXPECT_EQ(questions.MessageBoxCount(), 0);
    ASSERT_EQ(port->motors.GetCount(), 2);
    ExpectListConsistent();
}

TEST_F(RS485BusTest, AnEmptyBusShowsNothing)
{
    Bus();
    DetectRS485(*port);
    EXPECT_EQ(port->motors.GetCount(), 0);
    EXPECT_EQ(questions.MessageBoxCount(), 0);
}

TEST_F(RS485BusTest, SingleMotorGetsAddressOne)
{
    Bus(19200);
    Motor(9, S(12), "450", 4800);
    DetectSingleRS485(*port);
    ASSERT_EQ(port->motors.GetCount(), 1);
    EXPECT_EQ(Listed(0)->Address, 1);
    EXPECT_EQ((*motors)[0].address, 1);
    EXPECT_EQ((*motors)[0].baud, 19200);
    EXPECT_EQ(Listed(0)->SerialNumber, S(12));
    EXPECT_FALSE(port->isOpen);

    (*motors)[0].answersRP = false;
    DetectSingleRS485(*port);
    EXPECT_EQ(port->motors.GetCount(), 0);
}

class BySerialTest : public RS485BusTest {
protected:
    void Define(int address, uint32_t serial)
    {
        auto* m = new CMotor;
        m->Address = address;
        m->SerialNumber = serial;
        m->Name = "Defined" + std::to_string(address);
        port->motors.Add(m);
        port->RebuildAddressTable();
    }
};

TEST_F(BySerialTest, AllMotorsAnswerWithoutAQuestion)
{
    Bus();
    Motor(3, S(1), "450");
    Motor(0, S(2), "450");
    Define(7, S(2));
    Define(4, S(1));
    EXPECT_TRUE(AddressRS485BySerial(*port));
    EXPECT_EQ((*motors)[0].address, 4);
    EXPECT_EQ((*motors)[1].address, 7);
    EXPECT_EQ((*motors)[0].eeprom[32262], 4) << "the address is stored in the motor";
    EXPECT_EQ((*motors)[1].eeprom[32262], 7);
    EXPECT_EQ(questions.MessageBoxCount(), 0);
    EXPECT_EQ(port->motors.GetCount(), 2);
}

TEST_F(BySerialTest, MissingMotorsAreDeletedOnYesAndKeptOnNo)
{
    Bus();
    Motor(0, S(2), "450");
    Define(5, S(99));
    Define(6, S(2));
    questions.AnswerMessageBox(ui::IDNO);
    EXPECT_FALSE(AddressRS485BySerial(*port));
    EXPECT_EQ(port->motors.GetCount(), 2);
    ASSERT_EQ(questions.MessageTexts().size(), 1u);
    EXPECT_EQ(questions.MessageTexts()[0],
              "The following motors were not found.\nDefined5\nDo you want to delete them from the list?\nClick "
              "\"Yes\" to delete the motors and continue with next port.\nClick \"No\" to edit the information, "
              "and try again.");

    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_TRUE(AddressRS485BySerial(*port));
    ASSERT_EQ(port->motors.GetCount(), 1);
    EXPECT_EQ(Listed(0)->Address, 6);
    EXPECT_EQ(port->GetMotor(5), nullptr) << "the deleted motor leaves no table entry behind";
    EXPECT_EQ(port->GetMotor(6), Listed(0));
    EXPECT_EQ(Listed(0)->GetListIndex(), 0);
}

class ScanTest : public RS485BusTest {};

TEST_F(ScanTest, UnaddressedMotorTakesTheNextAddressAndStoresIt)
{
    Bus();
    Motor(2, S(1), "450");
    Motor(5, S(2), "450", 38400);
    Motor(0, S(3), "450");
    EXPECT_EQ(ScanRS485Addresses(*port, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 3);
    EXPECT_EQ(Listed(2)->Address, 6);
    EXPECT_EQ((*motors)[2].address, 6);
    EXPECT_EQ((*motors)[2].eeprom[32262], 6);
    EXPECT_FALSE(AnyAsleep());
    ExpectListConsistent();
}

TEST_F(ScanTest, KeepMaxShrinksToTheHighestAddress)
{
    Bus();
    Motor(3, S(1), "450");
    Motor(7, S(2), "450");
    EXPECT_EQ(ScanRS485Addresses(*port, DETECT_KEEP_MAX), DETECT_FOUND);
    EXPECT_EQ(port->MaxMotors, 7);
}

TEST_F(ScanTest, ResultsOfTheBroadcastProbes)
{
    Bus();
    Motor(25, S(1), "450"); // above MaxMotors: silent once addresses above are asleep
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_ABOVE_MAX);
    EXPECT_FALSE(AnyAsleep());

    Bus();
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_NONE);
}

TEST_F(ScanTest, LineErrorsGiveEight)
{
    Bus();
    Motor(1, S(1), "450");
    Motor(1, S(2), "450").sampleFigure = 1; // both on address 1: their replies collide
    motors->collision = CTestMotors::Collision::FramingError;
    (*motors)[1].flags["Be"] = "1";
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_LINE_GARBAGE);
    EXPECT_EQ(port->AllVer5s, 0);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(ScanTest, CalibrationCausesOfA462Motor)
{
    struct Case {
        const char* flag;
        int uja;
        const char* text; // empty: the general warning
    } cases[] = {
        {"Bl", 500, "A right limit error was detected."},
        {"Be", 500, "Please make sure that the motor shaft can move freely."},
        {"Bh", 100, "Please check the motor power supply."},
        {"Ba", 500, "An over-current condition was detected."},
        {"", 500, ""},
    };
    for (const Case& c : cases) {
        Bus();
        info.Clear();
        CTestMotor& m = Motor(1, S(1), "462");
        m.flags["Bn"] = "1";
        if (*c.flag)
            m.flags[c.flag] = "1";
        m.vars["UJA"] = c.uja;
        ASSERT_EQ(ScanRS485Addresses(*port, 0), DETECT_FOUND);
        ASSERT_EQ(info.Lines().size(), 1u) << c.flag;
        if (*c.text) {
            EXPECT_EQ(info.Lines()[0].description,
                      std::string("The motor \"Motor1-Bench\" has not finished calibration successfully. ") + c.text);
            EXPECT_EQ(port->calibrationWarnings, 1);
        } else {
            EXPECT_EQ(info.Lines()[0].description, CalibrationWarningText("Motor1-Bench"));
            EXPECT_EQ(port->calibrationWarnings, 1000);
            ASSERT_NE(info.Lines()[0].item, nullptr);
        }
    }
}

TEST_F(ScanTest, CancelLeavesTheMotorsAwake)
{
    Bus();
    Motor(1, S(1), "450");
    Motor(6, S(2), "450");
    progress.CancelAtCount(3); // takes effect at the next step
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(ScanRS485Addresses(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_FALSE(AnyAsleep());
    EXPECT_EQ(port->motors.GetCount(), 1);
    EXPECT_EQ(port->Query("RBe", 6), "0") << "the port stays usable";
}

} // namespace

namespace {

TEST_F(RS485BusTest, RateSyncUsesTheChannelOneFormsAndEndsAtThePortRate)
{
    Bus(19200);
    port->MotorChannel = 1;
    Motor(1, S(1), "450", 4800);
    Motor(2, S(2), "450", 38400);
    SyncRS485BaudRates(*port);
    EXPECT_EQ((*motors)[0].baud, 19200);
    EXPECT_EQ((*motors)[1].baud, 19200);
    EXPECT_EQ(line->HostLine().baud, 19200);
    EXPECT_EQ(port->BitPerSec, 19200);
    const std::string wire = Wire();
    EXPECT_NE(wire.find("WAKE1 "), std::string::npos);
    EXPECT_NE(wire.find("ECHO_OFF1 "), std::string::npos);
    EXPECT_EQ(wire.find("ECHO_OFF "), std::string::npos);
    EXPECT_NE(wire.find("OCHN(RS4,1,N,19200,1,8,C)"), std::string::npos);

    port->CommType = COMM_RS232;
    line->ClearHostWritten();
    SyncRS485BaudRates(*port);
    EXPECT_TRUE(line->HostWritten().empty()) << "RS-485 ports only";
}

} // namespace

namespace {

// The address byte goes where this motor keeps it: a 5-series motor's byte writes carry its
// EEPROM bits, which the host knows only once the motor's identity is read.
TEST_F(ScanTest, AddressOfAnUnaddressedFiveSeriesMotorIsStoredThroughItsByteAddress)
{
    Bus();
    Motor(1, S(1), "500");
    Motor(0, S(2), "500");
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 2);
    EXPECT_EQ((*motors)[1].address, 2);
    EXPECT_EQ((*motors)[1].Count("EPTR=" + std::to_string(32262u | EEPROM_VERSION5_BITS)), 1);
    EXPECT_EQ((*motors)[1].Count("EPTR=32262"), 0);
}

} // namespace
