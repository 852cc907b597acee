#include "scanner/TokenStore.h"

#include "platform/memory/Present.h"

#include <algorithm>
#include <new>

namespace {
// Arrays asked for beyond a scan's estimate (define substitutions) come from blocks of this size.
constexpr size_t kMinBlock = size_t{256} << 10;
} // namespace

CTokenStore::~CTokenStore() { Release(); }

size_t CTokenStore::Capacity() const
{
    size_t total = 0;
    for (const Block& b : m_blocks)
        total += b.size;
    return total;
}

void CTokenStore::Rewind(size_t bytes)
{
    // One block that holds the whole estimate; a scan that needed more than one block gets a
    // single block of everything it used the next time.
    if (m_blocks.size() != 1 || m_blocks.front().size < bytes) {
        const size_t size = std::max(bytes, Capacity());
        Release();
        AddBlock(size);
    }
    m_used = 0;
}

void CTokenStore::AddBlock(size_t bytes)
{
    Block b;
    b.size = std::max(bytes, kMinBlock);
    b.data = static_cast<char*>(::operator new(b.size));
    platform::MakePresent(b.data, b.size);
    m_blocks.push_back(b);
    m_used = 0;
}

void CTokenStore::Release()
{
    for (const Block& b : m_blocks)
        ::operator delete(b.data);
    m_blocks.clear();
    m_used = 0;
}

void* CTokenStore::do_allocate(size_t bytes, size_t alignment)
{
    if (!m_blocks.empty()) {
        const Block& last = m_blocks.back();
        const size_t at = (m_used + alignment - 1) & ~(alignment - 1);
        if (at <= last.size && bytes <= last.size - at) {
            m_used = at + bytes;
            return last.data + at;
        }
    }
    // ::operator new aligns for every token member.
    if (alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
        throw std::bad_alloc();
    AddBlock(bytes);
    m_used = bytes;
    return m_blocks.back().data;
}
