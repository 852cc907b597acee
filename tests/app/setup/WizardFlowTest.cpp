// The setup wizard's decisions as tables: the connection choices of each kind of port and what
// they do, the RS-232 detection loop over results and answers, the page-3 address field, and the
// end of detection: comparison, replacement, and adding what is new without duplicate addresses.
#include <gtest/gtest.h>

#include "app/project/Project.h"
#include "app/setup/WizardFlow.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <deque>

namespace {

std::unique_ptr<CCommPort> MakePort(const std::string& name, const std::string& device, uint8_t type, int channel = 0)
{
    auto p = std::make_unique<CCommPort>();
    p->Name = name;
    p->PortName = device;
    p->CommType = type;
    p->MotorChannel = channel;
    return p;
}

void AddMotor(CCommPort& port, const std::string& name, int address, uint32_t serial, const std::string& version = "450")
{
    auto* m = new CMotor;
    m->Name = name;
    m->Address = address;
    m->SerialNumber = serial;
    m->Version = version;
    m->SetPort(&port);
    port.motors.Add(m);
    port.RebuildAddressTable();
}

constexpr uint32_t S(uint32_t n) { return ('S' << 24) | n; }

} // namespace

TEST(WizardFlow, ConnectionRowsAndChoices)
{
    CProject working;
    working.AddPort(MakePort("Com1", "Com1", COMM_RS232));
    working.AddPort(MakePort("Com2", "Com2", COMM_RS485, 1));
    working.AddPort(MakePort("Com3", "Com3", COMM_RS232));
    working.AddPort(MakePort("Net", "Ethernet", COMM_ETHERNET));
    working.AddPort(MakePort("Usb", "USB", COMM_USB));
    struct Row {
        int port;
        const char* device;
        size_t choices;
        int selected;
        bool enabled;
    };
    const Row rows[] = {{0, "Com1", 4, 0, true}, {1, "Com2", 4, 2, true}, {3, "Network", 5, 4, false}, {4, "USB", 6, 5, false}};
    for (const Row& r : rows) {
        const setup::ConnectionRow row = setup::ConnectionRowFor(*working.Port(r.port));
        EXPECT_EQ(row.device, r.device);
        EXPECT_EQ(row.choices.size(), r.choices);
        EXPECT_EQ(row.selected, r.selected) << r.device;
        EXPECT_EQ(row.enabled, r.enabled);
    }
    setup::ApplyConnections(working, {"RS-485 Motor Ch 0", "No Connection", "RS-485 Motor Ch 1", "Ethernet", "USB"});
    ASSERT_EQ(working.PortCount(), 4);
    EXPECT_EQ(working.Port(0)->CommType, COMM_RS485);
    EXPECT_EQ(working.Port(0)->MotorChannel, 0);
    EXPECT_EQ(working.Port(1)->Name, "Com3") << "later rows move up";
    EXPECT_EQ(working.Port(1)->MotorChannel, 1);
    EXPECT_EQ(working.Port(2)->MotorChannel, 1) << "Ethernet works on channel 1";
    EXPECT_EQ(working.Port(3)->CommType, COMM_USB);
    setup::ApplyConnections(working, {"No Connection", "No Connection", "No Connection", "No Connection"});
    EXPECT_EQ(working.PortCount(), 0) << "every row without a connection leaves an empty working project";
}

TEST(WizardFlow, RS232DetectionLoop)
{
    struct Case {
        const char* what;
        std::vector<int> results;  // one per detection call
        std::vector<int> answers;  // scripted Yes/No answers
        setup::PortOutcome outcome;
        std::vector<bool> addressed; // which calls addressed the chain
        int questions;
        int maxMotors = 10;
    };
    const int Y = ui::IDYES, N = ui::IDNO;
    const Case cases[] = {
        {"found", {1}, {}, setup::PortOutcome::Done, {false}, 0},
        {"unaddressed, agreed twice", {2, 1}, {Y, Y}, setup::PortOutcome::Done, {false, true}, 2},
        {"unaddressed, warning refused", {2}, {Y, N}, setup::PortOutcome::Skipped, {false}, 2},
        {"unaddressed, refused", {2}, {N}, setup::PortOutcome::Skipped, {false}, 1},
        {"only broadcast: address silently", {0x10, 1}, {}, setup::PortOutcome::Done, {false, true}, 0},
        {"duplicates", {8, 1}, {Y, Y}, setup::PortOutcome::Done, {false, true}, 2},
        {"comm error retried", {0x20, 1}, {Y}, setup::PortOutcome::Done, {false, false}, 1},
        {"comm error left", {0x20}, {N}, setup::PortOutcome::Skipped, {false}, 1},
        {"above the highest address", {4, 1}, {}, setup::PortOutcome::Done, {false, false}, 0, 100},
        {"no link retried then left", {0x40, 0x40}, {Y, N}, setup::PortOutcome::Skipped, {false, false}, 2},
        {"cancelled, next port", {0x40000}, {Y}, setup::PortOutcome::Skipped, {false}, 1},
        {"cancelled, stop all", {0x40000}, {N}, setup::PortOutcome::StopAll, {false}, 1},
        {"unknown result", {0x200}, {}, setup::PortOutcome::Skipped, {false}, 0},
        {"endless broadcast answers", {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10}, {}, setup::PortOutcome::Skipped,
         {false, true, true, true, true, true}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCommPort port;
        port.Name = "Chain";
        ui::CHeadlessQuestions q;
        for (int a : c.answers)
            q.AnswerMessageBox(a);
        std::deque<int> results(c.results.begin(), c.results.end());
        std::vector<bool> addressed;
        std::vector<int> flags;
        const setup::PortOutcome outcome = setup::DetectRS232Port(port, q, [&](CCommPort&, int f, bool address) {
            addressed.push_back(address);
            flags.push_back(f);
            if (results.empty())
                return 1;
            const int r = results.front();
            results.pop_front();
            return r;
        });
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(addressed, c.addressed);
        EXPECT_EQ(q.MessageBoxCount(), c.questions);
        EXPECT_EQ(q.PendingAnswers(), 0u);
        EXPECT_EQ(port.MaxMotors, c.maxMotors);
        if (c.maxMotors == 100) {
            EXPECT_EQ(flags.back(), 0x1800000) << "the repeat after raising says so";
        }
        for (const auto& asked : q.AskedQuestions())
            EXPECT_EQ(asked.message.caption, "Detecting Motors on Chain");
    }
    const std::pair<const char*, bool> fields[] = {{"1", true}, {"100", true}, {"0", false}, {"101", false},
                                                   {"114", false}, {"", false}, {"9x", false}, {"99999999999", false}};
    for (const auto& [text, ok] : fields)
        EXPECT_EQ(!setup::BusMaxAddressProblem(text).has_value(), ok) << text;
}

TEST(WizardFlow, CompareReplaceAndAddWithoutDuplicates)
{
    CProject project;
    project.AddPort(MakePort("Line", "COM1", COMM_RS232));
    AddMotor(*project.Port(0), "A", 1, S(1));
    AddMotor(*project.Port(0), "B", 2, S(2));
    AddMotor(*project.Port(0), "C", 3, S(3));
    project.AddPort(MakePort("Old", "Com7", COMM_RS232));

    CProject working;
    working.AddPort(MakePort("Com1", "Com1", COMM_RS232));
    AddMotor(*working.Port(0), "Motor1", 1, S(1));
    AddMotor(*working.Port(0), "Motor2", 2, S(3)); // motor C now answers at 2, where B was
    AddMotor(*working.Port(0), "Motor5", 5, S(5), "462");
    working.AddPort(MakePort("Com2", "Com2", COMM_RS485));
    AddMotor(*working.Port(1), "Motor1-bus", 1, S(9));

    EXPECT_TRUE(setup::CompareDetectedConfiguration(project, working));
    EXPECT_EQ(working.Port(0)->Name, "Line") << "a paired port takes the project's name";
    EXPECT_EQ(working.Port(1)->motors.GetAt(0)->diffMask, MOTOR_DIFF_UNMATCHED);

    CProject added;
    added.Copy(project);
    EXPECT_EQ(setup::AddDetectedConfiguration(added, working), 0);
    ASSERT_EQ(added.PortCount(), 3);
    const CCommPort& line = *added.Port(0);
    ASSERT_EQ(line.motors.GetCount(), 4);
    // Each address is held by one motor only, and the table agrees with the list.
    for (int a = 1; a <= line.MaxMotors; ++a) {
        int holders = 0;
        for (int m = 0; m < line.motors.GetCount(); ++m)
            holders += line.motors.GetAt(m)->Address == a;
        EXPECT_LE(holders, 1) << "address " << a;
        if (holders) {
            EXPECT_EQ(line.GetMotor(a)->Address, a);
        }
    }
    EXPECT_EQ(line.GetMotor(2)->SerialNumber, S(3)) << "the motor at address 2 is the one detected there";
    EXPECT_EQ(line.GetMotor(5)->Version, "462");
    EXPECT_EQ(added.Port(2)->Name, "Com2");
    EXPECT_TRUE(added.modified);

    // A full port: every address is held, so a detected motor replaces one and the count stays.
    CProject full;
    full.AddPort(MakePort("Line", "Com1", COMM_RS232));
    full.Port(0)->SetMaxMotors(120);
    for (int a = 1; a <= 120; ++a)
        AddMotor(*full.Port(0), 'M' + std::to_string(a), a, S(100 + a));
    CProject extra;
    extra.AddPort(MakePort("Com1", "com1", COMM_RS232));
    extra.Port(0)->SetMaxMotors(120);
    AddMotor(*extra.Port(0), "New", 7, S(7));
    EXPECT_EQ(setup::AddDetectedConfiguration(full, extra), 0) << "address 7 is overwritten, not added";
    EXPECT_EQ(full.Port(0)->motors.GetCount(), 120);
    EXPECT_EQ(full.Port(0)->GetMotor(7)->Name, "New");

    setup::ReplaceConfiguration(project, working);
    ASSERT_EQ(project.PortCount(), 2);
    EXPECT_EQ(project.Port(0)->motors.GetCount(), 3);
    EXPECT_EQ(project.Port(1)->id, 1);
}
