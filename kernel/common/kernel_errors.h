#pragma once

// The kernel's exception classes. Their class decides the status and reason code that the
// analysis entry reports; the text is a lower-case reason word that never reaches Python.
// All of them live in the named namespace in this one header, because they are thrown in one
// translation unit and caught in another.

#include <exception>
#include <stdexcept>
#include <string>

namespace pavrix_svg_core {

// Work or size beyond what one analysis may spend ("unsupported_complexity").
class ComplexityLimitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An input number that is not finite or too imprecise for the requested tolerance.
class InputPrecisionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stroke whose outline cannot be resolved at the requested precision.
class StrokeInputPrecisionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised inside the replay only, to ask for the sequential retry.
class ParallelReplayRetry : public std::exception {};

}  // namespace pavrix_svg_core
