// RS-485 rate synchronisation and self-addressing of 5-series motors by their serial numbers.
#include "core/detect/RS485Bus.h"

#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/DetectionRun.h"
#include "core/motor/Motor.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSyncRates[] = {38400, 19200, 9600, 4800, 2400};
constexpr uint32_t kLastDivisor = 0x80000000u; // all 31 bits of the serial number used

void ShowError(CCommPort& port, const char* text)
{
    ui::OptionMessageBox(port.Context().Questions(), text, ui::MB_ICONERROR);
}

bool AllDigits(const char* text, bool minusToo)
{
    if (*text == 0)
        return false;
    for (const char* c = text; *c; ++c)
        if (!std::isdigit(static_cast<unsigned char>(*c)) && !(minusToo && *c == '-'))
            return false;
    return true;
}

// A well-formed identity reply: digits, "/" at index 5 or later, and a three-character version.
bool WellFormedIdentity(const std::string& reply)
{
    const size_t slash = reply.find('/');
    if (slash == std::string::npos || slash < 5 || reply.size() < 9)
        return false;
    return AllDigits(reply.substr(0, slash).c_str(), false);
}

enum class Entry { Entered, Collision, Abort };

// The motor alone at temporary address a, with serial number n, takes its final address.
Entry EnterAlone(CCommPort& port, int first, int a, int32_t n, uint8_t used[65])
{
    int final = a;
    if (first != 1) {
        final = 0;
        for (int k = 1; k <= 64 && final == 0; ++k)
            if (!used[k])
                final = k;
        if (final == 0) {
            ShowError(port, "More than 64 motors in bus.");
            return Entry::Abort;
        }
    }
    auto motor = std::make_unique<CMotor>();
    motor->Address = final;
    motor->Name = DetectedMotorName(final, port);
    motor->SetPort(&port);
    motor->SamplePeriod = 0; // an identity reply that cannot be read must not pass for one
    try {
        port.WriteCommand(FormatNumber("ADDR=%lld", final), a);
        motor->ReadVersion();
        if (motor->SamplePeriod < 0.1)
            throw CVQXException(CVQXException::InvalidData);
    } catch (const CVQXException&) {
        try {
            motor->SendCommand(FormatNumber("ADDR=%lld", a));
        } catch (const CVQXException&) {
        }
        return Entry::Collision;
    }
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        if (port.motors.GetAt(i)->SerialNumber == static_cast<uint32_t>(n)) {
            ShowError(port, "Duplicate Serial Numbers.");
            return Entry::Abort;
        }
    }
    CMotor* entered = EnterDetectedMotor(port, final, std::move(motor));
    entered->IsAvailable = true;
    used[final] = 1;
    return Entry::Entered;
}

// Moves the motors above the count, each once, to the lowest free address, keeping the address
// table in step; then puts the list in address order.
void PackAddresses(CCommPort& port, uint8_t used[65])
{
    const int count = port.motors.GetCount();
    for (int i = 0; i < count; ++i) {
        CMotor* motor = port.motors.GetAt(i);
        if (motor->Address <= count)
            continue;
        int j = 1;
        while (j <= count && used[j])
            ++j;
        if (j > count)
            break;
        const int old = motor->Address;
        motor->SendCommand(FormatNumber("ADDR=%lld", j));
        MoveDetectedMotor(port, motor, j);
        if (old >= 1 && old <= 64)
            used[old] = 0;
        used[j] = 1;
    }
    for (int i = 1; i <= count; ++i)
        if (CMotor* m = port.GetMotor(i))
            SwapListPositions(port, m->GetListIndex(), i - 1);
}

} // namespace

void SyncRS485BaudRates(CCommPort& port)
{
    if (port.CommType != COMM_RS485)
        return;
    const int remembered = port.BitPerSec;
    const bool ch1 = port.MotorChannel == 1;
    port.Echo = 0;
    for (int rate : kSyncRates) {
        try {
            port.BitPerSec = rate;
            port.OpenPort();
            port.WriteCommand(ch1 ? "WAKE1" : "WAKE", 0);
            port.WriteCommand(ch1 ? "WAKE1" : "WAKE", 0);
            port.WriteCommand(ch1 ? "ECHO_OFF1" : "ECHO_OFF", 0);
            port.WriteCommand("IFX", 0);
            port.WriteCommand(ch1 ? "WAKE1" : "WAKE", 0);
            port.SetMotorsBaudRate(remembered);
        } catch (const CVQXException&) {
        }
    }
    if (port.BitPerSec != remembered || !port.isOpen) {
        port.BitPerSec = remembered;
        try {
            port.OpenPort();
        } catch (const CVQXException&) {
        }
    }
}

void DetectRS485(CCommPort& port)
{
    if (port.CommType != COMM_RS485)
        return;
    CDetectionProgress progress(port.Context().Progress(), true);
    progress.Open(WithPortName("Detecting Quintalocs/Tessaraxons on RS-485 bus: \"%s\"", port), {}, false);
    progress.Total(64);
    EmptyMotorList(port);
    SyncRS485BaudRates(port);
    port.AllVer5s = 1;
    uint8_t used[65] = {};
    try {
        if (!port.isOpen)
            port.OpenPort();
        port.ClearBuffer();
        const bool ch1 = port.MotorChannel == 1;
        port.WriteCommand(ch1 ? "ECHO_OFF1" : "ECHO_OFF", 0);
        port.WriteCommand(ch1 ? "WAKE1" : "WAKE", 0);
        for (const char* c : {"IFX", "EPTR=32256", "VLD(dd,1)", "LSA", "ff=dd&63", "ADDR=ff+1"})
            port.WriteCommand(c, 0);
        if (!ResolveCollisions(port, 1, 64, 64, used))
            EmptyMotorList(port);
    } catch (const CVQXException&) {
        // The motors found so far stay.
    }
    progress.Close();
    port.ClosePort();
}

bool ResolveCollisions(CCommPort& port, int first, int last, uint32_t divisor, uint8_t used[65])
{
    CDetectionProgress progress(port.Context().Progress(), port.Context().Progress().IsShown());
    if (first != 1)
        progress.SubText("Resolving collisions...");
    std::vector<int> collisions;
    for (int a = first; a <= last; ++a) {
        char reply[REPLY_BUFFER_SIZE + 1] = {};
        int32_t n = 0;
        bool step3 = false;
        try {
            port.ClearBuffer();
            port.Query("Rdd", reply, sizeof reply, a);
            if (!AllDigits(reply, true))
                throw CVQXException(CVQXException::NoResponse);
            n = static_cast<int32_t>(std::strtoll(reply, nullptr, 10));
            port.WriteCommand(FormatNumber("CMP dd==%lld", n), a);
            step3 = true;
        } catch (const CVQXException& e) {
            if (!(e.GetCode() == CVQXException::NoResponse && reply[0] == 0))
                collisions.push_back(a);
        }
        if (step3) {
            char second[REPLY_BUFFER_SIZE + 1] = {};
            try {
                port.ClearBuffer();
                bool alone = false;
                try {
                    port.Query("IFF Rdd", second, sizeof second, a);
                } catch (const CVQXException& e) {
                    if (e.GetCode() != CVQXException::NoResponse || second[0] != 0)
                        throw;
                    alone = true;
                }
                port.WriteCommand("IFX", a);
                if (alone) {
                    const Entry entry = EnterAlone(port, first, a, n, used);
                    if (entry == Entry::Abort)
                        return false;
                    if (entry == Entry::Collision)
                        collisions.push_back(a);
                } else {
                    if (AllDigits(second, false)) {
                        // Another motor with another serial number: the bus must hold 5-series
                        // motors only. A garbled identity reply is one more collision.
                        std::string identity;
                        try {
                            identity = port.Query("RSP", a);
                        } catch (const CVQXException&) {
                        }
                        if (WellFormedIdentity(identity)) {
                            const std::string version = identity.substr(6, 3);
                            if (version != "462" && version != "500") {
                                ShowError(port, "Not all motors are Version 5/Quintaloc(TM).");
                                return false;
                            }
                        }
                        port.WriteCommand("IFX", a);
                    }
                    collisions.push_back(a);
                }
            } catch (const CVQXException&) {
                try {
                    port.WriteCommand("IFX", a);
                } catch (const CVQXException&) {
                }
                collisions.push_back(a);
            }
        }
        progress.Step(first == 1 ? a : 2 * a - 130);
    }

    if (!collisions.empty() && divisor == kLastDivisor) {
        ShowError(port, "Duplicate Serial Numbers.");
        return false;
    }
    if (!collisions.empty()) {
        for (int c : collisions) {
            port.WriteCommand("IFX", c);
            char text[64];
            std::snprintf(text, sizeof text, "ff=dd/%u", divisor);
            port.WriteCommand(text, c);
            port.WriteCommand("ff=ff&31", c);
            port.WriteCommand("ADDR=ff+65", c);
        }
        if (!ResolveCollisions(port, 65, 96, divisor << 5, used))
            return false;
    }
    if (first == 1)
        PackAddresses(port, used);
    return true;
}
