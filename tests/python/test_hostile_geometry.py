"""Hostile geometry through the whole analysis: every case ends in a status and a reason code instead of
a crash, a hang or unbounded memory. Sizes here stay small enough for the sanitizer run of the suite;
bench/hostile_geometry_bench.py runs the same builders at full size and times them."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

NS = 'xmlns="http://www.w3.org/2000/svg"'
RECT = '<rect width="10" height="10"/>'

SUPPORTED = ("supported", "")
COMPLEXITY = ("unsupported", "unsupported_complexity")
PRECISION = ("unsupported", "unsupported_input_precision")
COMPLEX_CLIP = ("unsupported", "unsupported_complex_clip")


def svg(body, view_box="0 0 100 100"):
    return f'<svg {NS} viewBox="{view_box}">{body}</svg>'


def dashed_line(dash, length=100):
    return svg(f'<path d="M0 50 L{length} 50" fill="none" stroke="#000" stroke-dasharray="{dash}"/>')


def dashed_polyline(points, dash):
    """A zigzag of `points` vertices across the page with a dash pattern."""
    steps = " ".join(f"L{100 * i / points:.6f} {40 + 20 * (i % 2)}" for i in range(1, points))
    return svg(f'<path d="M0 40 {steps}" fill="none" stroke="#000" stroke-dasharray="{dash}"/>')


def wavy_ring(points, ripple=5):
    """One filled ring of `points` vertices around a circle with a radial ripple."""
    coordinates = []
    for i in range(points):
        angle = 2 * math.pi * i / points
        radius = 40 + ripple * (i % 2)
        coordinates.append(f"{50 + radius * math.cos(angle):.9f} {50 + radius * math.sin(angle):.9f}")
    return svg(f'<path d="M{" L".join(coordinates)} Z"/>')


def stroked_spiral(points):
    """A stroked spiral of `points` vertices whose turns stay apart."""
    steps = " ".join(f"{50 + 45 * i / points * math.cos(i * 0.02):.6f} {50 + 45 * i / points * math.sin(i * 0.02):.6f}"
                     for i in range(points))
    return svg(f'<polyline points="{steps}" fill="none" stroke="#000" stroke-width="0.1"/>')


def stroked_zigzag(points):
    """A stroked zigzag whose strokes overlap their neighbours many times over."""
    steps = " ".join(f"{100 * i / points:.6f} {50 + 30 * math.sin(i * 0.7):.6f}" for i in range(points))
    return svg(f'<polyline points="{steps}" fill="none" stroke="#000" stroke-width="0.5"/>')


def nested_groups(depth, attributes='opacity="0.9"'):
    return svg(f"<g {attributes}>" * depth + RECT + "</g>" * depth)


def translucent_overlaps(count):
    """`count` translucent rectangles, each overlapping all others, every one a little shifted."""
    rects = "".join(f'<rect x="{10 + 50 * i / count:.6f}" y="{10 + 30 * i / count:.6f}" width="40" height="40" '
                    f'fill="rgb({i % 256},{(i * 5) % 256},200)" fill-opacity="0.3"/>' for i in range(count))
    return svg(rects)


def translucent_discs(count):
    """`count` translucent discs of radius 25 centred on a circle of radius 20: every disc overlaps all others."""
    discs = "".join(f'<circle cx="{50 + 20 * math.cos(2 * math.pi * i / count):.6f}" '
                    f'cy="{50 + 20 * math.sin(2 * math.pi * i / count):.6f}" r="25" '
                    f'fill="rgb({i % 256},{(i * 7) % 256},{(i * 13) % 256})" fill-opacity="0.5"/>'
                    for i in range(count))
    return svg(discs)


def star_polygon(vertices):
    """A regular star of an odd number of vertices joined every (n-1)/2: about n^2/2 self-crossings."""
    step = (vertices - 1) // 2
    coordinates = []
    for i in range(vertices):
        angle = 2 * math.pi * ((i * step) % vertices) / vertices
        coordinates.append(f"{50 + 45 * math.cos(angle):.9f} {50 + 45 * math.sin(angle):.9f}")
    return svg(f'<path fill-rule="evenodd" d="M{" L".join(coordinates)} Z"/>')


def modular_polygon(points):
    """Point i at (i mod 100, 7 i mod 100): one 100-point polygon traced over and over, crossing itself
    about points^2 / 900 times."""
    return svg(f'<polygon points="{" ".join(f"{i % 100},{7 * i % 100}" for i in range(points))}"/>')


def clip_reference_chain(length):
    """clipPath i is itself clipped by clipPath i+1; the paint uses the first."""
    clips = "".join(f'<clipPath id="c{i}" clip-path="url(#c{i + 1})"><rect x="{i * 0.01}" width="90" height="90"/>'
                    f"</clipPath>" for i in range(length))
    clips += f'<clipPath id="c{length}"><rect width="95" height="95"/></clipPath>'
    return svg(clips + '<rect width="100" height="100" clip-path="url(#c0)"/>')


def nested_clipped_groups(depth):
    """Each group clipped by its own slightly smaller rectangle."""
    clips = "".join(f'<clipPath id="c{i}"><rect x="{i * 40 / depth:.6f}" y="{i * 40 / depth:.6f}" '
                    f'width="{100 - i * 80 / depth:.6f}" height="{100 - i * 80 / depth:.6f}"/></clipPath>'
                    for i in range(depth))
    groups = "".join(f'<g clip-path="url(#c{i})">' for i in range(depth))
    return svg(clips + groups + '<rect width="100" height="100"/>' + "</g>" * depth)


def huge_coordinates(value):
    return svg(f'<path d="M0 0 L{value} 0 L{value} {value} Z"/>', view_box=f"0 0 {value} {value}")


# (id, document builder, target width mm, tolerance mm, expected (status, reason))
CASES = [
    # Dash patterns far below the grid end quickly instead of producing 10^14 dashes.
    ("dash_far_below_grid", lambda: dashed_line("1e-12 1e-12"), 100, 0.05, COMPLEXITY),
    ("dash_far_below_grid_long_line", lambda: dashed_line("1e-9 1e-9", length=1e6), 100, 0.05, COMPLEXITY),
    ("dash_below_grid_on_zigzag", lambda: dashed_polyline(2000, "1e-7 1e-7"), 100, 0.05, COMPLEXITY),
    ("dash_with_offset_far_below_grid", lambda: svg(
        '<path d="M0 50 L100 50" fill="none" stroke="#000" stroke-dasharray="1e-12" stroke-dashoffset="1e30"/>'),
     100, 0.05, COMPLEXITY),
    # Long paths.
    ("wavy_ring_of_2000_points", lambda: wavy_ring(2000), 100, 0.05, SUPPORTED),
    ("stroked_spiral_of_1000_points", lambda: stroked_spiral(1000), 100, 0.05, SUPPORTED),
    ("stroked_zigzag_of_300_points", lambda: stroked_zigzag(300), 100, 0.05, SUPPORTED),
    # Radial spikes and dense turns stack edges across the whole height: the sweep that would
    # unite them is refused before it runs instead of taking minutes.
    ("wavy_ring_of_10^5_points", lambda: wavy_ring(10**5), 100, 0.05, COMPLEXITY),
    ("stroked_spiral_of_10^5_points", lambda: stroked_spiral(10**5), 100, 0.05, COMPLEXITY),
    # Deep groups with opacity, below and far past the nesting cap.
    ("opacity_groups_500_deep", lambda: nested_groups(500), 100, 0.05, SUPPORTED),
    ("opacity_groups_10000_deep", lambda: nested_groups(10000), 100, 0.05, COMPLEXITY),
    # Many overlapping translucent shapes: every pair meets.
    ("translucent_overlaps_30", lambda: translucent_overlaps(30), 100, 0.05, SUPPORTED),
    ("translucent_overlaps_10^4", lambda: translucent_overlaps(10**4), 100, 0.05, COMPLEXITY),
    ("translucent_discs_1000", lambda: translucent_discs(1000), 100, 0.05, COMPLEXITY),
    # Coordinates near the float range, and tolerances far below it.
    ("coordinates_near_float_max", lambda: huge_coordinates("3e38"), 100, 0.05, PRECISION),
    ("coordinates_near_float_max_tiny_tolerance", lambda: huge_coordinates("3e38"), 100, 1e-300, PRECISION),
    ("ordinary_square_tiny_tolerance", lambda: svg(RECT), 100, 1e-12, PRECISION),
    ("ordinary_square_smallest_tolerance", lambda: svg(RECT), 100, 5e-324, PRECISION),
    ("ordinary_square_huge_width", lambda: svg(RECT), 1e300, 0.05, PRECISION),
    ("coordinates_near_float_max_huge_width", lambda: huge_coordinates("3e38"), 1e30, 1e-30, PRECISION),
    ("tiny_coordinates", lambda: svg('<path d="M0 0 L1e-30 0 L1e-30 1e-30 Z"/>', view_box="0 0 1e-30 1e-30"),
     100, 0.05, SUPPORTED),
    ("subnormal_float_coordinates", lambda: svg('<path d="M0 0 L1e-40 0 L1e-40 1e-40 Z"/>', view_box="0 0 1e-40 1e-40"),
     100, 0.05, PRECISION),
    # Self-intersections: a star of n vertices crosses itself about n^2/2 times. Past the crossing
    # cap the boolean is refused before it runs; a long ring without crossings is not.
    ("star_of_2500_crossings", lambda: star_polygon(71), 100, 0.05, SUPPORTED),
    ("star_of_10^6_crossings", lambda: star_polygon(1415), 100, 0.05, COMPLEXITY),
    ("modular_polygon_of_30000_points", lambda: modular_polygon(30000), 100, 0.05, COMPLEXITY),
    ("circle_of_20000_points", lambda: wavy_ring(20000, ripple=0), 100, 0.05, SUPPORTED),
    ("stroked_star", lambda: star_polygon(71).replace("<path ", '<path fill="none" stroke="#000" '),
     100, 0.05, SUPPORTED),
    # Clip chains.
    # A clip path that is itself clipped is refused, however long the chain.
    ("clip_reference_chain_of_50", lambda: clip_reference_chain(50), 100, 0.05, COMPLEX_CLIP),
    ("clip_reference_chain_of_3000", lambda: clip_reference_chain(3000), 100, 0.05, COMPLEX_CLIP),
    ("nested_clipped_groups_100", lambda: nested_clipped_groups(100), 100, 0.05, SUPPORTED),
]


def finite_arrays(result):
    collections = (result.raw, result.visible, result.silhouette)
    return all(collection.coordinates.size == 0 or abs(collection.coordinates).max() < 2**62
               for collection in collections) and all(map(math.isfinite, result.bbox))


@pytest.mark.parametrize("case_id, document, width_mm, tolerance_mm, expected", CASES,
                         ids=[case[0] for case in CASES])
def test_hostile_geometry_ends_in_a_status(case_id, document, width_mm, tolerance_mm, expected):
    result = core.analyze_svg_svg(document(), width_mm, tolerance_mm)
    assert (result.status, result.reason_code) == expected
    if result.status == "supported":
        assert finite_arrays(result)
