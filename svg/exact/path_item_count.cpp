#include "svg/exact/path_data_audit.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/path_command_syntax.h"

#include <algorithm>

namespace pavrix_svg {

std::uint32_t countPathDataItems(std::string_view text) {
    constexpr std::uint32_t kSaturated = 0xFFFFFFFFu;
    std::uint32_t running = 0;
    std::uint32_t longest = 0;
    std::uint32_t atSubpathStart = 0;
    char command = 0;
    int arguments = 0;
    int numbersRead = 0;
    bool afterMove = false;

    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (isPathScanSeparator(c)) {
            ++i;
            continue;
        }
        if (isPathCommandLetter(c)) {
            ++i;
            command = c;
            arguments = std::max(0, pathArgumentCount(c));
            numbersRead = 0;
            afterMove = c == 'M' || c == 'm';
            if (c == 'Z' || c == 'z')
                running = atSubpathStart;
            continue;
        }
        // An arc's two flags are single characters that may touch the next number.
        const bool flag = (command | 0x20) == 'a' && (numbersRead == 3 || numbersRead == 4);
        if (flag) {
            if (c != '0' && c != '1')
                return longest;  // not path data the float parser accepted; stop counting
            ++i;
        } else {
            // Only the extent of the number matters here, not its value.
            const std::size_t consumed = strtodLength(text.substr(i));
            if (consumed == 0) {
                ++i;  // always make progress, even over a byte that starts no number
                continue;
            }
            i += consumed;
        }
        if (arguments == 0)
            continue;
        if (++numbersRead < arguments)
            continue;
        numbersRead = 0;
        if (command >= 'a' && command <= 'z') {
            if (running < kSaturated)
                ++running;
        } else {
            running = 0;
        }
        if (running > longest)
            longest = running;
        if (afterMove) {
            atSubpathStart = running;
            afterMove = false;
            command = command == 'm' ? 'l' : 'L';
        }
    }
    return longest;
}

}  // namespace pavrix_svg
