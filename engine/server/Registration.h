#pragma once
// The engine's classes in HKEY_CLASSES_ROOT: ProgIDs, CLSID keys with InprocServer32.
#include <string>

namespace engine {

// Writes the keys of VQXHost and VQXScan with the library at libraryPath; false when the
// registry cannot be written.
bool RegisterClasses(const std::string& libraryPath);
// Removes the ProgID keys and the classes' CLSID keys; the CLSID root stays.
bool UnregisterClasses();

} // namespace engine
