// Records arbitrary bytes as document text.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/record_invariants.h"
#include "recorder/record_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    pavrix_fuzz::check_recording(pavrix_svg_core::record_svg_text(text));
    return 0;
}
