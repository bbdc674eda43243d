#include "svg/exact/path_data_reading.h"

#include "graphics/path_data_parser.h"
#include "graphics/vector_path.h"
#include "path_data_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <iostream>
#include <memory>
#include <random>
#include <string>

namespace pavrix_svg {
namespace {

using pavrix_graphics::VectorPath;

struct PathDeleter {
    void operator()(VectorPath* path) const noexcept { pavrix_graphics::path_destroy(path); }
};
using OwnedPath = std::unique_ptr<VectorPath, PathDeleter>;

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool samePath(const VectorPath& a, const VectorPath& b) {
    return a.num_points == b.num_points && a.num_contours == b.num_contours && a.num_curves == b.num_curves &&
           a.path_invalid == b.path_invalid && a.elements.size == b.elements.size &&
           std::memcmp(&a.start_point, &b.start_point, sizeof a.start_point) == 0 &&
           (a.elements.size == 0 ||
            std::memcmp(a.elements.data, b.elements.data, sizeof *a.elements.data * a.elements.size) == 0);
}

// What the one pass gives against what each reader gives on its own; true when the pass took the
// text (the readers decide alone otherwise).
bool agreesWithEachReader(const std::string& text) {
    OwnedPath path(pavrix_graphics::path_create());
    PathDataReading reading;
    if (!readPathDataOnce(text, path.get(), reading))
        return false;
    SCOPED_TRACE(text);
    const PathScanResult scan = scanPathDataComplexity(text);
    EXPECT_EQ(reading.scan.segments, scan.segments);
    EXPECT_EQ(reading.scan.points, scan.points);
    EXPECT_EQ(reading.scan.valid, scan.valid);
    EXPECT_EQ(reading.scan.too_complex, scan.too_complex);
    OwnedPath reference(pavrix_graphics::path_create());
    EXPECT_TRUE(
        pavrix_graphics::parse_path_data(reference.get(), text.data(), static_cast<std::ptrdiff_t>(text.size())));
    EXPECT_TRUE(samePath(*path, *reference));
    EXPECT_EQ(reading.relativePathOperationCount, countPathDataItems(text));
    const PathPrecision precision = analyzePathDataPrecision(text);
    EXPECT_TRUE(sameBits(reading.precision.error, precision.error));
    EXPECT_TRUE(sameBits(reading.precision.errorX, precision.errorX));
    EXPECT_TRUE(sameBits(reading.precision.errorY, precision.errorY));
    EXPECT_EQ(reading.precision.hasLoweredCurve, precision.hasLoweredCurve);
    EXPECT_EQ(reading.precision.strokeDirectionAmbiguous, precision.strokeDirectionAmbiguous);
    EXPECT_EQ(reading.precision.isolatedStrokeDirectionAmbiguous, precision.isolatedStrokeDirectionAmbiguous);
    EXPECT_EQ(reading.subpathAreaPotential, subpathFlagsOf(text));
    EXPECT_TRUE(reading.exactAvailable);
    std::size_t run = 0;
    std::size_t longestRun = 0;
    for (const char c : text) {
        run = c >= '0' && c <= '9' ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    EXPECT_EQ(reading.exponentLetter, text.find_first_of("eE") != std::string::npos);
    if (!reading.exponentLetter) {  // exponent digits are not measured
        EXPECT_EQ(reading.longestDigitRun, longestRun);
    }
    return true;
}

struct GrammarCase {
    const char* text;
    bool oneRead;  // inside the grammar every reader shares
};

class SharedGrammar : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(SharedGrammar, TakesOnlyTextEveryReaderReadsAlike) {
    EXPECT_EQ(agreesWithEachReader(GetParam().text), GetParam().oneRead) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SharedGrammar,
    ::testing::Values(GrammarCase{"", true}, GrammarCase{" M1,2 3-4.5.5e1 6 Z m0 0", true},
                      GrammarCase{"M0 0 a1 1 0 1 0 2 2 A1 1 30 0,1 -2-2", true},
                      GrammarCase{"M0 0 a1 1 0 1010 0", false},     // packed flags: the scan refuses them
                      GrammarCase{"M0 0 a1 1 0 1.0 1 2 2", false},  // a flag written as a number
                      GrammarCase{"M0 0 L1 1\v2 2", false},         // a separator only the scan takes
                      GrammarCase{"M0,,0", false}, GrammarCase{"M,0 0", false}, GrammarCase{",M0 0", false},
                      GrammarCase{"M0 0 Z,M1 1", false}, GrammarCase{"M0 0 z z", false}, GrammarCase{"L0 0", false},
                      GrammarCase{"M0 0 L1", false}, GrammarCase{"M1e 0", false}, GrammarCase{"M0 0 L1e40 0", false},
                      GrammarCase{"M0 0 X1 1", false}, GrammarCase{"M0 0 L0x1 2", false}));

TEST(SharedGrammar, IconThemesAgreeWithEachReader) {
    const std::vector<std::string> icons = pavrix_test::iconPathData();
    if (icons.empty())
        GTEST_SKIP() << "no icon theme installed";
    std::size_t taken = 0;
    for (const std::string& text : icons)
        taken += agreesWithEachReader(text);
    std::cout << taken << " of " << icons.size() << " icon paths read in one pass\n";
    // Real artwork stays inside the shared grammar almost always.
    EXPECT_GT(taken, icons.size() * 99 / 100);
}

TEST(SharedGrammar, GeneratedTextAgreesWithEachReader) {
    std::mt19937_64 random(26);
    const std::size_t count = pavrix_test::generatedSampleCount();
    std::size_t taken = 0;
    for (std::size_t i = 0; i < count && !HasFailure(); ++i)
        taken += agreesWithEachReader(pavrix_test::generatedPathData(random));
    EXPECT_GT(taken, count / 8);
}

}  // namespace
}  // namespace pavrix_svg
