"""The recording classes as Python sees them: read-only objects, property
order and types, copies and lifetimes, and the interpreter lock."""

import gc
import sys
import threading
import weakref

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'

FILL_AND_STROKE = f"""<svg {SVG_NS} width="100" height="50" viewBox="0 0 100 50">
  <rect x="1" y="2" width="3" height="4" fill="#ff0000"/>
  <path d="M0 0 L10 0 L10 10" fill="none" stroke="#00ff00" stroke-width="2mm"
        stroke-dasharray="1 2" stroke-dashoffset="0.5" stroke-linecap="round"
        stroke-linejoin="bevel" stroke-miterlimit="7"/>
</svg>"""

STROKE_STYLE_PROPERTIES = ["width", "miter_limit", "dash_offset", "line_cap", "line_join", "dash_array"]

PAINT_COMMAND_PROPERTIES = [
    "kind", "path_verbs", "path_points", "rgba", "matrix", "fill_rule", "has_partial_alpha",
    "paint_opacity", "stroke", "non_scaling_stroke", "group_opacity", "source_index",
    "relative_path_operation_count", "transform_operation_count", "path_input_precision_error",
    "path_input_precision_error_x", "path_input_precision_error_y", "path_lowering_precision_error",
    "path_coordinates_exact", "transform_coordinates_exact", "source_fill_area_upper_bound",
    "source_has_lowered_curve", "stroke_direction_input_ambiguous",
    "isolated_stroke_direction_input_ambiguous", "transform_linear_precision_error",
    "transform_translation_precision_error", "source_subpath_area_potential", "source_kind",
]

RECORDER_RESULT_PROPERTIES = [
    "status", "reason_code", "schema_version", "bounds", "viewport", "image_vectorizer_origin",
    "has_non_scaling_stroke", "commands",
]

MODULE_ORDER = [
    "project_regions_to_grid", "canonicalize_grid_regions", "RECORDER_SCHEMA_VERSION",
    "RESULT_SCHEMA_VERSION", "PaintStrokeStyle", "PaintCommand", "RecorderResult",
    "GeometryCollection", "UnprintableFragmentCollection", "NativeResult", "record_paint_commands",
    "record_paint_commands_svg", "analyze_svg", "analyze_svg_svg",
]


def record(svg):
    result = core.record_paint_commands_svg(svg)
    assert result.status == "supported", (result.status, result.reason_code)
    return result


def properties_of(cls):
    return [name for name, value in vars(cls).items() if isinstance(value, property)]


@pytest.mark.parametrize(
    "cls,expected",
    [
        (core.PaintStrokeStyle, STROKE_STYLE_PROPERTIES),
        (core.PaintCommand, PAINT_COMMAND_PROPERTIES),
        (core.RecorderResult, RECORDER_RESULT_PROPERTIES),
    ],
    ids=lambda v: getattr(v, "__name__", ""),
)
def test_classes_are_read_only_without_constructor_or_docstring(cls, expected):
    assert properties_of(cls) == expected
    assert cls.__doc__ is None
    with pytest.raises(TypeError):
        cls()
    for name in expected:
        assert getattr(cls, name).fset is None


def test_module_attribute_order():
    names = [name for name in vars(core) if name in MODULE_ORDER]
    assert names == [name for name in MODULE_ORDER if name in names]
    assert {"record_paint_commands", "record_paint_commands_svg", "PaintCommand"} <= set(names)


@pytest.mark.parametrize("name", ["record_paint_commands", "record_paint_commands_svg"])
def test_record_functions_have_no_docstring(name):
    assert getattr(core, name).__doc__ is None


def test_property_writes_are_refused():
    result = record(FILL_AND_STROKE)
    with pytest.raises(AttributeError):
        result.status = "supported"
    command = result.commands[0]
    with pytest.raises(AttributeError):
        command.kind = "stroke"
    with pytest.raises(AttributeError):
        command.stroke.width = 3.0


def test_result_property_types():
    result = record(FILL_AND_STROKE)
    assert isinstance(result.status, str) and result.reason_code == ""
    assert type(result.schema_version) is int and result.schema_version == core.RECORDER_SCHEMA_VERSION
    for box in (result.bounds, result.viewport):
        assert type(box) is tuple and len(box) == 4 and all(type(v) is float for v in box)
    assert result.viewport == (0.0, 0.0, 100.0, 50.0)
    assert type(result.image_vectorizer_origin) is bool
    assert type(result.has_non_scaling_stroke) is bool
    assert type(result.commands) is tuple
    assert [c.kind for c in result.commands] == ["fill", "stroke"]


def test_command_property_types():
    fill, stroke = record(FILL_AND_STROKE).commands
    assert fill.path_verbs == ("move_to", "line_to", "line_to", "line_to", "close")
    assert fill.path_points == ((1.0, 2.0), (4.0, 2.0), (4.0, 6.0), (1.0, 6.0))
    assert all(type(p) is tuple and all(type(v) is float for v in p) for p in fill.path_points)
    assert fill.rgba == (255, 0, 0, 255) and all(type(v) is int for v in fill.rgba)
    assert fill.matrix == (1.0, 0.0, 0.0, 1.0, 0.0, 0.0)
    assert fill.fill_rule == "nonzero"
    assert type(fill.source_subpath_area_potential) is list
    assert fill.source_subpath_area_potential == [1]
    assert fill.source_kind == "fill" and stroke.source_kind == "stroke"
    assert type(fill.source_index) is int and fill.source_index >= 0
    for name in ("relative_path_operation_count", "transform_operation_count"):
        assert type(getattr(fill, name)) is int
    for name in ("paint_opacity", "group_opacity", "path_input_precision_error",
                 "path_lowering_precision_error", "source_fill_area_upper_bound",
                 "transform_linear_precision_error", "transform_translation_precision_error"):
        assert type(getattr(fill, name)) is float
    for name in ("has_partial_alpha", "non_scaling_stroke", "path_coordinates_exact",
                 "transform_coordinates_exact", "source_has_lowered_curve",
                 "stroke_direction_input_ambiguous", "isolated_stroke_direction_input_ambiguous"):
        assert type(getattr(fill, name)) is bool
    assert fill.transform_coordinates_exact and fill.path_coordinates_exact
    assert fill.transform_linear_precision_error == 0.0
    assert fill.transform_translation_precision_error == 0.0


def test_stroke_style_values():
    fill, stroke = record(FILL_AND_STROKE).commands
    style = stroke.stroke
    assert type(style) is core.PaintStrokeStyle
    assert style.width == 7.559055118110237
    assert style.miter_limit == 7.0
    assert style.dash_offset == 0.5
    assert (style.line_cap, style.line_join) == ("round", "bevel")
    assert style.dash_array == (1.0, 2.0) and type(style.dash_array) is tuple
    default = fill.stroke
    assert (default.width, default.miter_limit, default.dash_offset) == (1.0, 4.0, 0.0)
    assert (default.line_cap, default.line_join, default.dash_array) == ("butt", "miter", ())


def test_commands_are_fresh_copies():
    result = record(FILL_AND_STROKE)
    first, second = result.commands[0], result.commands[0]
    assert first is not second
    assert first.path_points == second.path_points
    assert result.commands is not result.commands
    del result
    gc.collect()
    assert first.path_verbs[0] == "move_to"


def test_stroke_keeps_its_command_alive():
    result = record(FILL_AND_STROKE)
    command = result.commands[1]
    alive = weakref.ref(command)
    style = command.stroke
    del command, result
    gc.collect()
    assert alive() is not None
    assert style.width == 7.559055118110237
    assert style.dash_array == (1.0, 2.0)
    del style
    gc.collect()
    assert alive() is None


def test_results_outlive_each_other():
    results = [core.record_paint_commands_svg(FILL_AND_STROKE) for _ in range(3)]
    styles = [r.commands[1].stroke for r in results]
    del results
    gc.collect()
    assert [s.line_cap for s in styles] == ["round"] * 3


@pytest.mark.parametrize(
    "function,argument,parameter",
    [(core.record_paint_commands_svg, 12, "svg"), (core.record_paint_commands, 3.5, "path")],
)
def test_argument_types(function, argument, parameter):
    # The overload error lists the signature, which declares the result class.
    with pytest.raises(TypeError, match=rf"\({parameter}: .*\) -> _pavrix_svg_core\.RecorderResult"):
        function(argument)


@pytest.mark.parametrize("convert", [str, str.encode, lambda text: bytearray(text.encode())],
                         ids=["str", "bytes", "bytearray"])
def test_text_argument_types_read_alike(convert):
    # str and bytes are read in place, a bytearray (mutable) is copied first; non-ASCII text too.
    text = FILL_AND_STROKE.replace("<rect", "<!-- \u00e9 --><rect")
    want = core.record_paint_commands_svg(FILL_AND_STROKE)
    got = core.record_paint_commands_svg(convert(text))
    assert [(c.kind, c.path_points) for c in got.commands] == [(c.kind, c.path_points) for c in want.commands]
    assert core.analyze_svg_svg(convert(text), 100.0, 0.05).status == core.analyze_svg_svg(text, 100.0, 0.05).status


def test_arguments_by_keyword():
    assert core.record_paint_commands_svg(svg=FILL_AND_STROKE).status == "supported"


def test_record_from_path_like(tmp_path):
    file = tmp_path / "drawing.svg"
    file.write_text(FILL_AND_STROKE, encoding="utf-8")
    for argument in (file, str(file), bytes(file)):
        result = core.record_paint_commands(argument)
        assert result.status == "supported"
        assert [c.kind for c in result.commands] == ["fill", "stroke"]
    missing = core.record_paint_commands(tmp_path / "missing.svg")
    assert (missing.status, missing.reason_code) == ("invalid", "invalid_svg")
    assert core.record_paint_commands(path=tmp_path).status == "invalid"


def large_document(shapes):
    body = "".join(
        f'<rect x="{i % 100}" y="{i // 100}" width="0.5" height="0.5" transform="rotate({i % 7})"/>'
        for i in range(shapes)
    )
    return f'<svg {SVG_NS} width="100" height="100">{body}</svg>'


def test_interpreter_lock_is_released_while_recording():
    svg = large_document(40000)
    progress = 0
    done = threading.Event()

    def count():
        nonlocal progress
        while not done.is_set():
            progress += 1
            done.wait(0.0002)

    # With a long switch interval a thread can only run while the recorder has
    # really let go of the lock: the main thread never blocks otherwise.
    interval = sys.getswitchinterval()
    sys.setswitchinterval(5.0)
    worker = threading.Thread(target=count)
    try:
        worker.start()
        before = progress
        result = core.record_paint_commands_svg(svg)
        during = progress - before
    finally:
        done.set()
        sys.setswitchinterval(interval)
        worker.join()
    assert result.status == "supported"
    assert len(result.commands) == 40000
    assert during > 0
