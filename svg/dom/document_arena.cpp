#include "svg/dom/document_arena.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>

namespace pavrix_svg {

namespace {

constexpr std::size_t kChunkAlignment = 64;

// Under AddressSanitizer every chunk goes back to the system at once, so a read of a document's
// memory after the document is gone is reported instead of landing in a retained chunk.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRetainChunks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kRetainChunks = false;
#else
constexpr bool kRetainChunks = true;
#endif
#else
constexpr bool kRetainChunks = true;
#endif

// Room for one more entry before the block exists, so a failed append cannot lose it.
template <class Entry>
void reserveOneMore(std::vector<Entry>& entries) {
    if (entries.size() == entries.capacity())
        entries.reserve(2 * entries.size() + 16);
}

void freeChunk(std::byte* chunk) noexcept {
    ::operator delete(chunk, DocumentArena::kChunkBytes, std::align_val_t{kChunkAlignment});
}

class ChunkPool {
public:
    ChunkPool(const ChunkPool&) = delete;
    ChunkPool& operator=(const ChunkPool&) = delete;

    // Never destroyed: documents may be released by threads that outlive static destruction.
    static ChunkPool& instance() {
        static ChunkPool* pool = new ChunkPool();
        return *pool;
    }

    std::byte* take() {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_free.empty()) {
                std::byte* chunk = m_free.back();
                m_free.pop_back();
                return chunk;
            }
        }
        return static_cast<std::byte*>(::operator new(DocumentArena::kChunkBytes, std::align_val_t{kChunkAlignment}));
    }

    void give(std::vector<std::byte*>& chunks) noexcept {
        std::size_t kept = 0;
        if (kRetainChunks) {
            const std::lock_guard lock(m_mutex);
            kept = std::min(chunks.size(), kMaxChunks - m_free.size());
            // Capacity was reserved up to the cap, so these appends cannot throw.
            m_free.insert(m_free.end(), chunks.end() - static_cast<std::ptrdiff_t>(kept), chunks.end());
        }
        for (std::size_t index = 0; index + kept < chunks.size(); ++index)
            freeChunk(chunks[index]);
        chunks.clear();
    }

private:
    static constexpr std::size_t kMaxChunks = DocumentArena::kRetainedBytes / DocumentArena::kChunkBytes;

    ChunkPool() { m_free.reserve(kMaxChunks); }

    std::mutex m_mutex;
    std::vector<std::byte*> m_free;
};

}  // namespace

DocumentArena::~DocumentArena() {
    for (const LargeBlock& block : m_largeBlocks)
        ::operator delete(block.data, block.bytes, std::align_val_t{block.alignment});
    ChunkPool::instance().give(m_chunks);
}

void* DocumentArena::do_allocate(std::size_t bytes, std::size_t alignment) {
    bytes = std::max<std::size_t>(bytes, 1);
    if (bytes > kLargeRequestBytes || alignment > kChunkAlignment) {
        alignment = std::max(alignment, alignof(std::max_align_t));
        reserveOneMore(m_largeBlocks);
        void* data = ::operator new(bytes, std::align_val_t{alignment});
        m_largeBlocks.push_back({data, bytes, alignment});
        return data;
    }
    std::size_t padding = (alignment - reinterpret_cast<std::uintptr_t>(m_cursor) % alignment) % alignment;
    if (m_cursor == nullptr || padding + bytes > m_remaining) {
        reserveOneMore(m_chunks);
        m_cursor = ChunkPool::instance().take();
        m_chunks.push_back(m_cursor);
        m_remaining = kChunkBytes;
        padding = 0;  // chunks are aligned beyond any request they serve
    }
    std::byte* result = m_cursor + padding;
    m_cursor = result + bytes;
    m_remaining -= padding + bytes;
    return result;
}

}  // namespace pavrix_svg
