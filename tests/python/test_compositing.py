import numpy as np
import pytest

import _pavrix_svg_core as core

if not hasattr(core, "analyze_svg_svg"):
    pytest.skip("analysis functions are not registered in this build", allow_module_level=True)

VIEW = '<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100" viewBox="0 0 100 100">{}</svg>'
LOWER = '<rect x="10" y="10" width="40" height="40" fill="#ff0000"{}/>'
UPPER = '<rect x="30" y="30" width="40" height="40" fill="#0000ff"{}/>'


def visible_geometries(body):
    result = core.analyze_svg_svg(VIEW.format(body), 100.0, 0.05)
    assert (result.status, result.reason_code) == ("supported", "")
    visible = result.visible
    offsets = np.asarray(visible.contributor_offsets)
    weights = np.asarray(visible.contributor_weights)
    colours = np.asarray(visible.rgba_f64).reshape(-1, 4)
    return [
        (int(visible.draw_indices[k]), int(visible.source_kinds[k]), tuple(colours[k]),
         sorted(weights[offsets[k]:offsets[k + 1]]))
        for k in range(len(visible.draw_indices))
    ], result


def test_translucent_overlap_blends_with_both_contributors():
    half = ' fill-opacity="0.5"'
    geometries, result = visible_geometries(LOWER.format(half) + UPPER.format(half))
    assert len(geometries) == 3
    blended = [g for g in geometries if g[1] == 3]
    assert len(blended) == 1
    draw_index, _, colour, weights = blended[0]
    assert draw_index == -1
    assert colour == pytest.approx((1 / 3, 0.0, 2 / 3, 0.75))
    assert weights == pytest.approx([0.25, 0.5])
    assert len(result.silhouette.draw_indices) == 1


@pytest.mark.parametrize(
    "why, body, visible_count",
    [
        ("the later square cuts the earlier", LOWER.format("") + UPPER.format(""), 2),
        ("an identical later square hides the earlier", LOWER.format("") + LOWER.format("").replace("#ff0000", "#00ff00"), 1),
    ],
)
def test_opaque_painters_order(why, body, visible_count):
    geometries, _ = visible_geometries(body)
    assert len(geometries) == visible_count, why
    assert all(kind != 3 and alpha == 1.0 for _, kind, (_, _, _, alpha), _ in geometries), why
