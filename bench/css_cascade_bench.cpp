// Style-sheet parse + cascade time on a generated class-heavy document.
//
//   css_cascade_bench [elements] [rules] [repeats]
//
// Builds a tree of groups holding rect elements with two or three class names each, and a sheet
// of single class rules, then times applyStyleSheet (sheet parsing, sorting, class index and
// application). The same sheet plus one combinator rule runs the plain matching path for
// comparison (on fewer elements, since it matches every rule against every element).

#include "svg/css/css_cascade.h"
#include "svg/css/css_parser.h"
#include "svg/dom/document.h"
#include "svg/dom/element_factory.h"
#include "svg/dom/element_id.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace pavrix_svg;

namespace {

std::string classSheet(std::size_t rules) {
    std::string sheet;
    char buffer[160];
    for (std::size_t r = 0; r < rules; ++r) {
        std::snprintf(buffer, sizeof buffer, ".c%zu { fill: #%06zx; stroke-width: %zu%s }\n", r,
                      (r * 2654435761u) & 0xffffffu, r % 5 + 1, r % 7 == 0 ? " !important" : "");
        sheet += buffer;
    }
    return sheet;
}

std::unique_ptr<Document> classTree(std::size_t elements, std::size_t rules, unsigned seed) {
    auto document = std::make_unique<Document>();
    auto root = makeNode<SVGRootElement>(*document);
    SVGRootElement* rootElement = root.get();
    document->resetRoot(std::move(root));
    std::mt19937 random(seed);
    SVGElement* group = nullptr;
    for (std::size_t i = 0; i < elements; ++i) {
        if (i % 100 == 0)
            group = addChild(*rootElement, createElement(*document, ElementID::G));
        SVGElement* rect = addChild(*group, createElement(*document, ElementID::Rect));
        std::string classes = "c" + std::to_string(random() % rules) + " c" + std::to_string(random() % rules);
        if (i % 3 == 0)
            classes += " other";
        setAttribute(*rect, 1, PropertyID::Class, classes);
    }
    return document;
}

struct Timing {
    double best = 0;
    double median = 0;
};

Timing timeCascade(std::size_t elements, std::size_t rules, const std::string& sheet, int repeats) {
    std::vector<double> seconds;
    for (int r = 0; r < repeats; ++r) {
        std::unique_ptr<Document> document = classTree(elements, rules, 42u + static_cast<unsigned>(r));
        const auto start = std::chrono::steady_clock::now();
        applyStyleSheet(*document, sheet);
        const auto stop = std::chrono::steady_clock::now();
        seconds.push_back(std::chrono::duration<double>(stop - start).count());
        if (!document->reasons().empty())
            std::printf("  (reasons: %s)\n", document->reasons().front().c_str());
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

double timeParse(const std::string& sheet, int repeats) {
    double best = 0;
    for (int r = 0; r < repeats; ++r) {
        Document document;
        const auto start = std::chrono::steady_clock::now();
        const std::vector<StyleRule> rules = parseStyleSheet(sheet, document);
        const auto stop = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(stop - start).count();
        best = r == 0 ? seconds : std::min(best, seconds);
        if (rules.empty())
            std::printf("  (no rules parsed)\n");
    }
    return best;
}

void report(const char* label, std::size_t elements, std::size_t rules, const Timing& t) {
    std::printf(
        "%-11s %7zu elements %6zu rules: best %9.3f ms, median %9.3f ms, %8.1f ns/element, "
        "%9.1f ns/rule\n",
        label, elements, rules, t.best * 1e3, t.median * 1e3, t.best * 1e9 / static_cast<double>(elements),
        t.best * 1e9 / static_cast<double>(rules));
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t elements = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50000;
    const std::size_t rules = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 5000;
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    if (elements == 0 || rules == 0 || repeats <= 0) {
        std::fprintf(stderr, "usage: css_cascade_bench [elements] [rules] [repeats]\n");
        return 2;
    }

    const std::string sheet = classSheet(rules);
    const double parse = timeParse(sheet, repeats);
    std::printf("sheet parse %7zu bytes  %6zu rules: best %9.3f ms, %9.1f ns/rule\n", sheet.size(), rules, parse * 1e3,
                parse * 1e9 / static_cast<double>(rules));
    report("class index", elements, rules, timeCascade(elements, rules, sheet, repeats));

    // One rule that is not a single class selector switches to plain matching.
    const std::size_t plainElements = std::max<std::size_t>(1, elements / 10);
    report("plain", plainElements, rules + 1,
           timeCascade(plainElements, rules, sheet + "g > rect.c1 { stroke: red }\n", repeats));
    return 0;
}
