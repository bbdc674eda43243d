#include "svg/dom/use_expansion_check.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <vector>

#include "svg/dom/document.h"
#include "svg/dom/element_clone.h"
#include "svg/dom/svg_svg_element.h"
#include "svg/dom/use_element.h"

namespace pavrix_svg {

namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

std::uint64_t copyBytes(std::string_view value) noexcept {
    return static_cast<std::uint64_t>(value.size()) + 1;
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) noexcept {
    return a > kUnbounded - b ? kUnbounded : a + b;
}

// What copying a subtree costs, without following the uses inside it.
struct SubtreeCost {
    std::uint64_t bytes = 0;   // attribute values and text, +1 each
    std::uint64_t nodes = 0;   // elements and text nodes
    std::uint64_t height = 0;  // levels, the subtree's root included
};

struct Totals {
    std::uint64_t uses = 0;
    std::uint64_t bytes = 0;
    std::uint64_t elements = 0;
};

// One path membership test a memoised cost relied on.
struct Dependency {
    std::int32_t serial;
    bool onPath;
    bool operator==(const Dependency&) const = default;
};

struct MemoEntry {
    std::vector<Dependency> dependencies;
    Totals totals;
    std::uint64_t height;  // levels the copies reach below the first copy
};

// Counts, before anything is expanded, what expanding every use would copy, following each
// expansion into its copy. A cycle (a target already on the path of ids) is skipped, so the cost
// of a target depends on the path, but only through the membership tests made while computing
// it: a cost is reused wherever those tests come out alike. A cost that depends on too many
// tests is keyed by the whole path instead (paths interned in a trie, so a key is two integers).
// The walk stops at the first total past the document's clone caps, so hostile documents are
// refused in time proportional to the caps.
class ExpansionWalk {
public:
    ExpansionWalk(const Document& document, bool exactPathMemo) : m_document(document), m_exactPathMemo(exactPathMemo) {
        const auto serials = static_cast<std::size_t>(std::max(document.elementSerial(), 0));
        m_onPath.assign(serials, 0);
        m_pushedInFrame.assign(serials, 0);
        m_subtree.assign(serials, SubtreeCost{});
        m_subtreeKnown.assign(serials, 0);
    }

    UseExpansionEstimate run(const SVGRootElement& root) {
        walkNode(root, 1);
        return UseExpansionEstimate{!m_failed, m_totals.uses, m_totals.bytes, m_totals.elements};
    }

private:
    // Bounds on the reuse search, so that a lookup stays cheap; past them costs are keyed by path.
    static constexpr std::size_t kMaxDependencies = 32;
    static constexpr std::size_t kMaxEntriesPerTarget = 4;

    // One cost being computed: the tests of outer path membership it relied on so far.
    struct Frame {
        std::vector<Dependency> dependencies;
        bool wholePath = false;
    };

    void fail() noexcept { m_failed = true; }

    bool add(std::uint64_t& total, std::uint64_t amount, std::uint64_t cap) noexcept {
        if (amount > cap || total > cap - amount) {
            fail();
            return false;
        }
        total += amount;
        return true;
    }

    bool addTotals(const Totals& delta) noexcept {
        return add(m_totals.uses, delta.uses, kUnbounded) &&
               add(m_totals.bytes, delta.bytes, Document::kMaxCloneAttributeBytes) &&
               add(m_totals.elements, delta.elements, Document::kMaxClonedElements);
    }

    bool reachDepth(std::uint64_t depth) noexcept {
        if (depth > Document::kMaxElementDepth) {
            fail();
            return false;
        }
        m_maxDepth = std::max(m_maxDepth, depth);
        return true;
    }

    bool validSerial(const SVGElement& element) const noexcept {
        return element.serial() >= 0 && static_cast<std::size_t>(element.serial()) < m_onPath.size();
    }

    static std::size_t index(const SVGElement& element) noexcept { return static_cast<std::size_t>(element.serial()); }

    bool hasId(const SVGElement& element) const noexcept {
        return !findAttribute(element, PropertyID::Id).empty() && validSerial(element);
    }

    void pushPath(const SVGElement& element) {
        const std::uint64_t key =
            (static_cast<std::uint64_t>(m_pathId) << 32) | static_cast<std::uint32_t>(element.serial());
        const auto [it, inserted] = m_pathTrie.try_emplace(key, static_cast<std::uint32_t>(m_pathTrie.size() + 1));
        m_pathStack.push_back(m_pathId);
        m_pathId = it->second;
        if (m_onPath[index(element)]++ == 0)
            m_pushedInFrame[index(element)] = static_cast<std::uint32_t>(m_frames.size());
    }

    void popPath(const SVGElement& element) {
        --m_onPath[index(element)];
        m_pathId = m_pathStack.back();
        m_pathStack.pop_back();
    }

    // Whether a test on this serial depends on the path outside frame number `frame`.
    bool outsideFrame(std::int32_t serial, std::size_t frame) const noexcept {
        const auto i = static_cast<std::size_t>(serial);
        return m_onPath[i] == 0 || m_pushedInFrame[i] < frame;
    }

    void noteDependency(std::int32_t serial, bool onPath) {
        if (m_frames.empty())
            return;
        Frame& frame = m_frames.back();
        if (frame.wholePath || !outsideFrame(serial, m_frames.size()))
            return;
        frame.dependencies.push_back(Dependency{serial, onPath});
        if (frame.dependencies.size() > 4 * kMaxDependencies)
            compact(frame);
    }

    void compact(Frame& frame) {
        auto& deps = frame.dependencies;
        std::sort(deps.begin(), deps.end(),
                  [](const Dependency& a, const Dependency& b) { return a.serial < b.serial; });
        deps.erase(std::unique(deps.begin(), deps.end()), deps.end());
        if (deps.size() > kMaxDependencies) {
            frame.wholePath = true;
            deps.clear();
        }
    }

    // Hands a finished (or reused) cost's dependencies on to the frame that contains it.
    void inherit(const std::vector<Dependency>& dependencies, bool wholePath) {
        if (m_frames.empty())
            return;
        Frame& frame = m_frames.back();
        if (frame.wholePath)
            return;
        if (wholePath) {
            frame.wholePath = true;
            frame.dependencies.clear();
            return;
        }
        for (const Dependency& dependency : dependencies)
            noteDependency(dependency.serial, dependency.onPath);
    }

    bool matches(const MemoEntry& entry) const noexcept {
        return std::all_of(entry.dependencies.begin(), entry.dependencies.end(), [this](const Dependency& d) {
            return (m_onPath[static_cast<std::size_t>(d.serial)] > 0) == d.onPath;
        });
    }

    const SubtreeCost& subtreeCost(const SVGElement& element) {
        if (m_subtreeKnown[index(element)])
            return m_subtree[index(element)];
        // Post-order without recursion: collect in pre-order, then fold children into parents.
        std::vector<const SVGElement*> order;
        std::vector<const SVGElement*> pending{&element};
        while (!pending.empty()) {
            const SVGElement* current = pending.back();
            pending.pop_back();
            order.push_back(current);
            for (SVGElement* child = current->firstElementChild(); child != nullptr;
                 child = child->nextElementSibling()) {
                if (validSerial(*child) && !m_subtreeKnown[index(*child)])
                    pending.push_back(child);
            }
        }
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const SVGElement& current = **it;
            SubtreeCost cost{attributeCopyBytes(current), 1, 1};
            for (const auto& child : current.children()) {
                if (child->isTextNode()) {
                    cost.bytes = saturatingAdd(cost.bytes, copyBytes(static_cast<const SVGTextNode&>(*child).text()));
                    cost.nodes = saturatingAdd(cost.nodes, 1);
                    cost.height = std::max<std::uint64_t>(cost.height, 2);
                } else if (child->isElement() && validSerial(static_cast<const SVGElement&>(*child))) {
                    const SubtreeCost& childCost = m_subtree[index(static_cast<const SVGElement&>(*child))];
                    cost.bytes = saturatingAdd(cost.bytes, childCost.bytes);
                    cost.nodes = saturatingAdd(cost.nodes, childCost.nodes);
                    cost.height = std::max(cost.height, saturatingAdd(childCost.height, 1));
                }
            }
            m_subtree[index(current)] = cost;
            m_subtreeKnown[index(current)] = 1;
        }
        return m_subtree[index(element)];
    }

    void walkChildren(const SVGElement& element, std::uint64_t depth) {
        for (SVGElement* child = element.firstElementChild(); child != nullptr && !m_failed;
             child = child->nextElementSibling())
            walkNode(*child, depth + 1);
    }

    void walkNode(const SVGElement& element, std::uint64_t depth) {
        if (!reachDepth(depth) || !validSerial(element))
            return;
        if (element.id() == ElementID::Use) {
            // Outside any cost frame the walk is on the original tree.
            walkUse(static_cast<const SVGUseElement&>(element), depth, m_frames.empty(), true);
            return;
        }
        const bool pushed = hasId(element);
        if (pushed)
            pushPath(element);
        walkChildren(element, depth);
        if (pushed)
            popPath(element);
    }

    // As the build does it: the target is tested against the use's ancestors, then the copy and
    // the use's own children sit below the use. Only an original use can be its own target; a
    // copy resolves to the original, which is then copied once more. A use copied as a target
    // has no children.
    void walkUse(const SVGUseElement& use, std::uint64_t depth, bool original, bool withChildren) {
        if (!add(m_totals.uses, 1, kUnbounded))
            return;
        const SVGElement* target = resolveLocalReference(use.href(), m_document);
        const bool expands =
            target != nullptr && (!original || target != &use) && isUseTargetKind(target->id()) && validSerial(*target);
        const bool cycle = expands && m_onPath[index(*target)] > 0;
        if (expands)
            noteDependency(target->serial(), cycle);
        const bool pushed = hasId(use);
        if (pushed)
            pushPath(use);
        if (expands && !cycle) {
            // An svg copy (of svg or symbol) also takes the use's width and height.
            if (target->id() == ElementID::Svg || target->id() == ElementID::Symbol) {
                for (const Attribute& attribute : use.attributes()) {
                    if ((attribute.id == PropertyID::Width || attribute.id == PropertyID::Height) &&
                        !add(m_totals.bytes, copyBytes(attribute.value), Document::kMaxCloneAttributeBytes))
                        break;
                }
            }
            targetCost(*target, depth + 1);
        }
        if (withChildren && !m_failed)
            walkChildren(use, depth);
        if (pushed)
            popPath(use);
    }

    bool reuse(const Totals& totals, std::uint64_t height, std::uint64_t depth) {
        return addTotals(totals) && reachDepth(depth + height);
    }

    // The copy of target sits at depth.
    void targetCost(const SVGElement& target, std::uint64_t depth) {
        if (m_failed)
            return;
        const std::uint64_t pathKey = (static_cast<std::uint64_t>(target.serial()) << 32) | m_pathId;
        if (!m_exactPathMemo) {
            if (const auto found = m_memo.find(target.serial()); found != m_memo.end()) {
                for (const MemoEntry& entry : found->second) {
                    if (matches(entry)) {
                        if (reuse(entry.totals, entry.height, depth))
                            inherit(entry.dependencies, false);
                        return;
                    }
                }
            }
        }
        if (const auto found = m_pathMemo.find(pathKey); found != m_pathMemo.end()) {
            if (reuse(found->second.totals, found->second.height, depth))
                inherit({}, true);
            return;
        }
        const Totals before = m_totals;
        const std::uint64_t outerMaxDepth = m_maxDepth;
        m_maxDepth = depth;
        m_frames.push_back(Frame{});
        std::uint64_t ownHeight = 1;
        // A copied use goes on the path itself, after testing its own target.
        const bool pushed = target.id() != ElementID::Use && hasId(target);
        if (pushed)
            pushPath(target);
        if (target.id() == ElementID::Use) {
            // A copied use has no children; it expands in turn.
            if (add(m_totals.bytes, attributeCopyBytes(target), Document::kMaxCloneAttributeBytes) &&
                add(m_totals.elements, 1, Document::kMaxClonedElements) && reachDepth(depth))
                walkUse(static_cast<const SVGUseElement&>(target), depth, false, false);
        } else {
            const SubtreeCost& cost = subtreeCost(target);
            ownHeight = cost.height;
            if (add(m_totals.bytes, cost.bytes, Document::kMaxCloneAttributeBytes) &&
                add(m_totals.elements, cost.nodes, Document::kMaxClonedElements) && reachDepth(depth + cost.height - 1))
                walkChildren(target, depth);
        }
        if (pushed)
            popPath(target);
        Frame frame = std::move(m_frames.back());
        m_frames.pop_back();
        if (m_failed)
            return;
        compact(frame);
        const std::uint64_t height = std::max(ownHeight - 1, m_maxDepth - depth);
        const Totals delta{m_totals.uses - before.uses, m_totals.bytes - before.bytes,
                           m_totals.elements - before.elements};
        std::vector<MemoEntry>* entries = nullptr;
        if (!m_exactPathMemo && !frame.wholePath) {
            entries = &m_memo[target.serial()];
            if (entries->size() >= kMaxEntriesPerTarget)
                entries = nullptr;
        }
        if (entries != nullptr)
            entries->push_back(MemoEntry{frame.dependencies, delta, height});
        else
            m_pathMemo.emplace(pathKey, MemoEntry{{}, delta, height});
        inherit(frame.dependencies, m_exactPathMemo || frame.wholePath);
        m_maxDepth = std::max(outerMaxDepth, depth + height);
    }

    const Document& m_document;
    const bool m_exactPathMemo;
    Totals m_totals;
    bool m_failed = false;
    std::uint64_t m_maxDepth = 0;
    std::vector<std::uint32_t> m_onPath;
    std::vector<std::uint32_t> m_pushedInFrame;  // frame count when the outermost occurrence was pushed
    std::vector<SubtreeCost> m_subtree;
    std::vector<std::uint8_t> m_subtreeKnown;
    std::vector<Frame> m_frames;
    std::uint32_t m_pathId = 0;  // 0: the empty path
    std::vector<std::uint32_t> m_pathStack;
    std::unordered_map<std::uint64_t, std::uint32_t> m_pathTrie;
    std::unordered_map<std::int32_t, std::vector<MemoEntry>> m_memo;
    std::unordered_map<std::uint64_t, MemoEntry> m_pathMemo;
};

}  // namespace

UseExpansionEstimate estimateUseExpansion(const Document& document, bool exactPathMemo) {
    const SVGRootElement* root = document.rootElement();
    if (root == nullptr)
        return UseExpansionEstimate{};
    ExpansionWalk walk(document, exactPathMemo);
    return walk.run(*root);
}

bool useExpansionAllowed(Document& document) {
    if (document.hasReasons()) {
        document.setUseExpansionCheck(Document::kUseExpansionRefused);
        return false;
    }
    if (document.useExpansionCheck() != Document::kUseExpansionUnknown)
        return document.useExpansionCheck() == Document::kUseExpansionAccepted;
    const bool allowed = estimateUseExpansion(document).withinCaps;
    if (!allowed)
        document.addReason("unsupported_complexity");
    document.setUseExpansionCheck(allowed ? Document::kUseExpansionAccepted : Document::kUseExpansionRefused);
    return allowed;
}

}  // namespace pavrix_svg
