#include "app/shell/SmallForms.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/OperationContext.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <limits>

namespace shell {

std::optional<int> StartDlgResult(int checkedRadio, int selectedIndex)
{
    switch (checkedRadio) {
    case kStartOpenExisting: return 100;
    case kStartNewProject: return 101;
    case kStartDetect: return 102;
    default: break;
    }
    if (selectedIndex < 0)
        return std::nullopt;
    return selectedIndex;
}

std::string AboutText(const std::string& version) { return "Tessaraxon Interface\n" + version; }

std::string VersionText(const std::string& productVersion, const std::string& privateBuild)
{
    return privateBuild.empty() ? productVersion : productVersion + " (" + privateBuild + ")";
}

std::string ReaddressText(const std::string& name, uint32_t serial, int address)
{
    return "Motor Name: " + name + "\nSerial Number:" + FormatSerialNumber(serial) +
           "\nCurrent Address:" + std::to_string(address);
}

ReaddressChoices ReaddressAddresses(const std::vector<int>& usedByOthers, int current, int maxAddress)
{
    ReaddressChoices c;
    for (int a = 1; a <= maxAddress; ++a) {
        if (a != current && std::find(usedByOthers.begin(), usedByOthers.end(), a) != usedByOthers.end())
            continue;
        if (a == current)
            c.selected = static_cast<int>(c.addresses.size());
        c.addresses.push_back(a);
    }
    return c;
}

ReaddressChoices ReaddressAddresses(const CCommPort& port, const CMotor& motor)
{
    std::vector<int> used;
    for (int i = 0; i < port.MotorCount(); ++i)
        if (const CMotor* m = port.motors.GetAt(i); m && m != &motor)
            used.push_back(m->Address);
    return ReaddressAddresses(used, motor.Address, port.MaxMotors);
}

std::optional<std::string> SetMotorAddress(CCommPort& port, CMotor& motor, int address, bool* pollingAllowed,
                                           const std::function<void()>& changed)
{
    struct Exchange {
        CCommPort& port;
        bool* polling;
        Exchange(CCommPort& p, bool* polling) : port(p), polling(polling)
        {
            if (ITrafficLog* log = port.Context().TrafficLog())
                log->SetPageFlags(port.id, SDA_FROM_PROGRAM, true);
            if (polling)
                *polling = false;
        }
        ~Exchange()
        {
            if (polling)
                *polling = true;
            if (ITrafficLog* log = port.Context().TrafficLog())
                log->SetPageFlags(port.id, SDA_FROM_PROGRAM, false);
        }
    } exchange(port, pollingAllowed);

    const int old = motor.Address;
    try {
        if (!port.isOpen)
            port.OpenPort();
        motor.WriteEEPROMByte(32262, static_cast<uint8_t>(address));
        motor.SendCommand("SADDR" + std::to_string(address));
    } catch (const CVQXException& e) {
        char text[1024];
        std::snprintf(text, sizeof text, kReaddressFailed, motor.Name.c_str(), e.GetMessage().c_str());
        return std::string(text);
    }
    if (address != old) {
        const std::string name = motor.Name;
        const bool generated = name == DetectedMotorName(old, port);
        MoveDetectedMotor(port, &motor, address);
        if (!generated)
            motor.Name = name;
        if (changed)
            changed();
    }
    return std::nullopt;
}

std::optional<int> FieldInteger(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return std::nullopt;
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i != text.size())
        return std::nullopt;
    return static_cast<int>(negative ? -value : value);
}

std::optional<std::string> CanonicalIPAddress(std::string_view text)
{
    std::array<uint8_t, 4> n{};
    if (!ParseIPAddress(text, &n))
        return std::nullopt;
    char out[16];
    std::snprintf(out, sizeof out, "%u.%u.%u.%u", n[0], n[1], n[2], n[3]);
    return std::string(out);
}

} // namespace shell
