#include "svg/exact/path_data_audit.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/path_command_syntax.h"

#include <algorithm>

namespace pavrix_svg {

void RelativeChainCounter::command(char command) noexcept {
    constexpr std::uint32_t kSaturated = 0xFFFFFFFFu;
    if (command == 'Z' || command == 'z') {
        running_ = atSubpathStart_;
        return;
    }
    if (command >= 'a' && command <= 'z') {
        if (running_ < kSaturated)
            ++running_;
    } else {
        running_ = 0;
    }
    if (running_ > longest_)
        longest_ = running_;
    if (command == 'M' || command == 'm')
        atSubpathStart_ = running_;
}

std::uint32_t countPathDataItems(std::string_view text) {
    RelativeChainCounter counter;
    char command = 0;
    int arguments = 0;
    int numbersRead = 0;

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
            if (c == 'Z' || c == 'z')
                counter.command(c);
            continue;
        }
        // An arc's two flags are single characters that may touch the next number.
        const bool flag = (command | 0x20) == 'a' && (numbersRead == 3 || numbersRead == 4);
        if (flag) {
            if (c != '0' && c != '1')
                return counter.longest();  // not path data the float parser accepted; stop counting
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
        counter.command(command);
        // A move's further pairs are lines.
        if (command == 'M' || command == 'm')
            command = command == 'm' ? 'l' : 'L';
    }
    return counter.longest();
}

}  // namespace pavrix_svg
