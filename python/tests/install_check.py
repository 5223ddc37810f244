#!/usr/bin/python3
"""Installs the package with pip as docs/python.md says (Debian's setuptools, no
build isolation, no network) into a temporary folder and imports it from
there: the package, its table and its type marker must all be installed."""

from __future__ import annotations

import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]


def main() -> int:
    with tempfile.TemporaryDirectory(prefix="vemo-install-") as scratch:
        # A copy, so that the build leaves nothing in the source tree.
        source = Path(scratch) / "source"
        shutil.copytree(SOURCE, source, ignore=shutil.ignore_patterns("build", "*.egg-info", "__pycache__"))
        target = Path(scratch) / "target"
        pip = [sys.executable, "-m", "pip", "install", "-q", "--no-build-isolation", "--no-deps", "--no-index", "--root-user-action=ignore"]
        subprocess.run([*pip, "--target", str(target), str(source)], check=True)
        assert (target / "vemo" / "py.typed").is_file(), "py.typed is not installed"
        probe = "import vemo; print(vemo.__file__, len(vemo.SETTINGS))"
        out = subprocess.run(
            [sys.executable, "-c", probe], cwd=scratch, env={"PYTHONPATH": str(target)}, check=True, capture_output=True, text=True
        ).stdout.split()
        assert out[0].startswith(str(target)), f"imported from {out[0]}"
        assert int(out[1]) > 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
