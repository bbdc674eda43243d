"""Minimised fuzz findings that once crashed: each must now complete with well-formed faces."""

import numpy as np
import pytest

import _pavrix_svg_core as core
from _pavrix_svg_compensation import find_holes_mm

# One self-crossing ring whose non-zero union sent the boolean engine's result-tree building into
# unbounded recursion (a stack overflow).
SPLIT_OWNER_CYCLE = [
    (11, -16), (-1, 4), (-39, -31), (4, -39), (-31, -16), (-18, -31), (-40, -18), (-18, -18),
    (-39, 47), (-35, -47), (-18, 50), (-42, -18), (-1, -18), (-18, -5), (-1, -18), (-36, -18),
    (-5, -2), (7, -18), (-47, -18), (-18, -5), (2, -18), (-47, -18),
]


def doubled_area(ring):
    x, y = ring[:, 0].astype(object), ring[:, 1].astype(object)
    return sum(x[i - 1] * y[i] - x[i] * y[i - 1] for i in range(len(x)))


@pytest.mark.parametrize("scale", [0.5, 1.0, 3.0])
@pytest.mark.parametrize("max_area, max_width", [(0.0, 0.0), (1.0, 0.5), (1e6, 1e6)])
def test_find_holes_split_owner_cycle(scale, max_area, max_width):
    ring = np.array(SPLIT_OWNER_CYCLE, dtype=np.float64) * scale
    holes, filled = find_holes_mm([ring], max_area, max_width)
    for shell, interiors in list(holes) + list(filled):
        assert len(shell) >= 3 and all(len(r) >= 3 for r in interiors)
    assert filled or holes


@pytest.mark.parametrize("scale", [1.0, 4.0, 1000.0])
def test_grid_projection_split_owner_cycle(scale):
    ring = np.array(SPLIT_OWNER_CYCLE, dtype=np.float64)
    (faces,) = core.project_regions_to_grid([[ring]], scale)
    assert faces
    for exterior, holes in faces:
        assert doubled_area(exterior) > 0 and all(doubled_area(h) < 0 for h in holes)
