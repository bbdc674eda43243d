"""Strokes through the analysis: hairlines, closed two-point paths, dashes on extreme scales, hostile
patterns and strokes far outside the view box."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

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


# Exact reference outlines. A path is a list of primitives, each ("arc", cx, cy, r, a0, a1),
# ("line", x0, y0, x1, y1), ("quad", x0, y0, x1, y1, x2, y2) or ("cubic", x0, y0, ..., x3, y3), swept with
# its exact tangent; caps and joins stand on the true tangents.
SAMPLES = 3000


def primitive_samples(p, s):
    """Points and unit tangents at parameters s in [0, 1]."""
    if p[0] == "arc":
        _, cx, cy, r, a0, a1 = p
        a = a0 + (a1 - a0) * s
        sign = 1.0 if a1 > a0 else -1.0
        return np.stack([cx + r * np.cos(a), cy + r * np.sin(a)], 1), sign * np.stack([-np.sin(a), np.cos(a)], 1)
    if p[0] == "line":
        a, b = np.array(p[1:3], dtype=float), np.array(p[3:5], dtype=float)
        return a + s[:, None] * (b - a), np.tile((b - a) / np.linalg.norm(b - a), (len(s), 1))
    c = np.array(p[1:], dtype=float).reshape(-1, 2)
    if p[0] == "quad":
        c = np.array([c[0], c[0] + 2 / 3 * (c[1] - c[0]), c[2] + 2 / 3 * (c[1] - c[2]), c[2]])
    t = s[:, None]
    point = (1 - t) ** 3 * c[0] + 3 * (1 - t) ** 2 * t * c[1] + 3 * (1 - t) * t * t * c[2] + t ** 3 * c[3]
    tangent = 3 * ((1 - t) ** 2 * (c[1] - c[0]) + 2 * (1 - t) * t * (c[2] - c[1]) + t * t * (c[3] - c[2]))
    return point, tangent / np.linalg.norm(tangent, axis=1)[:, None]


def svg_path(path, closed):
    def start(p):
        return primitive_samples(p, np.array([0.0, 1.0]))[0]
    d = "M{} {}".format(*start(path[0])[0])
    for p in path:
        if p[0] == "arc":
            end = start(p)[1]
            d += " A{r} {r} 0 {large} {sweep} {x} {y}".format(r=p[3], large=int(abs(p[5] - p[4]) > math.pi),
                                                               sweep=int(p[5] > p[4]), x=end[0], y=end[1])
        else:
            d += " " + {"line": "L", "quad": "Q", "cubic": "C"}[p[0]] + " " + " ".join(str(v) for v in p[3:])
    return d + (" Z" if closed else "")


def arc_ends(n, h, cap):
    """Segments of a cap at an end with point c and outward direction o."""
    c, o = n
    normal = np.array([-o[1], o[0]])
    if cap == "butt":
        return [np.array([c + h * normal, c - h * normal])]
    if cap == "square":
        return [np.array([c + h * normal, c + h * normal + h * o, c - h * normal + h * o, c - h * normal])]
    a = np.arctan2(o[1], o[0]) + np.linspace(-math.pi / 2, math.pi / 2, 4001)
    return [c + h * np.stack([np.cos(a), np.sin(a)], 1)]


def join_polylines(v, t_in, t_out, h, join, limit):
    cross = t_in[0] * t_out[1] - t_in[1] * t_out[0]
    side = 1.0 if cross > 0 else -1.0
    n_in, n_out = side * np.array([t_in[1], -t_in[0]]), side * np.array([t_out[1], -t_out[0]])
    cosine = float(np.dot(t_in, t_out))
    if join == "round":
        a0, a1 = np.arctan2(n_in[1], n_in[0]), np.arctan2(n_out[1], n_out[0])
        a1 = a0 + (a1 - a0 + math.pi) % (2 * math.pi) - math.pi
        a = np.linspace(a0, a1, 4001)
        return [v + h * np.stack([np.cos(a), np.sin(a)], 1)]
    if join == "miter" and 2 / (1 + cosine) <= limit * limit:
        return [np.array([v + h * n_in, v + h * (n_in + n_out) / (1 + cosine), v + h * n_out])]
    return [np.array([v + h * n_in, v + h * n_out])]


def reference_outline(path, closed, width, cap, join, limit, dashes, samples=SAMPLES):
    """Polylines whose union holds the exact outline: offset curves, caps, joins (and dash ends)."""
    h = width / 2
    s = np.linspace(0.0, 1.0, samples)
    sampled = [primitive_samples(p, s) for p in path]
    lines = []
    for (points, tangents) in sampled:
        normals = np.stack([-tangents[:, 1], tangents[:, 0]], 1)
        lines += [points + h * normals, points - h * normals]
    corners = list(zip(sampled[:-1], sampled[1:])) + ([(sampled[-1], sampled[0])] if closed else [])
    for (a, b) in corners:
        lines += join_polylines(a[0][-1], a[1][-1], b[1][0], h, join, limit)
    points = np.concatenate([p for p, _ in sampled])
    tangents = np.concatenate([t for _, t in sampled])
    if dashes:
        along = np.concatenate([[0.0], np.cumsum(np.linalg.norm(np.diff(points, axis=0), axis=1))])
        period = sum(dashes)
        for k in range(int(along[-1] / period) + 1):
            for e, outward in ((k * period, -1.0), (k * period + dashes[0], 1.0)):
                if 0 < e < along[-1]:
                    i = np.searchsorted(along, e)
                    lines += arc_ends((points[i], outward * tangents[i]), h, cap)
    if not closed:
        lines += arc_ends((points[0], -tangents[0]), h, cap) + arc_ends((points[-1], tangents[-1]), h, cap)
    return lines


def distances_to(vertices, lines):
    best = np.full(len(vertices), np.inf)
    for line in lines:
        a, b = line[:-1], line[1:]
        ab = b - a
        t = np.clip(((vertices[:, None, :] - a) * ab).sum(2) / np.maximum((ab * ab).sum(1), 1e-300), 0, 1)
        d = np.linalg.norm(vertices[:, None, :] - (a + t[..., None] * ab), axis=2).min(1)
        best = np.minimum(best, d)
    return best


QUARTER = [("arc", 0, 0, 10, 0, math.pi / 2)]
R_LENS = 5 / math.sin(math.radians(20))


def lens(x, y):
    """Two arcs meeting at 40 degrees, from (x, y) to (x + 10, y) and back."""
    return [("arc", x + 5, y + R_LENS * math.cos(math.radians(20)), R_LENS, math.radians(-110), math.radians(-70)),
            ("arc", x + 5, y - R_LENS * math.cos(math.radians(20)), R_LENS, math.radians(70), math.radians(110))]


LENS = lens(0, 0)
S_CURVE = [("cubic", 0, 0, 8, -12, 12, 22, 20, 10)]
QUADRATIC = [("quad", 0, 0, 10, 20, 20, 0)]
CURVE_AND_LINE = [("cubic", 0, 0, 5, 10, 15, 10, 20, 0), ("line", 20, 0, 30, 10)]


@pytest.mark.parametrize("why, path, closed, width, cap, join, limit, dashes, target, tolerance", [
    ("butt caps on an arc", QUARTER, False, 4, "butt", "miter", 4, None, 100, 0.05),
    ("butt caps on an arc, fine", QUARTER, False, 4, "butt", "miter", 4, None, 400, 0.01),
    ("square caps on an arc", QUARTER, False, 8, "square", "miter", 4, None, 400, 0.01),
    ("round caps on an arc", QUARTER, False, 4, "round", "miter", 4, None, 100, 0.05),
    ("mitered lens", LENS, True, 1, "butt", "miter", 4, None, 100, 0.05),
    ("lens beyond the miter limit", LENS, True, 1, "butt", "miter", 2, None, 100, 0.05),
    ("lens whose arc ends an ulp off its start", lens(3.3, 7.1), True, 1, "butt", "miter", 4, None, 100, 0.05),
    ("bevelled lens", LENS, True, 2, "butt", "bevel", 4, None, 400, 0.01),
    ("round-joined lens", LENS, True, 2, "butt", "round", 4, None, 100, 0.05),
    ("butt dashes on an arc", QUARTER, False, 2, "butt", "miter", 4, (3, 3.5), 100, 0.05),
    ("square dashes on an arc", QUARTER, False, 2, "square", "miter", 4, (3, 3.5), 100, 0.05),
    ("square caps on a cubic", S_CURVE, False, 3, "square", "miter", 4, None, 200, 0.02),
    ("butt caps on a quadratic", QUADRATIC, False, 3, "butt", "bevel", 4, None, 200, 0.02),
    ("a curve meeting a curve at a corner", CURVE_AND_LINE, False, 2, "butt", "miter", 10, None, 200, 0.02),
])
def test_stroke_outline_within_reported_error(why, path, closed, width, cap, join, limit, dashes, target, tolerance):
    dash = f' stroke-dasharray="{dashes[0]} {dashes[1]}"' if dashes else ""
    body = (f'<path d="{svg_path(path, closed)}" fill="none" stroke="#000" stroke-width="{width}" '
            f'stroke-linecap="{cap}" stroke-linejoin="{join}" stroke-miterlimit="{limit}"{dash}/>')
    result = core.analyze_svg_svg(f'<svg {SVG_NS} viewBox="0 0 100 100"><g transform="translate(30 30)">{body}</g>'
                                  '</svg>', target, tolerance)
    assert result.status == "supported", why
    origin = np.array(result.bbox[:2]) - 30
    vertices = np.asarray(result.raw.coordinates, dtype=np.float64) * result.grid_to_source_unit + origin
    lines = reference_outline(path, closed, width, cap, join, limit, dashes)
    worst = distances_to(vertices, lines).max() * result.scale_factor
    assert worst <= result.max_flattening_error_mm + result.max_quantization_error_mm, why
    reference = np.concatenate(lines)
    exact_width = reference[:, 0].max() - reference[:, 0].min()
    assert abs(exact_width * result.scale_factor - target) <= 0.6 * tolerance, why
    if not dashes:  # the reference's dash ends are only as fine as its samples
        reference = np.concatenate(reference_outline(path, closed, width, cap, join, limit, None, 100 * SAMPLES))
        exact_box = np.concatenate([reference.min(0), reference.max(0)])
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
