#pragma once
// A port of Ethernet or USB motors for tests: the motors' links stand in a plain list with their
// addresses, and a policy gives short timeouts and records the traffic.

#include "core/port/CommPort.h"
#include "tests/core/backends/CodeOf.h"
#include "core/port/MotorLink.h"
#include "core/port/PortPolicy.h"
#include "core/settings/Options.h"
#include "tests/core/backends/RecordingTrafficLog.h"

#include <vector>

struct LinkList : IPortMotors {
    struct Entry {
        int address;
        IMotorLink* link;
        bool available = false;
    };
    std::vector<Entry> entries;

    void Add(int address, IMotorLink* link) { entries.push_back({address, link}); }
    int Count() const override { return static_cast<int>(entries.size()); }
    IMotorLink* LinkAt(int index) override { return entries[static_cast<size_t>(index)].link; }
    int IndexOfAddress(int address) const override
    {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].address == address)
                return static_cast<int>(i);
        return -1;
    }
    bool IsAvailable(int index) const override { return entries[static_cast<size_t>(index)].available; }
    void SetAvailable(int index, bool available) override { entries[static_cast<size_t>(index)].available = available; }
};

struct ShortTimeoutPolicy : CPortPolicy {
    COptions options = [] {
        COptions o;
        o.CalTimeouts = false;
        o.EchoTimeout = 20;
        o.ResponseTimeout = 150;
        o.NetworkDelay = 0;
        return o;
    }();
    mutable RecordingTrafficLog log;
    ITrafficLog* Analyzer() const override { return &log; }
    const COptions& Settings() const override { return options; }
};

struct PortWithLinks {
    ShortTimeoutPolicy policy;
    LinkList motors;
    CCommPort port;

    explicit PortWithLinks(uint8_t commType)
    {
        port.CommType = commType;
        port.id = 2;
        port.SetPolicy(&policy);
        port.SetMotorLinks(&motors);
    }
    ~PortWithLinks() { port.ClosePort(); }
};
