// The compiler object: IVQXScan compiles, IVQXErrors walks the messages of the last compile.
#include "engine/scan/VQXScan.h"

#include "engine/errors/EngineError.h"
#include "engine/server/EngineModule.h"

namespace engine {

using namespace vqxcom::server;

HRESULT CreateVQXScan(IUnknown* outer, REFIID riid, void** ppv) { return CVQXScan::Create(outer, riid, ppv); }

const DispTable& ScanDispatchTable()
{
    static const DispTable table = {
        Member<&IVQXScan::Scan>("Scan", 1),
        Member<&IVQXScan::ScanFile>("ScanFile", 2),
        Member<&IVQXScan::MakeTQX>("MakeTQX", 3),
        Member<&IVQXScan::MakeTQX2>("MakeTQX2", 4),
    };
    return table;
}

const DispTable& ErrorsDispatchTable()
{
    static const DispTable table = {
        Get<&IVQXErrors::get_NoOfWarnings>("NoOfWarnings", 1),
        Get<&IVQXErrors::get_NoOfErrors>("NoOfErrors", 2),
        Get<&IVQXErrors::get_MaxErrors>("MaxErrors", 3),
        Put<&IVQXErrors::put_MaxErrors>("MaxErrors", 3),
        Get<&IVQXErrors::get_MaxWarnings>("MaxWarnings", 4),
        Put<&IVQXErrors::put_MaxWarnings>("MaxWarnings", 4),
        Member<&IVQXErrors::GoFirst>("GoFirst", 5),
        Member<&IVQXErrors::GoNext>("GoNext", 6),
        Get<&IVQXErrors::get_Description>("Description", 7),
        Get<&IVQXErrors::get_Code>("Code", 8),
        Get<&IVQXErrors::get_Line>("Line", 9),
        Get<&IVQXErrors::get_Column>("Column", 10),
        Get<&IVQXErrors::get_IsWarning>("IsWarning", 11),
    };
    return table;
}

// ---- the object ----

HRESULT CVQXScan::Create(IUnknown*, REFIID riid, void** ppv)
{
    CVQXScan* scan = nullptr;
    try {
        scan = new CVQXScan;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    scan->AddRef();
    const HRESULT hr = scan->QueryInterface(riid, ppv);
    scan->Release();
    return hr;
}

CVQXScan::CVQXScan() { EngineModule().Lock(); }
CVQXScan::~CVQXScan() { EngineModule().Unlock(); }

HRESULT CVQXScan::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IVQXScan)
        *ppv = static_cast<IVQXScan*>(this);
    else if (riid == IID_IVQXErrors)
        *ppv = static_cast<IVQXErrors*>(&m_errors);
    else if (riid == IID_ISupportErrorInfo)
        *ppv = static_cast<ISupportErrorInfo*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CVQXScan::Release()
{
    const ULONG n = m_refs.Drop();
    if (n == 0)
        delete this;
    return n;
}

HRESULT CVQXScan::InterfaceSupportsErrorInfo(REFIID riid)
{
    return (riid == IID_IVQXScan || riid == IID_IVQXErrors) ? S_OK : S_FALSE;
}

template <class Body>
HRESULT CVQXScan::Call(const IID& iid, Body&& body)
{
    std::lock_guard lock(m_mutex);
    return MethodFrame(iid, std::forward<Body>(body));
}

HRESULT CVQXScan::Scan(BSTR Program)
{
    return Call(IID_IVQXScan, [&] {
        // No text: the last compile's messages and the cursor stay.
        if (!Program)
            return;
        m_cursor = 0;
        m_compiler.CompileText(BstrToCString(Program));
    });
}

HRESULT CVQXScan::ScanFile(BSTR FileName)
{
    return Call(IID_IVQXScan, [&] {
        Require(FileName != nullptr);
        m_cursor = 0;
        m_compiler.CompileFile(BstrToCString(FileName));
    });
}

HRESULT CVQXScan::Make(BSTR source, const std::string& target, LONG* result)
{
    return Call(IID_IVQXScan, [&] {
        Require(source != nullptr && result != nullptr);
        m_cursor = 0;
        *result = m_compiler.MakeCompiled(BstrToCString(source), target) ? 1 : 0;
    });
}

HRESULT CVQXScan::MakeTQX(BSTR FileName, LONG* Result)
{
    return Make(FileName, CEngineCompiler::CompiledFileName(BstrToCString(FileName)), Result);
}

HRESULT CVQXScan::MakeTQX2(BSTR FileName, BSTR TQXFileName, LONG* Result)
{
    if (!TQXFileName)
        return Call(IID_IVQXScan, [] { Require(false); });
    return Make(FileName, BstrToCString(TQXFileName), Result);
}

// ---- the messages ----

CScanErrors::CScanErrors(CVQXScan& scan) : CHostPart(static_cast<IVQXScan&>(scan)), m_scan(scan) {}

template <class Body>
HRESULT CScanErrors::Call(Body&& body)
{
    return m_scan.Call(IID_IVQXErrors, std::forward<Body>(body));
}

const CEngineMessage& CScanErrors::Current() const
{
    const auto& messages = m_scan.m_compiler.Messages();
    if (m_scan.m_cursor < 0 || static_cast<size_t>(m_scan.m_cursor) >= messages.size())
        throw CVQXException(VQXE_NO_MORE_ERRORS);
    return messages[static_cast<size_t>(m_scan.m_cursor)];
}

HRESULT CScanErrors::get_NoOfWarnings(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = m_scan.m_compiler.WarningCount(); });
}
HRESULT CScanErrors::get_NoOfErrors(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = m_scan.m_compiler.ErrorCount(); });
}
HRESULT CScanErrors::get_MaxErrors(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = m_scan.m_compiler.MaxErrors; });
}
HRESULT CScanErrors::put_MaxErrors(LONG newVal)
{
    return Call([&] { Require(newVal > 0); m_scan.m_compiler.MaxErrors = newVal; });
}
HRESULT CScanErrors::get_MaxWarnings(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = m_scan.m_compiler.MaxWarnings; });
}
HRESULT CScanErrors::put_MaxWarnings(LONG newVal)
{
    return Call([&] { Require(newVal > 0); m_scan.m_compiler.MaxWarnings = newVal; });
}
HRESULT CScanErrors::GoFirst()
{
    return Call([&] { m_scan.m_cursor = 0; });
}
HRESULT CScanErrors::GoNext()
{
    return Call([&] {
        // The cursor keeps its new value also when it went past the end.
        if (m_scan.m_cursor < INT32_MAX)
            ++m_scan.m_cursor;
        Current();
    });
}
HRESULT CScanErrors::get_Description(BSTR* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        *pVal = ToBstr(Current().text);
    });
}
HRESULT CScanErrors::get_Code(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = Current().code; });
}
HRESULT CScanErrors::get_Line(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = Current().line; });
}
HRESULT CScanErrors::get_Column(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = Current().column; });
}
HRESULT CScanErrors::get_IsWarning(LONG* pVal)
{
    return Call([&] { Require(pVal != nullptr); *pVal = Current().IsWarning() ? 1 : 0; });
}

} // namespace engine
