#pragma once

// Even-odd parity of a point against a closed ring: edge by edge, or for a large ring through its
// edges sorted into height bands, with the same answer.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/exact/face_arithmetic.h"

namespace pavrix_svg_core {

// One edge a-b of ring_winding_parity: true when `point` lies on it; otherwise `inside` flips when
// the edge crosses the point's height on the side that counts. Edges whose heights do not reach
// the point's leave both alone.
template <typename Scalar>
bool parity_edge_step(const Clipper2Lib::Point<Scalar>& point, const Clipper2Lib::Point<Scalar>& a,
                      const Clipper2Lib::Point<Scalar>& b, bool& inside) noexcept {
    const int side = face_orientation(a, b, point);
    if (side == 0 && point.x >= std::min(a.x, b.x) && point.x <= std::max(a.x, b.x) && point.y >= std::min(a.y, b.y) &&
        point.y <= std::max(a.y, b.y)) {
        return true;
    }
    if ((a.y > point.y) != (b.y > point.y)) {
        const bool upward = b.y > a.y;
        if ((upward && side > 0) || (!upward && side < 0)) {
            inside = !inside;
        }
    }
    return false;
}

// Even-odd parity of `point` against the closed ring ring[0 .. count): +1 inside, -1 outside
// (or no points), 0 on the ring.
template <typename Scalar>
int ring_winding_parity(const Clipper2Lib::Point<Scalar>& point, const Clipper2Lib::Point<Scalar>* ring,
                        std::size_t count) noexcept {
    if (count == 0) {
        return -1;
    }
    bool inside = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (parity_edge_step(point, ring[i], ring[i + 1 == count ? 0 : i + 1], inside)) {
            return 0;
        }
    }
    return inside ? 1 : -1;
}

// Rings with at least this many points get their edges sorted into bands when other loops are
// tested against them: a coverage with tens of thousands of holes tests every hole against its
// outer ring, and a pass over all of that ring's points per hole grows quadratically.
inline constexpr std::size_t kBandedRingPoints = 256;

// Band entries allowed per ring point: beyond this the ring's edges span most bands (spikes, long
// slanted edges) and the bands would cost more memory than the tests they save.
inline constexpr std::size_t kBandEntriesPerPoint = 16;

// The edges of one large ring sorted into horizontal bands of equal height, so that the parity of
// a point reads only the edges spanning the band of its height: edges that do not reach the
// point's height never change ring_winding_parity's answer. The ring must outlive the bands.
template <typename Scalar>
class RingBands {
public:
    explicit RingBands(const std::vector<Clipper2Lib::Point<Scalar>>& ring) : RingBands(ring.data(), ring.size()) {}

    RingBands(const Clipper2Lib::Point<Scalar>* ring, std::size_t count) : ring_(ring), count_(count) {
        if (count < kBandedRingPoints)
            return;
        low_ = high_ = ring[0].y;
        for (std::size_t i = 0; i < count; ++i) {
            low_ = std::min(low_, ring[i].y);
            high_ = std::max(high_, ring[i].y);
        }
        bands_ = count / 8;
        // Entries per band, counted through differences: +1 at an edge's first band, -1 past its last.
        std::vector<std::ptrdiff_t> starts(bands_ + 1, 0);
        std::size_t entries = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto [first, last] = edge_bands(i);
            entries += last - first + 1;
            if (entries > kBandEntriesPerPoint * count) {
                bands_ = 0;
                return;
            }
            ++starts[first];
            --starts[last + 1];
        }
        offsets_.assign(bands_ + 1, 0);
        std::ptrdiff_t running = 0;
        for (std::size_t band = 0; band < bands_; ++band) {
            running += starts[band];
            offsets_[band + 1] = offsets_[band] + static_cast<std::size_t>(running);
        }
        edges_.resize(offsets_[bands_]);
        std::vector<std::size_t> fill(offsets_.begin(), offsets_.end() - 1);
        for (std::size_t i = 0; i < count; ++i) {
            const auto [first, last] = edge_bands(i);
            for (std::size_t band = first; band <= last; ++band)
                edges_[fill[band]++] = i;
        }
    }

    bool usable() const noexcept { return bands_ > 0; }

    // ring_winding_parity(point, ring) through the bands.
    int parity(const Clipper2Lib::Point<Scalar>& point) const noexcept {
        if (point.y < low_ || point.y > high_)
            return -1;
        const std::size_t band = band_of(point.y);
        bool inside = false;
        for (std::size_t k = offsets_[band]; k < offsets_[band + 1]; ++k) {
            const std::size_t i = edges_[k];
            if (parity_edge_step(point, ring_[i], ring_[i + 1 == count_ ? 0 : i + 1], inside))
                return 0;
        }
        return inside ? 1 : -1;
    }

private:
    // Monotone in y, so an edge spanning a height is listed in that height's band.
    std::size_t band_of(Scalar y) const noexcept {
        const double span = static_cast<double>(high_) - static_cast<double>(low_);
        if (!(span > 0.0))
            return 0;
        const double place = (static_cast<double>(y) - static_cast<double>(low_)) / span * static_cast<double>(bands_);
        return std::min(bands_ - 1, static_cast<std::size_t>(std::max(0.0, place)));
    }

    std::pair<std::size_t, std::size_t> edge_bands(std::size_t i) const noexcept {
        const Scalar a = ring_[i].y;
        const Scalar b = ring_[i + 1 == count_ ? 0 : i + 1].y;
        return {band_of(std::min(a, b)), band_of(std::max(a, b))};
    }

    const Clipper2Lib::Point<Scalar>* ring_;
    std::size_t count_;
    Scalar low_{};
    Scalar high_{};
    std::size_t bands_ = 0;
    std::vector<std::size_t> offsets_;
    std::vector<std::size_t> edges_;
};

// Parity of points against one ring, through its bands when the ring is large enough for them to
// pay; the bands are built on the first test.
template <typename Scalar>
class RingParityTest {
public:
    RingParityTest(const Clipper2Lib::Point<Scalar>* ring, std::size_t count) : ring_(ring), count_(count) {}

    // Builds the bands now, so that later tests change nothing and may run on several threads.
    void prepare() {
        if (count_ >= kBandedRingPoints && !bands_)
            bands_ = std::make_unique<RingBands<Scalar>>(ring_, count_);
    }

    int parity(const Clipper2Lib::Point<Scalar>& point) {
        if (count_ < kBandedRingPoints)
            return ring_winding_parity(point, ring_, count_);
        prepare();
        return bands_->usable() ? bands_->parity(point) : ring_winding_parity(point, ring_, count_);
    }

private:
    const Clipper2Lib::Point<Scalar>* ring_;
    std::size_t count_;
    std::unique_ptr<RingBands<Scalar>> bands_;
};

// One parity test per ring, ring_of(i) giving ring i as {points, count}; with `prepared` the bands
// are built at once, so that the tests may run on several threads.
template <typename Scalar, typename RingOf>
std::vector<RingParityTest<Scalar>> make_ring_parity_tests(std::size_t count, RingOf&& ring_of, bool prepared) {
    std::vector<RingParityTest<Scalar>> tests;
    tests.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto [points, size] = ring_of(i);
        tests.emplace_back(points, size);
        if (prepared)
            tests.back().prepare();
    }
    return tests;
}

}  // namespace pavrix_svg_core
