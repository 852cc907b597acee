// RS-485: one motor alone, defined motors addressed by serial number, and the address scan.
#include "core/detect/RS485Bus.h"

#include "core/VQXException.h"
#include "core/detect/AddressScan.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/DetectionRun.h"
#include "core/motor/Motor.h"
#include "core/ui/OperationContext.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kOwnAddressByte = 32262;

std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n'))
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

// The reasons a 462 motor gives for an unfinished calibration; the first that applies is told.
void CalibrationCheckWithCauses(CCommPort& port, CMotor& motor)
{
    if (!port.Context().CalibrationChecksShown() || !motor.IsVersion462())
        return;
    if (Trimmed(motor.GetVariable("Bn")) != "1")
        return;
    const std::string head = "The motor \"" + motor.Name + "\" has not finished calibration successfully. ";
    std::string cause;
    if (ReplyToNumber(motor.GetVariable("UJA", true)) < 180)
        cause = "Please check the motor power supply.";
    else if (Trimmed(motor.GetVariable("Be")) == "1")
        cause = "Please make sure that the motor shaft can move freely.";
    else if (Trimmed(motor.GetVariable("Bh")) == "1")
        cause = "An over-heat condition was detected.";
    else if (Trimmed(motor.GetVariable("Br")) == "1" || Trimmed(motor.GetVariable("Bl")) == "1")
        cause = "A right limit error was detected.";
    else if (Trimmed(motor.GetVariable("Ba")) == "1")
        cause = "An over-current condition was detected.";
    if (cause.empty()) {
        port.Context().Info().AddCalibrationWarning(CalibrationWarningText(motor.Name),
                                         MakeMotorDataWord(port.id, motor.Address));
        port.calibrationWarnings += 1000;
        return;
    }
    port.Context().Info().AddWarning(head + cause);
    port.calibrationWarnings += 1;
}

} // namespace

void DetectSingleRS485(CCommPort& port)
{
    if (port.CommType != COMM_RS485)
        return;
    CDetectionProgress progress(port.Context().Progress(), true);
    progress.Open("Detecting the only Tessaraxon(TM) on RS-485 bus", {}, false);
    progress.Total(1);
    EmptyMotorList(port);
    SyncRS485BaudRates(port);
    port.AllVer5s = 1;
    try {
        if (!port.isOpen)
            port.OpenPort();
        const char* wake = port.MotorChannel == 1 ? "WAKE1" : "WAKE";
        port.WriteCommand(wake, 0);
        port.WriteCommand(wake, 0);
        port.WriteCommand("SADDR1", 0);
        port.WriteCommand("ADDR=1", 0);
        port.Query("RP", 1, false);
        CMotor* motor = EnterDetectedMotor(port, 1);
        motor->ReadVersion();
        motor->IsAvailable = true;
    } catch (const CVQXException&) {
        // The list holds what was entered.
    }
    progress.Close();
    port.ClosePort();
}

bool AddressRS485BySerial(CCommPort& port)
{
    if (port.CommType != COMM_RS485)
        return false;
    CDetectionProgress progress(port.Context().Progress(), true);
    progress.Open("Addressing Tessaraxon(TM)s on RS-485 bus", {}, false);
    progress.Total(port.motors.GetCount());
    for (int i = 0; i < port.motors.GetCount(); ++i)
        port.motors.GetAt(i)->SamplePeriod = 0; // set again by the identity of a motor that answers
    SyncRS485BaudRates(port);
    port.AllVer5s = 1;
    try {
        if (!port.isOpen)
            port.OpenPort();
        port.WriteCommand("ADDR=114", 0);
    } catch (const CVQXException& e) {
        ui::OptionMessageBox(port.Context().Questions(), e.GetMessage(), ui::MB_ICONERROR, "Error!");
        progress.Close();
        return false;
    }
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        CMotor* motor = port.motors.GetAt(i);
        try {
            port.WriteCommand("EPTR=32256", 0);
            port.WriteCommand("VLD(dd,1)", 0);
            port.WriteCommand("LSA", 0);
            port.WriteCommand(FormatNumber("CMP dd==%lld", static_cast<int32_t>(motor->SerialNumber)), 0);
            port.WriteCommand(FormatNumber("IFT ADDR=%lld", motor->Address), 0);
            port.WriteCommand("IFX", 0);
            motor->ReadVersion();
            motor->WriteEEPROMByte(kOwnAddressByte, static_cast<uint8_t>(motor->Address));
        } catch (const CVQXException&) {
            // Reported below with the other missing motors.
        }
        progress.Step(i + 1);
    }
    progress.Close();
    port.ClosePort();

    std::vector<CMotor*> missing;
    std::string text = "The following motors were not found.\n";
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        CMotor* motor = port.motors.GetAt(i);
        if (motor->SamplePeriod == 0) {
            missing.push_back(motor);
            text += motor->Name + "\n";
        }
    }
    if (missing.empty())
        return true;
    text += "Do you want to delete them from the list?\nClick \"Yes\" to delete the motors and continue with next "
            "port.\nClick \"No\" to edit the information, and try again.";
    if (ui::OptionMessageBox(port.Context().Questions(), text, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON3) != ui::IDYES)
        return false;
    for (CMotor* motor : missing)
        RemoveDetectedMotor(port, motor);
    return true;
}

int ScanRS485Addresses(CCommPort& port, int flags)
{
    if (port.CommType != COMM_RS485)
        return DETECT_NONE;
    CDetectionProgress progress(port.Context().Progress(), (flags & DETECT_SHOW_PROGRESS) != 0);
    progress.Open(WithPortName("Detecting Quintalocs/Tessaraxons on RS-485 bus: \"%s\"", port), {}, true, true);
    progress.Total(port.MaxMotors + 1);
    const bool ch1 = port.MotorChannel == 1;
    try {
        EmptyMotorList(port);
        port.Echo = 0;
        SyncRS485BaudRates(port);
        port.Reopen(port.savedBitPerSec, -1);
        port.WriteCommand(ch1 ? "WAKE1" : "WAKE", 0);
        port.WriteCommand(ch1 ? "WAKE1" : "WAKE", 0);
        port.WriteCommand("IFX", 0);
        if (platform::SerialDevice* device = port.Device())
            device->TakeLineErrors();
    } catch (...) {
        return FailDetection(port, progress, flags);
    }
    port.calibrationWarnings = 0;
    port.AllVer5s = 1;
    try {
        AddressScanStyle style;
        style.channel1 = ch1;
        style.lineErrorsMatter = true;
        style.storeNewAddress = true;
        style.foundAt114 = true;
        style.calibrationCheck = CalibrationCheckWithCauses;
        return RunAddressScan(port, progress, flags, style);
    } catch (...) {
        return FailDetection(port, progress, flags);
    }
}
