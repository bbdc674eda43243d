#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/path.h"
#include "svg/dom/document.h"
#include "svg/dom/document_arena.h"
#include "svg/dom/element_tree.h"
#include "svg/xml/document_loading.h"

namespace pavrix_svg {
namespace {

struct Request {
    std::size_t bytes;
    std::size_t alignment;
};

// Small, chunk-straddling, large and over-aligned requests: each block is aligned, filled and
// still intact when every later block has been written, so no two overlap.
TEST(DocumentArena, BlocksAreAlignedAndDisjoint) {
    const Request requests[] = {{1, 1},
                                {0, 8},
                                {24, 8},
                                {560, 16},
                                {3, 2},
                                {100, 64},
                                {DocumentArena::kLargeRequestBytes + 1, 16},
                                {40, 128},
                                {DocumentArena::kChunkBytes - 8, 8},
                                {9, 4}};
    DocumentArena arena;
    std::vector<std::pair<std::byte*, std::size_t>> blocks;
    std::size_t requested = 0;
    for (int round = 0; round < 40; ++round) {
        for (const Request& request : requests) {
            auto* block = static_cast<std::byte*>(arena.allocate(request.bytes, request.alignment));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(block) % request.alignment, 0u);
            std::memset(block, static_cast<int>(blocks.size() & 0xFF), request.bytes);
            blocks.emplace_back(block, request.bytes);
            requested += std::max<std::size_t>(request.bytes, 1);
        }
    }
    for (std::size_t index = 0; index < blocks.size(); ++index) {
        const auto [block, bytes] = blocks[index];
        for (std::size_t offset = 0; offset < bytes; ++offset)
            ASSERT_EQ(block[offset], static_cast<std::byte>(index & 0xFF)) << index;
    }
    EXPECT_EQ(arena.allocatedBytes(), requested);
}

// Parsed path data lives in the arena and keeps every element through its growth; a copy made
// for editing leaves the arena.
TEST(DocumentArena, PathsGrowInPlaceOfTheHeap) {
    DocumentArena arena;
    std::string data = "M0 0";
    for (int step = 1; step <= 500; ++step)
        data += " L" + std::to_string(step) + " " + std::to_string(step % 7);
    Path heap;
    Path arenaPath;
    ASSERT_TRUE(heap.parse(data));
    ASSERT_TRUE(arenaPath.parse(data, &arena));
    ASSERT_EQ(arenaPath.data()->storage, &arena);
    ASSERT_EQ(arenaPath.data()->elements.size, heap.data()->elements.size);
    EXPECT_EQ(std::memcmp(arenaPath.data()->elements.data, heap.data()->elements.data,
                          sizeof(pavrix_graphics::PathElement) * static_cast<std::size_t>(heap.data()->elements.size)),
              0);
    EXPECT_GT(arena.allocatedBytes(), sizeof(pavrix_graphics::PathElement) * 500);

    Path edited = arenaPath;
    edited.lineTo(1, 1);
    EXPECT_EQ(edited.data()->storage, nullptr);
    EXPECT_EQ(arenaPath.data()->elements.size, heap.data()->elements.size);
    // Parsing again into another storage replaces the record rather than mixing the two.
    ASSERT_TRUE(arenaPath.parse(data));
    EXPECT_EQ(arenaPath.data()->storage, nullptr);
}

// Documents come and go on many threads at once, and their chunks are handed from one to the
// next through the shared pool: every tree still reads back whole.
TEST(DocumentArena, DocumentsOnManyThreads) {
    std::string text = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>";
    for (int index = 0; index < 2000; ++index)
        text += "<path id='p" + std::to_string(index) + "' d='M0 0 L" + std::to_string(index) + " 1 Z'/>";
    text += "</svg>";
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) {
                const std::unique_ptr<Document> document = loadDocumentFromString(text);
                int paths = 0;
                for (const auto& child : document->rootElement()->children())
                    paths += child->isGeometryElement() ? 1 : 0;
                if (paths != 2000 || document->getAttributeByName(document->documentElement(), "width") != "10")
                    ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace pavrix_svg
