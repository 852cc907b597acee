// The lock-up recovery loop against a simulated motor whose program makes it deaf, on a line and
// a clock the test drives: what is sent and when, the rate the port keeps, what Close does while
// the loop runs, and which motor Upload and Clear act on.
#include "app/tuning/LockupWizard.h"

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "platform/serial/SerialDevice.h"
#include "scanner/Scanner.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/sim/motor/SimMotor.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace tuning;
using namespace std::chrono;

namespace {

std::string DeafProgram()
{
    CScanner scanner;
    scanner.Scan("PRINT(\"LOCKUP-DEAF\")\nEND\n", "450");
    return scanner.CompiledImage();
}

class LockupLoop : public ::testing::Test, protected HeadlessDetectServices {
protected:
    // One deaf motor at `address`, powered up at 9600 long ago; the port at `portBaud`.
    void Make(int portBaud, int address = 1)
    {
        vqxsim::MotorProfile p;
        p.firmware = "462";
        p.echo[0] = true;
        p.channel[0].baud = 9600;
        p.program = DeafProgram();
        auto profiles = vqxsim::MakeProfiles(1, p, true);
        profiles[0].address = address;
        static int n = 0;
        const std::string line = "lockup-" + std::to_string(++n);
        rig = vqxsim::FakeLineRig::Chain(profiles, line);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, portBaud);
        rig->PowerCycle(0);
        clock.Advance(seconds(2)); // the start window has long passed: the motor is deaf
    }
    // The wizard over the port, with the seams recording what happens; `onRound` runs in the
    // pump of each round of the loop (the user's hand).
    std::unique_ptr<CLockupWizard> Wizard(std::vector<CCommPort*> ports)
    {
        LockupSurroundings s;
        s.pump = [this] {
            ++rounds;
            if (onRound)
                onRound(rounds);
        };
        s.writeByte = [this](CCommPort& p, uint8_t byte) {
            size_t written = 0;
            sent.push_back({clock.Now(), p.BitPerSec});
            return byte == 'E' && p.Device() && p.Device()->Write(&byte, 1, written) && written == 1;
        };
        s.detectPort = [this](CCommPort& p) {
            detectedAt = clock.Now();
            detectBaud = p.BitPerSec;
            if (!motorAnswers)
                return false;
            p.ClearBuffer();
            p.SelectMotor(-1); // detection starts with an address byte
            try {
                p.Query("RSP", address);
            } catch (const CVQXException&) {
                return false;
            }
            // As detection leaves it: the port lists the motor found.
            auto* m = new CMotor;
            m->Address = address;
            m->Version = "462";
            m->SetPort(&p);
            p.motors.Add(m);
            p.RebuildAddressTable();
            return true;
        };
        s.uploadProgram = [this](CMotor& m) { actedOn.push_back("upload " + m.Name); };
        s.clearEEPROM = [this](CMotor& m) {
            actedOn.push_back("clear " + m.Name);
            return true;
        };
        CCommPort* current = ports.empty() ? nullptr : ports.front();
        return std::make_unique<CLockupWizard>(std::move(ports), current, clock, questions, s);
    }
    bool Answers(int baud)
    {
        try {
            port->Reopen(baud, -1);
            port->ClearBuffer();
            return !port->Query("RSP", address).empty();
        } catch (const CVQXException&) {
            return false;
        }
    }

    TestProfile profile;
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    std::function<void(int round)> onRound;
    int rounds = 0;
    int address = 1;
    bool motorAnswers = true;
    struct Sent {
        platform::TimePoint at;
        int baud;
    };
    std::vector<Sent> sent;
    platform::TimePoint detectedAt{};
    int detectBaud = 0;
    std::vector<std::string> actedOn;
};

TEST_F(LockupLoop, PowerUpWhileSendingRecoversTheMotorAndGivesThePortItsRateBack)
{
    struct Case {
        int portBaud;
        int address;
    } cases[] = {{9600, 1}, {38400, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.portBaud);
        sent.clear();
        actedOn.clear();
        rounds = 0;
        address = c.address;
        Make(c.portBaud, c.address);
        ASSERT_FALSE(Answers(9600)) << "the program makes the motor deaf";
        port->ClosePort();
        port->BitPerSec = c.portBaud;
        auto wizard = Wizard({port.get()});
        ASSERT_TRUE(wizard->ContinueEnabled());
        platform::TimePoint continuedAt{};
        onRound = [&](int round) {
            if (round == 3)
                rig->PowerCycle(0); // the user switches the motor on
            if (round == 5) {
                continuedAt = clock.Now();
                wizard->OnContinue(); // ... and presses Continue again
                EXPECT_FALSE(wizard->ContinueVisible());
            }
        };
        wizard->OnContinue();
        EXPECT_EQ(wizard->Text(), lockup::kContactText);
        EXPECT_TRUE(wizard->ContactButtonsVisible());
        EXPECT_FALSE(wizard->Running());
        EXPECT_FALSE(wizard->Finished());
        // "E" every 50 ms at 9600, for 1500 ms more after Continue, then a pause of 1000 ms.
        ASSERT_GE(sent.size(), 30u);
        for (size_t i = 1; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i].at - sent[i - 1].at, milliseconds(50)) << i;
            EXPECT_EQ(sent[i].baud, 9600);
        }
        EXPECT_GT(sent.back().at - continuedAt, milliseconds(1500));
        EXPECT_LE(sent.back().at - continuedAt, milliseconds(1550));
        // (the rate goes back in between: its command takes a few milliseconds on the line)
        EXPECT_GE(detectedAt - sent.back().at, milliseconds(1000));
        EXPECT_LT(detectedAt - sent.back().at, milliseconds(1100));
        EXPECT_EQ(detectBaud, c.portBaud) << "detection runs at the port's own rate";
        EXPECT_EQ(port->BitPerSec, c.portBaud);
        EXPECT_FALSE(rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.ProgramRunning(); }));
        // Upload and Clear act on the motor detection found, named by its address.
        EXPECT_EQ(wizard->ContactAddress(), c.address);
        wizard->OnUpload();
        wizard->OnClear();
        const std::string name = "Motor Address=" + std::to_string(c.address) + " in port \"Line\"";
        EXPECT_EQ(actedOn, (std::vector<std::string>{"upload " + name, "clear " + name}));
        port->ClosePort();
        port.reset();
        rig.reset();
    }
}

TEST_F(LockupLoop, FailuresAndCloseDuringTheLoop)
{
    // No motor found: the error text, Continue offered again, the rate given back.
    Make(38400);
    motorAnswers = false;
    auto wizard = Wizard({port.get()});
    onRound = [&](int round) {
        if (round == 2)
            wizard->OnContinue();
    };
    wizard->OnContinue();
    EXPECT_NE(wizard->Text().find("Error: No motor was found!"), std::string::npos) << wizard->Text();
    EXPECT_TRUE(wizard->ContinueVisible());
    EXPECT_TRUE(wizard->ComboEnabled());
    EXPECT_EQ(port->BitPerSec, 38400);
    EXPECT_FALSE(wizard->Finished());

    // Close while sending: the loop stops at its next round with "Stopped!", and only then may
    // the window go; the port's rate is back.
    sent.clear();
    rounds = 0;
    onRound = [&](int round) {
        if (round == 4) {
            wizard->OnClose();
            EXPECT_FALSE(wizard->Finished()) << "the loop is still on the stack";
        }
    };
    wizard->OnContinue();
    EXPECT_NE(wizard->Text().find("Error: Stopped!"), std::string::npos);
    EXPECT_EQ(sent.size(), 4u);
    EXPECT_TRUE(wizard->Finished());
    EXPECT_FALSE(wizard->Running());
    EXPECT_EQ(port->BitPerSec, 38400);
    EXPECT_TRUE(questions.AskedQuestions().empty()) << "Close during the loop asks nothing";
}

TEST_F(LockupLoop, OffersOnlySerialPortsAndNothingWithoutOne)
{
    Make(9600);
    CCommPort ethernet;
    ethernet.CommType = COMM_ETHERNET;
    ethernet.Name = "Net";
    CCommPort rs485;
    rs485.CommType = COMM_RS485;
    rs485.Name = "Bus";
    auto wizard = Wizard({&ethernet, port.get(), &rs485});
    EXPECT_EQ(wizard->PortNames(), (std::vector<std::string>{"Line", "Bus"}));
    EXPECT_EQ(wizard->Selected(), 0);

    auto none = Wizard({&ethernet});
    EXPECT_TRUE(none->PortNames().empty());
    EXPECT_FALSE(none->ContinueEnabled());
    none->OnContinue();
    EXPECT_TRUE(sent.empty()) << "nothing sent without a port";
    EXPECT_EQ(none->Text(), lockup::kWelcomeText);
    none->OnClose();
    EXPECT_TRUE(none->Finished());
}

} // namespace
