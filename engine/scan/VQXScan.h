#pragma once
// The compiler object (class VQXScan): the engine's compiler variant offered through IVQXScan, and
// the messages of its last compile walked through IVQXErrors. It needs no host and no port.

#include "VQXEngine.h"
#include "engine/host/HostPart.h"
#include "platform/com/server/ComServer.h"
#include "scanner/EngineCompiler.h"

#include <mutex>

namespace engine {

const vqxcom::server::DispTable& ScanDispatchTable();
const vqxcom::server::DispTable& ErrorsDispatchTable();

class CVQXScan;

// IVQXErrors of a compiler object.
class CScanErrors final : public CHostPart<IVQXErrors, &ErrorsDispatchTable> {
public:
    explicit CScanErrors(CVQXScan& scan);

    HRESULT get_NoOfWarnings(LONG* pVal) override;
    HRESULT get_NoOfErrors(LONG* pVal) override;
    HRESULT get_MaxErrors(LONG* pVal) override;
    HRESULT put_MaxErrors(LONG newVal) override;
    HRESULT get_MaxWarnings(LONG* pVal) override;
    HRESULT put_MaxWarnings(LONG newVal) override;
    HRESULT GoFirst() override;
    HRESULT GoNext() override;
    HRESULT get_Description(BSTR* pVal) override;
    HRESULT get_Code(LONG* pVal) override;
    HRESULT get_Line(LONG* pVal) override;
    HRESULT get_Column(LONG* pVal) override;
    HRESULT get_IsWarning(LONG* pVal) override;

private:
    template <class Body>
    HRESULT Call(Body&& body);
    // The message at the cursor, else code 33.
    const CEngineMessage& Current() const;

    CVQXScan& m_scan;
};

class CVQXScan final : public vqxcom::server::Dual<IVQXScan, &ScanDispatchTable>, public ISupportErrorInfo {
public:
    static HRESULT Create(IUnknown* outer, REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override;
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

    HRESULT Scan(BSTR Program) override;
    HRESULT ScanFile(BSTR FileName) override;
    HRESULT MakeTQX(BSTR FileName, LONG* Result) override;
    HRESULT MakeTQX2(BSTR FileName, BSTR TQXFileName, LONG* Result) override;

private:
    friend class CScanErrors;
    CVQXScan();
    ~CVQXScan();
    // Runs body under the object's lock in the method frame of iid.
    template <class Body>
    HRESULT Call(const IID& iid, Body&& body);
    HRESULT Make(BSTR source, const std::string& target, LONG* result);

    vqxcom::server::RefCount m_refs;
    std::mutex m_mutex;
    CEngineCompiler m_compiler;
    int32_t m_cursor = 0;
    CScanErrors m_errors{*this};
};

} // namespace engine
