#include "svg/css/css_comments.h"

#include <cstring>

namespace pavrix_svg {

void stripCssComments(std::string& text) {
    // The output never holds "/*": whenever a "*" follows an output "/", that pair opens the next
    // comment, exactly as a rescan from the start after each removal would find it. The output is
    // written over the input in place since it never runs ahead of the read position.
    const std::size_t size = text.size();
    char* data = text.data();
    std::size_t out = 0;
    std::size_t in = 0;
    while (in < size) {
        const char c = data[in];
        if (c == '*' && out > 0 && data[out - 1] == '/') {
            --out;
            // The closing "*/" is searched from the byte after the opener's "*", so "/**/" closes
            // and in "/*/" the slash does not.
            const std::size_t bodyStart = in + 1;
            std::size_t close = size;
            for (std::size_t i = bodyStart; i + 1 < size; ++i) {
                const void* star = std::memchr(data + i, '*', size - 1 - i);
                if (!star)
                    break;
                i = static_cast<std::size_t>(static_cast<const char*>(star) - data);
                if (data[i + 1] == '/') {
                    close = i;
                    break;
                }
            }
            in = close == size ? size : close + 2;
            continue;
        }
        data[out++] = c;
        ++in;
    }
    text.resize(out);
}

}  // namespace pavrix_svg
