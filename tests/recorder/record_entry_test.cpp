// What the Python tests cannot reach: the entry's text view need not be
// NUL-terminated, and files larger than one read chunk.

#include "recorder/record_entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <locale>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using pavrix_svg_core::record_svg_file;
using pavrix_svg_core::record_svg_text;
using pavrix_svg_core::RecorderResult;

std::string svg(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">" + body + "</svg>";
}

TEST(RecordEntry, TextNeedNotBeNulTerminated) {
    const std::string body = svg("<rect width=\"3\" height=\"4\"/>") + "<g>";
    const RecorderResult result = record_svg_text(std::string_view(body).substr(0, body.size() - 3));
    EXPECT_EQ(result.status, "supported");
    EXPECT_EQ(result.commands.size(), 1u);
}

TEST(RecordEntry, FileLargerThanOneChunkRecordsLikeItsText) {
    std::string body;
    for (int i = 0; i < 4000; ++i)
        body += "<rect x=\"1\" y=\"2\" width=\"3\" height=\"4\"/>\n";
    const std::string text = svg(body);
    ASSERT_GT(text.size(), 65536u * 2);
    const auto path =
        std::filesystem::temp_directory_path() / ("pavrix_record_entry_" + std::to_string(::getpid()) + ".svg");
    std::ofstream(path, std::ios::binary) << text;
    const RecorderResult fromFile = record_svg_file(path);
    std::filesystem::remove(path);
    const RecorderResult fromText = record_svg_text(text);
    ASSERT_EQ(fromText.status, "supported");
    EXPECT_EQ(fromFile.status, fromText.status);
    EXPECT_EQ(fromFile.commands, fromText.commands);
}

}  // namespace

namespace {

// The viewBox is read in the classic locale, whatever the process's locale.
TEST(RecordEntry, ViewportIgnoresTheGlobalLocale) {
    std::locale german;
    try {
        german = std::locale("de_DE.UTF-8");
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    }
    const std::locale previous = std::locale::global(german);
    const RecorderResult result = record_svg_text(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\" "
        "viewBox=\"0.5 0 39.5 1000.25\"/>");
    std::locale::global(previous);
    EXPECT_EQ(result.status, "supported");
    EXPECT_EQ(result.viewport, (pavrix_svg_core::PaintBox{0, 0, 40, 20}));
}

}  // namespace
