#include "kernel/topology/face_nesting.h"

namespace pavrix_svg_core {

template struct BasicFaceNode<std::int64_t>;
template int compare_ring_winding<std::int64_t>(const Clipper2Lib::Point64&, const Clipper2Lib::Path64&) noexcept;
template void nest_faces<std::int64_t>(std::vector<FaceLoop>, FaceNode&, std::uint32_t);
template void nest_face_rings<std::int64_t>(const Clipper2Lib::Paths64&, FaceNode&, std::uint32_t);

}  // namespace pavrix_svg_core
