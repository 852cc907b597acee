// IVQXComm members for programs: download, upload and erase by motor address.
#include "engine/host/VQXHost.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/transfer/DownloadFlags.h"
#include "engine/errors/EngineError.h"
#include "engine/motor/EngineMotor.h"

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
        const std::string file = BstrToCString(FileName);
        std::vector<CMotor*> targets;
        if (Motor == 0)
            for (int i = 0; i < m_port.motors.GetCount(); ++i)
                targets.push_back(m_port.motors.GetAt(i));
        else
            targets.push_back(&MotorAt(m_port, Motor));
        for (CMotor* m : targets)
            if (!DownloadFile(*this, *m, file, VQX_DL_STOP_RUNNING, false))
                return; // cancelled by the client
    });
}

HRESULT CVQXHost::Upload(LONG Motor, BSTR FileName)
{
    return Comm([&] {
        RequireSerialPort();
        RequireSerialOpen();
        CMotor& m = MotorAt(m_port, Motor);
        Require(FileName != nullptr);
        UploadFile(*this, m, BstrToCString(FileName));
    });
}

HRESULT CVQXHost::ForceUpload(LONG Motor, BSTR FileName) { return Upload(Motor, FileName); }

HRESULT CVQXHost::ClearEEPROM(LONG Motor)
{
    return Comm([&] {
        RequireSerialPort();
        RequireSerialOpen();
        CMotor& m = MotorAt(m_port, Motor);
        if (!m.EnsureValidProgram())
            throw CVQXException(VQXE_NO_EEPROM);
        ClearMotorProgram(*this, m, 0);
    });
}

} // namespace engine
