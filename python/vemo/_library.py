"""Finding and loading the shipped library, and the simulator ahead of it."""

from __future__ import annotations

import ctypes
import os
import subprocess
from pathlib import Path
from typing import List, Optional

from ._elf_import import redirect_import
from .errors import Error

SDK_NAME = "libVemoMonitorSdk.so.1"
SIM_NAME = "libVemoMonitorSim.so"
MAX_SIMULATED_MONITORS = 8


def _explicit(variable: str) -> Optional[Path]:
    value = os.environ.get(variable)
    if not value:
        return None
    path = Path(value)
    if not path.exists():
        raise Error(f"{variable} names {value}, which does not exist")
    return path


def _system_sdks() -> List[Path]:
    """Where the dynamic loader finds the SDK library, from its cache (one
    entry per architecture installed)."""
    try:
        listing = subprocess.run(["/sbin/ldconfig", "-p"], capture_output=True, text=True, timeout=10).stdout
    except (OSError, subprocess.SubprocessError):
        return []
    found: List[Path] = []
    for line in listing.splitlines():
        entry, _, target = line.strip().partition(" => ")
        if entry.split(" ", 1)[0] == SDK_NAME and target:
            found.append(Path(target))
    return found


def _simulator_candidates(sdk: Optional[Path]) -> List[str]:
    """Where the simulator may be: in the simulator's folder beside the SDK
    library (the install tree: the one named, else the one the loader finds),
    beside it, in the simulator's folder of a build tree, else wherever the
    loader finds libraries."""
    paths: List[str] = []
    for library in [sdk] if sdk is not None else _system_sdks():
        here = library.resolve().parent
        paths.append(str(here / "vemo" / SIM_NAME))
        paths.append(str(here / SIM_NAME))
        paths.extend(str(p) for p in sorted(here.glob(f"sim/*/{SIM_NAME}")))
    paths.append(SIM_NAME)
    return paths


def simulator_loaded() -> bool:
    """Whether the simulator's entry points are visible in this process."""
    return hasattr(ctypes.CDLL(None), "vemo_sim_state_path")


def _load_simulator(sdk: Optional[Path]) -> ctypes.CDLL:
    explicit = _explicit("VEMO_SIM_LIBRARY")
    candidates = [str(explicit)] if explicit else _simulator_candidates(sdk)
    for candidate in candidates:
        if os.sep in candidate and not os.path.exists(candidate):
            continue
        try:
            return ctypes.CDLL(candidate, mode=ctypes.RTLD_GLOBAL)
        except OSError:
            continue
    raise Error(f"cannot load {SIM_NAME} (tried {', '.join(candidates)}); set VEMO_SIM_LIBRARY to its path")


def load(simulate: bool) -> ctypes.CDLL:
    """Loads the SDK library; with ``simulate``, the simulator first, so that
    the library's hidapi calls reach simulated bridges."""
    sdk_path = _explicit("VEMO_SDK_LIBRARY")
    simulator = None
    if simulate and not simulator_loaded():
        simulator = _load_simulator(sdk_path)
    try:
        sdk = ctypes.CDLL(str(sdk_path) if sdk_path else SDK_NAME)
    except OSError as error:
        raise Error(f"cannot load {SDK_NAME} ({error}); install the SDK or set VEMO_SDK_LIBRARY to its path") from error
    if simulator is not None and os.environ.get("VEMO_SIM_FAST", "0") not in ("", "0"):
        _skip_waits(sdk, simulator)
    return sdk


def _skip_waits(sdk: ctypes.CDLL, simulator: ctypes.CDLL) -> None:
    target = ctypes.cast(simulator.usleep, ctypes.c_void_p).value
    inside = ctypes.cast(sdk.GetBrightness, ctypes.c_void_p).value
    if target is None or inside is None or not redirect_import(inside, "usleep", target):
        raise Error("VEMO_SIM_FAST: cannot direct the library's waits to the simulator")


def configure_simulator(monitors: int, state: Optional[str]) -> None:
    """Sets the simulator's environment, read when it is loaded."""
    if isinstance(monitors, bool) or not isinstance(monitors, int):
        raise TypeError("monitors takes an int")
    if not 0 <= monitors <= MAX_SIMULATED_MONITORS:
        raise ValueError(f"monitors: {monitors} is out of range; accepted values: 0 to {MAX_SIMULATED_MONITORS}")
    os.environ["VEMO_SIM_MONITORS"] = str(monitors)
    if state is not None:
        os.environ["VEMO_SIM_STATE"] = os.fspath(state)
