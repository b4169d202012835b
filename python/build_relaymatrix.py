"""pip's build of the relaymatrix package, with the standard library alone.

The package is a folder of Python files and, in an install's copy, the
library beside them: a wheel of it is a zip with three files of metadata.
Built here, ``pip install`` needs neither setuptools nor wheel, nor the
network: in any venv, with or without --no-build-isolation.
"""

import base64
import hashlib
import os
import re
import sysconfig
import tarfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
LIBRARIES = (".so", ".dll", ".dylib")


def _project():
    text = open(os.path.join(HERE, "pyproject.toml"), encoding="utf-8").read()
    table = text[text.index("[project]"):]
    return {key: re.search(rf'^{key} = "([^"]*)"', table, re.M).group(1)
            for key in ("name", "version", "description", "requires-python")}


def _package_files():
    folder = os.path.join(HERE, "relaymatrix")
    return sorted(name for name in os.listdir(folder)
                  if name.endswith((".py", ".typed") + LIBRARIES) and os.path.isfile(os.path.join(folder, name)))


def _metadata(project):
    readme = open(os.path.join(HERE, "README.md"), encoding="utf-8").read()
    return (f"Metadata-Version: 2.1\nName: {project['name']}\nVersion: {project['version']}\n"
            f"Summary: {project['description']}\nRequires-Python: {project['requires-python']}\n"
            f"Description-Content-Type: text/markdown\n\n{readme}")


def _tag(files):
    """A copy that carries the library fits this platform only."""
    if any(name.endswith(LIBRARIES) for name in files):
        return "py3-none-" + re.sub(r"[-.]", "_", sysconfig.get_platform()), "false"
    return "py3-none-any", "true"


def _dist_info(project):
    return f"{project['name']}-{project['version']}.dist-info"


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    project = _project()
    folder = os.path.join(metadata_directory, _dist_info(project))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "METADATA"), "w", encoding="utf-8") as out:
        out.write(_metadata(project))
    return _dist_info(project)


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    project = _project()
    files = _package_files()
    tag, purelib = _tag(files)
    name = f"{project['name']}-{project['version']}-{tag}.whl"
    info = _dist_info(project)
    entries = [(f"relaymatrix/{f}", open(os.path.join(HERE, "relaymatrix", f), "rb").read()) for f in files]
    entries.append((f"{info}/METADATA", _metadata(project).encode()))
    entries.append((f"{info}/WHEEL", f"Wheel-Version: 1.0\nGenerator: build_relaymatrix\n"
                                     f"Root-Is-Purelib: {purelib}\nTag: {tag}\n".encode()))
    record = ""
    with zipfile.ZipFile(os.path.join(wheel_directory, name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data in entries:
            wheel.writestr(path, data)
            digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
            record += f"{path},sha256={digest},{len(data)}\n"
        wheel.writestr(f"{info}/RECORD", record + f"{info}/RECORD,,\n")
    return name


def build_sdist(sdist_directory, config_settings=None):
    project = _project()
    top = f"{project['name']}-{project['version']}"
    with tarfile.open(os.path.join(sdist_directory, top + ".tar.gz"), "w:gz") as sdist:
        for name in ("pyproject.toml", "README.md", os.path.basename(__file__)):
            sdist.add(os.path.join(HERE, name), f"{top}/{name}")
        for name in _package_files():
            if not name.endswith(LIBRARIES):
                sdist.add(os.path.join(HERE, "relaymatrix", name), f"{top}/relaymatrix/{name}")
    return top + ".tar.gz"
