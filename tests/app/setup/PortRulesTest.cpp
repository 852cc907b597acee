// The port, motors and ports pages' rules as tables: every check of the "Port" page in its order
// with what it writes into the working copy, the layout per type, the serial device list, the
// motor list's rows, duplicates and edits with the address table, and the ports list.
#include <gtest/gtest.h>

#include "app/project/Project.h"
#include "app/setup/PortPages.h"
#include "core/backends/MotorSocket.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <functional>
#include <map>

namespace {

std::unique_ptr<CCommPort> Port(const std::string& name, uint8_t type, int id)
{
    auto p = std::make_unique<CCommPort>();
    p->Name = name;
    p->CommType = type;
    p->id = id;
    return p;
}

CMotor* AddMotor(CCommPort& port, const std::string& name, int address, const std::string& ip = {})
{
    auto m = std::make_unique<CMotor>();
    m->Name = name;
    m->Address = address;
    if (!ip.empty())
        m->Socket = std::make_shared<CMotorSocket>(ip);
    CMotor* raw = m.get();
    EXPECT_EQ(setup::AddMotorToPort(port, std::move(m)), std::nullopt);
    return raw;
}

struct FakeProbe final : platform::ISerialPortProbe {
    std::map<std::string, platform::SerialPresence> devices;
    std::vector<std::string> candidates;
    std::vector<platform::SerialDeviceInfo> listed;
    std::vector<std::string> Candidates() override { return candidates; }
    std::vector<platform::SerialDeviceInfo> Devices() override { return listed; }
    platform::SerialPresence Probe(const std::string& name) override
    {
        const auto it = devices.find(name);
        return it == devices.end() ? platform::SerialPresence::NotFound : it->second;
    }
};

} // namespace

TEST(PortGeneralPage, ChecksInOrderAndWritesTheWorkingCopy)
{
    const setup::PortGeneralEntries good{"Axis", "40", COMM_RS232, "Com2", true, 3, 2, 0};
    struct Case {
        const char* what;
        std::function<void(setup::PortGeneralEntries&)> edit;
        int answer = 0; // scripted answer to the one question, 0: none
        const char* message; // nullptr: accepted
        std::function<void(const CCommPort&)> check = {};
    };
    const Case cases[] = {
        {"empty name", [](auto& e) { e.name.clear(); }, 0, "You must enter a name for the port!"},
        {"max 0", [](auto& e) { e.maxMotors = '0'; }, 0, "Please enter a value between 1 and 120 for \"Max. Motor Address\"."},
        {"max -3", [](auto& e) { e.maxMotors = "-3"; }, 0, "Please enter a value between 1 and 120 for \"Max. Motor Address\"."},
        {"max 500", [](auto& e) { e.maxMotors = "500"; }, 0, "Please enter a value between 1 and 120 for \"Max. Motor Address\"."},
        {"max huge", [](auto& e) { e.maxMotors = "99999999999999"; }, 0, "Please enter a value between 1 and 120 for \"Max. Motor Address\"."},
        {"max text", [](auto& e) { e.maxMotors = "ten"; }, 0, "Please enter a value between 1 and 120 for \"Max. Motor Address\"."},
        {"below a motor", [](auto& e) { e.maxMotors = '7'; }, 0,
         "The specified \"Max. Motor Address\" is smaller than the address of one or more motors in this Port. "
         "Please enter a valid value for \"Max. Motor Address\"."},
        {"no serial port", [](auto& e) { e.serialPort.clear(); }, 0, "Please select a Serial Port."},
        {"no baud", [](auto& e) { e.baudIndex = -1; }, 0, "Please select the Baudrate value for this port."},
        {"no parity", [](auto& e) { e.parityIndex = -1; }, 0, "Please select the Parity setting for this port."},
        {"no channel", [](auto& e) { e.channelIndex = -1; }, 0, "Please select the Motor Channel for this port."},
        {"second Ethernet", [](auto& e) { e.type = COMM_ETHERNET; }, 0,
         "Cannot define more than one Ethernet port. Port \"Net\" is already defined as an Ethernet port."},
        {"second USB", [](auto& e) { e.type = COMM_USB; }, 0,
         "Cannot define more than one USB port. Port \"Stick\" is already defined as a USB port."},
        {"absent device refused", [](auto& e) { e.serialAvailable = false; }, ui::IDNO,
         "The selected communication port is not available on this computer. Do you still want to use the selected "
         "communication port?"},
        {"absent device taken", [](auto& e) { e.serialAvailable = false; }, ui::IDYES,
         "The selected communication port is not available on this computer. Do you still want to use the selected "
         "communication port?",
         [](const CCommPort& p) { EXPECT_EQ(p.PortName, "Com2"); }},
        {"RS-232", [](auto&) {}, 0, nullptr,
         [](const CCommPort& p) {
             EXPECT_EQ(p.Name, "Axis");
             EXPECT_EQ(p.CommType, COMM_RS232);
             EXPECT_EQ(p.PortName, "Com2");
             EXPECT_EQ(p.BitPerSec, 19200);
             EXPECT_EQ(p.Parity, 1) << "the third entry is Odd";
             EXPECT_EQ(p.MaxMotors, 40);
             EXPECT_EQ(p.addressTable.size(), 41u);
             EXPECT_EQ(p.MotorChannel, 0);
         }},
        {"device path", [](auto& e) { e.serialPort = "/dev/serial/by-id/usb-FTDI-A1"; }, 0, nullptr,
         [](const CCommPort& p) { EXPECT_EQ(p.PortName, "/dev/serial/by-id/usb-FTDI-A1"); }},
        {"RS-485 channel 1", [](auto& e) { e.type = COMM_RS485; e.channelIndex = 1; e.parityIndex = 1; }, 0, nullptr,
         [](const CCommPort& p) {
             EXPECT_EQ(p.CommType, COMM_RS485);
             EXPECT_EQ(p.MotorChannel, 1);
             EXPECT_EQ(p.Parity, 2);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto net = Port("Net", COMM_ETHERNET, 0);
        auto stick = Port("Stick", COMM_USB, 1);
        auto port = Port("Old", COMM_RS232, 2);
        port->SetMaxMotors(10);
        AddMotor(*port, "M8", 8);
        setup::PortGeneralEntries e = good;
        c.edit(e);
        ui::CHeadlessQuestions q;
        if (c.answer)
            q.AnswerMessageBox(c.answer);
        const bool ok = setup::ValidatePortGeneral(*port, {net.get(), stick.get(), port.get()}, e, q);
        const bool accepted = c.message == nullptr || c.answer == ui::IDYES;
        EXPECT_EQ(ok, accepted);
        if (c.message) {
            ASSERT_EQ(q.MessageTexts().size(), 1u);
            EXPECT_EQ(q.MessageTexts()[0], c.message);
        } else {
            EXPECT_EQ(q.MessageBoxCount(), 0);
        }
        if (!accepted) {
            EXPECT_EQ(port->MaxMotors, 10) << "a refused page leaves the table as it was";
            EXPECT_EQ(port->PortName, "Com1");
        }
        if (c.check)
            c.check(*port);
    }
}

TEST(PortGeneralPage, EthernetAndUsbTakeTheirFixedSettingsAndIgnoreThemselves)
{
    auto net = Port("Net", COMM_ETHERNET, 0);
    auto copy = Port("Net", COMM_ETHERNET, 0); // the working copy of the same port
    ui::CHeadlessQuestions q;
    setup::PortGeneralEntries e{"Net", "5", COMM_ETHERNET, "", true, -1, -1, -1};
    ASSERT_TRUE(setup::ValidatePortGeneral(*copy, {net.get()}, e, q));
    EXPECT_EQ(copy->PortName, "ETHERNET");
    EXPECT_EQ(copy->BitPerSec, 19200);
    EXPECT_EQ(copy->savedBitPerSec, 19200);
    EXPECT_EQ(copy->MotorChannel, 1);
    EXPECT_EQ(copy->Echo, 0);
    EXPECT_EQ(copy->MaxMotors, 5);

    auto usb = Port("U", COMM_RS232, -1); // a new port becoming the one USB port
    e = {"U", "120", COMM_USB, "", true, -1, -1, -1};
    ASSERT_TRUE(setup::ValidatePortGeneral(*usb, {net.get()}, e, q));
    EXPECT_EQ(usb->CommType, COMM_USB);
    EXPECT_EQ(usb->PortName, "USB");
    EXPECT_EQ(usb->BitPerSec, 38400);
    EXPECT_EQ(usb->MotorChannel, 0);
    EXPECT_EQ(usb->addressTable.size(), 121u);
    EXPECT_EQ(q.MessageBoxCount(), 0);
}

TEST(PortGeneralPage, LayoutsDeviceListAndSelections)
{
    struct Row {
        int checked, stored;
        bool serial, channelEnabled, forced0, cleared;
        const char* firstLabel;
    };
    const Row rows[] = {
        {COMM_RS232, COMM_RS232, true, false, true, false, "Serial Port:"},
        {COMM_RS485, COMM_RS232, true, true, false, false, "Serial Port:"},
        {COMM_RS485, COMM_ETHERNET, true, true, false, true, "Serial Port:"},
        {COMM_RS232, COMM_USB, true, false, true, true, "Serial Port:"},
        {COMM_ETHERNET, COMM_RS232, false, false, false, false, ""},
        {COMM_USB, COMM_USB, false, false, false, false, ""},
    };
    for (const Row& r : rows) {
        const setup::PortTypeLayout l = setup::LayoutForType(r.checked, r.stored);
        EXPECT_EQ(l.serialControls, r.serial) << r.checked << "/" << r.stored;
        EXPECT_EQ(l.channelEnabled, r.channelEnabled) << r.checked;
        EXPECT_EQ(l.channelForcedTo0, r.forced0) << r.checked;
        EXPECT_EQ(l.clearSelections, r.cleared) << r.checked << "/" << r.stored;
        EXPECT_EQ(l.labels[0], r.firstLabel);
    }
    EXPECT_EQ(setup::LayoutForType(COMM_RS232, COMM_RS232).labels[3], "Motor Channel:");

    FakeProbe probe;
    probe.devices["Com1"] = platform::SerialPresence::Present;
    probe.devices["Com4"] = platform::SerialPresence::Busy;
    probe.devices["/dev/serial/by-id/usb-FTDI-A1"] = platform::SerialPresence::Present;
    probe.devices["/run/sim-chain"] = platform::SerialPresence::Present;
    probe.listed = {{"ttyUSB0", "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI-A1", "FT232R USB UART", "A1"},
                    {"ttyACM0", "/dev/ttyACM0", "", "", ""}};
    probe.candidates = {"Com1", "/dev/serial/by-id/usb-FTDI-A1", "/dev/ttyACM0", "/run/sim-chain"};
    const std::vector<setup::SerialPortEntry> entries = setup::SerialPortEntries(probe);
    ASSERT_EQ(entries.size(), 33u);
    EXPECT_EQ(entries[0].text, "Com1");
    EXPECT_EQ(entries[1].text, "Com2 (N/A)");
    EXPECT_EQ(entries[1].portName, "Com2");
    EXPECT_EQ(entries[3].text, "Com4") << "a busy device is listed without the mark";
    EXPECT_EQ(entries[29].text, "Com30 (N/A)");
    EXPECT_EQ(entries[30].text, "ttyUSB0 - FT232R USB UART A1");
    EXPECT_EQ(entries[30].portName, "/dev/serial/by-id/usb-FTDI-A1") << "the stable name is kept";
    EXPECT_EQ(entries[31].text, "ttyACM0");
    EXPECT_EQ(entries[31].portName, "/dev/ttyACM0");
    EXPECT_EQ(entries[32].text, "/run/sim-chain") << "a known device outside the machine's list";

    const std::pair<const char*, int> names[] = {{"Com1", 0}, {"COM30", 29}, {"Com31", -1}, {"Com0", -1},
                                                 {"Com", -1}, {"/dev/ttyS0", -1}, {"Com9x", -1},
                                                 {"/dev/serial/by-id/usb-FTDI-A1", 30}, {"/run/sim-chain", 32}};
    for (const auto& [name, index] : names)
        EXPECT_EQ(setup::SerialPortIndexOf(entries, name), index) << name;

    // What the field holds: a selected entry, or typed text.
    struct Choice {
        int index;
        const char* text;
        const char* portName;
        bool available;
    };
    const Choice choices[] = {
        {0, "Com1", "Com1", true},
        {1, "Com2 (N/A)", "Com2", false},
        {30, "ttyUSB0 - FT232R USB UART A1", "/dev/serial/by-id/usb-FTDI-A1", true},
        {-1, "  /run/sim-chain ", "/run/sim-chain", true},
        {-1, "/dev/ttyUSB9", "/dev/ttyUSB9", false}, // typed, not on this machine
        {0, "/run/other", "/run/other", false},      // typed over a selection
        {-1, "com4", "Com4", true},
        {-1, "Com31", "", true},
        {-1, "ttyUSB0", "", true},
        {-1, "", "", true},
        {-1, "/", "", true},
        {-1, "ttyUSB0 - FT232R USB UART A1", "/dev/serial/by-id/usb-FTDI-A1", true},
    };
    for (const Choice& c : choices) {
        const setup::SerialChoice got = setup::ChooseSerialPort(entries, c.index, c.text, probe);
        EXPECT_EQ(got.portName, c.portName) << c.text;
        if (*c.portName) {
            EXPECT_EQ(got.available, c.available) << c.text;
        }
    }
    EXPECT_EQ(setup::BaudIndexOf(115200), 6);
    EXPECT_EQ(setup::BaudIndexOf(1200), -1);
    EXPECT_EQ(setup::ParityIndexOf(2), 1);
    EXPECT_EQ(setup::ParityIndexOf(4), -1);
}

TEST(PortMotorsPage, RowsDuplicatesAndEditsKeepTheAddressTable)
{
    auto port = Port("Net", COMM_ETHERNET, 0);
    port->SetMaxMotors(6);
    CMotor* a = AddMotor(*port, "A", 1, "10.0.0.1");
    a->UseConversionFactor = true;
    a->ConversionFactor = 2.5;
    a->Unit = "mm";
    a->Version = "450";
    a->Model = "TX23";
    AddMotor(*port, "B", 4, "10.0.0.2");
    CMotor* c = AddMotor(*port, "C", 6, "10.0.0.3");
    const auto rows = setup::MotorRows(*port);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::array<std::string, 5>{"1(10.0.0.1)", "A", "TX23", "2.500 mm/Rev", "450"}));
    EXPECT_EQ(rows[1][3], "N/A");

    // Refused additions: beyond Max. Motor Address, address 0; the port is unchanged.
    for (int address : {7, 0, 121}) {
        auto m = std::make_unique<CMotor>();
        m->Name = "X";
        m->Address = address;
        EXPECT_EQ(setup::AddMotorToPort(*port, std::move(m)), "Please enter a motor address between 1 and 6!");
    }
    EXPECT_EQ(port->motors.GetCount(), 3);

    EXPECT_EQ(setup::MotorListProblem(*port), std::nullopt);
    c->Socket->IPAddress = "10.0.0.1";
    EXPECT_EQ(setup::MotorListProblem(*port), "Duplicate IP address for motors \"A\" and \"C\"");
    c->Name = "A";
    EXPECT_EQ(setup::MotorListProblem(*port), "Duplicate Names for motors \"A\" and \"A\"");
    c->Address = 1;
    EXPECT_EQ(setup::MotorListProblem(*port), "Duplicate address for motors \"A\" and \"A\"")
        << "same address and name: the address message";

    setup::DeleteMotorAt(*port, 0);
    ASSERT_EQ(port->motors.GetCount(), 2);
    EXPECT_EQ(port->motors.GetAt(0)->Name, "B");
    EXPECT_EQ(port->motors.GetAt(0)->GetListIndex(), 0) << "the following motors are renumbered";
    EXPECT_EQ(port->motors.GetAt(1)->GetListIndex(), 1);
    EXPECT_EQ(port->GetMotor(4), port->motors.GetAt(0));
    EXPECT_EQ(port->GetMotor(1), port->motors.GetAt(1));
    setup::DeleteMotorAt(*port, 5); // no such row: nothing happens
    EXPECT_EQ(port->motors.GetCount(), 2);
    setup::DeleteAllMotors(*port);
    EXPECT_EQ(port->motors.GetCount(), 0);
    EXPECT_EQ(port->GetMotor(4), nullptr);
}

TEST(PortsPage, RowsAndDuplicateChecks)
{
    CProject project;
    auto a = Port("Line", COMM_RS232, -1);
    a->PortName = "Com1";
    a->BitPerSec = 9600;
    a->Parity = 2;
    a->MotorChannel = 0;
    a->SetMaxMotors(10);
    auto b = Port("Bus", COMM_RS485, -1);
    b->PortName = "com1"; // differs only in case: another device name
    b->Parity = 4;
    b->MotorChannel = 1;
    auto n = Port("Net", COMM_ETHERNET, -1);
    n->PortName = "Com1";
    ASSERT_TRUE(project.AddPort(std::move(a)));
    ASSERT_TRUE(project.AddPort(std::move(b)));
    ASSERT_TRUE(project.AddPort(std::move(n)));
    EXPECT_EQ(setup::PortRow(*project.Port(0)), (std::array<std::string, 4>{"Line", "RS-232", "Com1,9600,Ch:0,8E1", "10"}));
    EXPECT_EQ(setup::PortRow(*project.Port(1))[2], "com1,9600,Ch:1,8S1");
    EXPECT_EQ(setup::PortRow(*project.Port(2)), (std::array<std::string, 4>{"Net", "Ethernet", "-", "10"}));
    EXPECT_EQ(setup::PortListProblem(project), std::nullopt) << "Ethernet is never compared by device";

    project.Port(1)->PortName = "Com1";
    EXPECT_EQ(setup::PortListProblem(project),
              "Ports \"Line\" and \"Bus\" use the same serial port!\nChange the port for one of them.");
    project.Port(2)->Name = "Line";
    EXPECT_EQ(setup::PortListProblem(project), "Ports \"Line\" and \"Bus\" use the same serial port!\nChange the port for one of them.")
        << "pairs are checked in order";
    project.Port(1)->PortName = "Com2";
    EXPECT_EQ(setup::PortListProblem(project), "Duplicate names (\"Line\") in ports number 1 and 3.");
}
