#pragma once

// Canonical faces: closed rings whose edges meet only at shared vertices become simple loops of
// the positively covered region (exteriors counter-clockwise, holes clockwise, y axis up).

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/face_arithmetic.h"

namespace pavrix_svg_core {

// One traced loop: ring (first point not repeated), inclusive bounds, twice its signed area.
template <typename Scalar>
struct BasicFaceLoop {
    std::vector<Clipper2Lib::Point<Scalar>> ring;
    FaceBox<Scalar> box;
    typename FaceArithmetic<Scalar>::Area area{};
};

using FaceLoop = BasicFaceLoop<std::int64_t>;

// Strict weak order on direction vectors, counter-clockwise from the positive x axis; equal
// directions shorter first. The zero vector sorts first.
template <typename Scalar>
bool compare_direction_exact(const Clipper2Lib::Point<Scalar>& a, const Clipper2Lib::Point<Scalar>& b) noexcept;

// Fewer than three points, or every point on one line.
template <typename Scalar>
bool ring_is_degenerate(const std::vector<Clipper2Lib::Point<Scalar>>& ring) noexcept;

// Cuts a traced ring at repeated vertices; appends the loops with non-zero area that are not
// degenerate, in the order in which they close (the part through the first point last).
template <typename Scalar>
void split_face_ring(const std::vector<Clipper2Lib::Point<Scalar>>& ring,
                     std::vector<BasicFaceLoop<Scalar>>& loops);

// The loops bounding the region of positive winding of `rings`. Throws runtime_error
// "canonical_face_did_not_close:paths=<ring count>" when a traced walk cannot close.
template <typename Scalar>
std::vector<BasicFaceLoop<Scalar>> extract_canonical_faces(
    const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings);

extern template bool compare_direction_exact<std::int64_t>(const Clipper2Lib::Point64&,
                                                           const Clipper2Lib::Point64&) noexcept;
extern template bool ring_is_degenerate<std::int64_t>(const Clipper2Lib::Path64&) noexcept;
extern template void split_face_ring<std::int64_t>(const Clipper2Lib::Path64&, std::vector<FaceLoop>&);
extern template std::vector<FaceLoop> extract_canonical_faces<std::int64_t>(const Clipper2Lib::Paths64&);

}  // namespace pavrix_svg_core
