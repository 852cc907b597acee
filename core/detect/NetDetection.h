#pragma once
// Motors with an Ethernet interface: discovery by UDP broadcast, a TCP connection to each, and the
// questions and the set-address request for a motor that answers but cannot be connected to.

#include <cstdint>
#include <string>
#include <vector>

class CCommPort;
namespace ui {
class COperationContext;
}

// One discovery reply: the sender's IPv4 address (most significant byte first) and the
// interface's 6-byte hardware id.
struct NetMotorRecord {
    uint8_t ip[4] = {};
    uint8_t id[6] = {};
    std::string Address() const; // "%d.%d.%d.%d"
};

// Collects the discovery replies (at most 100); false when a socket cannot be opened. The
// collection ends after ten empty polls, or at an overall deadline that a flood of foreign
// datagrams cannot push back. With showProgress each empty poll is a step of the context's wait
// dialog (its count); with stepBeforeEachPoll every poll is preceded by a step of the empty polls
// so far instead.
bool DiscoverNetMotors(ui::COperationContext& context, std::vector<NetMotorRecord>& records,
                       bool showProgress = false, bool stepBeforeEachPoll = false);

// Result values of DetectionFrame.h. `reference` may be null.
int DetectNetMotors(CCommPort& port, const CCommPort* reference, int flags);
// 0 stop the detection, 1 the address was changed (connect again), 2 ignore the motor, 3 detect
// again. May change the record's address. The questions and the wait dialog are the context's.
int ConfigureNetMotor(ui::COperationContext& context, NetMotorRecord& record);
// Sends the set-address request and waits for the interface to answer again; true when it did
// (the record then holds its new address). A text that is not a dotted IPv4 address is refused
// (false) without sending anything; "0.0.0.0" means "take an address from a server".
bool SetNetMotorIP(ui::COperationContext& context, NetMotorRecord& record, const std::string& text);

// The datagrams.
std::vector<uint8_t> DiscoveryQuery();
std::vector<uint8_t> SetAddressRequest(const NetMotorRecord& record, uint32_t ip);
// A discovery reply (30 bytes, 00 00 00 F7) turned into a record; false for anything else.
bool ParseDiscoveryReply(const uint8_t* bytes, size_t n, uint32_t from, NetMotorRecord& record);
