"""Strokes through the analysis: hairlines, closed two-point paths, dashes on extreme scales, hostile
patterns and strokes far outside the view box."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

from stroke_reference import (arc, cap_lines, dash_intervals, distances_to, join_lines, lens,  # noqa: E402
                              primitive_samples, svg_path)

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
STROKE_COLLAPSE = 6


def analyze(body):
    return core.analyze_svg_svg(f'<svg {SVG_NS} viewBox="0 0 100 50">{body}</svg>', 80.0, 0.1)


def test_hairline_rectangle_does_not_print_as_its_interior():
    result = analyze('<rect x="10" y="10" width="80" height="30" fill="none" stroke="#000" stroke-width="2e-11"/>')
    assert len(result.raw.coordinates) == 0
    assert list(result.unprintable_fragments.reason_ids) == [STROKE_COLLAPSE]


@pytest.mark.parametrize("body, bbox", [
    # There and back: SVG draws both ends flat.
    ('<path d="M10 25 L90 25 Z" fill="none" stroke="#000" stroke-width="2" stroke-linecap="square"/>',
     (10, 24, 80, 2)),
    # A segment of 1e-20 inside a 200-unit dash is no progress fault.
    ('<path d="M0 25 L1e-20 25 L100 25" fill="none" stroke="#000" stroke-dasharray="200 10"/>', (0, 24.5, 100, 1)),
    # A square miter within the limit reaches the corner of the outline.
    ('<path d="M10 10 L40 10 L40 40" fill="none" stroke="#000" stroke-width="2"/>', (10, 9, 31, 31)),
])
def test_stroke_bounds(body, bbox):
    result = analyze(body)
    assert result.status == "supported"
    assert result.bbox == pytest.approx(bbox, abs=1e-3)


def test_hostile_dash_pattern_is_refused():
    result = analyze('<path d="M10 10 L90 10" fill="none" stroke="#000" stroke-dasharray="1e-12 1e-12"/>')
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_complexity")


def test_stroke_far_outside_the_view_box_is_no_range_error():
    result = analyze('<rect x="10" y="10" width="80" height="30"/>'
                     '<path d="M100000 10 L100010 10" fill="none" stroke="#000" stroke-width="2"/>')
    assert result.status == "supported"
    assert len(result.raw.coordinates) > 0


# Exact reference outlines: the offset curves, caps and joins of every dash, cut by arc length.
SAMPLES = 3000


def reference_outline(path, closed, width, cap, join, limit, dashes, offset=0.0, nss=None, samples=SAMPLES):
    """Polylines whose union holds the exact outline: offset curves, caps and joins of every dash. With
    `nss` (a 2x3 matrix) the path is mapped before it is stroked."""
    h, s = width / 2, np.linspace(0.0, 1.0, samples)
    parts = [primitive_samples(p, s) for p in path]
    if nss is not None:
        parts = [(q @ nss[:, :2].T + nss[:, 2], t @ nss[:, :2].T) for q, t in parts]
        parts = [(q, t / np.linalg.norm(t, axis=1)[:, None]) for q, t in parts]
    starts = np.cumsum([0.0] + [np.linalg.norm(np.diff(q, axis=0), axis=1).sum() for q, _ in parts])
    along = [a + np.concatenate([[0.0], np.cumsum(np.linalg.norm(np.diff(q, axis=0), axis=1))])
             for a, (q, _) in zip(starts, parts)]
    total = starts[-1]

    def at(position):
        k = min(np.searchsorted(starts, position, side="right") - 1, len(parts) - 1)
        (q, t), a = parts[k], along[k]
        w = np.interp(position, a, np.arange(len(a)))
        i = min(int(w), len(a) - 2)
        f = w - i
        tangent = (1 - f) * t[i] + f * t[i + 1]
        return (1 - f) * q[i] + f * q[i + 1], tangent / np.linalg.norm(tangent)

    intervals = dash_intervals(total, dashes, offset) if dashes else [(0.0, total)]
    wrap = closed and intervals[0][0] == 0 and intervals[-1][1] == total
    lines = []
    for n, (s0, s1) in enumerate(intervals):
        for (q, t), a in zip(parts, along):
            inside = (a > s0) & (a < s1)
            ends = [at(x) for x in (max(s0, a[0]), min(s1, a[-1])) if a[0] <= x <= a[-1]] if s1 > s0 else []
            if inside.any() or len(ends) == 2:
                run_q = np.concatenate([[ends[0][0]], q[inside], [ends[-1][0]]])
                run_t = np.concatenate([[ends[0][1]], t[inside], [ends[-1][1]]])
                normal = np.stack([-run_t[:, 1], run_t[:, 0]], 1)
                lines += [run_q + h * normal, run_q - h * normal]
        for k in range(len(parts)):
            corner = starts[k + 1] if k + 1 < len(parts) else total
            if (s0 < corner < s1) or (wrap and corner == total and s1 == total):
                lines += join_lines(parts[k][0][-1], parts[k][1][-1], parts[(k + 1) % len(parts)][1][0], h, join,
                                    limit)
        for x, outward in ((s0, -1.0), (s1, 1.0)):
            if not (wrap and ((x == 0 and n == 0) or (x == total and n == len(intervals) - 1))):
                point, tangent = at(x)
                lines += cap_lines(point, outward * tangent, h, cap)
    return lines


QUARTER = [arc(0, 0, 10, 0, math.pi / 2)]
LENS = lens(0, 0)
S_CURVE = [("cubic", 0, 0, 8, -12, 12, 22, 20, 10)]
QUADRATIC = [("quad", 0, 0, 10, 20, 20, 0)]
CURVE_AND_LINE = [("cubic", 0, 0, 5, 10, 15, 10, 20, 0), ("line", 20, 0, 30, 10)]
LONG_ARC = [arc(0, 0, 12, math.radians(20), math.radians(160))]
DIAGONAL = [("line", 0, 0, 30, 18)]
CIRCLE = [arc(0, 0, 10, 0, math.pi), arc(0, 0, 10, math.pi, 2 * math.pi)]
SKEW = (1, 0, math.tan(math.radians(30)), 1, 0, 0)
ROTATE_SKEW = (1.5 * math.cos(math.radians(25)), 1.5 * math.sin(math.radians(25)),
               0.6 * math.cos(math.radians(25)) - math.sin(math.radians(25)),
               math.cos(math.radians(25)) + 0.6 * math.sin(math.radians(25)), 0, 0)
DOTS = (1e-30, 6)  # dashes too short to leave their point


@pytest.mark.parametrize("why, path, closed, width, cap, join, limit, dashes, offset, matrix, nss, target, tolerance", [
    ("butt caps on an arc", QUARTER, False, 4, "butt", "miter", 4, None, 0, None, False, 100, 0.05),
    ("butt caps on an arc, fine", QUARTER, False, 4, "butt", "miter", 4, None, 0, None, False, 400, 0.01),
    ("square caps on an arc", QUARTER, False, 8, "square", "miter", 4, None, 0, None, False, 400, 0.01),
    ("round caps on an arc", QUARTER, False, 4, "round", "miter", 4, None, 0, None, False, 100, 0.05),
    ("mitered lens", LENS, True, 1, "butt", "miter", 4, None, 0, None, False, 100, 0.05),
    ("lens beyond the miter limit", LENS, True, 1, "butt", "miter", 2, None, 0, None, False, 100, 0.05),
    ("lens whose arc ends an ulp off its start", lens(3.3, 7.1), True, 1, "butt", "miter", 4, None, 0, None, False,
     100, 0.05),
    ("bevelled lens", LENS, True, 2, "butt", "bevel", 4, None, 0, None, False, 400, 0.01),
    ("round-joined lens", LENS, True, 2, "butt", "round", 4, None, 0, None, False, 100, 0.05),
    # A chord tilted away from the miter tip leaves a notch tan(70) times deeper than its tilt.
    ("skewed mitered lens", LENS, True, 1, "butt", "miter", 4, None, 0, SKEW, False, 200, 0.02),
    ("dash over the lens' corner", LENS, True, 1, "butt", "miter", 4, (6, 2), 4, None, False, 400, 0.01),
    ("butt dashes on an arc", QUARTER, False, 2, "butt", "miter", 4, (3, 3.5), 0, None, False, 100, 0.05),
    ("square dashes on an arc", QUARTER, False, 2, "square", "miter", 4, (3, 3.5), 0, None, False, 100, 0.05),
    ("dashed circle, a dash across the start", CIRCLE, True, 2, "square", "miter", 4, (7, 3), 5, None, False, 200,
     0.02),
    # Dots paint their caps turned along the path, on curves too, and bound the box themselves.
    ("square dots on a line", DIAGONAL, False, 3, "square", "miter", 4, DOTS, 0, None, False, 200, 0.02),
    ("square dots on an arc", LONG_ARC, False, 3, "square", "miter", 4, DOTS, 0, None, False, 200, 0.02),
    ("round dots on an arc", LONG_ARC, False, 3, "round", "round", 4, DOTS, 0, None, False, 200, 0.02),
    ("an offset on a dash's end leaves a dot", DIAGONAL, False, 3, "square", "miter", 4, (3, 2), 3, None, False,
     200, 0.02),
    ("square caps on a cubic", S_CURVE, False, 3, "square", "miter", 4, None, 0, None, False, 200, 0.02),
    # Wider than the curve is round: chords must carry the offset, not only the centre line.
    ("wide square-capped cubic", S_CURVE, False, 12, "square", "miter", 4, None, 0, None, False, 400, 0.01),
    ("non-scaling cubic, turned and skewed", S_CURVE, False, 2, "square", "miter", 4, None, 0, ROTATE_SKEW, True,
     400, 0.01),
    ("rotated elliptical arc", [("arc", 0, 0, 15, 6, 30, math.radians(200), math.radians(330))], False, 2, "square",
     "miter", 4, None, 0, None, False, 400, 0.01),
    ("butt caps on a quadratic", QUADRATIC, False, 3, "butt", "bevel", 4, None, 0, None, False, 200, 0.02),
    ("a curve meeting a curve at a corner", CURVE_AND_LINE, False, 2, "butt", "miter", 10, None, 0, None, False, 200,
     0.02),
])
def test_stroke_outline_within_reported_error(why, path, closed, width, cap, join, limit, dashes, offset, matrix, nss,
                                              target, tolerance):
    style = f'stroke-width="{width}" stroke-linecap="{cap}" stroke-linejoin="{join}" stroke-miterlimit="{limit}"'
    if dashes:
        style += f' stroke-dasharray="{" ".join(map(str, dashes))}" stroke-dashoffset="{offset}"'
    if matrix:
        style += f' transform="matrix({" ".join(map(str, matrix))})"' + (' vector-effect="non-scaling-stroke"' * nss)
    body = f'<path d="{svg_path(path, closed)}" fill="none" stroke="#000" {style}/>'
    result = core.analyze_svg_svg(f'<svg {SVG_NS} viewBox="0 0 100 100"><g transform="translate(30 30)">{body}</g>'
                                  '</svg>', target, tolerance)
    assert result.status == "supported", why
    m = np.array(matrix or (1, 0, 0, 1, 0, 0), dtype=float).reshape(3, 2).T

    def outline(samples):
        lines = reference_outline(path, closed, width, cap, join, limit, dashes, offset, m if nss else None, samples)
        return lines if nss else [line @ m[:, :2].T + m[:, 2] for line in lines]
    origin = np.array(result.bbox[:2]) - 30
    vertices = np.asarray(result.raw.coordinates, dtype=np.float64) * result.grid_to_source_unit + origin
    worst = distances_to(vertices, outline(SAMPLES)).max() * result.scale_factor
    assert worst <= result.max_flattening_error_mm + result.max_quantization_error_mm, why
    reference = np.concatenate(outline(100 * SAMPLES))
    exact_box = np.concatenate([reference.min(0), reference.max(0)])
    exact_width = exact_box[2] - exact_box[0]
    assert abs(exact_width * result.scale_factor - target) <= 0.6 * tolerance, why
    box = np.array(result.bbox[:2] + (result.bbox[0] + result.bbox[2], result.bbox[1] + result.bbox[3])) - 30
    assert np.abs(box - exact_box).max() <= 1e-7 * exact_width, why


@pytest.mark.parametrize("body", [
    '<path d="M1 1 L5 5 L1 5 Z" fill="#f00" stroke="#000" stroke-width="0"/>',
    '<path d="M1 1 L5 5 L1 5 Z" fill="#f00" stroke="#000" transform="scale(0)"/><rect width="2" height="2"/>',
])
def test_stroke_that_paints_nothing_inside_a_clip(body):
    result = core.analyze_svg_svg(f'<svg {SVG_NS} viewBox="0 0 10 10"><svg width="10" height="10">{body}'
                                  '</svg></svg>', 80.0, 0.1)
    assert (result.status, result.reason_code) == ("supported", "")
