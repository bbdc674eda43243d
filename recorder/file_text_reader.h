#pragma once

// Reads a whole file into memory for recording.

#include <cstdint>
#include <filesystem>
#include <string>

namespace pavrix_svg_core {

// Appends the file's bytes to `text`, in chunks of 65,536 bytes. False when
// the path cannot be opened for reading, is a directory, or a read fails.
bool readFileText(const std::filesystem::path& path, std::string& text);

// Reserves room for a file of `size` bytes. The size only sizes the buffer,
// so a size the buffer cannot take counts as unknown (false, nothing reserved).
bool reserveTextBuffer(std::string& text, std::uintmax_t size) noexcept;

}  // namespace pavrix_svg_core
