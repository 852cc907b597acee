#pragma once
// Where a scan keeps the tokens of its lines: a long program holds a hundred thousand of them.
// They are cut from large blocks that are made present in one go and kept for the next scan,
// which starts again at the front; nothing is given back one token array at a time.

#include <cstddef>
#include <memory_resource>
#include <vector>

class CTokenStore final : public std::pmr::memory_resource {
public:
    CTokenStore() = default;
    ~CTokenStore() override;
    CTokenStore(const CTokenStore&) = delete;
    CTokenStore& operator=(const CTokenStore&) = delete;

    // Starts again at the front: every array handed out before is given up (the caller has let
    // go of them all). The next `bytes` come from one block.
    void Rewind(size_t bytes);
    // Bytes held from the system (the tests check that a scan's memory is reused).
    size_t Capacity() const;

private:
    struct Block {
        char* data = nullptr;
        size_t size = 0;
    };
    void AddBlock(size_t bytes);
    void Release();

    void* do_allocate(size_t bytes, size_t alignment) override;
    // Arrays are given back all at once by Rewind.
    void do_deallocate(void*, size_t, size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    std::vector<Block> m_blocks;
    size_t m_used = 0; // bytes handed out from the last block
};
