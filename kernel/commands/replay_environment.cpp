#include "kernel/commands/replay_environment.h"

#include <limits>

namespace pavrix_svg_core {

std::optional<std::uint64_t> parse_replay_decimal(std::string_view text) noexcept {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kMax - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value == 0)
        return std::nullopt;
    return value;
}

}  // namespace pavrix_svg_core
