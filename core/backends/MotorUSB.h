#pragma once
// The USB back end of one motor: one device of the USB bridge. The motor is known by the serial
// number text of its bridge (USBAddress); the device number is only where it was last seen. Before
// opening, the serial text at that number is checked; when another device is there now (the
// devices were renumbered by an unplug or replug), the motor's serial text is searched for, and
// when it is not found the open fails: another motor is never opened in its place.

#include "core/backends/MotorBackEnd.h"
#include "platform/usbbridge/UsbBridge.h"

#include <cstdint>
#include <string>

class CMotorUSB : public CMotorBackEnd {
public:
    // The motors' rate after a reset of the bridge and motor.
    static constexpr int kDefaultBaud = 38400;
    static constexpr int kWriteTimeoutMs = 1000;
    // Pause after each bridge command, for the motor to act on it.
    static constexpr int kCommandPauseMs = 20;

    CMotorUSB() = default;
    CMotorUSB(std::string usbAddress, int deviceNumber);
    ~CMotorUSB() override;
    // Copies hold the identity only; they start closed.
    CMotorUSB(const CMotorUSB& other);
    // Closes both objects and copies USBAddress and DeviceNumber.
    CMotorUSB& operator=(const CMotorUSB& other);

    // Opens the device (see above), flushes it and sets 38400 baud, 8N1 and no flow control.
    // False when DeviceNumber < 0, the motor is not there, or any of these calls fails; the device
    // is left closed then. On success DeviceNumber is where the motor is now.
    bool Open();
    // Open with a new identity (the serial text and the device number where it was found).
    bool Open(const std::string& serial, int deviceNumber);
    void Close();
    bool IsOpen() const { return m_handle != platform::usb::kInvalidHandle; }

    // Reads up to count bytes within timeoutMs. Not open: 1017; timeouts refused: 1003; nothing
    // in time: 1005; other failures (the device went away): 1017.
    void Read(uint8_t* buffer, size_t count, size_t& got, int timeoutMs);
    // Failure or a short write: 1018.
    void Write(const uint8_t* bytes, size_t count);
    // Discards both directions of the bridge.
    void Flush();
    // Tells the motor the new rate ("BAUD<n>"), then follows with the bridge. False when the
    // bridge refuses the rate.
    bool SetBaudRate(int baud);
    // Brings the motor behind the bridge back to 38400 baud with echo off, from whatever rate it
    // was left at.
    void ResetBaudRates();
    // Received bytes waiting. Query failure: 1046; a receive overrun: 1009.
    uint32_t BytesAvailable();

    // ---- The port's view of this motor ----
    bool Connect(int /*waitMs*/) override { return Open(); }
    void Disconnect() override { Close(); }
    void Drain() override { Flush(); }
    void WriteBytes(const uint8_t* bytes, size_t n) override { Write(bytes, n); }
    // As Read above, but nothing in time returns 0.
    size_t Read(uint8_t* buffer, size_t n, int timeoutMs) override;

    // The stored form, inside the group the owner opened ("USBCom").
    template <class Archive> void Serialize(Archive& ar)
    {
        ar.SerializeString("USBAddress", USBAddress, "");
        ar.SerializeInt("DeviceNumber", DeviceNumber, 0);
    }

    std::string USBAddress; // the bridge's serial number text
    int DeviceNumber = -1;  // where the bridge was last enumerated

private:
    // The device number where the motor is now, -1 when it is not there.
    int Locate() const;
    bool IsMotorAt(int device) const;
    void SendBridgeCommand(const std::string& text);

    platform::usb::Handle m_handle = platform::usb::kInvalidHandle;
};
