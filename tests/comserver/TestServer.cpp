// A small in-process server for the COM layer's tests: one class with a dual interface.
#include "tests/comserver/TestServer.h"

#include "platform/com/server/ComServer.h"

#include <new>
#include <string>

using namespace vqxcom::server;

namespace {

Module g_module;

const DispTable& CounterTable();

class CCounter final : public Dual<ICounter, &CounterTable>, public ISupportErrorInfo {
public:
    CCounter() { g_module.Lock(); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ICounter)
            *ppv = static_cast<ICounter*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return m_refs.Add(); }
    ULONG Release() override
    {
        const ULONG n = m_refs.Drop();
        if (n == 0)
            delete this;
        return n;
    }

    HRESULT Add(LONG by, LONG* total) override
    {
        if (!total)
            return E_POINTER;
        m_total += by;
        *total = m_total;
        return S_OK;
    }
    HRESULT get_Name(BSTR* name) override
    {
        *name = vqxcom::BstrFromBytes(m_name);
        return S_OK;
    }
    HRESULT put_Name(BSTR name) override
    {
        m_name = vqxcom::BytesFromBstr(name);
        return S_OK;
    }
    HRESULT Scale(DOUBLE factor, BYTE small, VARIANT_BOOL negate, DOUBLE* out) override
    {
        *out = factor * small * (negate ? -1 : 1);
        return S_OK;
    }
    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == IID_ICounter ? S_OK : S_FALSE; }
    HRESULT Fail(LONG code) override
    {
        SetThreadError(IID_ICounter, "failed " + std::to_string(code), DWORD(code), "help.chm", "Counter");
        return E_FAIL;
    }

private:
    ~CCounter() { g_module.Unlock(); }


    RefCount m_refs;
    LONG m_total = 0;
    std::string m_name;
};

const DispTable& CounterTable()
{
    static const DispTable table = {
        Member<&ICounter::Add>("Add", 1),
        Get<&ICounter::get_Name>("Name", 2),
        Put<&ICounter::put_Name>("Name", 2),
        Member<&ICounter::Scale>("Scale", 3),
        Member<&ICounter::Fail>("Fail", 4),
    };
    return table;
}

HRESULT CreateCounter(IUnknown*, REFIID riid, void** ppv)
{
    auto* counter = new (std::nothrow) CCounter;
    if (!counter)
        return E_OUTOFMEMORY;
    counter->AddRef();
    const HRESULT hr = counter->QueryInterface(riid, ppv);
    counter->Release();
    return hr;
}

ClassFactory g_factory(g_module, &CreateCounter);

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_Counter)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return g_module.CanUnload() ? S_OK : S_FALSE;
}
