// vqx-regsvr: registers an in-process server (or with -u unregisters it) in the registry in use
// (VQX_REGISTRY_DIR, else the user's and machine's files).
#include "vqxcom/Com.h"

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (!library)
            library = argv[i];
    }
    if (!library) {
        std::fprintf(stderr, "usage: vqx-regsvr [-u] <library>\n");
        return 2;
    }
    char full[PATH_MAX];
    if (!realpath(library, full)) {
        std::fprintf(stderr, "vqx-regsvr: %s: no such library\n", library);
        return 1;
    }
    void* handle = dlopen(full, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "vqx-regsvr: cannot load %s: %s\n", full, dlerror());
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto function = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, entry));
    if (!function) {
        std::fprintf(stderr, "vqx-regsvr: %s has no %s\n", full, entry);
        return 1;
    }
    const HRESULT hr = function();
    if (FAILED(hr)) {
        std::fprintf(stderr, "vqx-regsvr: %s failed (0x%08X)\n", entry, unsigned(hr));
        return 1;
    }
    std::printf("%s: %s\n", full, unregister ? "unregistered" : "registered");
    return 0;
}
