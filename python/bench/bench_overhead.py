#!/usr/bin/python3
"""The package's own cost per call over the C call, direct, against the
simulator in fast mode (target: under 20 µs per call).

Two figures for ``m.brightness`` and ``m.brightness = v``:
- end to end, beside the library's GetBrightness / SetBrightness called
  through ctypes (the two take turns call by call; medians). The simulator
  reads and saves its state file on every transfer, so on a busy machine
  these move by tens of µs from run to run;
- the package's own cost: the same calls with the library's function
  swapped for a C function that returns at once, so that only the package's
  path and the ctypes call are timed. The target applies to this figure.

Run it with VEMO_SDK_LIBRARY (and VEMO_SIM_LIBRARY, unless the simulator
lies beside the library) set; the simulator's state goes to a temporary folder.
"""

from __future__ import annotations

import ctypes
import os
import statistics
import sys
import tempfile
import time
from typing import Callable, Dict, List

CALLS = 5000
TARGET_US = 20.0


def timed_us(call: Callable[[], object]) -> float:
    """One call, in microseconds."""
    began = time.perf_counter_ns()
    call()
    return (time.perf_counter_ns() - began) / 1000


def medians_us(*calls: Callable[[], object]) -> List[float]:
    """The median time of each call, the calls taking turns one by one so that
    the load of the moment falls on all alike."""
    times: List[List[float]] = [[] for _ in calls]
    for _ in range(CALLS):
        for i, call in enumerate(calls):
            times[i].append(timed_us(call))
    return [statistics.median(t) for t in times]


def main() -> int:
    os.environ["VEMO_SIM_FAST"] = "1"
    import vemo
    from vemo import _current

    vemo.use_simulator(monitors=1, state=os.path.join(tempfile.mkdtemp(prefix="vemo-bench-"), "state.json"))
    monitor = vemo.connect()
    transport = _current()
    sdk = getattr(transport, "_sdk")
    value = ctypes.c_ubyte()

    def get_package() -> None:
        monitor.brightness

    def set_package() -> None:
        monitor.brightness = 0

    get_c, get_vemo, set_c, set_vemo = medians_us(
        lambda: sdk.GetBrightness(ctypes.byref(value)), get_package, lambda: sdk.SetBrightness(0), set_package
    )
    print(f"end to end, get brightness: C call {get_c:.1f} µs, through vemo {get_vemo:.1f} µs")
    print(f"end to end, set brightness: C call {set_c:.1f} µs, through vemo {set_vemo:.1f} µs")

    # strlen of the fresh zero byte and labs(0) both return 0, the library's
    # success, at once.
    libc = ctypes.CDLL(None)
    accessors: Dict[str, object] = getattr(transport, "_accessors")
    accessors["Getbrightness"], accessors["Setbrightness"] = libc.strlen, libc.labs
    own_get, own_set = medians_us(get_package, set_package)
    monitor.close()
    worst = max(own_get, own_set)
    print(f"package's own cost: get {own_get:.2f} µs, set {own_set:.2f} µs per call (ctypes' call included)")
    print(f"package's own cost per call: {worst:.2f} µs (target: under {TARGET_US:.0f} µs)")
    return 0 if worst < TARGET_US else 1


if __name__ == "__main__":
    sys.exit(main())
