"""A build backend that makes the zevahvlink wheel with the standard library alone.

The package is pure Python, so its wheel is a zip of the sources and a few
metadata files.  Building it here means ``pip install ./python`` works
offline in any fresh virtual environment: setuptools before 70.1 needs the
separate ``wheel`` package to build wheels, which a new virtual environment
does not have, and newer Pythons give a virtual environment no setuptools
at all.  Name, version and summary come from pyproject.toml.
"""
from __future__ import annotations

import base64
import hashlib
import io
import os
import re
import tarfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKAGE = "zevahvlink"
TAG = "py3-none-any"


def _project() -> dict:
    """The plain ``key = "value"`` entries of the [project] table."""
    with open(os.path.join(ROOT, "pyproject.toml"), encoding="utf-8") as f:
        text = f.read()
    table = re.search(r"^\[project\]\s*$(.*?)(?=^\[|\Z)", text, re.M | re.S)
    if not table:
        raise RuntimeError("pyproject.toml has no [project] table")
    return dict(re.findall(r'^([\w-]+)\s*=\s*"([^"]*)"\s*$', table.group(1), re.M))


def _metadata() -> str:
    p = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {p['name']}", f"Version: {p['version']}"]
    if "description" in p:
        lines.append(f"Summary: {p['description']}")
    if "requires-python" in p:
        lines.append(f"Requires-Python: {p['requires-python']}")
    return "\n".join(lines) + "\n"


def _dist_info() -> str:
    p = _project()
    return f"{p['name'].replace('-', '_')}-{p['version']}.dist-info"


def _sources():
    """(path inside the wheel, file on disk) for every file of the package."""
    top = os.path.join(ROOT, PACKAGE)
    for folder, dirs, files in os.walk(top):
        dirs[:] = sorted(d for d in dirs if d != "__pycache__")
        for name in sorted(files):
            if name.endswith((".py", ".typed")):
                full = os.path.join(folder, name)
                yield os.path.relpath(full, ROOT).replace(os.sep, "/"), full


def _record_line(path: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{path},sha256={digest},{len(data)}"


def _write_wheel(directory: str, files) -> str:
    p = _project()
    name = f"{p['name'].replace('-', '_')}-{p['version']}-{TAG}.whl"
    info = _dist_info()
    entries = list(files) + [
        (f"{info}/METADATA", _metadata().encode()),
        (f"{info}/WHEEL", (f"Wheel-Version: 1.0\nGenerator: zevahvlink_build\n"
                           f"Root-Is-Purelib: true\nTag: {TAG}\n").encode()),
        (f"{info}/top_level.txt", f"{PACKAGE}\n".encode()),
    ]
    record = [_record_line(path, data) for path, data in entries] + [f"{info}/RECORD,,"]
    entries.append((f"{info}/RECORD", ("\n".join(record) + "\n").encode()))
    with zipfile.ZipFile(os.path.join(directory, name), "w", zipfile.ZIP_DEFLATED) as z:
        for path, data in entries:
            z.writestr(zipfile.ZipInfo(path, (2020, 1, 1, 0, 0, 0)), data)
    return name


# -- the hooks pip calls ----------------------------------------------------------------

def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def get_requires_for_build_editable(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    info = os.path.join(metadata_directory, _dist_info())
    os.makedirs(info, exist_ok=True)
    with open(os.path.join(info, "METADATA"), "w", encoding="utf-8") as f:
        f.write(_metadata())
    return _dist_info()


prepare_metadata_for_build_editable = prepare_metadata_for_build_wheel


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    files = []
    for path, full in _sources():
        with open(full, "rb") as f:
            files.append((path, f.read()))
    return _write_wheel(wheel_directory, files)


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    # The installed package is the source tree itself, through a path file.
    return _write_wheel(wheel_directory, [(f"{PACKAGE}.pth", (ROOT + "\n").encode())])


def build_sdist(sdist_directory, config_settings=None):
    p = _project()
    base = f"{p['name'].replace('-', '_')}-{p['version']}"
    name = f"{base}.tar.gz"
    others = [os.path.join(ROOT, "pyproject.toml"),
              os.path.join(ROOT, "build_backend", "zevahvlink_build.py")]
    with tarfile.open(os.path.join(sdist_directory, name), "w:gz") as tar:
        for full in others + [f for _, f in _sources()]:
            tar.add(full, arcname=f"{base}/{os.path.relpath(full, ROOT)}")
        pkg_info = _metadata().encode()
        entry = tarfile.TarInfo(f"{base}/PKG-INFO")
        entry.size = len(pkg_info)
        tar.addfile(entry, io.BytesIO(pkg_info))
    return name
