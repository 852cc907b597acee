// IVQXComm members for programs: download, upload and erase by motor address.
#include "engine/host/VQXHost.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "engine/errors/EngineError.h"
#include "engine/host/PortPrograms.h"

namespace engine {

namespace {
// The motor at an address of the port's table, else code 19 (addresses need not be 1..n).
CMotor& MotorAt(CCommPort& port, LONG address)
{
    CMotor* m = address >= 1 ? port.GetMotor(address) : nullptr;
    if (!m)
        throw CVQXException(VQXE_INVALID_DATA);
    return *m;
}
} // namespace

HRESULT CVQXHost::Download(LONG Motor, BSTR FileName)
{
    return Comm([&] {
        RequireSerialPort();
        RequireSerialOpen();
        Require(Motor == 0 || (Motor >= 1 && m_port.GetMotor(Motor)));
        Require(FileName != nullptr);
        PortDownload(m_port, m_progress, Motor, BstrToCString(FileName));
    });
}

HRESULT CVQXHost::Upload(LONG Motor, BSTR FileName)
{
    return Comm([&] {
        RequireSerialPort();
        RequireSerialOpen();
        CMotor& m = MotorAt(m_port, Motor);
        Require(FileName != nullptr);
        PortUpload(m_port, m.Address, BstrToCString(FileName));
    });
}

HRESULT CVQXHost::ForceUpload(LONG Motor, BSTR FileName) { return Upload(Motor, FileName); }

HRESULT CVQXHost::ClearEEPROM(LONG Motor)
{
    return Comm([&] {
        RequireSerialPort();
        RequireSerialOpen();
        CMotor& m = MotorAt(m_port, Motor);
        if (!PortProgramCheck(m_port, m.Address))
            throw CVQXException(VQXE_NO_EEPROM);
        PortErase(m_port, m.Address);
    });
}

} // namespace engine
