// Analyzes arbitrary bytes as document text at a few fixed physical settings (the first byte picks
// one). Every result must be a status with its reason, and a supported one must pass the census.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/record_invariants.h"
#include "kernel/analysis_entry.h"
#include "kernel/result/result_census.h"

namespace {

struct Setting {
    double width_mm;
    double tolerance_mm;
    bool allow_strokes;
};

constexpr Setting kSettings[] = {{100.0, 0.05, true}, {10.0, 0.01, true}, {1000.0, 0.5, true}, {80.0, 0.2, false}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const Setting& setting = kSettings[data[0] % std::size(kSettings)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto result =
        pavrix_svg_core::analyze_svg_text(text, setting.width_mm, setting.tolerance_mm, setting.allow_strokes);
    using pavrix_fuzz::require;
    require(result != nullptr);
    const bool supported = result->status == "supported";
    require(supported || result->status == "unsupported" || result->status == "invalid");
    require(supported == result->reason_code.empty());
    require(!supported || pavrix_svg_core::result_census(*result));
    return 0;
}
