#pragma once

#include <cstddef>
#include <memory_resource>
#include <vector>

namespace pavrix_svg {

// Memory for one document's tree: nodes and parsed path data are carved from large chunks and
// released together when the document goes. The chunks come from, and return to, a process-wide
// pool that keeps a bounded amount between documents. Without it, every recording grew a heap of
// many megabytes and the allocator handed it back to the kernel at the end, so concurrent
// recordings spent their time faulting the same pages in again. Used by one thread at a time;
// deallocation is a no-op.
class DocumentArena final : public std::pmr::memory_resource {
public:
    static constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
    // Requests above this get a block of their own instead of wasting a chunk's tail.
    static constexpr std::size_t kLargeRequestBytes = kChunkBytes / 4;

    DocumentArena() = default;
    ~DocumentArena() override;
    DocumentArena(const DocumentArena&) = delete;
    DocumentArena& operator=(const DocumentArena&) = delete;

    // The most the pool keeps between documents, for all threads together.
    static constexpr std::size_t kRetainedBytes = std::size_t{128} << 20;

private:
    struct LargeBlock {
        void* data;
        std::size_t bytes;
        std::size_t alignment;
    };

    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void*, std::size_t, std::size_t) noexcept override {}
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    std::vector<std::byte*> m_chunks;
    std::vector<LargeBlock> m_largeBlocks;
    std::byte* m_cursor = nullptr;
    std::size_t m_remaining = 0;
};

}  // namespace pavrix_svg
