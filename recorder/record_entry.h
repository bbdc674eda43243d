#pragma once

// Entry points that turn SVG input into a RecorderResult. Unsupported or
// malformed input is never an exception here: it is a status and a reason.

#include <filesystem>
#include <string_view>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Reads the file whole and records it; an unreadable path (missing file,
// directory, read error) gives "invalid" / "invalid_svg".
RecorderResult record_svg_file(const std::filesystem::path& path);

// Screens, parses and records the document bytes (UTF-8 expected; not
// modified, not required to be NUL-terminated).
RecorderResult record_svg_text(std::string_view bytes);

}  // namespace pavrix_svg_core
