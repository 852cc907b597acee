// Detecting the motors of a USB port.
#include "core/detect/USBDetection.h"

#include "core/VQXException.h"
#include "core/backends/MotorUSB.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/DetectionRun.h"
#include "core/motor/Motor.h"
#include "core/ui/OperationContext.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "platform/usbbridge/UsbBridge.h"

#include <memory>
#include <string>

namespace usb = platform::usb;

namespace {

int Failure(CDetectionProgress& progress, int flags, int result)
{
    progress.Close();
    if (flags & DETECT_THROW)
        throw CVQXException(CVQXException::NoLink);
    return result;
}

std::string UsbSerialOf(const CMotor& m) { return m.USBCom ? m.USBCom->USBAddress : std::string(); }

} // namespace

int DetectUSBMotors(CCommPort& port, const CCommPort* reference, int flags)
{
    if (port.CommType != COMM_USB)
        return DETECT_NONE;
    CDetectionProgress progress(port.Context().Progress(), (flags & DETECT_SHOW_PROGRESS) != 0);
    progress.Open("Detecting USB motors", "Finding USB Motors...", false);
    progress.Total(10);
    usb::UsbBridge& bridge = usb::GetUsbBridge();
    int count = 0;
    if (bridge.DeviceCount(count) != usb::Status::Success)
        return Failure(progress, flags, DETECT_NO_USB_LIBRARY);
    if (count <= 0)
        return Failure(progress, flags, DETECT_NONE);
    progress.Total(count);
    progress.SubText("Getting motors information...");
    EmptyMotorList(port);
    port.AllVer5s = 1;
    if (!port.isOpen)
        port.OpenPort(); // no motors yet: opens without touching a device

    for (int i = 0; i < count; ++i) {
        progress.Step(i);
        std::string description, serial;
        if (bridge.DeviceText(i, description, usb::ProductSelector::Description) != usb::Status::Success ||
            description != usb::kMotorProduct ||
            bridge.DeviceText(i, serial, usb::ProductSelector::SerialNumber) != usb::Status::Success)
            continue;
        const int k = LowestFreeAddress(port);
        if (k == 0) {
            port.Context().Info().AddWarning("The USB motor \"" + serial +
                                  "\" was left out: no free address up to the port's Max Motor Address (" +
                                  std::to_string(port.MaxMotors) + ").");
            continue;
        }
        auto motor = std::make_unique<CMotor>();
        motor->Address = k;
        motor->Name = DetectedMotorName(k, port);
        motor->SetPort(&port);
        motor->USBCom = std::make_shared<CMotorUSB>();
        if (!motor->USBCom->Open(serial, i))
            continue;
        CMotor* entered = EnterDetectedMotor(port, k, std::move(motor));
        entered->IsAvailable = true;
        try {
            entered->USBCom->ResetBaudRates();
            entered->ReadVersion();
        } catch (const CVQXException&) {
            RemoveDetectedMotor(port, entered);
            continue;
        }
        try {
            MatchReferencePort(port, entered, reference, UsbSerialOf);
            SimpleCalibrationCheck(port, *entered);
        } catch (const CVQXException&) {
            // The motor answered its identity; a failed calibration query leaves it listed.
        }
        entered->IsAvailable = true;
        OrderByAddress(port, entered);
    }
    return EndLinkDetection(port, progress, flags);
}
