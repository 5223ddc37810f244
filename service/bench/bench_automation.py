"""Brightness that follows the light, under a light that never rests: the
sensor (python3-dbusmock's iio-sensors-proxy on a private system bus) changes
every 100 ms for 10 minutes, AutoInterval 10 s, three simulated monitors.

  writes  brightness writes per monitor (target: at most 60, one per interval)
  lag     the longest stretch in which the level shown was 0.05 or more away
          from the level the light asked for (target: AutoInterval + 1 s)

The ten minutes are simulated: vemod runs its automation clock SCALE times
faster (--time-scale), the sensor changes every 100 ms / SCALE of real time,
and every time below is real time times SCALE. The light drifts between a dim
room and a bright window (a slow wave in log lux) with noise on each reading.

Run inside a session bus of its own: dbus-run-session -- python3 bench_automation.py
with VEMOD and VEMO_SIM set (service/bench/run.sh does all that).
"""

import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HOUSE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# The service's test harness, the bus fixture under it and the package's bus names.
sys.path[:0] = [os.path.join(HOUSE, "service", "tests"), os.path.join(HOUSE, "tests", "bus"),
                os.path.join(HOUSE, "python")]
import dbus  # noqa: E402
import dbusmock  # noqa: E402
from gi.repository import GLib  # noqa: E402

from vemod_harness import BUS_NAME, MANAGER, MANAGER_PATH, MONITOR, Service, run_until  # noqa: E402

SCALE = float(os.environ.get("VEMOD_BENCH_SCALE", "10"))
DURATION = 600.0  # simulated seconds
STEP = 0.1        # simulated seconds between readings
INTERVAL = 10
HYSTERESIS = 0.05
CURVE = [(0.0, 0.1), (10.0, 0.25), (100.0, 0.45), (1000.0, 0.8), (10000.0, 1.0)]
SENSOR = "net.hadess.SensorProxy"


def level_for(lux):
    """The level the light asks for: the curve, linear in log10(1 + lux)."""
    x = math.log10(1 + max(lux, 0))
    points = [(math.log10(1 + px), py) for px, py in CURVE]
    if x <= points[0][0]:
        return points[0][1]
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        if x <= x1:
            return y0 + (x - x0) / (x1 - x0) * (y1 - y0)
    return points[-1][1]


def light(t, rng):
    """Lux at simulated time t: 3 to 3000 lux over two minutes, noise of 20 %."""
    return 10 ** (2 + 1.5 * math.sin(2 * math.pi * t / 120)) * (1 + rng.uniform(-0.2, 0.2))


def largest_lag(asked, shown):
    """asked: (t, level the light asks for); shown: (t, level set). The longest
    time the level shown stayed HYSTERESIS or more away from the one asked,
    and when that stretch began."""
    events = sorted([(t, "asked", v) for t, v in asked] + [(t, "shown", v) for t, v in shown])
    current_asked, current_shown, behind_since, longest, began = None, -1.0, None, 0.0, 0.0
    for t, kind, value in events:
        if kind == "asked":
            current_asked = value
        else:
            current_shown = value
        behind = current_asked is not None and abs(current_asked - current_shown) >= HYSTERESIS - 1e-9
        if behind and behind_since is None:
            behind_since = t
        elif not behind and behind_since is not None:
            if t - behind_since > longest:
                longest, began = t - behind_since, behind_since
            behind_since = None
    if behind_since is not None and events[-1][0] - behind_since > longest:
        longest, began = events[-1][0] - behind_since, behind_since
    return longest, began


def main():
    dbusmock.DBusTestCase.start_system_bus()
    try:
        return measure()
    finally:
        dbusmock.DBusTestCase.stop_dbus(dbusmock.DBusTestCase.system_bus_pid)


def measure():
    sensor_process, sensor = dbusmock.DBusTestCase.spawn_server_template(
        "iio-sensors-proxy", {"has_ambient_light": True, "light_level": 100.0}, stdout=subprocess.DEVNULL)
    config = tempfile.mkdtemp(prefix="vemod-bench-")
    service = Service(hold=5, env={"XDG_CONFIG_HOME": config}, args=["--time-scale", str(SCALE)])
    try:
        paths = service.monitor_paths()
        manager_props = dbus.Interface(service.bus.get_object(BUS_NAME, MANAGER_PATH),
                                       dbus.PROPERTIES_IFACE)
        manager_props.Set(MANAGER, "AutoInterval", dbus.UInt32(INTERVAL))
        manager_props.Set(MANAGER, "AmbientCurve", dbus.Array([dbus.Struct(p) for p in CURVE], signature="(dd)"))

        start = None
        shown, asked = [], []
        writes = {path: 0 for path in paths}

        def now():
            return (time.monotonic() - start) * SCALE

        def on_value(name, value, path=None):
            if name == "brightness" and start is not None:
                writes[path] += 1

        def on_properties(interface, changed, invalidated):
            if "Level" in changed and start is not None:
                shown.append((now(), float(changed["Level"])))

        service.bus.add_signal_receiver(on_value, signal_name="ValueChanged", dbus_interface=MONITOR,
                                        path_keyword="path")
        service.bus.add_signal_receiver(on_properties, signal_name="PropertiesChanged",
                                        dbus_interface=dbus.PROPERTIES_IFACE, path=MANAGER_PATH)

        rng = random.Random(7)
        sent = [0]
        due = [0.0]  # the simulated time of the next reading

        def send_readings():
            # Every reading whose time has come; one that is late counts as
            # lag against the service, as its time is the one it was due.
            while due[0] <= now() and due[0] < DURATION:
                lux = light(due[0], rng)
                asked.append((due[0], level_for(lux)))
                sensor.SetInternalProperty(SENSOR, "LightLevel", dbus.Double(lux),
                                           dbus_interface=dbusmock.MOCK_IFACE, reply_handler=lambda *_: None,
                                           error_handler=lambda e: print(f"bench: sensor: {e}", file=sys.stderr))
                sent[0] += 1
                due[0] += STEP
            return due[0] < DURATION

        start = time.monotonic()
        manager_props.Set(MANAGER, "AutoBrightness", dbus.Boolean(True))
        GLib.timeout_add(max(1, int(STEP * 1000 / SCALE)), send_readings)
        run_until(lambda: now() >= DURATION + 2 * INTERVAL, DURATION / SCALE + 4 * INTERVAL / SCALE + 10)
        counted = {str(path): dict(dbus.Interface(service.bus.get_object(BUS_NAME, path),
                                                  dbus.PROPERTIES_IFACE).Get(MONITOR, "Writes")).get("brightness", 0)
                   for path in paths}
    finally:
        service.stop()
        sensor_process.terminate()
        sensor_process.wait()
        shutil.rmtree(config, ignore_errors=True)

    asked_in_run = [(t, v) for t, v in asked if t < DURATION]
    lag, began = largest_lag(asked_in_run, [(t, v) for t, v in shown if t < DURATION + 2 * INTERVAL])
    gaps = [b - a for (a, _), (b, _) in zip(shown, shown[1:])]
    most_writes = max(writes.values())
    print(f"time scale {SCALE:g}: {DURATION:g} s simulated in {DURATION / SCALE:.0f} s; readings sent: {sent[0]} "
          f"(one per {STEP * 1000:.0f} ms simulated)")
    for path in paths:
        print(f"  {path.rsplit('/', 1)[-1]}: {writes[path]} brightness writes seen, Writes says {counted[path]}")
    print(f"  level changes: {len(shown)}, at least {min(gaps, default=0):.2f} s apart; "
          f"the longest lag began at {began:.1f} s")
    rows = [("writes per monitor", f"{most_writes}", "<= 60", most_writes <= 60),
            ("largest lag behind the light", f"{lag:.2f} s", f"<= {INTERVAL + 1} s", lag <= INTERVAL + 1)]
    print(f"\n| {'figure':<30} | {'measured':>10} | {'target':>8} | result |")
    for name, measured, target, met in rows:
        print(f"| {name:<30} | {measured:>10} | {target:>8} | {'met' if met else 'MISSED'} |")
    if any(writes[p] != counted[p] for p in paths):
        print("bench: the writes seen and the service's Writes disagree", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
