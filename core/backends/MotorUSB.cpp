#include "core/backends/MotorUSB.h"

#include "core/VQXException.h"
#include "platform/clock/Clock.h"

namespace usb = platform::usb;

CMotorUSB::CMotorUSB(std::string usbAddress, int deviceNumber)
    : USBAddress(std::move(usbAddress)), DeviceNumber(deviceNumber)
{
}

CMotorUSB::~CMotorUSB() { Close(); }

CMotorUSB::CMotorUSB(const CMotorUSB& other)
    : CMotorBackEnd(), USBAddress(other.USBAddress), DeviceNumber(other.DeviceNumber)
{
}

CMotorUSB& CMotorUSB::operator=(const CMotorUSB& other)
{
    if (this == &other)
        return *this;
    // A copy takes over the motor's identity, not its open device: both start closed again.
    Close();
    const_cast<CMotorUSB&>(other).Close();
    USBAddress = other.USBAddress;
    DeviceNumber = other.DeviceNumber;
    return *this;
}

bool CMotorUSB::IsMotorAt(int device) const
{
    usb::UsbBridge& bridge = usb::GetUsbBridge();
    std::string text;
    if (bridge.DeviceText(device, text, usb::ProductSelector::Description) != usb::Status::Success ||
        text != usb::kMotorProduct)
        return false;
    if (USBAddress.empty())
        return true; // nothing to check against: the record predates serial numbers
    return bridge.DeviceText(device, text, usb::ProductSelector::SerialNumber) ==
               usb::Status::Success &&
           text == USBAddress;
}

int CMotorUSB::Locate() const
{
    if (IsMotorAt(DeviceNumber))
        return DeviceNumber;
    if (USBAddress.empty())
        return -1;
    int count = 0;
    if (usb::GetUsbBridge().DeviceCount(count) != usb::Status::Success)
        return -1;
    for (int device = 0; device < count; ++device)
        if (IsMotorAt(device))
            return device;
    return -1;
}

bool CMotorUSB::Open()
{
    if (DeviceNumber < 0)
        return false;
    Close();
    const int device = Locate();
    if (device < 0)
        return false;
    usb::UsbBridge& bridge = usb::GetUsbBridge();
    if (bridge.Open(device, m_handle) != usb::Status::Success) {
        m_handle = usb::kInvalidHandle;
        return false;
    }
    // The numbering may have changed between the check and the open: check what was opened.
    if (!IsMotorAt(device)) {
        Close();
        return false;
    }
    DeviceNumber = device;
    const bool ready = bridge.Flush(m_handle, true, true) == usb::Status::Success &&
                       bridge.SetBaudRate(m_handle, kDefaultBaud) == usb::Status::Success &&
                       bridge.SetLineControl(m_handle, usb::kLine8N1) == usb::Status::Success &&
                       bridge.SetFlowControl(m_handle, usb::FlowControl{}) == usb::Status::Success;
    if (!ready)
        Close();
    return ready;
}

bool CMotorUSB::Open(const std::string& serial, int deviceNumber)
{
    USBAddress = serial;
    DeviceNumber = deviceNumber;
    return Open();
}

void CMotorUSB::Close()
{
    if (m_handle == usb::kInvalidHandle)
        return;
    usb::GetUsbBridge().Close(m_handle);
    m_handle = usb::kInvalidHandle;
}

void CMotorUSB::Read(uint8_t* buffer, size_t count, size_t& got, int timeoutMs)
{
    got = 0;
    if (!IsOpen())
        throw CVQXException(CVQXException::ReadError);
    usb::UsbBridge& bridge = usb::GetUsbBridge();
    if (bridge.SetTimeouts(m_handle, static_cast<uint32_t>(timeoutMs > 0 ? timeoutMs : 0),
                           kWriteTimeoutMs) != usb::Status::Success)
        throw CVQXException(CVQXException::CannotSetTimeout);
    switch (bridge.Read(m_handle, buffer, count, got)) {
    case usb::Status::Success: return;
    case usb::Status::ReadTimedOut: throw CVQXException(CVQXException::NoResponse);
    default: throw CVQXException(CVQXException::ReadError);
    }
}

size_t CMotorUSB::Read(uint8_t* buffer, size_t n, int timeoutMs)
{
    size_t got = 0;
    try {
        Read(buffer, n, got, timeoutMs);
    } catch (const CVQXException& e) {
        if (e.GetCode() != CVQXException::NoResponse)
            throw;
    }
    return got;
}

void CMotorUSB::Write(const uint8_t* bytes, size_t count)
{
    size_t written = 0;
    if (usb::GetUsbBridge().Write(m_handle, bytes, count, written) != usb::Status::Success ||
        written < count)
        throw CVQXException(CVQXException::WriteError);
}

void CMotorUSB::Flush()
{
    if (IsOpen())
        usb::GetUsbBridge().Flush(m_handle, true, true);
}

void CMotorUSB::SendBridgeCommand(const std::string& text)
{
    std::string frame = "\x80" + text + "\r";
    Write(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    platform::SleepMs(kCommandPauseMs);
}

bool CMotorUSB::SetBaudRate(int baud)
{
    SendBridgeCommand("BAUD" + std::to_string(baud));
    return usb::GetUsbBridge().SetBaudRate(m_handle, static_cast<uint32_t>(baud)) == usb::Status::Success;
}

void CMotorUSB::ResetBaudRates()
{
    usb::UsbBridge& bridge = usb::GetUsbBridge();
    // The motor may have been left at any rate: at each one, wake it and tell it 38400.
    for (uint32_t baud : {115200u, 19200u, 9600u, 4800u, 2400u}) {
        if (bridge.SetBaudRate(m_handle, baud) != usb::Status::Success)
            continue;
        try {
            for (const char* command : {"WAKE", "WAKE", "IFX", "WAKE", "WAKE"})
                SendBridgeCommand(command);
            SendBridgeCommand("BAUD" + std::to_string(kDefaultBaud));
        } catch (const CVQXException&) {
            // A rate that fails is skipped; the next one may reach the motor.
        }
    }
    bridge.SetBaudRate(m_handle, kDefaultBaud);
    SendBridgeCommand("");
    SendBridgeCommand("ECHO_OFF");
}

uint32_t CMotorUSB::BytesAvailable()
{
    uint32_t waiting = 0;
    usb::QueueStatus queue = usb::QueueStatus::Empty;
    if (usb::GetUsbBridge().ReceiveQueue(m_handle, waiting, queue) != usb::Status::Success)
        throw CVQXException(CVQXException::NoUSBMotor);
    if (queue == usb::QueueStatus::Overrun)
        throw CVQXException(CVQXException::Overrun);
    return waiting;
}
