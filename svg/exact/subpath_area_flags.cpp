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

void SubpathAreaTracker::Area::feed(long double x, long double y) noexcept {
    // Once spanned, a subpath stays so whatever points follow.
    if (spanned)
        return;
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
        spanned = true;
}

void SubpathAreaTracker::command(char command, char previous, const long double* v) {
    const bool relative = command >= 'a' && command <= 'z';
    const Real ox = relative ? cx_ : 0;
    const Real oy = relative ? cy_ : 0;
    switch (command | 0x20) {
    case 'm':
        if (subpathOpen_)
            flags_.push_back(area_.spanned ? 1 : 0);
        area_ = Area{};
        subpathOpen_ = true;
        cx_ = sx_ = v[0] + ox;
        cy_ = sy_ = v[1] + oy;
        area_.feed(cx_, cy_);
        break;
    case 'l':
        cx_ = v[0] + ox;
        cy_ = v[1] + oy;
        area_.feed(cx_, cy_);
        break;
    case 'h':
        cx_ = v[0] + ox;
        area_.feed(cx_, cy_);
        break;
    case 'v':
        cy_ = v[0] + oy;
        area_.feed(cx_, cy_);
        break;
    case 'c':
    case 's': {
        Real x1 = cx_, y1 = cy_;
        int at = 0;
        if ((command | 0x20) == 'c') {
            x1 = v[0] + ox;
            y1 = v[1] + oy;
            at = 2;
        } else if ((previous | 0x20) == 'c' || (previous | 0x20) == 's') {
            x1 = 2 * cx_ - kx_;
            y1 = 2 * cy_ - ky_;
        }
        kx_ = v[at] + ox;
        ky_ = v[at + 1] + oy;
        cx_ = v[at + 2] + ox;
        cy_ = v[at + 3] + oy;
        area_.feed(x1, y1);
        area_.feed(kx_, ky_);
        area_.feed(cx_, cy_);
        break;
    }
    case 'q':
    case 't': {
        int at = 0;
        if ((command | 0x20) == 'q') {
            kx_ = v[0] + ox;
            ky_ = v[1] + oy;
            at = 2;
        } else if ((previous | 0x20) == 'q' || (previous | 0x20) == 't') {
            kx_ = 2 * cx_ - kx_;
            ky_ = 2 * cy_ - ky_;
        } else {
            kx_ = cx_;
            ky_ = cy_;
        }
        cx_ = v[at] + ox;
        cy_ = v[at + 1] + oy;
        area_.feed(kx_, ky_);
        area_.feed(cx_, cy_);
        break;
    }
    case 'a': {
        const Real x = v[5] + ox;
        const Real y = v[6] + oy;
        if (v[0] != 0 && v[1] != 0 && (x != cx_ || y != cy_))
            area_.spanned = true;
        cx_ = x;
        cy_ = y;
        area_.feed(cx_, cy_);
        break;
    }
    case 'z':
        cx_ = sx_;
        cy_ = sy_;
        area_.feed(cx_, cy_);
        break;
    default:
        break;
    }
}

std::vector<std::uint8_t> SubpathAreaTracker::finish() {
    if (subpathOpen_)
        flags_.push_back(area_.spanned ? 1 : 0);
    subpathOpen_ = false;
    return std::move(flags_);
}

std::vector<std::uint8_t> subpathFlagsOf(std::string_view text) {
    Walker walker(text);
    SubpathAreaTracker tracker;
    char command = 0;
    char previous = 0;
    Real v[7];

    while (true) {
        walker.skip();
        if (walker.atEnd())
            break;
        if (isPathCommandLetter(walker.peek())) {
            command = walker.take();
            if (pathArgumentCount(command) < 0)
                return {};
        } else if (command == 0 || command == 'Z' || command == 'z') {
            return {};  // a number before any command or right after a close
        }
        const int count = pathArgumentCount(command);
        for (int k = 0; k < count; ++k) {
            const bool ok = ((command | 0x20) == 'a' && (k == 3 || k == 4)) ? walker.flag(v[k]) : walker.number(v[k]);
            if (!ok)
                return {};
        }
        tracker.command(command, previous, v);
        // A move's further pairs are lines.
        if (command == 'M' || command == 'm')
            command = command == 'm' ? 'l' : 'L';
        previous = command;
    }
    return tracker.finish();
}

}  // namespace pavrix_svg
