#include "recorder/file_text_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>

namespace {

using pavrix_svg_core::readFileText;
using pavrix_svg_core::reserveTextBuffer;

TEST(FileTextReader, SizeTheBufferCannotTakeCountsAsUnknown) {
    std::string text;
    EXPECT_FALSE(reserveTextBuffer(text, std::numeric_limits<std::uintmax_t>::max()));
    EXPECT_FALSE(reserveTextBuffer(text, std::uintmax_t{text.max_size()} + 1));
#if !defined(__SANITIZE_ADDRESS__)
    // Far beyond any address space: the allocation fails instead of throwing out.
    EXPECT_FALSE(reserveTextBuffer(text, std::uintmax_t{1} << 60));
#endif
    EXPECT_TRUE(reserveTextBuffer(text, 1000));
    EXPECT_GE(text.capacity(), 1000u);
}

TEST(FileTextReader, ReadsEveryChunk) {
    const auto path =
        std::filesystem::temp_directory_path() / ("pavrix_file_text_reader_" + std::to_string(::getpid()));
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content.push_back(static_cast<char>(i % 251));
    std::ofstream(path, std::ios::binary) << content;
    std::string text;
    EXPECT_TRUE(readFileText(path, text));
    EXPECT_EQ(text, content);
    std::filesystem::remove(path);
}

TEST(FileTextReader, UnreadablePathsFail) {
    std::string text;
    EXPECT_FALSE(readFileText("/nonexistent/pavrix/file.svg", text));
    EXPECT_FALSE(readFileText(std::filesystem::temp_directory_path(), text));
    // Opens fine, but reading at offset 0 is an I/O error.
    if (std::filesystem::exists("/proc/self/mem")) {
        EXPECT_FALSE(readFileText("/proc/self/mem", text));
    }
}

}  // namespace
