#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/path.h"
#include "svg/dom/document.h"
#include "svg/dom/element_tree.h"
#include "svg/xml/document_loading.h"

namespace pavrix_svg {
namespace {

// Small, chunk-straddling, large and over-aligned requests: every block is aligned and still holds
// its own fill once all later blocks are written, so no two overlap.
TEST(DocumentArena, BlocksAreAlignedAndDisjoint) {
    const std::pair<std::size_t, std::size_t> requests[] = {{1, 1},
                                                            {0, 8},
                                                            {560, 16},
                                                            {3, 2},
                                                            {DocumentArena::kLargeRequestBytes + 1, 16},
                                                            {100, 64},
                                                            {40, 128},
                                                            {DocumentArena::kChunkBytes - 8, 8},
                                                            {9, 4}};
    DocumentArena arena;
    std::vector<std::pair<std::byte*, std::size_t>> blocks;
    for (int round = 0; round < 40; ++round) {
        for (const auto [bytes, alignment] : requests) {
            auto* block = static_cast<std::byte*>(arena.allocate(bytes, alignment));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u);
            std::memset(block, static_cast<int>(blocks.size() & 0xFF), bytes);
            blocks.emplace_back(block, bytes);
        }
    }
    for (std::size_t index = 0; index < blocks.size(); ++index)
        for (std::size_t offset = 0; offset < blocks[index].second; ++offset)
            ASSERT_EQ(blocks[index].first[offset], static_cast<std::byte>(index & 0xFF)) << index;
}

// Parsed path data grows inside the arena element for element as on the heap; an edited copy and
// a parse without storage leave the arena.
TEST(DocumentArena, PathsLiveInTheArenaUntilCopied) {
    std::string data = "M0 0";
    for (int step = 1; step <= 500; ++step)
        data += " L" + std::to_string(step) + " " + std::to_string(step % 7);
    DocumentArena arena;
    Path heap;
    Path kept;
    ASSERT_TRUE(heap.parse(data));
    ASSERT_TRUE(kept.parse(data, &arena));
    ASSERT_EQ(kept.data()->storage, &arena);
    const auto elements = [](const Path& path) {
        const auto& array = path.data()->elements;
        return std::string(reinterpret_cast<const char*>(array.data), sizeof(*array.data) * array.size);
    };
    EXPECT_EQ(elements(kept), elements(heap));
    Path edited = kept;
    edited.lineTo(1, 1);
    EXPECT_EQ(edited.data()->storage, nullptr);
    EXPECT_EQ(elements(kept), elements(heap));
    ASSERT_TRUE(kept.parse(data));
    EXPECT_EQ(kept.data()->storage, nullptr);
}

// Documents on four threads at once hand chunks to each other through the shared pool; every tree
// still reads back whole.
TEST(DocumentArena, DocumentsOnManyThreads) {
    std::string text = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>";
    for (int index = 0; index < 2000; ++index)
        text += "<path id='p" + std::to_string(index) + "' d='M0 0 L" + std::to_string(index) + " 1 Z'/>";
    text += "</svg>";
    std::vector<int> paths(4 * 5);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&, thread] {
            for (int round = 0; round < 5; ++round) {
                const auto document = loadDocumentFromString(text);
                int& count = paths[thread * 5 + round];
                for (const auto& child : document->rootElement()->children())
                    count += child->isGeometryElement() ? 1 : 0;
                if (document->getAttributeByName(document->documentElement(), "width") != "10")
                    count = -1;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(paths, std::vector<int>(4 * 5, 2000));
}

}  // namespace
}  // namespace pavrix_svg
