#pragma once
// The motor object (class VQXMotor): one motor of a host's port, or all of them (address 0),
// through IVQXMotor. It holds a reference on its host, so the port outlives it; a detection that
// replaced the port's records leaves it without a record (code 19), never with a dangling one.

#include "VQXEngine.h"
#include "platform/com/server/ComServer.h"

#include <cstdint>

class CMotor;

namespace engine {

class CVQXHost;
const vqxcom::server::DispTable& MotorDispatchTable();

class CVQXMotor final : public vqxcom::server::Dual<IVQXMotor, &MotorDispatchTable>, public ISupportErrorInfo {
public:
    // The object for a record of the host (its own list's, or the host's all-motors record).
    static IVQXMotor* Create(CVQXHost& host, CMotor* record, bool allMotors);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == IID_IVQXMotor ? S_OK : S_FALSE; }

    HRESULT GetPosition(LONG* Pos) override;
    HRESULT get_P(LONG* pVal) override;
    HRESULT put_P(LONG newVal) override;
    HRESULT get_V(LONG* pVal) override;
    HRESULT put_V(LONG newVal) override;
    HRESULT get_A(LONG* pVal) override;
    HRESULT put_A(LONG newVal) override;
    HRESULT GetSpeed(LONG* Speed) override;
    HRESULT GetAcceleration(LONG* Acceleration) override;
    HRESULT Go() override;
    HRESULT WriteCommand(BSTR Command) override;
    HRESULT GetResponseOf(BSTR Command, BSTR* Response) override;
    HRESULT SetPositionMode() override;
    HRESULT SetVelocityMode() override;
    HRESULT get_Version(BSTR* pVal) override;
    HRESULT get_SampleRate(DOUBLE* pVal) override;
    HRESULT WaitForStop() override;
    HRESULT Stop(LONG Decelerate) override;
    HRESULT GoTo(LONG Position, LONG Velocity, LONG Acceleration) override;
    HRESULT Download(BSTR FileName) override;
    HRESULT Upload(BSTR FileName) override;
    HRESULT DownloadEx(BSTR FileName, LONG Flags, LONG* Result) override;
    HRESULT UploadEx(BSTR FileName) override;
    HRESULT ClearProgram(LONG Flags) override;
    HRESULT GetMotorInfo(LONG* Result) override;
    HRESULT GetSerialNumber(BSTR* SN) override;
    HRESULT GetModelStr(BSTR* ModelStr) override;
    HRESULT GetEncoderResolution(LONG* EncoderResolution) override;
    HRESULT GetMotorByte(LONG Address, BYTE* TheByte) override;
    HRESULT GetMotorWord(LONG Address, USHORT* TheWord) override;
    HRESULT GetMotorDWord(LONG Address, ULONG* TheDWord) override;
    HRESULT SetMotorByte(LONG Address, BYTE TheByte) override;
    HRESULT SetMotorWord(LONG Address, USHORT TheWord) override;
    HRESULT SetMotorDWord(LONG Address, ULONG TheDWord) override;
    HRESULT IsServo(LONG* Result) override;
    HRESULT DownloadProgramStr(BSTR ProgramStr, LONG Flags, LONG* Result) override;
    HRESULT UploadProgramStr(LONG CalPrg, BSTR* ProgramStr) override;
    HRESULT UpProgramStr(LONG CalPrg, BSTR* ProgramStr) override;
    HRESULT GetMotorInt(LONG Address, SHORT* TheInt) override;
    HRESULT GetMotorLong(LONG Address, LONG* TheLong) override;
    HRESULT SetMotorInt(LONG Address, SHORT TheInt) override;
    HRESULT SetMotorLong(LONG Address, LONG TheLong) override;

private:
    CVQXMotor(CVQXHost& host, CMotor* record, bool allMotors);
    ~CVQXMotor();

    // Which guards a member runs before its body, in this order.
    enum Guard : unsigned {
        kOneMotor32 = 1, // address 0: code 32
        kOneMotor19 = 2, // address 0: code 19
        kPortOpen = 4,   // the port is not open: code 8
    };
    // Runs body with the record after the guards, under the host's lock, in the method frame.
    template <class Body>
    HRESULT Run(unsigned guards, Body&& body);
    // One value of the motor's data memory read (into *out, converted) or written, with the guards
    // of the memory methods.
    template <class T, class Read>
    HRESULT ReadMemory(LONG address, T* out, Read read);
    template <class Write>
    HRESULT WriteMemory(LONG address, Write write);
    CMotor& Record();
    // Sends a command to this motor by the addressing rule; Query reads one reply line.
    void Send(const std::string& text);
    std::string Query(const std::string& text);
    // Reads a motion value through the user variable a, which is put back afterwards.
    LONG ReadThroughA(const char* source);

    vqxcom::server::RefCount m_refs;
    CVQXHost& m_host;
    CMotor* m_record;
    bool m_allMotors;
    uint64_t m_generation;
};

} // namespace engine
