#pragma once

// How the two replay environment variables are read: a positive decimal number or nothing.

#include <cstdint>
#include <optional>
#include <string_view>

namespace pavrix_svg_core {

// Digits only (no sign, no space, at least one), fitting in 64 bits and not 0; anything else
// counts as not set. The binding layer applies it to PAVRIX_SVG_REPLAY_THREADS and
// PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER once per analysis; the replay itself never reads the
// environment.
std::optional<std::uint64_t> parse_replay_decimal(std::string_view text) noexcept;

}  // namespace pavrix_svg_core
