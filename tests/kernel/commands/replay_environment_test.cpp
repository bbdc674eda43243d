#include "kernel/commands/replay_environment.h"

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

TEST(ParseReplayDecimal, AcceptsOnlyPositiveDecimalsThatFit) {
    struct Case {
        const char* text;
        std::optional<std::uint64_t> value;
    };
    const Case cases[] = {
        {"4", 4},
        {"16", 16},
        {"0004", 4},                                      // leading zeros are still digits
        {"18446744073709551615", 18446744073709551615u},  // 2^64 - 1 fits
        {"18446744073709551616", std::nullopt},           // 2^64 does not
        {"99999999999999999999", std::nullopt},
        {"0", std::nullopt},  // zero counts as not set
        {"000", std::nullopt},
        {"", std::nullopt},
        {"-2", std::nullopt},
        {"+2", std::nullopt},
        {" 4", std::nullopt},
        {"4 ", std::nullopt},
        {"4x", std::nullopt},
        {"0x10", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_replay_decimal(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace pavrix_svg_core
