"""vemod's cost beside the monitor's own time, against simulated monitors:

  get       a Get through the service against the same call made directly
            (fast simulator: the exchange itself costs next to nothing, so
            the difference is the service's own cost; target under 2 ms)
  parallel  one Set on each of three monitors at once against one Set on one
            monitor (the library's real 100 ms waits; target under 1.3 times)
  slider    100 Sets of one setting at 100 per second (real waits): from the
            last call to the last value on the monitor (target 250 ms), and
            the writes that reached the monitor (target at most 12)

Run inside a session bus of its own: dbus-run-session -- python3 bench_vemod.py
with VEMOD, VEMO_SDK and VEMO_SIM set (service/bench/run.sh does all that).
"""

import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import time

HOUSE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# The service's test harness, the bus fixture under it and the package's bus names.
sys.path[:0] = [os.path.join(HOUSE, "service", "tests"), os.path.join(HOUSE, "tests", "bus"),
                os.path.join(HOUSE, "python")]
import dbus  # noqa: E402

from vemod_harness import MONITOR, Calls, Service, run_until  # noqa: E402

GETS = 300


def direct_get_ms():
    """Median time of GetBrightness called directly, in a process of its own."""
    if os.environ.get("VEMO_BENCH_DIRECT"):
        sdk = ctypes.CDLL(os.environ["VEMO_SDK"])
        value = ctypes.c_ubyte(0)
        assert sdk.ConnectMonitor(0) == 0, "cannot connect to the simulated monitor"
        times = []
        for _ in range(GETS):
            start = time.perf_counter()
            assert sdk.GetBrightness(ctypes.byref(value)) == 0
            times.append(time.perf_counter() - start)
        sdk.DisconnectMonitor()
        print(statistics.median(times) * 1000)
        return None
    state = tempfile.mkdtemp(prefix="vemod-bench-")
    env = dict(os.environ, VEMO_BENCH_DIRECT="1", VEMO_SIM_FAST="1", VEMO_SIM_MONITORS="1",
               VEMO_SIM_STATE=os.path.join(state, "simulator.json"), LD_PRELOAD=os.environ["VEMO_SIM"])
    out = subprocess.run([sys.executable, __file__], env=env, capture_output=True, text=True, check=True)
    return float(out.stdout)


def service_get_ms():
    service = Service(hold=0, monitors=1)
    try:
        monitor = service.monitor(service.monitor_paths()[0])
        monitor.Get("brightness")
        times = []
        for _ in range(GETS):
            start = time.perf_counter()
            monitor.Get("brightness")
            times.append(time.perf_counter() - start)
        return statistics.median(times) * 1000
    finally:
        service.stop()


def timed_sets(monitors, value):
    calls = Calls()
    start = time.perf_counter()
    for monitor in monitors:
        calls.issue(monitor.Set, "brightness", dbus.Byte(value))
    assert calls.wait(), "Set did not answer"
    assert {outcome[0] for outcome in calls.outcomes.values()} == {"ok"}, calls.outcomes
    return (time.perf_counter() - start) * 1000


def parallel_and_slider(service):
    paths = service.monitor_paths()
    monitors = [service.monitor(p) for p in paths]
    for monitor in monitors:
        monitor.Get("brightness")
    one = statistics.median(timed_sets(monitors[:1], 10 + i) for i in range(5))
    three = statistics.median(timed_sets(monitors, 20 + i) for i in range(5))

    writes = []
    service.bus.add_signal_receiver(lambda name, value: writes.append(int(value)), signal_name="ValueChanged",
                                    dbus_interface=MONITOR, path=paths[0])
    run_until(lambda: False, 0.2)
    writes.clear()
    calls = Calls()
    replies = {}
    start = time.perf_counter()
    for i in range(100):
        due = start + i / 100
        while time.perf_counter() < due:
            run_until(lambda: False, 0)
        issued = time.perf_counter()
        index = calls.issue(monitors[0].Set, "brightness", dbus.Byte(i))
        replies[index] = issued
    last_issued = replies[99]
    assert run_until(lambda: 99 in calls.outcomes, 10), "the last Set did not answer"
    last_done = time.perf_counter()
    assert calls.wait()
    assert monitors[0].Get("brightness") == 99
    run_until(lambda: writes and writes[-1] == 99, 2)
    return one, three, (last_done - last_issued) * 1000, len(writes)


def main():
    if os.environ.get("VEMO_BENCH_DIRECT"):
        direct_get_ms()
        return 0
    direct = direct_get_ms()
    through = service_get_ms()
    service = Service(hold=0, monitors=3, fast=False)
    try:
        one, three, settle, exchanges = parallel_and_slider(service)
    finally:
        service.stop()
    rows = [
        ("Get through the service, over a direct call", f"{through - direct:.2f} ms "
         f"({through:.2f} against {direct:.3f} ms)", "under 2 ms", through - direct < 2),
        ("one Set on each of 3 monitors at once / on 1", f"{three / one:.2f} x ({three:.0f} against {one:.0f} ms)",
         "under 1.3 x", three / one < 1.3),
        ("100 Sets at 100/s: last call to last value", f"{settle:.0f} ms", "within 250 ms", settle <= 250),
        ("100 Sets at 100/s: writes on the monitor", f"{exchanges}", "at most 12", exchanges <= 12),
    ]
    print(f"{'measure':48} {'figure':36} {'target':14} result")
    for name, figure, target, met in rows:
        print(f"{name:48} {figure:36} {target:14} {'met' if met else 'MISSED'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
