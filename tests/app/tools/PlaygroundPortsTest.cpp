// The playground's port list over a scripted machine: the machine's serial ports with or without a
// project port, the project's ports on absent devices, Ethernet and USB; the entry chosen for a
// motor; Configure Port and Detect Motors for a port the project lacks (kept on OK/found, gone on
// Cancel/nothing found) and the refusal of a 31st port.
#include <gtest/gtest.h>

#include "app/shell/CommError.h"
#include "app/tools/PlaygroundForm.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/serial/SerialProbe.h"
#include "tests/common/HeadlessContext.h"

using namespace tools;

namespace {

struct Machine final : platform::ISerialPortProbe {
    std::vector<std::string> Candidates() override { return {"/dev/pts/99", "/dev/alt/ttyUSB0"}; }
    platform::SerialPresence Probe(const std::string& name) override
    {
        return name == "Com1" || name == "Com3" ? platform::SerialPresence::Present : platform::SerialPresence::NotFound;
    }
    std::vector<platform::SerialDeviceInfo> Devices() override { return {{"ttyUSB0", "/dev/ttyUSB0", "", "Adapter", "7"}}; }
};

struct AnyIo : IPlaygroundIo {
    void OpenPort(CMotor&) override {}
    void Send(CMotor&, const std::string&) override {}
    std::string Ask(CMotor&, const std::string&) override { return "0"; }
};

struct NoPrograms : IPollingPrograms {
    std::string WhyCannotSave(const CMotor&) override { return {}; }
    bool Saved(const CMotor&) override { return true; }
    void SaveUserProgram(CMotor&) override {}
    void ClearProgram(CMotor&) override {}
    void DownloadPollingProgram(CMotor&) override {}
    std::vector<std::string> RestoreAll() override { return {}; }
};

class PlaygroundPorts : public ::testing::Test, protected HeadlessContext {
protected:
    Machine machine;
    AnyIo io;
    NoPrograms programs;
    std::vector<std::unique_ptr<CCommPort>> project;
    std::unique_ptr<CPlaygroundForm> form;
    struct Edit {
        CCommPort* port;
        bool isNew;
        std::string portName, name;
    };
    std::vector<Edit> edits;
    bool answerOk = true;

    CCommPort& AddPort(const std::string& portName, uint8_t type = COMM_RS232, int motors = 0)
    {
        auto p = std::make_unique<CCommPort>();
        p->SetContext(&context);
        p->PortName = portName;
        p->Name = portName;
        p->CommType = type;
        p->id = int(project.size());
        for (int a = 1; a <= motors; ++a)
            AddMotor(*p, a);
        project.push_back(std::move(p));
        return *project.back();
    }
    static CMotor* AddMotor(CCommPort& port, int address)
    {
        auto* m = new CMotor;
        m->Address = address;
        m->Name = "Motor" + std::to_string(address);
        port.motors.Add(m);
        m->SetPort(&port);
        return m;
    }
    std::vector<CCommPort*> Ports()
    {
        std::vector<CCommPort*> v;
        for (auto& p : project)
            v.push_back(p.get());
        return v;
    }
    void Make()
    {
        form = std::make_unique<CPlaygroundForm>(context, io, programs, PlaygroundSettings{false, true});
        CPlaygroundForm::PortServices s;
        s.probe = [this] { return &machine; };
        s.ports = [this] { return Ports(); };
        s.properties = [this](CCommPort& port, bool isNew) {
            edits.push_back({&port, isNew, port.PortName, port.Name});
            return answerOk;
        };
        s.append = [this](std::unique_ptr<CCommPort> port) {
            port->id = int(project.size());
            project.push_back(std::move(port));
            return true;
        };
        form->SetPortServices(std::move(s));
        form->FillPortList(Ports());
    }
    using Row = std::tuple<std::string, int, std::string>;
    std::vector<Row> Entries() const
    {
        std::vector<Row> rows;
        for (const auto& e : form->PortEntries())
            rows.emplace_back(e.text, e.data, e.portName);
        return rows;
    }
    int EntryOf(const std::string& text) const
    {
        for (size_t i = 0; i < form->PortEntries().size(); ++i)
            if (form->PortEntries()[i].text == text)
                return int(i);
        return -1;
    }
};

TEST_F(PlaygroundPorts, MachineAndProjectPortsAndTheMotorsEntry)
{
    CMotor* onCom3 = AddPort("COM3", COMM_RS232, 1).motors.GetAt(0);
    CMotor* onUsbSerial = AddPort("/dev/ttyUSB0", COMM_RS485, 2).motors.GetAt(1);
    AddPort("/dev/serial/by-id/usb-Gone", COMM_RS232, 1);
    AddPort("Eth", COMM_ETHERNET).Name = "Shop Ethernet";
    AddPort("Usb", COMM_USB).Name = "Bench USB";
    AddPort("Com7", COMM_RS232, 1); // the machine has no Com7 now
    Make();
    EXPECT_EQ(Entries(), (std::vector<Row>{
                             {"Com1", -1, "Com1"},
                             {"Com3", 0, "Com3"},
                             {"ttyUSB0", 1, "/dev/ttyUSB0"},
                             {"pts/99", -1, "/dev/pts/99"},
                             {"/dev/alt/ttyUSB0", -1, "/dev/alt/ttyUSB0"}, // its short name is taken
                             {"usb-Gone", 2, "/dev/serial/by-id/usb-Gone"},
                             {"Com7", 5, "Com7"},
                             {"Shop Ethernet", 3, ""},
                             {"Bench USB", 4, ""},
                         }));

    // The entry of the chosen motor's port, its place in the motor list; none: the first entry.
    const struct {
        CMotor* motor;
        int portEntry, motorEntry;
    } cases[] = {{nullptr, 0, -1}, {onCom3, 1, 0}, {onUsbSerial, 2, 1}, {project[5]->motors.GetAt(0), 6, 0}};
    for (const auto& c : cases) {
        form->SelectMotor(c.motor);
        EXPECT_EQ(form->SelectedPort(), c.portEntry) << c.portEntry;
        EXPECT_EQ(form->SelectedMotor(), c.motorEntry) << c.portEntry;
        EXPECT_EQ(form->Motor(), c.motor);
    }
    // Without a motor the device asked for is chosen (its project port's motors listed), a device
    // not listed or none at all gives the first entry; a motor's port comes before all of them.
    const struct {
        CMotor* motor;
        const char* device;
        int portEntry;
    } preferred[] = {{nullptr, "/dev/pts/99", 3},    {nullptr, "/DEV/TTYUSB0", 2}, {nullptr, "/dev/pts/7", 0},
                     {nullptr, "", 0},               {onCom3, "/dev/pts/99", 1}};
    for (const auto& c : preferred) {
        form->SelectMotor(c.motor);
        form->FillPortList(Ports(), nullptr, c.device);
        EXPECT_EQ(form->SelectedPort(), c.portEntry) << c.device;
        EXPECT_EQ(form->Motor(), c.portEntry == 2 ? project[1]->motors.GetAt(0) : c.motor) << c.device;
    }
    // A machine entry without a project port lists no motors and chooses none.
    form->OnPortSelected(EntryOf("pts/99"));
    EXPECT_TRUE(form->MotorEntries().empty());
    EXPECT_EQ(form->Motor(), nullptr);
}

TEST_F(PlaygroundPorts, ConfigurePortMakesEditsOrDropsThePort)
{
    AddPort("Com3", COMM_RS232, 1);
    Make();
    const size_t before = project.size();

    // Cancel: the new port is made for the entry, shown to the dialog, and goes again.
    form->OnPortSelected(EntryOf("pts/99"));
    answerOk = false;
    form->OnConfigurePort();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_TRUE(edits[0].isNew);
    EXPECT_EQ(edits[0].portName, "/dev/pts/99");
    EXPECT_EQ(edits[0].name, "pts/99");
    EXPECT_EQ(project.size(), before);
    EXPECT_EQ(form->PortEntries()[size_t(EntryOf("pts/99"))].data, -1);

    // OK: appended; its entry now stands for it and stays chosen.
    answerOk = true;
    form->OnConfigurePort();
    ASSERT_EQ(project.size(), before + 1);
    EXPECT_EQ(project.back()->PortName, "/dev/pts/99");
    EXPECT_EQ(form->PortEntries()[size_t(EntryOf("pts/99"))].data, int(before));
    EXPECT_EQ(form->SelectedPort(), EntryOf("pts/99"));

    // An existing port is edited in place, its motor found again.
    form->SelectMotor(project[0]->motors.GetAt(0));
    form->OnConfigurePort();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_FALSE(edits[2].isNew);
    EXPECT_EQ(edits[2].port, project[0].get());
    EXPECT_EQ(project.size(), before + 1);
    EXPECT_EQ(form->Motor(), project[0]->motors.GetAt(0));
    EXPECT_EQ(form->SelectedPort(), EntryOf("Com3"));
}

TEST_F(PlaygroundPorts, DetectOnAMissingPortKeepsItOnlyWithMotors)
{
    AddPort("Com3");
    Make();
    form->OnPortSelected(EntryOf("Com1"));
    std::vector<uint32_t> requests;
    int found = 0;
    auto detect = [&](CCommPort& port, uint32_t request) -> uint32_t {
        requests.push_back(request);
        EXPECT_EQ(port.PortName, "Com1");
        for (int a = 1; a <= found; ++a)
            AddMotor(port, a);
        return found ? commerror::kAnswerWorks : 0u;
    };
    form->OnDetectMotors(detect, true);
    EXPECT_EQ(project.size(), 1u);
    EXPECT_EQ(form->Motor(), nullptr);

    found = 2;
    form->OnPortSelected(EntryOf("Com1"));
    form->OnDetectMotors(detect, false);
    EXPECT_EQ(requests, (std::vector<uint32_t>{commerror::kDetectTakeAsFound, commerror::kDetectPort}));
    ASSERT_EQ(project.size(), 2u);
    EXPECT_EQ(form->Motor(), project[1]->motors.GetAt(0));
    EXPECT_EQ(form->PortEntries()[size_t(form->SelectedPort())].data, 1);
    EXPECT_EQ(form->MotorEntries().size(), 2u);
    EXPECT_TRUE(form->Connected());
}

TEST_F(PlaygroundPorts, ThirtyPortsRefuseAnother)
{
    for (int i = 0; i < 30; ++i)
        AddPort("/dev/ttyX" + std::to_string(i));
    Make();
    bool detected = false;
    for (int round = 0; round < 2; ++round) {
        form->OnPortSelected(EntryOf("Com1"));
        if (round == 0)
            form->OnConfigurePort();
        else
            form->OnDetectMotors([&](CCommPort&, uint32_t) { return detected = true, 0u; }, false);
        ASSERT_EQ(questions.AskedQuestions().size(), size_t(round + 1));
        const auto& box = questions.AskedQuestions().back().message;
        EXPECT_EQ(box.text, "Cannot add more channels.");
        EXPECT_NE(box.style & ui::MB_ICONERROR, 0u);
    }
    EXPECT_TRUE(edits.empty());
    EXPECT_FALSE(detected);
    EXPECT_EQ(project.size(), 30u);
}

} // namespace
