#pragma once
// The host object (class VQXHost): one port of the communication core, run with the engine's
// policy, offered through IVQXComm. Calls on one host are serialised by its lock, so two client
// threads never interleave traffic on its port. Motor objects handed out by GetMotor keep the host
// alive and learn from the host's list generation when a detection replaced their record.

#include "VQXEngine.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "engine/errors/EngineError.h"
#include "engine/host/HostPath.h"
#include "engine/host/HostSynmove.h"
#include "engine/host/NotifyProgress.h"
#include "engine/port/EnginePortPolicy.h"
#include "engine/server/EngineModule.h"
#include "engine/settings/EngineSettings.h"
#include "platform/com/server/ComServer.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

class CMotor;

namespace engine {

const vqxcom::server::DispTable& CommDispatchTable();

class CVQXHost final : public vqxcom::server::Dual<IVQXComm, &CommDispatchTable>, public ISupportErrorInfo {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;
    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

    // IVQXComm
    HRESULT OpenPort(BSTR PortName) override;
    HRESULT ClosePort() override;
    HRESULT get_PortHandle(LONG* pVal) override;
    HRESULT ClearBuffer() override;
    HRESULT get_BytesAvailable(LONG* pVal) override;
    HRESULT WriteCommand(BSTR Command) override;
    HRESULT WriteString(BSTR Data) override;
    HRESULT ReadResponse(BSTR* Response) override;
    HRESULT ReadString(LONG NoOfBytes, BSTR* Data) override;
    HRESULT EstablishChain() override;
    HRESULT AddressMotorChain(LONG* MotorCount) override;
    HRESULT Wait(LONG Time) override;
    HRESULT get_DefaultMotor(LONG* pVal) override;
    HRESULT put_DefaultMotor(LONG newVal) override;
    HRESULT get_Echo(VARIANT_BOOL* pVal) override;
    HRESULT put_Echo(VARIANT_BOOL newVal) override;
    HRESULT get_Parity(enum_parity* pVal) override;
    HRESULT put_Parity(enum_parity newVal) override;
    HRESULT get_BaudRate(LONG* pVal) override;
    HRESULT put_BaudRate(LONG newVal) override;
    HRESULT get_Timeout(LONG* pVal) override;
    HRESULT put_Timeout(LONG newVal) override;
    HRESULT get_CharDelay(LONG* pVal) override;
    HRESULT put_CharDelay(LONG newVal) override;
    HRESULT get_PortName(BSTR* pVal) override;
    HRESULT GetResponseOf(BSTR Command, BSTR* Response) override;
    HRESULT GetMotor(LONG Address, IVQXMotor** Motor) override;
    HRESULT get_MaxMotors(LONG* pVal) override;
    HRESULT put_MaxMotors(LONG newVal) override;
    HRESULT Download(LONG Motor, BSTR FileName) override;
    HRESULT Upload(LONG Motor, BSTR FileName) override;
    HRESULT ForceUpload(LONG Motor, BSTR FileName) override;
    HRESULT get_IsRS485(LONG* pVal) override;
    HRESULT put_IsRS485(LONG newVal) override;
    HRESULT ClearEEPROM(LONG Motor) override;
    HRESULT InitializeNotification(LONG hWindow, LONG message) override;
    HRESULT WriteCmd(BSTR Command) override;
    HRESULT InitRS485(LONG NoOfMotors, LONG MotorChannel) override;
    HRESULT get_TxMaxRetry(LONG* pVal) override;
    HRESULT put_TxMaxRetry(LONG newVal) override;
    HRESULT get_TxTimeoutMul(LONG* pVal) override;
    HRESULT put_TxTimeoutMul(LONG newVal) override;
    HRESULT get_TxTimeoutConst(LONG* pVal) override;
    HRESULT put_TxTimeoutConst(LONG newVal) override;
    HRESULT get_LogFlags(LONG* pVal) override;
    HRESULT put_LogFlags(LONG newVal) override;
    HRESULT get_LogFileName(BSTR* pVal) override;
    HRESULT put_LogFileName(BSTR newVal) override;
    HRESULT get_EchoTimeoutMul(LONG* pVal) override;
    HRESULT put_EchoTimeoutMul(LONG newVal) override;
    HRESULT get_EchoTimeoutConst(LONG* pVal) override;
    HRESULT put_EchoTimeoutConst(LONG newVal) override;
    HRESULT DetectRS232(LONG MaxAddress, LONG Flags, LONG* ErrorCode) override;
    HRESULT DetectRS485(LONG MaxAddress, LONG MotorChannel, LONG Flags, LONG* ErrorCode) override;
    HRESULT AddressServos(LONG Flags, LONG* ErrorCode) override;
    HRESULT get_NoOfMotors(LONG* pVal) override;
    HRESULT get_EngineVersion(LONG* pVal) override;
    HRESULT InitEthernet(LONG MaxAddress) override;
    HRESULT DetectNetMotors(LONG MaxAddress, LONG Flags, LONG* ErrorCode) override;
    HRESULT AddNetMotor(BSTR IPAddress, LONG* MotorAddress) override;
    HRESULT InitUSB(LONG MaxAddress) override;
    HRESULT DetectUSBMotors(LONG MaxAddress, LONG Flags, LONG* ErrorCode) override;
    HRESULT ReorderMotors(LONG Address, BSTR SerialNo, LONG* OldMotorAddress) override;

    // ---- for the motor objects ----
    // Runs body under the host's lock, in the method frame of the interface iid.
    template <class Body>
    HRESULT Call(const IID& iid, Body&& body)
    {
        std::lock_guard lock(m_mutex);
        return MethodFrame(iid, std::forward<Body>(body));
    }
    CCommPort& Port() { return m_port; }
    CNotifyProgress& Progress() { return m_progress; }
    // Changes whenever a detection or addressing may have replaced the motor records.
    uint64_t ListGeneration() const { return m_generation; }
    // The valid factory block of a motor record as last read (empty: none), read again when
    // reload is set or none is loaded; and the loaded one without reading (null: none).
    const std::string& FactoryBlock(CMotor& motor, bool reload);
    const std::string* LoadedFactoryBlock(const CMotor& motor) const;
    // The record that stands for all motors (address 0), owned by the host.
    CMotor& AllMotors();
    const CEngineSettings& Settings() const { return m_settings; }
    // Code 8 when the port is a serial one and not open.
    void RequireSerialOpen() const;

private:
    CVQXHost();
    ~CVQXHost();


    template <class Body>
    HRESULT Comm(Body&& body)
    {
        return Call(IID_IVQXComm, std::forward<Body>(body));
    }
    void RequireSerialPort() const;
    bool IsOpen() const;
    // Runs a detection routine with the host's notification as its progress; replaces the list.
    int RunDetection(int flags, CNotifyProgress::Operation op, int (*routine)(CCommPort&, int));
    // The common head of the detect methods: a precondition failure gives a result or an error.
    bool DetectGuard(bool ok, int32_t result, LONG flags, LONG* ErrorCode);
    // The common head of the serial detections: the port and range guards, then the address
    // range taken; false when a guard gave the result.
    bool SerialDetectHead(LONG MaxAddress, LONG Flags, LONG* ErrorCode);
    // Ethernet and USB detection: the same guards, the routine, every motor selected at the end.
    void DetectLinks(int commType, int32_t wrongType, LONG MaxAddress, LONG Flags, LONG* ErrorCode,
                     CNotifyProgress::Operation op,
                     int (*routine)(CCommPort&, int));
    void ApplyLineTimeouts();
    void EnsureLinks();

    vqxcom::server::RefCount m_refs;
    std::recursive_mutex m_mutex;
    CEngineSettings m_settings;
    CEnginePortPolicy m_policy{m_settings};
    CCommPort m_port;
    // The host's own operation context: progress as its notifications, questions answered as a
    // user who closes the box, information lines kept, the engine's settings, no traffic log.
    CNotifyProgress m_progress;
    COptions m_options;
    ui::COperationContext m_context;
    std::unique_ptr<CMotor> m_allMotors;
    std::atomic<uint64_t> m_generation{0};
    // Per motor record: the list generation it was read in and the block.
    std::map<const CMotor*, std::pair<uint64_t, std::string>> m_factoryBlocks;
    // The host's other interfaces; they go before the port they use.
    CHostSynmove m_synmove{*this};
    CHostPath m_path{*this};
};

} // namespace engine
