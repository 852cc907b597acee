#pragma once
// A port of Ethernet or USB motors for tests: the motors' links stand in a plain list with their
// addresses, and its operation context gives short timeouts and records the traffic.

#include "core/port/CommPort.h"
#include "tests/common/CodeOf.h"
#include "core/port/MotorLink.h"
#include "core/ui/OperationContext.h"
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

// Short timeouts and a recording traffic log.
struct ShortTimeoutContext {
    ShortTimeoutContext()
    {
        COptions& o = context.Options();
        o.CalTimeouts = false;
        o.EchoTimeout = 20;
        o.ResponseTimeout = 150;
        o.NetworkDelay = 0;
        context.SetTrafficLog(&log);
    }
    RecordingTrafficLog log;
    ui::COperationContext context;
};

struct PortWithLinks {
    ShortTimeoutContext policy;
    LinkList motors;
    CCommPort port;

    explicit PortWithLinks(uint8_t commType)
    {
        port.CommType = commType;
        port.id = 2;
        port.SetContext(&policy.context);
        port.SetMotorLinks(&motors);
    }
    ~PortWithLinks() { port.ClosePort(); }
};
