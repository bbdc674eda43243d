#include <gtest/gtest.h>

#include <plutovg/plutovg.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <random>
#include <string>

#include "graphics/transform_list_parser.h"

namespace {

using namespace pavrix_graphics;

constexpr float kDeg = 0.017453292f;
static_assert(std::bit_cast<std::uint32_t>(kDeg) == 0x3C8EFA35u);

AffineMatrix parsed(const std::string& text, bool* ok = nullptr) {
    AffineMatrix m{7, 7, 7, 7, 7, 7};
    const bool result = parse_transform_list(&m, text.data(), static_cast<std::ptrdiff_t>(text.size()));
    if (ok)
        *ok = result;
    return m;
}

bool accepts(const std::string& text) {
    bool ok = false;
    parsed(text, &ok);
    return ok;
}

void expectMatrix(const AffineMatrix& m, const AffineMatrix& e) {
    EXPECT_EQ(m.a, e.a);
    EXPECT_EQ(m.b, e.b);
    EXPECT_EQ(m.c, e.c);
    EXPECT_EQ(m.d, e.d);
    EXPECT_EQ(m.e, e.e);
    EXPECT_EQ(m.f, e.f);
}

struct SyntaxCase {
    const char* text;
    bool ok;
};

class TransformListSyntax : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(TransformListSyntax, AcceptsExactlyTheGrammar) {
    EXPECT_EQ(accepts(GetParam().text), GetParam().ok) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, TransformListSyntax,
    ::testing::Values(
        SyntaxCase{"", true}, SyntaxCase{"   ", true}, SyntaxCase{" \t\r\n", true}, SyntaxCase{"\f", false},
        SyntaxCase{"rotate(45 10)", false}, SyntaxCase{"rotate(45 10 20)", true}, SyntaxCase{"rotate(45,10,20)", true},
        SyntaxCase{"translate(1 2),scale(2)", true}, SyntaxCase{"translate(1 2) , scale(2)", true},
        SyntaxCase{"translate(1 2),", false}, SyntaxCase{"translate(1 2), ", false},
        SyntaxCase{"translate(1 2,)", false}, SyntaxCase{"translate(1,)", false}, SyntaxCase{"translate(1,,2)", false},
        SyntaxCase{"translate(1)scale(2)", true}, SyntaxCase{"translate(1),,scale(2)", false},
        SyntaxCase{",translate(1)", false}, SyntaxCase{"SCALE(2)", false}, SyntaxCase{"scale (2)", true},
        SyntaxCase{"scale( 2 )", true}, SyntaxCase{"matrix(1 0 0 1 0)", false}, SyntaxCase{"matrix(1 0 0 1 0 0)", true},
        SyntaxCase{"matrix(1 0 0 1 0 0 0)", false}, SyntaxCase{"scale(1e39)", false}, SyntaxCase{"scale(.5)", true},
        SyntaxCase{"scale(5.)", false}, SyntaxCase{"translate()", false}, SyntaxCase{"translate(", false},
        SyntaxCase{"translate(1", false}, SyntaxCase{"translate(1 2 3)", false}, SyntaxCase{"translate", false},
        SyntaxCase{"translate 1", false}, SyntaxCase{"skewX(30)", true}, SyntaxCase{"skewY(30)", true},
        SyntaxCase{"skewX(30 1)", false}, SyntaxCase{"skewx(30)", false}, SyntaxCase{"foo(1)", false},
        // A failed number leaves the cursor in place, so the list cannot close over it.
        SyntaxCase{"translate(1 -)", false}, SyntaxCase{"translate(1 5.)", false}, SyntaxCase{"translate(1 1e)", false},
        SyntaxCase{"translate(1 +)", false}, SyntaxCase{"translate(1 .)", false}, SyntaxCase{"translate(1 1e+)", false},
        SyntaxCase{"translate(1-2)", true}, SyntaxCase{"translate(.5.5)", true}));

TEST(TransformList, ItemValues) {
    AffineMatrix e;
    matrix_init_rotate(&e, 90 * kDeg);
    const AffineMatrix r = parsed("rotate(90)");
    expectMatrix(r, e);
    EXPECT_NE(r.a, 0.0f);  // single-precision cos(90 deg) is tiny, not zero

    expectMatrix(parsed("translate(5)"), {1, 0, 0, 1, 5, 0});
    expectMatrix(parsed("scale(3)"), {3, 0, 0, 3, 0, 0});
    expectMatrix(parsed("scale(2 4)"), {2, 0, 0, 4, 0, 0});
    expectMatrix(parsed("matrix(1 2 3 4 5 6)"), {1, 2, 3, 4, 5, 6});
    expectMatrix(parsed("skewX(30)"), {1, 0, std::tan(30 * kDeg), 1, 0, 0});
    expectMatrix(parsed("skewY(30)"), {1, std::tan(30 * kDeg), 0, 1, 0, 0});
}

TEST(TransformList, RightmostItemActsFirst) {
    const AffineMatrix m = parsed("translate(10 0) scale(2)");
    float x = 0, y = 0;
    matrix_map_point(&m, 1, 1, &x, &y);
    EXPECT_EQ(x, 12.0f);  // scaled to (2, 2), then moved
    EXPECT_EQ(y, 2.0f);
}

TEST(TransformList, RotateAboutCentreKeepsTheCentre) {
    const AffineMatrix m = parsed("rotate(90 10 20)");
    float x = 0, y = 0;
    matrix_map_point(&m, 10, 20, &x, &y);
    EXPECT_NEAR(x, 10.0f, 1e-5);
    EXPECT_NEAR(y, 20.0f, 1e-5);
    AffineMatrix e;
    matrix_init_identity(&e);
    matrix_translate(&e, 10, 20);
    matrix_rotate(&e, 90 * kDeg);
    matrix_translate(&e, -10, -20);
    expectMatrix(m, e);
}

TEST(TransformList, FailureKeepsTheItemsBefore) {
    bool ok = true;
    const AffineMatrix m = parsed("translate(3 4) scale(2) bogus(1)", &ok);
    EXPECT_FALSE(ok);
    AffineMatrix e{2, 0, 0, 2, 0, 0};
    AffineMatrix t{1, 0, 0, 1, 3, 4};
    AffineMatrix expected;
    matrix_multiply(&expected, &e, &t);
    expectMatrix(m, expected);
}

TEST(TransformList, MeasuresNulTerminatedText) {
    AffineMatrix m;
    ASSERT_TRUE(parse_transform_list(&m, "translate(1 2)", -1));
    expectMatrix(m, {1, 0, 0, 1, 1, 2});
    // The given length cuts the text: the closing parenthesis is outside.
    EXPECT_FALSE(parse_transform_list(&m, "translate(1 2)", 13));
    EXPECT_FALSE(parse_transform_list(nullptr, "scale(2)", -1));
}

// plutovg's own transform parser is an independent reading of the same grammar; on well-formed
// generated lists both must agree up to float rounding.
TEST(TransformList, AgreesWithTheGraphicsLibraryOnGeneratedLists) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> pick(0, 5);
    std::uniform_int_distribution<int> items(1, 4);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    std::uniform_int_distribution<int> sep(0, 3);
    const char* separators[] = {" ", ",", " , ", "  "};
    const char* between[] = {" ", ",", " ,", ""};

    auto number = [&] {
        char buf[32];
        const float v = value(rng);
        switch (sep(rng)) {
        case 0:
            std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
            break;
        case 1:
            std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(v));
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "%.2e", static_cast<double>(v));
            break;
        default:
            std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
            break;
        }
        return std::string(buf);
    };
    auto args = [&](int n) {
        std::string s = "(";
        for (int i = 0; i < n; ++i) {
            if (i)
                s += separators[sep(rng)];
            s += number();
        }
        return s + ")";
    };

    for (int iteration = 0; iteration < 2000; ++iteration) {
        std::string text;
        const int count = items(rng);
        for (int i = 0; i < count; ++i) {
            if (i)
                text += between[sep(rng)];
            switch (pick(rng)) {
            case 0:
                text += "matrix" + args(6);
                break;
            case 1:
                text += "translate" + args(1 + (sep(rng) & 1));
                break;
            case 2:
                text += "scale" + args(1 + (sep(rng) & 1));
                break;
            case 3:
                text += "rotate" + args((sep(rng) & 1) ? 3 : 1);
                break;
            case 4:
                text += "skewX" + args(1);
                break;
            default:
                text += "skewY" + args(1);
                break;
            }
        }
        bool ok = false;
        const AffineMatrix ours = parsed(text, &ok);
        plutovg_matrix_t theirs;
        const bool theirs_ok = plutovg_matrix_parse(&theirs, text.data(), static_cast<int>(text.size()));
        ASSERT_TRUE(ok) << text;
        ASSERT_TRUE(theirs_ok) << text;
        const float ours_v[6] = {ours.a, ours.b, ours.c, ours.d, ours.e, ours.f};
        const float theirs_v[6] = {theirs.a, theirs.b, theirs.c, theirs.d, theirs.e, theirs.f};
        float scale = 1.0f;
        for (float v : ours_v)
            scale = std::max(scale, std::fabs(v));
        for (int k = 0; k < 6; ++k)
            ASSERT_NEAR(ours_v[k], theirs_v[k], 1e-4f * scale) << text << " field " << k;
    }
}

}  // namespace
