// Ethernet and USB ports: the port hands whole frames to each motor's own link.
#include "core/VQXException.h"
#include "tests/core/port/FakePort.h"

#include <cstring>

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
    size_t Read(uint8_t*, size_t, int) override { return 0; }
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

} // namespace

TEST(CommPortLinks, RefusedWithoutBackEnds)
{
    CCommPort port;
    port.CommType = COMM_ETHERNET;
    EXPECT_VQX_CODE(port.OpenPort(), CVQXException::NetworkError);
    EXPECT_EQ(port.isOpen, 0);
    port.CommType = COMM_USB;
    EXPECT_VQX_CODE(port.OpenPort(), CVQXException::NoUSBMotor);
    EXPECT_EQ(port.isOpen, 0);
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
    EXPECT_VQX_CODE(port.OpenPort(), CVQXException::NoUSBMotor);
    EXPECT_EQ(port.isOpen, 0);
}

TEST(CommPortLinks, FramesGoToTheAddressedMotor)
{
    Motors motors;
    motors.Add(1, "11");
    motors.Add(2, "22");
    motors.Add(3, "33");
    CCommPort port;
    port.CommType = COMM_ETHERNET;
    port.MaxMotors = 3;
    port.SetMotorLinks(&motors);
    port.OpenPort();

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
    EXPECT_VQX_CODE(port.Query("0RP", -1, true), CVQXException::NoResponse);

    // A motor that is missing or unreachable never "answers" with an empty text.
    motors.available[2] = false;
    EXPECT_VQX_CODE(port.Query("3RP", -1, true), CVQXException::NoResponse);
    const size_t before = motors.links[2].frames.size();
    port.WriteCommand("3MP", -1, true);
    EXPECT_EQ(motors.links[2].frames.size(), before);
    // Addresses past the port's table are refused.
    EXPECT_VQX_CODE(port.Query("4RP", -1, true), CVQXException::InvalidData);
}
