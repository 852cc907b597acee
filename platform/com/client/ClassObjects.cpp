// Finding and loading in-process servers: HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 names the
// library, dlopen loads it (once per process; it stays loaded), DllGetClassObject hands out the
// class object.
#include "vqxcom/Com.h"

#include "platform/registry/Registry.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

namespace {

std::string Narrow(LPCOLESTR s)
{
    std::string out;
    if (s)
        for (; *s; ++s)
            out.push_back(*s < 0x80 ? char(*s) : '?');
    return out;
}

// Loaded libraries by path; they are never unloaded, so class objects and the code of objects
// handed out stay valid for the life of the process.
std::mutex g_librariesMutex;
std::map<std::string, void*>& Libraries()
{
    static std::map<std::string, void*> libraries;
    return libraries;
}

HRESULT LoadServer(const std::string& path, PFN_DllGetClassObject& entry)
{
    std::lock_guard lock(g_librariesMutex);
    void*& handle = Libraries()[path];
    if (!handle) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            Libraries().erase(path);
            return CO_E_DLLNOTFOUND;
        }
    }
    entry = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    return entry ? S_OK : CO_E_ERRORINDLL;
}

} // namespace

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    const std::string key = "CLSID\\" + vqxcom::GuidToString(rclsid) + "\\InprocServer32";
    const auto path = platform::DefaultRegistry().GetString(platform::RegHive::ClassesRoot, key, "");
    if (!path || path->empty())
        return REGDB_E_CLASSNOTREG;
    PFN_DllGetClassObject entry = nullptr;
    const HRESULT hr = LoadServer(*path, entry);
    if (FAILED(hr))
        return hr;
    return entry(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid)
{
    if (!lpsz || !pclsid)
        return E_INVALIDARG;
    if (vqxcom::GuidFromString(Narrow(lpsz), *pclsid))
        return S_OK;
    return CLSIDFromProgID(lpsz, pclsid);
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* pclsid)
{
    if (!lpszProgID || !pclsid)
        return E_INVALIDARG;
    const std::string progId = Narrow(lpszProgID);
    if (progId.empty())
        return CO_E_CLASSSTRING;
    const auto text = platform::DefaultRegistry().GetString(platform::RegHive::ClassesRoot, progId + "\\CLSID", "");
    if (!text || !vqxcom::GuidFromString(*text, *pclsid))
        return CO_E_CLASSSTRING;
    return S_OK;
}
