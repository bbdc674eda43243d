#include "kernel/topology/canonical_faces.h"

namespace pavrix_svg_core {

template bool compare_direction_exact<std::int64_t>(const Clipper2Lib::Point64&, const Clipper2Lib::Point64&) noexcept;
template bool ring_is_degenerate<std::int64_t>(const Clipper2Lib::Path64&) noexcept;
template void split_face_ring<std::int64_t>(const Clipper2Lib::Path64&, std::vector<FaceLoop>&);
template std::vector<FaceLoop> extract_canonical_faces<std::int64_t>(const Clipper2Lib::Paths64&, CoverageRule,
                                                                     std::uint32_t);

}  // namespace pavrix_svg_core
