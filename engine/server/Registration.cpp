#include "engine/server/Registration.h"

#include "VQXEngine.h"
#include "platform/registry/Registry.h"

namespace engine {

namespace {

struct ClassKeys {
    CLSID clsid;
    const char* description;
    const char* progId;
    const char* versionIndependent;
    bool hostExtras; // CurVer, Programmable and TypeLib
};

const ClassKeys kClasses[] = {
    {CLSID_VQXHost, "VQXHost Class", "VQXEngine.VQXHost.1", "VQXEngine.VQXHost", true},
    {CLSID_VQXScan, "VQXScan Class", "VQXEngine.VQXScan.1", "VQXEngine.VQXScan", false},
};

} // namespace

bool RegisterClasses(const std::string& libraryPath)
{
    using platform::RegHive;
    platform::Registry& reg = platform::DefaultRegistry();
    platform::Registry::Batch batch(reg, RegHive::ClassesRoot);
    bool ok = true;
    for (const ClassKeys& c : kClasses) {
        const std::string clsid = vqxcom::GuidToString(c.clsid);
        const std::string key = std::string("CLSID\\") + clsid;
        ok &= reg.SetString(RegHive::ClassesRoot, c.progId, "", c.description);
        ok &= reg.SetString(RegHive::ClassesRoot, std::string(c.progId) + "\\CLSID", "", clsid);
        ok &= reg.SetString(RegHive::ClassesRoot, c.versionIndependent, "", c.description);
        ok &= reg.SetString(RegHive::ClassesRoot, std::string(c.versionIndependent) + "\\CLSID", "", clsid);
        if (c.hostExtras)
            ok &= reg.SetString(RegHive::ClassesRoot, std::string(c.versionIndependent) + "\\CurVer", "", c.progId);
        // The class key is replaced whole.
        reg.DeleteKey(RegHive::ClassesRoot, key);
        ok &= reg.SetString(RegHive::ClassesRoot, key, "", c.description);
        ok &= reg.SetString(RegHive::ClassesRoot, key + "\\ProgID", "", c.progId);
        ok &= reg.SetString(RegHive::ClassesRoot, key + "\\VersionIndependentProgID", "", c.versionIndependent);
        if (c.hostExtras)
            ok &= reg.CreateKey(RegHive::ClassesRoot, key + "\\Programmable");
        ok &= reg.SetString(RegHive::ClassesRoot, key + "\\InprocServer32", "", libraryPath);
        ok &= reg.SetString(RegHive::ClassesRoot, key + "\\InprocServer32", "ThreadingModel", "both");
        if (c.hostExtras)
            ok &= reg.SetString(RegHive::ClassesRoot, key + "\\TypeLib", "", vqxcom::GuidToString(LIBID_VQXENGINELib));
    }
    return batch.Commit() && ok;
}

bool UnregisterClasses()
{
    using platform::RegHive;
    platform::Registry& reg = platform::DefaultRegistry();
    platform::Registry::Batch batch(reg, RegHive::ClassesRoot);
    for (const ClassKeys& c : kClasses) {
        reg.DeleteKey(RegHive::ClassesRoot, c.progId);
        reg.DeleteKey(RegHive::ClassesRoot, c.versionIndependent);
        reg.DeleteKey(RegHive::ClassesRoot, std::string("CLSID\\") + vqxcom::GuidToString(c.clsid));
    }
    return batch.Commit();
}

} // namespace engine
