#include "platform/memory/Present.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

void MakePresent(void* data, size_t bytes)
{
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (start + page - 1) & ~(page - 1);
    const uintptr_t end = (start + bytes) & ~(page - 1);
    if (bytes == 0 || end <= begin)
        return;
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t hugeBegin = (begin + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t hugeEnd = end & ~(kHuge - 1);
    if (hugeEnd > hugeBegin)
        madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    // Fails harmlessly (EINVAL) on kernels older than 5.14.
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}

} // namespace platform
