// IVQXComm members that find, address, add and re-address motors.
#include "engine/host/VQXHost.h"

#include "core/VQXException.h"
#include "core/backends/MotorSocket.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/NetDetection.h"
#include "core/detect/RS232Chain.h"
#include "core/detect/RS485Bus.h"
#include "core/detect/USBDetection.h"
#include "core/motor/Motor.h"
#include "engine/errors/EngineError.h"
#include "engine/motor/EngineMotor.h"
#include "platform/net/NetSettings.h"

#include <algorithm>
#include <cstdio>

namespace engine {

namespace {
constexpr int kConnectMs = 1000;
constexpr int kMaxAddress = MAX_MOTOR_ADDRESS - 1; // the address table holds 0..119
// Flags the core reads that a client must not set by accident.
constexpr int kClientFlagsMask = ~DETECT_SHOW_PROGRESS;
} // namespace

int CVQXHost::RunDetection(int flags, CNotifyProgress::Operation op, int (*routine)(CCommPort&, int))
{
    flags &= kClientFlagsMask;
    if (m_progress.HasTarget()) {
        m_progress.Begin(op);
        flags |= DETECT_SHOW_PROGRESS;
    }
    ++m_generation;
    const int result = routine(m_port, flags);
    ++m_generation;
    return result;
}

bool CVQXHost::DetectGuard(bool ok, int32_t result, LONG flags, LONG* ErrorCode)
{
    if (ok)
        return true;
    if (flags & VQX_DETECT_RAISE_ERRORS)
        throw CVQXException(result == VQX_RESULT_PORT_NOT_OPEN ? VQXE_PORT_NOT_OPEN : VQXE_INVALID_DATA);
    *ErrorCode = result;
    return false;
}

HRESULT CVQXHost::EstablishChain()
{
    return Comm([&] {
        Require(m_port.CommType == COMM_RS232);
        RequireSerialOpen();
        ::EstablishChain(m_port, 0);
    });
}

HRESULT CVQXHost::AddressMotorChain(LONG* MotorCount)
{
    return Comm([&] {
        Require(MotorCount != nullptr);
        if (!m_port.IsSerial() || !IsOpen())
            throw CVQXException(VQXE_PORT_NOT_OPEN);
        RunDetection(DETECT_THROW, CNotifyProgress::Operation::Addressing, &::AddressServos);
        *MotorCount = m_port.MotorCount();
    });
}

HRESULT CVQXHost::InitRS485(LONG NoOfMotors, LONG MotorChannel)
{
    return Comm([&] {
        if (!m_port.IsSerial() || !IsOpen())
            throw CVQXException(VQXE_PORT_NOT_OPEN);
        Require(NoOfMotors > 0 && NoOfMotors <= kMaxAddress);
        ++m_generation;
        m_port.CommType = COMM_RS485;
        m_port.MotorChannel = MotorChannel == 1 ? 1 : 0;
        m_port.Echo = 0;
        EmptyMotorList(m_port);
        // Every motor on the bus to the port's rate, echo off and awake on the channel.
        SyncRS485BaudRates(m_port);
        m_port.SetMaxMotors(std::max<int>(NoOfMotors, m_port.MaxMotors));
        for (int address = 1; address <= NoOfMotors; ++address)
            EnterDetectedMotor(m_port, address);
    });
}

bool CVQXHost::SerialDetectHead(LONG MaxAddress, LONG Flags, LONG* ErrorCode)
{
    Require(ErrorCode != nullptr);
    RequireSerialPort();
    if (!DetectGuard(IsOpen(), VQX_RESULT_PORT_NOT_OPEN, Flags, ErrorCode) ||
        !DetectGuard(MaxAddress > 0 && MaxAddress <= kMaxAddress, 64, Flags, ErrorCode))
        return false;
    m_port.SetMaxMotors(MaxAddress);
    return true;
}

HRESULT CVQXHost::DetectRS232(LONG MaxAddress, LONG Flags, LONG* ErrorCode)
{
    return Comm([&] {
        if (!SerialDetectHead(MaxAddress, Flags, ErrorCode))
            return;
        m_port.CommType = COMM_RS232;
        int result = RunDetection(Flags, CNotifyProgress::Operation::Detection, &::DetectRS232Chain);
        if ((Flags & VQX_DETECT_ADDRESS_CHAIN) && (result & 0x1E))
            result = RunDetection(Flags | 0x8000000, CNotifyProgress::Operation::Addressing, &::AddressServos);
        *ErrorCode = result;
    });
}

HRESULT CVQXHost::DetectRS485(LONG MaxAddress, LONG MotorChannel, LONG Flags, LONG* ErrorCode)
{
    return Comm([&] {
        if (!SerialDetectHead(MaxAddress, Flags, ErrorCode))
            return;
        m_port.MotorChannel = MotorChannel == 1 ? 1 : 0;
        m_port.CommType = COMM_RS485;
        m_port.Echo = 0;
        *ErrorCode = RunDetection(Flags, CNotifyProgress::Operation::Detection, &::ScanRS485Addresses);
    });
}

HRESULT CVQXHost::AddressServos(LONG Flags, LONG* ErrorCode)
{
    return Comm([&] {
        Require(ErrorCode != nullptr);
        RequireSerialPort();
        if (!DetectGuard(IsOpen(), VQX_RESULT_PORT_NOT_OPEN, Flags, ErrorCode))
            return;
        m_port.MotorChannel = 0;
        m_port.CommType = COMM_RS485;
        m_port.Echo = 0;
        // The self-addressing always raises its failures.
        *ErrorCode = RunDetection(DETECT_THROW, CNotifyProgress::Operation::SelfAddressing, [](CCommPort& port, int) {
            ::DetectRS485(port);
            return port.MotorCount() > 0 ? int(DETECT_FOUND) : int(DETECT_NONE);
        });
        m_port.SetMaxMotors(std::max(m_port.MotorCount(), 10));
    });
}

HRESULT CVQXHost::InitEthernet(LONG MaxAddress)
{
    return Comm([&] {
        Require(MaxAddress > 0 && MaxAddress <= kMaxAddress);
        m_port.CommType = COMM_ETHERNET;
        m_port.SetMaxMotors(MaxAddress);
    });
}

HRESULT CVQXHost::InitUSB(LONG MaxAddress)
{
    return Comm([&] {
        Require(MaxAddress > 0 && MaxAddress <= kMaxAddress);
        m_port.CommType = COMM_USB;
        m_port.SetMaxMotors(MaxAddress);
    });
}


HRESULT CVQXHost::DetectNetMotors(LONG MaxAddress, LONG Flags, LONG* ErrorCode)
{
    return Comm([&] {
        DetectLinks(COMM_ETHERNET, 128, MaxAddress, Flags, ErrorCode, CNotifyProgress::Operation::NetDetection,
                    [](CCommPort& port, int f) { return ::DetectNetMotors(port, nullptr, f); });
    });
}

HRESULT CVQXHost::DetectUSBMotors(LONG MaxAddress, LONG Flags, LONG* ErrorCode)
{
    return Comm([&] {
        DetectLinks(COMM_USB, 256, MaxAddress, Flags, ErrorCode, CNotifyProgress::Operation::LinkDetection,
                    [](CCommPort& port, int f) { return ::DetectUSBMotors(port, nullptr, f); });
    });
}

void CVQXHost::DetectLinks(int commType, int32_t wrongType, LONG MaxAddress, LONG Flags, LONG* ErrorCode,
                           CNotifyProgress::Operation op, int (*routine)(CCommPort&, int))
{
    Require(ErrorCode != nullptr);
    if (!DetectGuard(m_port.CommType == commType, wrongType, Flags, ErrorCode) ||
        !DetectGuard(MaxAddress > 0 && MaxAddress <= kMaxAddress, 64, Flags, ErrorCode))
        return;
    m_port.SetMaxMotors(MaxAddress);
    const int result = RunDetection(Flags, op, routine);
    // Ethernet and USB detection end with every motor selected and the port open on their links.
    m_port.currentAddress = 0;
    m_port.addressDirty = 0;
    if (m_port.MotorCount() > 0 && !m_port.isOpen)
        m_port.OpenPort();
    *ErrorCode = result;
}

HRESULT CVQXHost::AddNetMotor(BSTR IPAddress, LONG* MotorAddress)
{
    return Comm([&] {
        Require(MotorAddress != nullptr);
        *MotorAddress = 0;
        Require(m_port.CommType == COMM_ETHERNET);
        Require(IPAddress != nullptr);
        const std::string host = BstrToCString(IPAddress);
        // The lowest free address: the one after the last motor may be taken after a reorder.
        const int address = LowestFreeAddress(m_port);
        if (address == 0 || address >= m_port.MaxMotors)
            return;
        const int tcpPort = platform::net::GetNetSettings().tcpPort;
        auto made = std::make_unique<CMotor>();
        made->Address = address;
        made->Name = DetectedMotorName(address, m_port);
        made->SetPort(&m_port);
        made->Socket = std::make_shared<CMotorSocket>(host, tcpPort);
        if (!made->Socket->OpenTCP(&host, tcpPort, kConnectMs))
            return;
        CMotor* motor = EnterDetectedMotor(m_port, address, std::move(made));
        motor->IsAvailable = true;
        try {
            m_port.isOpen = 1;
            m_port.MotorChannel = IsVersion46(*motor) ? 0 : 1;
            m_port.SelectMotor(address);
        } catch (...) {
            RemoveDetectedMotor(m_port, motor);
            return;
        }
        *MotorAddress = address;
    });
}

HRESULT CVQXHost::ReorderMotors(LONG Address, BSTR SerialNo, LONG* OldMotorAddress)
{
    return Comm([&] {
        Require(OldMotorAddress != nullptr);
        Require(SerialNo != nullptr);
        Require(Address != 0);
        // Addresses outside the table would index beyond it.
        Require(Address >= 1 && Address <= m_port.MaxMotors);
        *OldMotorAddress = -1;
        const std::string wanted = BstrToCString(SerialNo);
        CMotor* found = nullptr;
        for (int i = 0; i < m_port.motors.GetCount() && !found; ++i) {
            CMotor* m = m_port.motors.GetAt(i);
            if (SerialText(SerialValue(*m, std::string())) == wanted)
                found = m;
        }
        if (!found)
            return;
        const int old = found->Address;
        if (old == Address) {
            *OldMotorAddress = old;
            return;
        }
        CMotor* other = m_port.GetMotor(Address);
        const bool wire = m_port.IsSerial();
        char command[32];
        if (wire) {
            found->GetVariable("Bs");
            if (other)
                other->GetVariable("Bs");
        }
        if (other) {
            if (wire) {
                m_port.WriteCommand("SADDR114", old, false);
                std::snprintf(command, sizeof command, "SADDR%d", old);
                m_port.WriteCommand(command, Address, false);
                std::snprintf(command, sizeof command, "SADDR%d", int(Address));
                m_port.WriteCommand(command, 114, false);
            }
            other->Address = old;
        } else if (wire) {
            std::snprintf(command, sizeof command, "SADDR%d", int(Address));
            m_port.WriteCommand(command, old, false);
        }
        found->Address = Address;
        m_port.RebuildAddressTable();
        if (wire) {
            found->WriteEEPROMByte(32262, uint8_t(found->Address));
            if (other)
                other->WriteEEPROMByte(32262, uint8_t(other->Address));
        }
        *OldMotorAddress = other ? old : 0;
    });
}

} // namespace engine
