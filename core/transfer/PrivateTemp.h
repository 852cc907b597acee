#pragma once
// Temporary files of program transfers live in a folder of this user only (mode 0700, checked to be
// ours and not a link), so that nobody else can plant or read them.

#include <string>

namespace transfer {

// The folder, created on first use; throws 1035 when it cannot be made safe.
std::string PrivateTempFolder();
// A file name in that folder made from the given one, unique to this process and call.
std::string PrivateTempFile(const std::string& name);

} // namespace transfer
