// Discovery datagrams and the set-address request of Ethernet motors.
#include "core/detect/NetDetection.h"

#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "platform/clock/Clock.h"
#include "platform/net/NetSettings.h"
#include "platform/net/Socket.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace net = platform::net;

namespace {

constexpr size_t kReplySize = 30;
constexpr size_t kMaxRecords = 100;
constexpr int kPollMs = 100;
constexpr int kEmptyPolls = 10;
// However many foreign datagrams arrive, the collection ends after this.
constexpr auto kDiscoveryDeadline = std::chrono::seconds(5);
constexpr int kMaxDatagrams = 4096;

uint32_t BroadcastAddress()
{
    uint32_t address = 0xFFFFFFFFu;
    net::ParseIPv4(net::GetNetSettings().broadcastAddress, address);
    return address;
}

net::Socket OpenDiscoverySocket()
{
    const net::NetSettings s = net::GetNetSettings();
    return net::UdpOpen(s.udpLocalAddress, s.udpLocalPort, true);
}

bool Broadcast(const net::Socket& socket, const std::vector<uint8_t>& datagram)
{
    return net::UdpSendTo(socket.Fd(), datagram.data(), datagram.size(), BroadcastAddress(),
                          net::GetNetSettings().udpPort);
}

// Reads datagrams and hands each to take until take returns true (the result is then true), ten
// polls have come back empty, or the deadline or the datagram limit is reached, whichever is
// first: a flood of foreign datagrams never holds the caller. A poll takes what is waiting at once;
// when nothing is, it counts as empty (onEmpty gets the count) and 100 ms pass before the next.
// Those 100 ms are spent listening, so that datagrams arriving meanwhile are taken in turn; they
// neither shorten the pause nor keep the next poll from counting when it finds nothing. onPoll
// gets the empty polls so far before each poll.
template <class Take, class OnEmpty, class OnPoll>
bool Collect(const net::Socket& socket, Take&& take, OnEmpty&& onEmpty, OnPoll&& onPoll)
{
    const platform::TimePoint deadline = platform::Now() + kDiscoveryDeadline;
    int empty = 0;
    int datagrams = 0;
    uint8_t buffer[200];
    // Reads one datagram waiting up to waitMs; true when the search is over.
    bool found = false;
    auto readOne = [&](int waitMs) {
        const net::Datagram got = net::UdpReceiveFrom(socket.Fd(), buffer, sizeof buffer, waitMs);
        if (got.status == net::RecvStatus::Data) {
            ++datagrams;
            found = take(buffer, got.count, got.fromAddress);
        }
        return got.status;
    };
    auto limited = [&] { return platform::Now() >= deadline || datagrams >= kMaxDatagrams; };
    while (empty < kEmptyPolls && !limited()) {
        onPoll(empty);
        const net::RecvStatus status = readOne(0);
        if (found)
            return true;
        if (status == net::RecvStatus::Data)
            continue;
        onEmpty(++empty);
        if (status != net::RecvStatus::Timeout) {
            platform::SleepMs(kPollMs);
            continue;
        }
        // The pause is measured on the socket's own (real) time, as its waits are.
        const auto pauseEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollMs);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(pauseEnd - std::chrono::steady_clock::now()).count();
            if (left <= 0 || limited() || readOne(static_cast<int>(left)) != net::RecvStatus::Data)
                break;
            if (found)
                return true;
        }
    }
    return false;
}

} // namespace

std::string NetMotorRecord::Address() const
{
    char text[20];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
    return text;
}

std::vector<uint8_t> DiscoveryQuery() { return {0x00, 0x00, 0x00, 0xF6}; }

std::vector<uint8_t> SetAddressRequest(const NetMotorRecord& record, uint32_t ip)
{
    std::vector<uint8_t> d = {0x00, 0x00, 0x00, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P', 0x00, 0x00};
    d.push_back(record.id[4]);
    d.push_back(record.id[5]);
    for (int shift = 24; shift >= 0; shift -= 8)
        d.push_back(static_cast<uint8_t>(ip >> shift));
    return d;
}

bool ParseDiscoveryReply(const uint8_t* bytes, size_t n, uint32_t from, NetMotorRecord& record)
{
    static const uint8_t kHead[4] = {0x00, 0x00, 0x00, 0xF7};
    if (n != kReplySize || std::memcmp(bytes, kHead, 4) != 0)
        return false;
    for (int i = 0; i < 4; ++i)
        record.ip[i] = static_cast<uint8_t>(from >> (24 - 8 * i));
    std::memcpy(record.id, bytes + 24, 6);
    return true;
}

bool DiscoverNetMotors(ui::COperationContext& context, std::vector<NetMotorRecord>& records, bool showProgress,
                       bool stepBeforeEachPoll)
{
    records.clear();
    // One socket sends the query and hears the replies, so that no reply lands on a socket that
    // is no longer read.
    net::Socket socket = OpenDiscoverySocket();
    if (!socket.IsValid())
        return false;
    if (!Broadcast(socket, DiscoveryQuery()))
        return false;
    Collect(
        socket,
        [&](const uint8_t* bytes, size_t n, uint32_t from) {
            NetMotorRecord record;
            if (records.size() >= kMaxRecords || !ParseDiscoveryReply(bytes, n, from, record))
                return false;
            // An interface that answers twice is still one motor: a second record would open a
            // second connection to it and enter it twice.
            for (const NetMotorRecord& known : records)
                if (std::memcmp(known.id, record.id, sizeof record.id) == 0)
                    return false;
            records.push_back(record);
            return false;
        },
        [&](int empty) {
            if (showProgress && !stepBeforeEachPoll)
                context.Progress().Step(empty);
        },
        [&](int emptySoFar) {
            if (showProgress && stepBeforeEachPoll)
                context.Progress().Step(emptySoFar);
        });
    return true;
}

bool SetNetMotorIP(ui::COperationContext& context, NetMotorRecord& record, const std::string& text)
{
    uint32_t ip = 0;
    if (!net::ParseIPv4(text, ip))
        return false;
    net::Socket socket = OpenDiscoverySocket();
    if (!socket.IsValid())
        return false;
    if (!Broadcast(socket, SetAddressRequest(record, ip)))
        return false;

    {
        // A motor asked to take its address from a server needs longer to come back.
        const int steps = ip == 0 || ip == 0x00000100u ? 400 : 100;
        ui::IProgress& progress = context.Progress();
        ui::CWaitStep wait(progress, std::string("Restarting the Ethernet interface of the motor"), std::string());
        progress.SetCancelVisible(false);
        progress.SetTotal(steps);
        for (int step = 1; step <= steps; ++step) {
            platform::SleepMs(100);
            progress.Step(step);
        }
    }

    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!Broadcast(socket, DiscoveryQuery()))
            return false;
        const bool found = Collect(
            socket,
            [&](const uint8_t* bytes, size_t n, uint32_t from) {
                NetMotorRecord reply;
                if (!ParseDiscoveryReply(bytes, n, from, reply) || reply.id[4] != record.id[4] ||
                    reply.id[5] != record.id[5])
                    return false;
                std::memcpy(record.ip, reply.ip, 4);
                return true;
            },
            [](int) {}, [](int) {});
        if (found)
            return true;
        platform::SleepMs(1000);
    }
    return false;
}
