"""Analysis parameters and the figures derived from them: physical parameter checks, the scale from
the target width, the error budgets, empty geometry and reasons passed through from recording."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
TIMINGS = ("recorder_seconds", "kernel_seconds", "bounds_seconds", "replay_seconds", "topology_seconds",
           "normalization_raw_seconds", "composite_seconds", "normalization_visible_seconds", "export_seconds")
RECT = '<rect x="10" y="5" width="50" height="20"/>'


def svg(body, view_box="0 0 100 50"):
    return f'<svg {SVG_NS} viewBox="{view_box}">{body}</svg>'


@pytest.mark.parametrize("width, tolerance", [
    (100, 0), (100, -0.1), (100, math.nan), (100, math.inf),
    (0, 0.1), (-80, 0.1), (math.nan, 0.1), (math.inf, 0.1),
])
def test_bad_physical_parameters_are_invalid_with_nothing_measured(width, tolerance):
    result = core.analyze_svg_svg(svg(RECT), width, tolerance)
    assert (result.status, result.reason_code) == ("invalid", "invalid_physical_parameters")
    assert all(getattr(result, name) == 0 for name in TIMINGS)
    assert result.input_paint_count == 0 and result.replay_worker_count == 0


@pytest.mark.parametrize("width", [10, 80.0, 250.5])
def test_scale_maps_the_painted_width_onto_the_target_width(width):
    result = core.analyze_svg_svg(svg(RECT), width, 0.1)
    assert result.status == "supported", result.reason_code
    assert result.schema_version == core.RESULT_SCHEMA_VERSION == core.RECORDER_SCHEMA_VERSION == 4
    assert all(getattr(result, name) >= 0 for name in TIMINGS) and result.result_conversion_seconds >= 0
    assert result.normalization_visible_seconds == 0
    assert result.bbox == pytest.approx((10, 5, 50, 20))
    assert result.scale_factor == pytest.approx(width / 50)
    assert result.viewport_bounds == pytest.approx((-10, -5, 100, 50))


@pytest.mark.parametrize("tolerance", [0.5, 0.1, 0.01])
def test_quantization_and_flattening_stay_inside_the_tolerance(tolerance):
    result = core.analyze_svg_svg(svg('<circle cx="50" cy="25" r="20"/>'), 80, tolerance)
    assert result.status == "supported", result.reason_code
    grid_mm = result.grid_to_source_unit * result.scale_factor
    assert result.max_quantization_error_mm >= grid_mm / math.sqrt(2) * (1 - 1e-12)
    assert 0 < result.max_flattening_error_mm <= 0.4 * tolerance
    assert result.max_quantization_error_mm + result.max_flattening_error_mm <= tolerance


def test_positional_and_keyword_forms_agree():
    text = svg(RECT + '<line x1="0" y1="40" x2="90" y2="40" stroke="red"/>')
    short = core.analyze_svg_svg(text, 100, 0.1)
    full = core.analyze_svg_svg(svg=text, target_width_mm=100.0, tolerance_mm=0.1, allow_strokes=True)
    assert (short.status, short.input_paint_count) == (full.status, full.input_paint_count)
    assert (short.raw.coordinates == full.raw.coordinates).all()


@pytest.mark.parametrize("body", [
    "",                                                # nothing painted
    '<rect x="200" y="0" width="10" height="10"/>',    # only off the page
    '<rect width="10" height="10" fill="none"/>',
])
def test_empty_geometry(body):
    result = core.analyze_svg_svg(svg(body), 80, 0.1)
    assert (result.status, result.reason_code) == ("invalid", "empty_geometry")


@pytest.mark.parametrize("text, status, reason", [
    ("<svg", "invalid", "invalid_svg"),
    (f'<svg {SVG_NS}><style>a > b {{fill: red}}</style></svg>', "unsupported", None),
    (f'<!DOCTYPE svg><svg {SVG_NS}/>', "unsupported", "unsupported_doctype"),
])
def test_recording_reasons_pass_through(text, status, reason):
    recorded = core.record_paint_commands_svg(text)
    result = core.analyze_svg_svg(text, 80, 0.1)
    assert (result.status, result.reason_code) == (recorded.status, recorded.reason_code)
    assert result.status == status and (reason is None or result.reason_code == reason)
    assert result.input_paint_count == 0


def test_unreadable_file_is_a_result(tmp_path):
    result = core.analyze_svg(tmp_path / "missing.svg", 80, 0.1)
    assert (result.status, result.reason_code) == ("invalid", "invalid_svg")
