#pragma once

// Path data for the property tests of the one-pass reading: every `d` value of the icon themes
// installed on the machine, and generated text that is valid, nearly valid or hostile.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace pavrix_test {

// PAVRIX_PATH_SAMPLES raises the count of generated texts (millions for a full run).
inline std::size_t generatedSampleCount() {
    const char* text = std::getenv("PAVRIX_PATH_SAMPLES");
    return text ? std::strtoull(text, nullptr, 10) : 20000;
}

// Every d="..." of every SVG file under /usr/share/icons (PAVRIX_ICON_ROOT overrides it).
inline std::vector<std::string> iconPathData() {
    const char* root = std::getenv("PAVRIX_ICON_ROOT");
    const std::filesystem::path folder = root ? root : "/usr/share/icons";
    std::vector<std::string> data;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return data;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error || it->path().extension() != ".svg" || !it->is_regular_file(error))
            continue;
        std::ifstream file(it->path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (std::size_t at = text.find(" d=\""); at != std::string::npos; at = text.find(" d=\"", at + 1)) {
            const std::size_t end = text.find('"', at + 4);
            if (end != std::string::npos)
                data.push_back(text.substr(at + 4, end - at - 4));
        }
    }
    return data;
}

// Artwork-like path data, then with a third chance a few bytes changed to ones where the
// readers' grammars part (separators, flags, number edges), and with a tenth chance random bytes
// from the path-data alphabet.
inline std::string generatedPathData(std::mt19937_64& random) {
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    static constexpr const char* kNumbers[] = {"0",
                                               "1",
                                               "-1",
                                               "10",
                                               ".5",
                                               "-.5",
                                               "0.5",
                                               "1e2",
                                               "1E-2",
                                               "-3.25e+1",
                                               "123.456",
                                               "7",
                                               "0.1",
                                               "1e-40",
                                               "3.5e38",
                                               "1e-7",
                                               "+2",
                                               "00.1",
                                               "1e999",
                                               "0.1000000001",
                                               "16777217",
                                               "9007199254740993.5",
                                               "123456789012345678901234",
                                               "0.33333333333333333333",
                                               "1e-320"};
    static constexpr const char* kSeparators[] = {" ", " ", ",", ", ", " ", "\n", "\t ", " ,", ""};
    static constexpr char kLetters[] = "MmLlHhVvCcSsQqTtAaZz";
    static constexpr char kOdd[] = " ,\v\f.eE-+01x9MzZa#";
    std::string text;
    if (pick(10) == 0) {
        static constexpr char kAlphabet[] = "0123456789.,-+eE MmLlHhVvCcSsQqTtAaZz\t\n\v";
        for (std::size_t i = pick(40); i > 0; --i)
            text += kAlphabet[pick(sizeof kAlphabet - 1)];
        return text;
    }
    char previous = 'z';
    for (std::size_t commands = 1 + pick(12); commands > 0; --commands) {
        // A close takes no numbers, so its letter and the one after it are always written.
        char letter = pick(5) == 0 && (previous | 0x20) != 'z' ? previous : kLetters[pick(sizeof kLetters - 1)];
        if (text.empty() && pick(4) > 0)
            letter = pick(2) ? 'M' : 'm';
        if (letter != previous || (letter | 0x20) == 'z')
            text += letter;
        previous = letter;
        const int arity = (letter | 0x20) == 'a'                             ? 7
                          : (letter | 0x20) == 'c'                           ? 6
                          : (letter | 0x20) == 's' || (letter | 0x20) == 'q' ? 4
                          : (letter | 0x20) == 'h' || (letter | 0x20) == 'v' ? 1
                          : (letter | 0x20) == 'z'                           ? 0
                                                                             : 2;
        for (int k = 0; k < arity; ++k) {
            if ((letter | 0x20) == 'a' && (k == 3 || k == 4))
                text += pick(2) ? "1" : "0";
            else
                text += pick(3) ? kNumbers[pick(12)] : kNumbers[pick(std::size(kNumbers))];
            text += kSeparators[pick(std::size(kSeparators))];
        }
    }
    if (pick(3) == 0) {
        for (std::size_t edits = 1 + pick(3); edits > 0 && !text.empty(); --edits) {
            const std::size_t at = pick(text.size());
            const char c = kOdd[pick(sizeof kOdd - 1)];
            switch (pick(3)) {
            case 0:
                text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c);
                break;
            case 1:
                text[at] = c;
                break;
            default:
                text.erase(at, 1);
            }
        }
    }
    return text;
}

}  // namespace pavrix_test
