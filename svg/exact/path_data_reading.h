#pragma once

// One reading of a `d` value that serves every reader of path data: the float path, the cost
// scan, the relative-chain count, the precision audit, the subpath area flags and the numbers the
// exact path builder needs.

#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/vector_path.h"
#include "svg/exact/path_data_audit.h"

namespace pavrix_svg {

// Path data in double as the exact path builder reads it: one letter per command (a move's
// further pairs as lines) and the commands' numbers in order (an arc's flags as 0 or 1).
struct ExactPathOperands {
    std::vector<char> commands;
    std::vector<double> numbers;
};

// What each reader would give for the same text.
struct PathDataReading {
    PathScanResult scan;                             // scanPathDataComplexity
    std::uint32_t relativePathOperationCount = 0;    // countPathDataItems
    PathPrecision precision;                         // analyzePathDataPrecision
    std::vector<std::uint8_t> subpathAreaPotential;  // subpathFlagsOf
    ExactPathOperands exact;                         // for buildExactPath
    bool exactAvailable = false;                     // false: the exact builder must read the text itself
    // The text's digits as the float-range check sees them: its longest digit run (exponents aside)
    // and whether any number has an exponent, the only place where an "e" or "E" may stand in text
    // read here.
    std::size_t longestDigitRun = 0;
    bool exponentLetter = false;
};

// Tokenizes the text once and feeds every reader. Each reader has a grammar of its own (which
// separators, how arc flags and commas may be written); this pass takes only text that all of
// them read alike: white space of space, TAB, LF and CR, at most one "," after a number or flag,
// none after a letter or a close, arc flags as lone "0" or "1", numbers finite in every
// precision, and text that parse_path_data and the scan both accept. On such text it appends the
// float path to `path` (which must be empty) exactly as parse_path_data does and returns true
// with every result filled. On any other text it returns false, leaving the path and the results
// in no particular state: the caller then runs each reader on its own.
bool readPathDataOnce(std::string_view text, pavrix_graphics::VectorPath* path, PathDataReading& reading);

}  // namespace pavrix_svg
