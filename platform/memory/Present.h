#pragma once
// Large buffers that are filled at once (a compile's tokens, a project's records) are made present
// in one call before they are written. Left to first writes, each 4 KB page costs its own fault,
// and on a virtual machine a few thousand faults take longer than the work that fills the buffer.

#include <cstddef>

namespace platform {

// Asks the system to back the whole pages inside [data, data + bytes) now, with huge pages where
// it offers them. Contents are unchanged. Best effort: where the system cannot, pages come on
// first write as before.
void MakePresent(void* data, size_t bytes);

} // namespace platform
