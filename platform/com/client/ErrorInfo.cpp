// Error information: one object per failure, one slot per thread.
#include "vqxcom/Com.h"

#include <atomic>
#include <mutex>
#include <string>

namespace {

std::u16string Copy(LPCOLESTR s)
{
    std::u16string out;
    if (s)
        for (; *s; ++s)
            out.push_back(*s);
    return out;
}

HRESULT Give(const std::u16string& s, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(s.data(), UINT(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

class CErrorInfo final : public IErrorInfo, public ICreateErrorInfo {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo)
            *ppv = static_cast<IErrorInfo*>(this);
        else if (riid == IID_ICreateErrorInfo)
            *ppv = static_cast<ICreateErrorInfo*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }

    // The fields are written by the thread that fails and read by whoever took the object; a
    // mutex keeps a reader on another thread from seeing a half-written text.
    HRESULT GetGUID(GUID* g) override
    {
        if (!g)
            return E_POINTER;
        std::lock_guard lock(m_mutex);
        *g = m_guid;
        return S_OK;
    }
    HRESULT GetSource(BSTR* p) override { std::lock_guard lock(m_mutex); return Give(m_source, p); }
    HRESULT GetDescription(BSTR* p) override { std::lock_guard lock(m_mutex); return Give(m_description, p); }
    HRESULT GetHelpFile(BSTR* p) override { std::lock_guard lock(m_mutex); return Give(m_helpFile, p); }
    HRESULT GetHelpContext(DWORD* p) override
    {
        if (!p)
            return E_POINTER;
        std::lock_guard lock(m_mutex);
        *p = m_helpContext;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID g) override { std::lock_guard lock(m_mutex); m_guid = g; return S_OK; }
    HRESULT SetSource(LPCOLESTR s) override { std::lock_guard lock(m_mutex); m_source = Copy(s); return S_OK; }
    HRESULT SetDescription(LPCOLESTR s) override { std::lock_guard lock(m_mutex); m_description = Copy(s); return S_OK; }
    HRESULT SetHelpFile(LPCOLESTR s) override { std::lock_guard lock(m_mutex); m_helpFile = Copy(s); return S_OK; }
    HRESULT SetHelpContext(DWORD c) override { std::lock_guard lock(m_mutex); m_helpContext = c; return S_OK; }

private:
    ~CErrorInfo() = default;
    std::atomic<ULONG> m_refs{1};
    std::mutex m_mutex;
    GUID m_guid = GUID_NULL;
    std::u16string m_source, m_description, m_helpFile;
    DWORD m_helpContext = 0;
};

// The thread's slot; releases what it holds when the thread ends.
struct ThreadSlot {
    IErrorInfo* info = nullptr;
    ~ThreadSlot()
    {
        if (info)
            info->Release();
    }
};
thread_local ThreadSlot t_slot;

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pp)
{
    if (!pp)
        return E_POINTER;
    auto* info = new (std::nothrow) CErrorInfo;
    if (!info) {
        *pp = nullptr;
        return E_OUTOFMEMORY;
    }
    *pp = static_cast<ICreateErrorInfo*>(info);
    return S_OK;
}

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo)
{
    if (dwReserved != 0)
        return E_INVALIDARG;
    if (perrinfo)
        perrinfo->AddRef();
    IErrorInfo* old = t_slot.info;
    t_slot.info = perrinfo;
    if (old)
        old->Release();
    return S_OK;
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pp)
{
    if (!pp)
        return E_POINTER;
    if (dwReserved != 0)
        return E_INVALIDARG;
    *pp = t_slot.info;
    t_slot.info = nullptr;
    return *pp ? S_OK : S_FALSE;
}

namespace vqxcom {

ErrorDetails TakeErrorInfo()
{
    ErrorDetails d;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.out()) != S_OK || !info)
        return d;
    d.present = true;
    info->GetGUID(&d.guid);
    Bstr s;
    if (SUCCEEDED(info->GetDescription(s.out())))
        d.description = s.bytes();
    if (SUCCEEDED(info->GetSource(s.out())))
        d.source = s.bytes();
    if (SUCCEEDED(info->GetHelpFile(s.out())))
        d.helpFile = s.bytes();
    info->GetHelpContext(&d.helpContext);
    return d;
}

} // namespace vqxcom
