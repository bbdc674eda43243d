// Records arbitrary bytes through the file entry, so that the chunked reader runs too; the
// result must equal the text entry's.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz/record_invariants.h"
#include "recorder/record_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/pavrix-record-file-fuzzer-" + std::to_string(getpid()) + ".svg";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;
    const auto fromFile = pavrix_svg_core::record_svg_file(path);
    pavrix_fuzz::check_recording(fromFile);
    const auto fromText = pavrix_svg_core::record_svg_text(std::string_view(reinterpret_cast<const char*>(data), size));
    pavrix_fuzz::require(fromFile.status == fromText.status && fromFile.reason_code == fromText.reason_code &&
                         fromFile.commands == fromText.commands);
    return 0;
}
