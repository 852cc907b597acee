#include "app/project/MotorDetails.h"

#include "core/backends/MotorUSB.h"
#include "core/motor/Motor.h"
#include "core/shared/SharedFunctions.h"

const std::array<const char*, MotorDetails::kOptions>& MotorDetails::OptionTexts()
{
    static const std::array<const char*, kOptions> texts = {
        "Separate Drive/Control Power (DE)", "DC Input", "Internal Brk", "Internal Shunt", "Shaft: 1 flat",
        "Shaft: 2 flats", "Reduced shaft length", "Shaft: Keyed", "Gear Box", "4000W/Out Index Mark",
        "4000W/Index Mark", "Absolute Encoder", "ECC Firmware", "Version 4.77 Firmware"};
    return texts;
}

MotorDetails DescribeMotor(const CMotor& m)
{
    MotorDetails d;
    if (!m.eepromPresent) {
        d.lines = MotorDetails::kNoEeprom;
        return d;
    }
    d.name = m.Name;
    std::string& t = d.lines;
    auto line = [&t](const std::string& label, const std::string& value) { t += label + ":\t" + value + "\n"; };
    t += "\n";
    line("Model", m.Model.empty() ? MotorModelName(m.MotorType) : m.Model);
    line("Firmware Version", m.Version);
    line("Serial Number", FormatSerialNumber(m.SerialNumber));
    if (m.IPSl != 0)
        line("IP Sealing", std::to_string(m.IPSl));
    line("Encoder Resolution", std::to_string(m.EnRes));
    line("Korv. Prod. Date", FormatPackedDate(m.ProdDates[5]));
    line("User Program Name", m.ProgName);
    line("User Program Size", std::to_string(m.ProgSize) + " bytes");
    line("User Program Date/Time", FormatSystemTime(m.progDate));
    if (!m.CalProgName.empty()) {
        line("Clibration Program Name", m.CalProgName);
        line("Clibration Program Size", std::to_string(m.CalProgSize) + " bytes");
        line("Clibration Program Date/Time", FormatSystemTime(m.calProgDate));
    }
    if (m.USBCom)
        line("USB Interface S/N", m.USBCom->USBAddress);
    if (m.Socket)
        line("IP Address", m.EthernetAddress());
    static const char* const kinds[] = {"RS-232", "RS-485", "ProfiBus", "DeviceNet", "CANBus",
                                        "Ethernet", "ModBus", "Sercos", "USB", "Firewire"};
    for (int ch = 0; ch < 8; ++ch) {
        const int kind = m.CommOptions[ch] & 0xF;
        if (kind >= 1 && kind <= 10)
            line("Comm. Channel " + std::to_string(ch), kinds[kind - 1]);
    }
    for (int bit = 0; bit < MotorDetails::kOptions; ++bit)
        d.options[static_cast<size_t>(bit)] = (m.HO >> bit) & 1;
    return d;
}
