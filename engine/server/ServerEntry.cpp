// The exported entry points of the engine library.
#include "engine/host/VQXHost.h"
#include "engine/server/EngineModule.h"
#include "engine/server/Registration.h"

#include <dlfcn.h>

#define VQX_EXPORT extern "C" __attribute__((visibility("default")))

namespace engine {

vqxcom::server::Module& EngineModule()
{
    static vqxcom::server::Module module;
    return module;
}

std::string LibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryPath), &info) && info.dli_fname)
        return info.dli_fname;
    return {};
}

namespace {
vqxcom::server::ClassFactory& HostFactory()
{
    static vqxcom::server::ClassFactory factory(EngineModule(), &CVQXHost::Create);
    return factory;
}
vqxcom::server::ClassFactory& ScanFactory()
{
    static vqxcom::server::ClassFactory factory(EngineModule(), CreateVQXScan);
    return factory;
}
} // namespace

} // namespace engine

VQX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid == CLSID_VQXHost)
        return engine::HostFactory().QueryInterface(riid, ppv);
    if (rclsid == CLSID_VQXScan && engine::CreateVQXScan)
        return engine::ScanFactory().QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

VQX_EXPORT HRESULT DllCanUnloadNow() { return engine::EngineModule().CanUnload() ? S_OK : S_FALSE; }

VQX_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = engine::LibraryPath();
    if (path.empty())
        return E_UNEXPECTED;
    return engine::RegisterClasses(path) ? S_OK : E_FAIL;
}

VQX_EXPORT HRESULT DllUnregisterServer() { return engine::UnregisterClasses() ? S_OK : E_FAIL; }

