import importlib
import subprocess
import sys

import pytest

MODULES = {
    "_pavrix_svg_core": "Native SVG paint recorder and print geometry kernel",
    "_pavrix_svg_compensation": "Optional physical-mm SVG hole compensation / 可选的物理毫米 SVG 孔洞补偿",
}


@pytest.mark.parametrize("name,doc", MODULES.items())
def test_import_sets_docstring(name, doc):
    module = importlib.import_module(name)
    assert module.__doc__ == doc


@pytest.mark.parametrize("name", MODULES)
def test_second_import_reuses_completed_module(name):
    first = importlib.import_module(name)
    names = set(dir(first))
    del sys.modules[name]
    second = importlib.import_module(name)
    assert second is first
    assert set(dir(second)) == names
    assert second.__doc__ == MODULES[name]


def test_schema_constants():
    core = importlib.import_module("_pavrix_svg_core")
    assert core.RECORDER_SCHEMA_VERSION == 4
    assert core.RESULT_SCHEMA_VERSION == 4
    assert type(core.RECORDER_SCHEMA_VERSION) is int


@pytest.mark.parametrize("name", MODULES)
def test_subinterpreter_import_is_refused(name):
    interpreters = pytest.importorskip("concurrent.interpreters")
    interp = interpreters.create()
    try:
        with pytest.raises(interpreters.ExecutionFailed) as failure:
            interp.exec(f"import {name}")
        assert failure.value.excinfo.type.__name__ == "ImportError"
    finally:
        interp.close()


def test_core_import_does_not_load_numpy():
    code = "import sys, _pavrix_svg_core; print('numpy' in sys.modules)"
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.strip() == "False"
