#pragma once
// The engine library as a COM server: its count of live objects and locks, and its classes.

#include "VQXEngine.h"
#include "platform/com/server/ComServer.h"

#include <string>

namespace engine {

// Objects and LockServer locks of the library (DllCanUnloadNow).
vqxcom::server::Module& EngineModule();

// Creates the compiler object (class VQXScan); defined where the compiler object is built in.
// Without it the class has no class object.
HRESULT CreateVQXScan(IUnknown* outer, REFIID riid, void** ppv) __attribute__((weak));

// The full path of the loaded engine library.
std::string LibraryPath();

// Product version "2, 1, 1, 1" and the library's name.
inline constexpr const char* kProductVersion = "2, 1, 1, 1";
inline constexpr const char* kProjectName = "VQXEngine";

} // namespace engine
