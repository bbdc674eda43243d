"""What prints: raw, visible and silhouette geometry of opaque and translucent overlaps, holes and
their parents, strokes with and without allow_strokes, and the zero-length dash refusal."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
PAGE = (f'<svg {SVG_NS} viewBox="0 0 100 50">{{}}</svg>', 80, 0.1)
SQUARE_PAGE = (f'<svg {SVG_NS} width="100" height="100" viewBox="0 0 100 100">{{}}</svg>', 100.0, 0.05)
OVERLAP = ('<rect x="0" y="0" width="60" height="50" fill="red"{0}/>'
           '<rect x="40" y="0" width="60" height="50" fill="blue"{0}/>')
LOWER = '<rect x="10" y="10" width="40" height="40" fill="#ff0000"{}/>'
UPPER = '<rect x="30" y="30" width="40" height="40" fill="#0000ff"{}/>'
HALF = ' fill-opacity="0.5"'


def run(body, page=PAGE, **kwargs):
    view, width, tolerance = page
    return core.analyze_svg_svg(view.format(body), width, tolerance, **kwargs)


def analyze(body, page=PAGE, **kwargs):
    result = run(body, page, **kwargs)
    assert (result.status, result.reason_code) == ("supported", "")
    return result


def extent_mm(result, collection, geometry):
    """Printed width and height of one geometry of the collection."""
    polygons = collection.geometry_offsets[geometry], collection.geometry_offsets[geometry + 1]
    rings = collection.polygon_offsets[polygons[0]], collection.polygon_offsets[polygons[1]]
    points = collection.coordinates[collection.ring_offsets[rings[0]]:collection.ring_offsets[rings[1]]]
    return (points.max(axis=0) - points.min(axis=0)) * result.grid_to_source_unit * result.scale_factor


def test_opaque_overlap_gives_two_visible_regions_and_one_black_silhouette():
    result = analyze(OVERLAP.format(""))
    visible, silhouette = result.visible, result.silhouette
    assert (result.raw.geometry_count, visible.geometry_count) == (2, 2)
    assert visible.rgba.tolist() == [[255, 0, 0, 255], [0, 0, 255, 255]]
    # The later rectangle hides the overlap: red keeps x in [0, 40], blue all of [40, 100].
    assert [extent_mm(result, visible, g)[0] for g in range(2)] == pytest.approx([32, 48], abs=0.1)
    assert (silhouette.geometry_count, silhouette.component_count) == (1, 1)
    assert (silhouette.rgba.tolist(), silhouette.draw_indices.tolist(), silhouette.source_indices.tolist(),
            silhouette.source_kinds.tolist()) == ([[0, 0, 0, 255]], [0], [-1], [2])
    assert extent_mm(result, silhouette, 0) == pytest.approx([80, 40], abs=0.1)


@pytest.mark.parametrize("body, page, visible_count", [
    (OVERLAP.format(""), PAGE, 2),
    (LOWER.format("") + UPPER.format(""), SQUARE_PAGE, 2),                                 # later cuts earlier
    (LOWER.format("") + LOWER.format("").replace("#ff0000", "#00ff00"), SQUARE_PAGE, 1),  # identical one hides
])
def test_opaque_painters_order_never_blends(body, page, visible_count):
    visible = analyze(body, page).visible
    assert len(visible.draw_indices) == visible_count
    assert all(kind != 3 for kind in visible.source_kinds.tolist())
    assert all(colour[3] == 1.0 for colour in visible.rgba_f64.tolist())


@pytest.mark.parametrize("body, page", [(OVERLAP.format(HALF), PAGE),
                                        (LOWER.format(HALF) + UPPER.format(HALF), SQUARE_PAGE)])
def test_translucent_overlap_gives_three_regions_with_the_composited_colour(body, page):
    result = analyze(body, page)
    visible = result.visible
    colours = visible.rgba_f64.tolist()
    assert len(colours) == 3 and len(visible.draw_indices) == 3
    assert sorted(colour[3] for colour in colours) == pytest.approx([0.5, 0.5, 0.75])
    weights = [visible.contributor_weights[visible.contributor_offsets[g]:visible.contributor_offsets[g + 1]]
               for g in range(3)]
    for g in range(3):  # contributor weights add up to the alpha
        assert weights[g].sum() == pytest.approx(colours[g][3])
    blended = [g for g in range(3) if visible.source_kinds[g] == 3]
    assert len(blended) == 1
    assert visible.draw_indices[blended[0]] == -1
    assert colours[blended[0]] == pytest.approx((1 / 3, 0, 2 / 3, 0.75))
    assert sorted(weights[blended[0]]) == pytest.approx([0.25, 0.5])
    assert len(result.silhouette.draw_indices) == 1


def test_group_opacity_switches_to_translucent_compositing():
    result = analyze('<g opacity="0.5"><rect width="60" height="50" fill="red"/></g>')
    assert result.visible.rgba_f64.tolist() == [pytest.approx([1, 0, 0, 0.5])]


@pytest.mark.parametrize("path, parents", [
    ("M0 0H50V50H0Z M10 10V40H40V10Z", [-1, 0]),                         # reversed inner ring: a hole
    ("M0 0H50V50H0Z M10 10H40V40H10Z", [-1]),                            # same winding fills it
    ("M0 0H50V50H0Z M10 10V40H40V10Z M20 20H30V30H20Z", [-1, 0, -1]),    # island in the hole
])
def test_holes_and_their_parents(path, parents):
    raw = analyze(f'<path d="{path}"/>').raw
    assert raw.hole_parent.tolist() == parents
    assert (raw.hole_count, raw.component_count) == (parents.count(0), parents.count(-1))


# The line records an empty fill as well as its stroke.
STROKED = ('<rect x="10" y="10" width="30" height="30" fill="green"/>'
           '<line x1="0" y1="25" x2="100" y2="25" stroke="black" stroke-width="4"/>')


@pytest.mark.parametrize("allow_strokes, paints, has_stroke", [(True, 3, True), (False, 2, False)])
def test_strokes_follow_allow_strokes(allow_strokes, paints, has_stroke):
    result = analyze(STROKED, allow_strokes=allow_strokes)
    assert result.input_paint_count == paints
    assert (1 in result.raw.source_kinds.tolist()) == has_stroke


@pytest.mark.parametrize("allow_strokes, status", [(True, "unsupported"), (False, "supported")])
def test_zero_length_dash_refused_only_with_strokes(allow_strokes, status):
    body = '<rect width="10" height="10"/><line x1="0" y1="25" x2="90" y2="25" stroke="red" stroke-dasharray="0 2"/>'
    result = run(body, allow_strokes=allow_strokes)
    assert result.status == status
    if status == "unsupported":
        assert (result.reason_code, result.kernel_seconds, result.input_paint_count) == (
            "unsupported_zero_length_dash", 0, 3)


# Circles stacked with enough curve points that the page is cut into tiles composited on the workers.
STACKS = "".join(f'<circle cx="{10 + i * 37 % 80}" cy="{10 + i * 53 % 80}" r="{8 + i % 7}" '
                 f'fill="#{i * 40503 % 0xFFFFFF:06x}"/>' for i in range(60))
# Icon-like stacks on a 12-unit grid, as a sheet imports them: a shadow one unit below the shape at
# opacity 0.2, the shape, a translucent highlight on its top edge and a detail; translucent runs of
# paint that never meet, composited apart on the workers.
ICONS = "".join(f'<g transform="translate({12 * (i % 8)} {12 * (i // 8)})">'
                f'<rect x="1" y="2" width="10" height="9" rx="2" opacity="0.2"/>'
                f'<rect x="1" y="1" width="10" height="9" rx="2" fill="#{i * 40503 % 0xFFFFFF:06x}"/>'
                f'<path d="M1 3a2 2 0 0 1 2-2h6a2 2 0 0 1 2 2v1a2 2 0 0 0-2-2H3a2 2 0 0 0-2 2z" fill="#fff" '
                f'fill-opacity="0.2"/><circle cx="6" cy="{5 + i % 3}" r="{2 + i % 2}" fill="#333"/></g>'
                for i in range(64))
COLUMNS = ("coordinates", "ring_offsets", "polygon_offsets", "geometry_offsets", "draw_indices", "rgba_f64",
           "contributor_offsets", "contributor_draw_indices", "contributor_weights")


@pytest.mark.parametrize("body", [STACKS, ICONS], ids=["opaque stacks", "translucent icon sheet"])
def test_composite_alike_on_any_worker_count(monkeypatch, body):
    results = []
    for threads in ("1", "3", "16"):
        monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", threads)
        results.append(analyze(body, SQUARE_PAGE))
    for other in results[1:]:
        for name in ("visible", "silhouette"):
            ours, theirs = getattr(results[0], name), getattr(other, name)
            for column in COLUMNS:
                assert np.array_equal(getattr(ours, column), getattr(theirs, column)), (name, column)
    if body == STACKS:
        # Cutting into tiles may move an edge by half a grid unit; the reported error bound covers it.
        result = results[0]
        grid_mm = result.grid_to_source_unit * result.scale_factor
        assert result.max_quantization_error_mm >= grid_mm / 2 ** 0.5 + grid_mm * (1 - 1e-9)
