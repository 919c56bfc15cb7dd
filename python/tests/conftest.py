"""What the module's tests share: the project's command-line tools, to compare with."""

import json
import os
import shutil
import subprocess

import pytest


def _tool(name):
    path = os.environ.get("KESTRELON_" + name.upper()) or shutil.which(name)
    if not path:
        pytest.skip(f"{name} was not found (KESTRELON_{name.upper()} names it)")
    return path


@pytest.fixture
def sgctl():
    """Runs sgctl with the arguments; (exit status, stdout, stderr)."""
    path = _tool("sgctl")

    def run(*args):
        done = subprocess.run([path, *map(str, args)], capture_output=True, text=True, timeout=60)
        return done.returncode, done.stdout, done.stderr

    return run


@pytest.fixture
def edidinfo_json(tmp_path):
    """The object `edidinfo --json` prints for an EDID's bytes."""
    path = _tool("edidinfo")

    def run(image):
        file = tmp_path / "edid.bin"
        file.write_bytes(image)
        done = subprocess.run([path, "--json", str(file)], capture_output=True, check=True)
        return json.loads(done.stdout)

    return run
