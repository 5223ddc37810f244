"""The checked-in table of settings is what the built vemoctl describes."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import pytest

import vemo

GENERATOR = Path(__file__).resolve().parents[1] / "generate_settings.py"


def test_the_table_matches_vemoctl() -> None:
    vemoctl = os.environ.get("VEMOCTL")
    if not vemoctl:
        pytest.skip("VEMOCTL names the built tool")
    check = subprocess.run([sys.executable, str(GENERATOR), vemoctl, "--check"], capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr


def test_the_table_is_read_only() -> None:
    with pytest.raises(TypeError):
        vemo.SETTINGS["brightness"] = vemo.SETTINGS["contrast"]  # type: ignore[index]
