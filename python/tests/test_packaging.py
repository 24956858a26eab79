"""Installing without a package index: pip install of a checkout, and a wheel that carries the
library and finds it beside the package (no MIRAV_SDK_LIBRARY)."""

import os
import shutil
import subprocess
import sys

import pytest

PACKAGE_ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
BUILD_WHEEL = (
    "import sys; sys.path.insert(0, sys.argv[1]); import mirav_build; "
    "print(mirav_build.build_wheel(sys.argv[2]))"
)
CHECK = "import mirav, mirav._library as l; print(mirav.library_version(), l.library().path)"


def run(command, **options):
    result = subprocess.run(command, capture_output=True, text=True, timeout=120, **options)
    assert result.returncode == 0, result.stdout + result.stderr
    return result.stdout


def test_checkout_and_wheel_install_offline(tmp_path):
    library = os.environ.get("MIRAV_SDK_LIBRARY")
    if not library:
        pytest.skip("MIRAV_SDK_LIBRARY is not set")
    library = os.path.abspath(library)
    made = subprocess.run([sys.executable, "-m", "venv", "--system-site-packages",
                           str(tmp_path / "env")], capture_output=True, timeout=120)
    if made.returncode != 0:
        pytest.skip("no venv module with pip (Debian: python3-venv)")
    python = str(tmp_path / "env" / "bin" / "python")
    offline = dict(os.environ, PIP_NO_INDEX="1", PIP_DISABLE_PIP_VERSION_CHECK="1",
                   MIRAV_SDK_LIBRARY=library)
    offline.pop("PYTHONPATH", None)

    # A checkout: pure Python, the library named by the environment.
    run([python, "-m", "pip", "install", "-q", PACKAGE_ROOT], env=offline, cwd=str(tmp_path))
    found = run([python, "-c", CHECK], env=offline, cwd=str(tmp_path))
    assert "(4, 0, 56, 34) %s" % library in found

    # A wheel with the library beside the package, as the CMake target builds it.
    stage = tmp_path / "stage"
    shutil.copytree(PACKAGE_ROOT, stage, ignore=shutil.ignore_patterns("tests", "__pycache__"))
    shutil.copy(library, stage / "mirav" / "libmirav_sdk.so")
    wheel = run([sys.executable, "-c", BUILD_WHEEL, str(stage / "build_backend"),
                 str(tmp_path / "dist")]).strip()
    assert wheel.startswith("mirav-4.0.56.34-py3-none-") and not wheel.endswith("-any.whl")
    run([python, "-m", "pip", "install", "-q", "--force-reinstall", "--no-deps",
         str(tmp_path / "dist" / wheel)], env=offline, cwd=str(tmp_path))
    del offline["MIRAV_SDK_LIBRARY"]
    found = run([python, "-c", CHECK], env=offline, cwd=str(tmp_path))
    assert "site-packages/mirav/libmirav_sdk.so" in found
    assert run([str(tmp_path / "env" / "bin" / "mirav"), "--help"], env=offline).startswith("usage")
