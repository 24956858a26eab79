"""The package's own build backend: builds the wheel and the source archive with the standard
library alone, so `pip install ./python` needs nothing from a package index.

A wheel built while mirav/ holds a copy of libmirav_sdk carries it and is tagged for this
platform (any Python 3, no Python ABI); otherwise the wheel is pure Python.
"""

import base64
import glob
import hashlib
import io
import os
import sysconfig
import tarfile
import zipfile

NAME = "mirav"
VERSION = "4.0.56.34"
SUMMARY = "Python client of the Mirav motion-capture server (ctypes over libmirav_sdk)"
REQUIRES = ["numpy"]
REQUIRES_PYTHON = ">=3.9"
ENTRY_POINTS = "[console_scripts]\nmirav = mirav.cli:main\n"
LIBRARY_PATTERNS = ["libmirav_sdk.so*", "libmirav_sdk*.dylib", "mirav_sdk.dll", "libmirav_sdk.dll"]

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIST_INFO = "%s-%s.dist-info" % (NAME, VERSION)


def _package_files():
    """(path in the wheel, path on disk) of the package's modules and any carried library."""
    package = os.path.join(ROOT, NAME)
    found = []
    for path in sorted(glob.glob(os.path.join(package, "*.py"))):
        found.append((NAME + "/" + os.path.basename(path), path))
    for pattern in LIBRARY_PATTERNS:
        for path in sorted(glob.glob(os.path.join(package, pattern))):
            if not os.path.islink(path):
                found.append((NAME + "/" + os.path.basename(path), path))
    return found


def _carries_library(files):
    return any(not name.endswith(".py") for name, _ in files)


def _tag(files):
    if not _carries_library(files):
        return "py3-none-any"
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    return "py3-none-" + platform


def _metadata():
    readme = os.path.join(ROOT, "README.md")
    lines = [
        "Metadata-Version: 2.1",
        "Name: " + NAME,
        "Version: " + VERSION,
        "Summary: " + SUMMARY,
        "Requires-Python: " + REQUIRES_PYTHON,
    ]
    lines += ["Requires-Dist: " + r for r in REQUIRES]
    text = "\n".join(lines) + "\n"
    if os.path.exists(readme):
        with open(readme, encoding="utf-8") as handle:
            text += "Description-Content-Type: text/markdown\n\n" + handle.read()
    return text


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return "%s,sha256=%s,%d" % (name, digest, len(data))


def _write_wheel(directory, tag, contents):
    """contents: (name in the wheel, bytes, executable). Returns the wheel's file name."""
    wheel_text = "Wheel-Version: 1.0\nGenerator: mirav_build\nRoot-Is-Purelib: %s\nTag: %s\n" % (
        "true" if tag.endswith("-any") else "false",
        tag,
    )
    contents = list(contents) + [
        (DIST_INFO + "/METADATA", _metadata().encode("utf-8"), False),
        (DIST_INFO + "/WHEEL", wheel_text.encode("utf-8"), False),
        (DIST_INFO + "/entry_points.txt", ENTRY_POINTS.encode("utf-8"), False),
    ]
    record = [_record_line(name, data) for name, data, _ in contents]
    record.append(DIST_INFO + "/RECORD,,")
    contents.append((DIST_INFO + "/RECORD", ("\n".join(record) + "\n").encode("utf-8"), False))
    file_name = "%s-%s-%s.whl" % (NAME, VERSION, tag)
    os.makedirs(directory, exist_ok=True)
    with zipfile.ZipFile(os.path.join(directory, file_name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data, executable in contents:
            info = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info.external_attr = (0o755 if executable else 0o644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(info, data)
    return file_name


def _read(path):
    with open(path, "rb") as handle:
        return handle.read()


# --- PEP 517 hooks ------------------------------------------------------------------------------
def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    files = _package_files()
    contents = [(name, _read(path), not name.endswith(".py")) for name, path in files]
    return _write_wheel(wheel_directory, _tag(files), contents)


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    """An editable install: a path file pointing at this checkout."""
    contents = [(NAME + "_editable.pth", (ROOT + "\n").encode("utf-8"), False)]
    return _write_wheel(wheel_directory, "py3-none-any", contents)


def build_sdist(sdist_directory, config_settings=None):
    base = "%s-%s" % (NAME, VERSION)
    file_name = base + ".tar.gz"
    os.makedirs(sdist_directory, exist_ok=True)
    members = ["pyproject.toml", "README.md", "build_backend/mirav_build.py"]
    members += [name for name, path in _package_files() if name.endswith(".py")]
    with tarfile.open(os.path.join(sdist_directory, file_name), "w:gz") as archive:
        for member in members:
            archive.add(os.path.join(ROOT, member), arcname=base + "/" + member)
        info = tarfile.TarInfo(base + "/PKG-INFO")
        data = _metadata().encode("utf-8")
        info.size = len(data)
        archive.addfile(info, io.BytesIO(data))
    return file_name
