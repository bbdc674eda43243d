#include "svg/exact/transform_reading.h"

#include "graphics/transform_list_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <string>

namespace pavrix_svg {
namespace {

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The one reading against each reader on its own: it takes exactly what the float parser takes,
// and then gives every reader's result bit for bit.
void agreesWithEachReader(const std::string& text) {
    SCOPED_TRACE(text);
    pavrix_graphics::AffineMatrix single{};
    const bool accepted =
        pavrix_graphics::parse_transform_list(&single, text.data(), static_cast<std::ptrdiff_t>(text.size()));
    pavrix_graphics::AffineMatrix matrix{};
    TransformReading reading;
    ASSERT_EQ(readTransformOnce(text, matrix, reading), accepted);
    if (!accepted)
        return;
    using Bits = std::array<std::uint32_t, 6>;
    EXPECT_EQ(std::bit_cast<Bits>(matrix), std::bit_cast<Bits>(single));
    ExactTransform exact;
    ASSERT_TRUE(parseTransformExact(text, exact));
    for (const auto member : {&ExactTransform::a, &ExactTransform::b, &ExactTransform::c, &ExactTransform::d,
                              &ExactTransform::e, &ExactTransform::f})
        EXPECT_TRUE(sameBits(reading.exact.*member, exact.*member));
    EXPECT_EQ(reading.operationCount, countTransformOperations(text));
    const TransformPrecision precision = analyzeTransformPrecision(text);
    EXPECT_TRUE(sameBits(reading.precision.linear, precision.linear));
    EXPECT_TRUE(sameBits(reading.precision.translation, precision.translation));
}

TEST(TransformReading, EdgeCases) {
    for (const char* text : {"", " ", "translate(1 2),scale(2)", "translate(1)scale(2)", "rotate(45 10 20) skewX(30)",
                             "skewY(-10),matrix(1,0,0,1,10,20)", "scale(1e39)", "scale(1e-39)", "rotate(1e-9999999)",
                             "translate(-1-2.5.5)", "scale(0x10)", "scale(1 nan)", "rotate(45 10)", "translate(1,)",
                             "scale(1e40 1)", "skewX(90)", "translate(123456789012345678901234567890)"})
        agreesWithEachReader(text);
}

TEST(TransformReading, GeneratedText) {
    static constexpr const char* kPieces[] = {
        "matrix", "translate", "scale", "rotate", "skewX",        "skewY",    "(",  ")",    " ",
        ",",      "1",         "-2.5",  ".5",     "1e2",          "3E-1",     "0",  "45",   "1e39",
        "x",      "\t",        "1.",    "+7",     "0.1000000001", "16777217", "\v", "1e-40"};
    std::mt19937_64 random(2026);
    for (int n = 0; n < 200000 && !testing::Test::HasFailure(); ++n) {
        std::string text;
        // Mostly well-formed items, so that both outcomes are common.
        for (std::size_t items = random() % 4; items > 0; --items) {
            text += kPieces[random() % 6];
            text += random() % 8 ? "(" : " (";
            for (std::size_t k = 1 + random() % 6; k > 0; --k) {
                text += kPieces[10 + random() % 16];
                text += random() % 3 ? " " : ",";
            }
            text += random() % 10 ? ")" : "";
            text += kPieces[8 + random() % 2];
        }
        if (random() % 3 == 0 && !text.empty())
            text[random() % text.size()] = kPieces[random() % std::size(kPieces)][0];
        agreesWithEachReader(text);
    }
}

}  // namespace
}  // namespace pavrix_svg
