#include "svg/exact/path_data_audit.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/path_command_syntax.h"

#include <algorithm>
#include <cmath>

namespace pavrix_svg {

namespace {

using Real = long double;

constexpr bool isSkipped(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',';
}

// Whether the points fed into one subpath span any area: some point lies clearly off the line
// through the origin and the first point that differs from it.
class AreaAccumulator {
public:
    void reset() noexcept { *this = AreaAccumulator{}; }

    void feed(Real x, Real y) noexcept {
        if (!hasOrigin_) {
            ox_ = x;
            oy_ = y;
            hasOrigin_ = true;
            return;
        }
        const Real dx = x - ox_;
        const Real dy = y - oy_;
        if (!hasReference_) {
            if (dx != 0 || dy != 0) {
                dx0_ = dx;
                dy0_ = dy;
                hasReference_ = true;
            }
            return;
        }
        const Real m = std::max({std::fabs(dx), std::fabs(dy), std::fabs(dx0_), std::fabs(dy0_)});
        constexpr Real kTolerance = 2.8421709430404007434844970703125e-14L;  // 2^-45
        if (std::fabs(dy0_ * dx - dx0_ * dy) > m * m * kTolerance)
            area_ = true;
    }

    void markArea() noexcept { area_ = true; }
    bool area() const noexcept { return area_; }

private:
    Real ox_ = 0, oy_ = 0, dx0_ = 0, dy0_ = 0;
    bool hasOrigin_ = false;
    bool hasReference_ = false;
    bool area_ = false;
};

class Walker {
public:
    explicit Walker(std::string_view text) noexcept : text_(text) {}

    void skip() noexcept {
        while (pos_ < text_.size() && isSkipped(text_[pos_]))
            ++pos_;
    }
    bool atEnd() const noexcept { return pos_ >= text_.size(); }
    char peek() const noexcept { return text_[pos_]; }
    char take() noexcept { return text_[pos_++]; }

    bool number(Real& value) noexcept {
        skip();
        if (atEnd() || isPathCommandLetter(peek()))
            return false;
        const StrtoldResult result = strtoldClassic(text_.substr(pos_));
        if (result.consumed == 0 || !std::isfinite(result.value))
            return false;
        pos_ += result.consumed;
        value = result.value;
        return true;
    }

    bool flag(Real& value) noexcept {
        skip();
        if (atEnd() || (peek() != '0' && peek() != '1'))
            return false;
        value = take() == '1' ? 1 : 0;
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::uint8_t> subpathFlagsOf(std::string_view text) {
    std::vector<std::uint8_t> flags;
    Walker walker(text);
    AreaAccumulator area;
    bool subpathOpen = false;
    char command = 0;
    char previous = 0;
    Real cx = 0, cy = 0, sx = 0, sy = 0, kx = 0, ky = 0;
    Real v[7];

    const auto fail = [&flags]() {
        flags.clear();
        return flags;
    };

    while (true) {
        walker.skip();
        if (walker.atEnd())
            break;
        if (isPathCommandLetter(walker.peek())) {
            command = walker.take();
            if (pathArgumentCount(command) < 0)
                return fail();
        } else if (command == 0 || command == 'Z' || command == 'z') {
            return fail();  // a number before any command or right after a close
        }
        const int count = pathArgumentCount(command);
        for (int k = 0; k < count; ++k) {
            const bool ok = ((command | 0x20) == 'a' && (k == 3 || k == 4)) ? walker.flag(v[k]) : walker.number(v[k]);
            if (!ok)
                return fail();
        }
        const bool relative = command >= 'a' && command <= 'z';
        const Real ox = relative ? cx : 0;
        const Real oy = relative ? cy : 0;
        char next = command;
        switch (command | 0x20) {
        case 'm':
            if (subpathOpen)
                flags.push_back(area.area() ? 1 : 0);
            area.reset();
            subpathOpen = true;
            cx = sx = v[0] + ox;
            cy = sy = v[1] + oy;
            area.feed(cx, cy);
            next = relative ? 'l' : 'L';
            break;
        case 'l':
            cx = v[0] + ox;
            cy = v[1] + oy;
            area.feed(cx, cy);
            break;
        case 'h':
            cx = v[0] + ox;
            area.feed(cx, cy);
            break;
        case 'v':
            cy = v[0] + oy;
            area.feed(cx, cy);
            break;
        case 'c':
        case 's': {
            Real x1 = cx, y1 = cy;
            int at = 0;
            if ((command | 0x20) == 'c') {
                x1 = v[0] + ox;
                y1 = v[1] + oy;
                at = 2;
            } else if ((previous | 0x20) == 'c' || (previous | 0x20) == 's') {
                x1 = 2 * cx - kx;
                y1 = 2 * cy - ky;
            }
            kx = v[at] + ox;
            ky = v[at + 1] + oy;
            cx = v[at + 2] + ox;
            cy = v[at + 3] + oy;
            area.feed(x1, y1);
            area.feed(kx, ky);
            area.feed(cx, cy);
            break;
        }
        case 'q':
        case 't': {
            int at = 0;
            if ((command | 0x20) == 'q') {
                kx = v[0] + ox;
                ky = v[1] + oy;
                at = 2;
            } else if ((previous | 0x20) == 'q' || (previous | 0x20) == 't') {
                kx = 2 * cx - kx;
                ky = 2 * cy - ky;
            } else {
                kx = cx;
                ky = cy;
            }
            cx = v[at] + ox;
            cy = v[at + 1] + oy;
            area.feed(kx, ky);
            area.feed(cx, cy);
            break;
        }
        case 'a': {
            const Real x = v[5] + ox;
            const Real y = v[6] + oy;
            if (v[0] != 0 && v[1] != 0 && (x != cx || y != cy))
                area.markArea();
            cx = x;
            cy = y;
            area.feed(cx, cy);
            break;
        }
        case 'z':
            cx = sx;
            cy = sy;
            area.feed(cx, cy);
            break;
        default:
            return fail();
        }
        previous = next;
        command = next;  // a move's further pairs are lines
    }
    if (subpathOpen)
        flags.push_back(area.area() ? 1 : 0);
    return flags;
}

}  // namespace pavrix_svg
