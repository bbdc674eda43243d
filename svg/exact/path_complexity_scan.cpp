#include "svg/exact/path_data_audit.h"

#include "svg/lexical/dual_number_reader.h"
#include "svg/lexical/number_readers.h"
#include "svg/lexical/path_command_syntax.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pavrix_svg {

namespace {

constexpr std::uint64_t kCountMax = std::numeric_limits<std::uint64_t>::max();

bool isRelative(char command) noexcept {
    return command >= 'a' && command <= 'z';
}

}  // namespace

std::uint32_t arcSegmentCount(float x0f, float y0f, float rxf, float ryf, float angleDegrees, float largeArc,
                              float sweepFlag, float xf, float yf) noexcept {
    const double x0 = x0f;
    const double y0 = y0f;
    const double x = xf;
    const double y = yf;
    double rx = std::fabs(static_cast<double>(rxf));
    double ry = std::fabs(static_cast<double>(ryf));
    if (rx == 0.0 || ry == 0.0 || (x == x0 && y == y0))
        return 1;
    const double phi = static_cast<double>(angleDegrees) * 3.141592653589793 / 180.0;
    const double cosine = std::cos(phi);
    const double sine = std::sin(phi);
    const double dx = (x0 - x) / 2.0;
    const double dy = (y0 - y) / 2.0;
    const double x1 = cosine * dx + sine * dy;
    const double y1 = -sine * dx + cosine * dy;
    const double lambda = (y1 * y1) / (ry * ry) + (x1 * x1) / (rx * rx);
    if (lambda > 1.0) {
        const double root = std::sqrt(lambda);
        rx *= root;
        ry *= root;
    }
    const double rx2 = rx * rx;
    const double ry2 = ry * ry;
    const double denominator = rx2 * y1 * y1 + ry2 * x1 * x1;
    if (denominator == 0.0)
        return 1;
    const double numerator = rx2 * ry2 - rx2 * y1 * y1 - ry2 * x1 * x1;
    double factor = std::sqrt(std::max(0.0, numerator) / denominator);
    const bool large = static_cast<double>(largeArc) == 1.0;
    const bool sweep = static_cast<double>(sweepFlag) == 1.0;
    if (large == sweep)
        factor = -factor;
    const double cxp = factor * rx * y1 / ry;
    const double cyp = -factor * ry * x1 / rx;
    const double ux = (x1 - cxp) / rx;
    const double uy = (y1 - cyp) / ry;
    const double vx = (-x1 - cxp) / rx;
    const double vy = (-y1 - cyp) / ry;
    double delta = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    if (sweep && delta < 0.0)
        delta += 6.283185307179586;
    else if (!sweep && delta > 0.0)
        delta -= 6.283185307179586;
    if (std::isnan(delta))
        return 16;
    const double segments = std::ceil(std::fabs(delta) / 0.39269908169872414);
    return segments < 1.0 ? 1u : static_cast<std::uint32_t>(segments);
}

bool PathCostCounter::add(std::uint64_t segments, std::uint64_t points) noexcept {
    if (result_.segments > kCountMax - segments || result_.points > kCountMax - points) {
        result_.too_complex = 1;
        return false;
    }
    result_.segments += segments;
    result_.points += points;
    return true;
}

bool PathCostCounter::count(char command, const float* single) noexcept {
    const bool relative = isRelative(command);
    const float ox = relative ? cx_ : 0.0f;
    const float oy = relative ? cy_ : 0.0f;
    switch (command) {
    case 'Z':
    case 'z':
        cx_ = sx_;
        cy_ = sy_;
        return add(1, 1);
    case 'M':
    case 'm':
        cx_ = single[0] + ox;
        cy_ = single[1] + oy;
        sx_ = cx_;
        sy_ = cy_;
        return add(1, 1);
    case 'L':
    case 'l':
        cx_ = single[0] + ox;
        cy_ = single[1] + oy;
        return add(1, 1);
    case 'H':
    case 'h':
        cx_ = single[0] + ox;
        return add(1, 1);
    case 'V':
    case 'v':
        cy_ = single[0] + oy;
        return add(1, 1);
    case 'C':
    case 'c':
        cx_ = single[4] + ox;
        cy_ = single[5] + oy;
        return add(1, 3);
    case 'S':
    case 's':
    case 'Q':
    case 'q':
        cx_ = single[2] + ox;
        cy_ = single[3] + oy;
        return add(1, 3);
    case 'T':
    case 't':
        cx_ = single[0] + ox;
        cy_ = single[1] + oy;
        return add(1, 3);
    case 'A':
    case 'a': {
        const float x = single[5] + ox;
        const float y = single[6] + oy;
        const std::uint64_t n = arcSegmentCount(cx_, cy_, single[0], single[1], single[2], single[3], single[4], x, y);
        if (!add(n, 3 * n))
            return false;
        cx_ = x;
        cy_ = y;
        return true;
    }
    default:
        return true;
    }
}

PathScanResult scanPathDataComplexity(std::string_view text) {
    PathScanResult result;
    PathCostCounter counter(result);
    const char* p = text.data();
    const char* const end = p + text.size();
    char command = 0;   // current command; 0 after Z and before the first letter
    char previous = 0;  // previous command letter, for the repeated-close test
    bool seenCommand = false;
    bool awaitingNumbers = false;  // a command letter still waits for its first numbers
    const auto invalid = [&result]() {
        result.valid = 0;
        return result;
    };

    while (true) {
        while (p < end && isPathScanSeparator(*p))
            ++p;
        if (p == end)
            break;
        const char c = *p;
        if (isPathCommandLetter(c)) {
            ++p;
            if (awaitingNumbers || (!seenCommand && c != 'M' && c != 'm'))
                return invalid();
            seenCommand = true;
            if (c == 'Z' || c == 'z') {
                if (previous == 'Z' || previous == 'z')
                    return invalid();
                if (!counter.count(c, nullptr))
                    return result;
                command = 0;
                previous = c;
                continue;
            }
            if (pathArgumentCount(c) < 0)
                return invalid();
            command = c;
            previous = c;
            awaitingNumbers = true;
            continue;
        }
        if (command == 0)
            return invalid();

        const int count = pathArgumentCount(command);
        float single[7] = {};
        for (int k = 0; k < count; ++k) {
            if (k > 0) {
                while (p < end && isPathScanSeparator(*p))
                    ++p;
            }
            double exact = 0.0;
            if (p == end || !readDualNumber(p, end, single[k], exact))
                return invalid();
        }
        awaitingNumbers = false;
        if ((command | 0x20) == 'a' &&
            ((single[3] != 0.0f && single[3] != 1.0f) || (single[4] != 0.0f && single[4] != 1.0f)))
            return invalid();
        if (!counter.count(command, single))
            return result;
        if (command == 'M' || command == 'm')
            command = command == 'm' ? 'l' : 'L';
        previous = command;
    }
    if (awaitingNumbers)
        return invalid();
    return result;
}

PathScanResult scanPointsComplexity(std::string_view text) {
    PathScanResult result;
    PathCostCounter counter(result);
    std::string_view rest = text;
    skipSvgWhitespace(rest);
    bool haveX = false;
    while (!rest.empty()) {
        const char c = rest.front();
        if (!(c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'))) {
            result.valid = 0;
            return result;
        }
        float value = 0.0f;
        if (!readNumber(rest, value)) {
            result.valid = 0;
            return result;
        }
        if (haveX && !counter.add(0, 1))
            return result;
        haveX = !haveX;
        skipWhitespaceAndComma(rest);
    }
    if (haveX)
        result.valid = 0;  // x without its y
    return result;
}

}  // namespace pavrix_svg
