// Ethernet and USB ports: the port hands whole frames to each motor's own link.
#include "core/VQXException.h"
#include "tests/core/port/FakePort.h"
#include "tests/common/CodeOf.h"

#include <cstring>
#include <string>

namespace {

struct ScriptedLink : IMotorLink {
    bool reachable = true;
    bool connected = false;
    bool failRead = false;
    std::string reply;
    std::vector<std::string> frames;
    int drains = 0;
    bool Connect(int) override { return connected = reachable; }
    void Disconnect() override { connected = false; }
    void Drain() override { ++drains; }
    void WriteFrame(const uint8_t* f, size_t n) override { frames.emplace_back(reinterpret_cast<const char*>(f), n); }
    void WriteBytes(const uint8_t* f, size_t n) override { frames.emplace_back(reinterpret_cast<const char*>(f), n); }
    size_t ReadReply(char* buffer, size_t size, int) override
    {
        if (failRead || reply.empty())
            throw CVQXException(CVQXException::NoResponse);
        const size_t n = std::min(reply.size(), size - 1);
        std::memcpy(buffer, reply.data(), n);
        buffer[n] = 0;
        return n;
    }
    std::string raw; // bytes a raw read takes
    std::vector<int> waits; // the time-out of each raw read
    size_t Read(uint8_t* buffer, size_t n, int timeoutMs) override
    {
        waits.push_back(timeoutMs);
        n = std::min(n, raw.size());
        std::memcpy(buffer, raw.data(), n);
        raw.erase(0, n);
        return n;
    }
};

struct Motors : IPortMotors {
    std::vector<int> addresses;
    std::vector<ScriptedLink> links;
    std::vector<bool> available;
    int Count() const override { return static_cast<int>(links.size()); }
    IMotorLink* LinkAt(int i) override { return &links[i]; }
    int IndexOfAddress(int address) const override
    {
        for (size_t i = 0; i < addresses.size(); ++i)
            if (addresses[i] == address)
                return static_cast<int>(i);
        return -1;
    }
    bool IsAvailable(int i) const override { return available[i]; }
    void SetAvailable(int i, bool a) override { available[i] = a; }
    void Add(int address, std::string reply)
    {
        addresses.push_back(address);
        links.emplace_back();
        links.back().reply = std::move(reply);
        available.push_back(false);
    }
};

// Three motors at addresses 1..3 (replies "11", "22", "33") on an open port of the type.
struct ThreeLinks {
    explicit ThreeLinks(uint8_t type)
    {
        for (int a = 1; a <= 3; ++a)
            motors.Add(a, std::to_string(11 * a));
        port.CommType = type;
        port.MaxMotors = 3;
        port.SetMotorLinks(&motors);
        port.OpenPort();
    }
    Motors motors;
    CCommPort port;
};

} // namespace

TEST(CommPortLinks, PortWithoutMotorsOpensOnItsOwnList)
{
    for (uint8_t type : {COMM_ETHERNET, COMM_USB}) {
        CCommPort port;
        port.CommType = type;
        EXPECT_EQ(port.MotorLinks(), &port.motors);
        EXPECT_TRUE(port.OpenPort());
        EXPECT_EQ(port.isOpen, 1);
        EXPECT_EQ(port.MotorCount(), 0);
        port.ClosePort();
    }
}

TEST(CommPortLinks, OpenConnectsEachMotor)
{
    Motors motors;
    CCommPort port;
    port.CommType = COMM_ETHERNET;
    port.SetMotorLinks(&motors);
    EXPECT_TRUE(port.OpenPort()); // no motors: open all the same
    EXPECT_EQ(port.Echo, 0);
    port.ClosePort();

    motors.Add(1, "a");
    motors.Add(2, "b");
    motors.links[1].reachable = false;
    EXPECT_TRUE(port.OpenPort());
    EXPECT_TRUE(motors.available[0]);
    EXPECT_FALSE(motors.available[1]);
    EXPECT_EQ(motors.links[0].drains, 1);
    port.ClosePort();
    EXPECT_FALSE(motors.links[0].connected);

    motors.links[0].reachable = false;
    port.CommType = COMM_USB;
    EXPECT_EQ(CodeOf([&] { port.OpenPort(); }), CVQXException::NoUSBMotor);
    EXPECT_EQ(port.isOpen, 0);
}

TEST(CommPortLinks, FramesGoToTheAddressedMotor)
{
    ThreeLinks three(COMM_ETHERNET);
    auto& [motors, port] = three;

    EXPECT_EQ(port.Query("2RP", -1, true), "22");
    ASSERT_EQ(motors.links[1].frames.size(), 1u);
    EXPECT_EQ(motors.links[1].frames[0], std::string("\x80RP ", 4));
    // The current motor takes address -1.
    EXPECT_EQ(port.Query("RV", -1, true), "22");

    // All motors: replies joined by CR, a motor that fails is left out.
    motors.links[1].failRead = true;
    EXPECT_EQ(port.Query("0RP", -1, true), "11\r33");
    for (auto& link : motors.links)
        link.failRead = true;
    EXPECT_EQ(CodeOf([&] { port.Query("0RP", -1, true); }), CVQXException::NoResponse);

    // A motor that is missing or unreachable never "answers" with an empty text.
    motors.available[2] = false;
    EXPECT_EQ(CodeOf([&] { port.Query("3RP", -1, true); }), CVQXException::NoResponse);
    const size_t before = motors.links[2].frames.size();
    port.WriteCommand("3MP", -1, true);
    EXPECT_EQ(motors.links[2].frames.size(), before);
    // Addresses past the port's table are refused.
    EXPECT_EQ(CodeOf([&] { port.Query("4RP", -1, true); }), CVQXException::InvalidData);
}

TEST(CommPortLinks, RawBytesOfOneMotorComeFromItsOwnLink)
{
    ThreeLinks three(COMM_USB);
    auto& [motors, port] = three;
    const std::string status("\xF9\x93\x00\x01\x0D", 5);
    struct Case {
        int address;     // asked for
        int current;     // the port's current motor
        std::string raw[3];
        size_t count;
        std::string read; // what the read gives
        int code;         // 0, or the failure
        std::string left[3];
    };
    const Case cases[] = {
        // Another motor's stray bytes are neither taken nor waited for.
        {2, 1, {"xx", status, ""}, 5, status, 0, {"xx", "", ""}},
        {-1, 3, {"xx", "", status + "y"}, 5, status, 0, {"xx", "", "y"}},
        // A short reply is no reply.
        {2, 1, {"", "\xF9\x93", ""}, 5, "\xF9\x93", CVQXException::NoResponse, {"", "", ""}},
        // Address 0: every motor in list order, as a plain read.
        {0, 2, {"ab", "cd", "ef"}, 5, "abcde", 0, {"", "", "f"}},
        // Nobody at the address.
        {7, 1, {"", "zz", ""}, 2, "", CVQXException::InvalidData, {"", "zz", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        for (int i = 0; i < 3; ++i) {
            motors.links[size_t(i)].raw = c.raw[i];
            motors.available[size_t(i)] = true;
        }
        port.currentAddress = c.current;
        uint8_t buffer[8] = {};
        size_t got = 99;
        EXPECT_EQ(CodeOf([&] { port.ReadBytesOf(c.address, buffer, c.count, got, -1); }), c.code);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), c.read);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(motors.links[size_t(i)].raw, c.left[i]) << i;
    }
    // A motor that is not reachable does not answer.
    motors.available[1] = false;
    motors.links[1].raw = status;
    uint8_t buffer[8];
    size_t got = 0;
    EXPECT_EQ(CodeOf([&] { port.ReadBytesOf(2, buffer, 5, got, -1); }), CVQXException::NoResponse);
    EXPECT_EQ(motors.links[1].raw, status);
}

// Reading from every motor: the program waits on each silent one; a policy may wait only on the
// first one that keeps the reader waiting and take what the others already have.
TEST(CommPortLinks, ReadingFromEveryMotorWaitsAsThePolicySays)
{
    struct FirstSilentOnly : CPortPolicy {
        bool WaitsOnFirstSilentLinkOnly() const override { return true; }
    } firstOnly;
    struct Case {
        CPortPolicy* policy;
        std::string raw[3];
        size_t count;
        std::string read;
        std::vector<int> waits[3];
    };
    const Case cases[] = {
        {nullptr, {"", "", "ab"}, 2, "ab", {{300}, {300}, {300}}},
        {&firstOnly, {"", "", "ab"}, 2, "ab", {{300}, {0}, {0}}},
        {&firstOnly, {"a", "b", "c"}, 3, "abc", {{300}, {0}, {0}}},
        // Whoever fills the count first ends the read: no one after it is asked.
        {&firstOnly, {"abc", "x", ""}, 3, "abc", {{300}, {}, {}}},
    };
    for (const Case& c : cases) {
        ThreeLinks three(COMM_ETHERNET);
        auto& [motors, port] = three;
        port.SetPolicy(c.policy);
        for (size_t i = 0; i < 3; ++i) {
            motors.links[i].raw = c.raw[i];
            motors.available[i] = true;
        }
        uint8_t buffer[8] = {};
        size_t got = 0;
        const int code = CodeOf([&] { port.ReadBytes(buffer, c.count, got, 300); });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), c.read);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(motors.links[i].waits, c.waits[i]) << i;
    }
}

TEST(CommPortLinks, ClosingReleasesWhatWasOpenedWhateverTheTypeIsNow)
{
    // Opened over the network, then switched to a serial type before closing.
    Motors motors;
    motors.Add(1, "11");
    CCommPort port;
    port.CommType = COMM_ETHERNET;
    port.SetMotorLinks(&motors);
    port.OpenPort();
    ASSERT_TRUE(motors.links[0].connected);
    port.CommType = COMM_RS232;
    EXPECT_TRUE(port.ClosePort());
    EXPECT_FALSE(motors.links[0].connected);
}

TEST_F(FakePortTest, ClosingReleasesTheSerialLineWhateverTheTypeIsNow)
{
    // A serial line left open while the type switched to Ethernet (the line is not touched by the
    // switch) is released by the close, so that the port can open it again later.
    Motors motors;
    port->SetMotorLinks(&motors);
    Open();
    port->CommType = COMM_ETHERNET;
    port->ClosePort();
    EXPECT_FALSE(line->HostIsOpen());
    EXPECT_EQ(port->handle, -1);
    port->CommType = COMM_RS232;
    EXPECT_NO_THROW(port->OpenPort());
    EXPECT_TRUE(line->HostIsOpen());
}

TEST(CommPortLinks, APortOutsideAProjectGivesItsLinksNoAnalyzerPage)
{
    // A link marks line continuation on the page it was given, as the port's own writes do.
    struct MarkingLink : ScriptedLink {
        ITrafficLog* log = nullptr;
        int page = -99;
        void SetTrafficLog(ITrafficLog* l, int p) override
        {
            log = l;
            page = p;
        }
        void WriteFrame(const uint8_t* f, size_t n) override
        {
            if (log)
                log->SetPageFlags(page, SDA_CONTINUES, true);
            ScriptedLink::WriteFrame(f, n);
        }
    };
    struct OneMotor : IPortMotors {
        MarkingLink link;
        bool available = false;
        int Count() const override { return 1; }
        IMotorLink* LinkAt(int) override { return &link; }
        int IndexOfAddress(int address) const override { return address == 1 ? 0 : -1; }
        bool IsAvailable(int) const override { return available; }
        void SetAvailable(int, bool a) override { available = a; }
    } motors;
    motors.link.reply = "1";

    CSerialDataAnalyzer analyzer;
    ui::COperationContext context;
    context.SetTrafficLog(&analyzer);
    CCommPort port;
    port.SetContext(&context);
    port.CommType = COMM_ETHERNET;
    port.MaxMotors = 1;
    port.SetMotorLinks(&motors);
    ASSERT_EQ(port.id, -1);
    port.OpenPort();
    port.WriteCommand("1RP", -1, true);
    // Page -1 would mean every page: the pages of the project's ports stay untouched.
    for (int page = 0; page < SDA_PAGES; ++page)
        EXPECT_EQ(analyzer.Page(page).tagWord, 0u) << page;

    // A port in a project hands its page on.
    port.id = 4;
    port.OpenPort();
    EXPECT_EQ(motors.link.page, 4);
    EXPECT_EQ(motors.link.log, &analyzer);
}
