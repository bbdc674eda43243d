#include "recorder/file_text_reader.h"

#include <cstddef>
#include <fstream>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace pavrix_svg_core {

namespace {

constexpr std::size_t kReadChunkSize = 65536;

}  // namespace

bool reserveTextBuffer(std::string& text, std::uintmax_t size) noexcept {
    if (size > text.max_size())
        return false;
    try {
        text.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool readFileText(const std::filesystem::path& path, std::string& text) {
    // Some systems open a directory for reading and then fail or deliver nothing.
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;

    std::ifstream stream(path, std::ios::in | std::ios::binary);
    if (!stream.is_open())
        return false;

    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error)
        reserveTextBuffer(text, size);

    std::vector<char> chunk(kReadChunkSize);
    while (stream.good()) {
        stream.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const std::streamsize delivered = stream.gcount();
        if (delivered <= 0)
            break;
        text.append(chunk.data(), static_cast<std::size_t>(delivered));
    }
    // A read error sets the bad state; the end of the file does not.
    return !stream.bad();
}

}  // namespace pavrix_svg_core
