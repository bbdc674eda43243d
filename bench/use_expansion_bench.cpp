// Use expansion: time of the pre-expansion estimate and of the build on generated documents.
//
//   use_expansion_bench [fanout] [levels]
//
// Level k holds `fanout` uses of level k-1 (a rect at level 0); one use of the top level is
// drawn. With fanout^levels under the clone cap the document is expanded in full, above it the
// estimate refuses it before anything is copied. A DAG of two groups per level, each using both
// groups below, shows the estimate on documents where every route has its own path of ids.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "svg/dom/document.h"
#include "svg/dom/element_tree.h"
#include "svg/dom/use_expansion_check.h"

using namespace pavrix_svg;

namespace {

using Clock = std::chrono::steady_clock;

SVGElement* add(Document& document, SVGElement& parent, ElementID kind, const std::string& id = {}) {
    SVGElement* element = addChild(parent, createElement(document, kind));
    if (!id.empty()) {
        registerElementId(*document.rootElement(), id, *element);
        setAttribute(*element, 1, PropertyID::Id, id);
    }
    return element;
}

void addUse(Document& document, SVGElement& parent, const std::string& href) {
    setAttribute(*add(document, parent, ElementID::Use), 1, PropertyID::Href, href);
}

std::unique_ptr<Document> fanOut(int fanout, int levels) {
    auto document = std::make_unique<Document>();
    document->resetRoot(makeNode<SVGRootElement>(*document));
    SVGElement& root = *document->rootElement();
    SVGElement* defs = add(*document, root, ElementID::Defs);
    setAttribute(*add(*document, *defs, ElementID::Rect, "l0"), 1, PropertyID::Width, "1");
    for (int level = 1; level <= levels; ++level) {
        SVGElement* group = add(*document, *defs, ElementID::G, "l" + std::to_string(level));
        for (int i = 0; i < fanout; ++i)
            addUse(*document, *group, "#l" + std::to_string(level - 1));
    }
    addUse(*document, root, "#l" + std::to_string(levels));
    return document;
}

std::unique_ptr<Document> pathDag(int levels) {
    auto document = std::make_unique<Document>();
    document->resetRoot(makeNode<SVGRootElement>(*document));
    SVGElement& root = *document->rootElement();
    SVGElement* defs = add(*document, root, ElementID::Defs);
    add(*document, *defs, ElementID::Rect, "a0");
    add(*document, *defs, ElementID::Rect, "b0");
    for (int level = 1; level <= levels; ++level) {
        for (const char* name : {"a", "b"}) {
            SVGElement* group = add(*document, *defs, ElementID::G, name + std::to_string(level));
            addUse(*document, *group, "#a" + std::to_string(level - 1));
            addUse(*document, *group, "#b" + std::to_string(level - 1));
        }
    }
    addUse(*document, root, "#a" + std::to_string(levels));
    return document;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void run(const char* name, std::unique_ptr<Document> document) {
    auto start = Clock::now();
    const UseExpansionEstimate estimate = estimateUseExpansion(*document);
    const double estimateMs = millisecondsSince(start);
    start = Clock::now();
    document->rootElement()->build();
    const double buildMs = millisecondsSince(start);
    std::printf("%-24s estimate %8.2f ms (%s, %llu elements)  build %8.2f ms (%llu cloned, reason %s)\n", name,
                estimateMs, estimate.withinCaps ? "accepted" : "refused",
                static_cast<unsigned long long>(estimate.elements), buildMs,
                static_cast<unsigned long long>(document->clonedElements()),
                document->reasons().empty() ? "-" : document->reasons().front().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int fanout = argc > 1 ? std::atoi(argv[1]) : 10;
    const int levels = argc > 2 ? std::atoi(argv[2]) : 5;
    run("fan-out", fanOut(fanout, levels));
    run("fan-out bomb", fanOut(10, 12));
    run("path DAG bomb", pathDag(40));
    return 0;
}
