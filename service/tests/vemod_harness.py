"""Runs vemod --simulate on the session bus of the test (dbus-run-session)
against simulated monitors with a private state file, and talks to it."""

import os
import subprocess
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib
from vemo.bus import BUS_NAME, ERROR_PREFIX as ERROR, MANAGER_INTERFACE as MANAGER, MANAGER_PATH
from vemo.bus import MONITOR_INTERFACE as MONITOR
from vemod_fixture import VemodService

DBusGMainLoop(set_as_default=True)

VEMOD = os.environ["VEMOD"]
VEMOCTL = os.environ.get("VEMOCTL", "")


class Service(VemodService):
    """One vemod with simulated monitors (fast: without the library's waits), started afresh."""

    def __init__(self, hold=1, monitors=3, fast=True, env=None, args=(), state_dir=None, log=None):
        """`env`: more environment; `args`: more options of vemod; `state_dir`: the simulator's
        state from an earlier run (kept by stop(keep_state=True)); `log`: a file for vemod's stderr."""
        super().__init__(monitors=monitors, fast=fast, state_dir=state_dir, env=env,
                         args=["--hold", str(hold), *args], vemod=VEMOD)
        self.shares_state = simulator_shares_state(self.env)
        # Its log (standard error) goes to a file the tests read.
        self.log_path = log or os.path.join(self.state_dir, "vemod.log")
        self.bus = dbus.SessionBus()
        self.start()

    def read_log(self):
        with open(self.log_path) as log:
            return log.read()

    def manager(self, bus=None):
        return dbus.Interface((bus or self.bus).get_object(BUS_NAME, MANAGER_PATH), MANAGER)

    def monitor_paths(self):
        props = dbus.Interface(self.bus.get_object(BUS_NAME, MANAGER_PATH), dbus.PROPERTIES_IFACE)
        return [str(p) for p in props.Get(MANAGER, "Monitors")]

    def monitor(self, path, bus=None):
        return dbus.Interface((bus or self.bus).get_object(BUS_NAME, path), MONITOR)

    def property(self, path, name):
        props = dbus.Interface(self.bus.get_object(BUS_NAME, path), dbus.PROPERTIES_IFACE)
        return props.Get(MONITOR, name)

    def workers(self):
        """The worker processes: the children of the service."""
        out = subprocess.run(["ps", "-o", "pid=", "--ppid", str(self.process.pid)], capture_output=True, text=True)
        return [int(pid) for pid in out.stdout.split()]

    def vemoctl(self, *args):
        return subprocess.run([VEMOCTL, "--simulate", *args], env=self.env, capture_output=True, text=True,
                              timeout=30)


def introspect(bus, path):
    obj = bus.get_object(BUS_NAME, path)
    return obj.Introspect(dbus_interface="org.freedesktop.DBus.Introspectable")


def run_until(condition, timeout=5.0):
    """Runs the main loop until condition() is true or the time is up."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + timeout
    while not condition() and time.monotonic() < deadline:
        context.iteration(False)
        time.sleep(0.001)
    return condition()


class Calls:
    """Asynchronous calls whose outcomes are collected in order of issue."""

    def __init__(self):
        self.outcomes = {}
        self.issued = 0

    def issue(self, method, *args):
        index = self.issued
        self.issued += 1

        def done(*result):
            self.outcomes[index] = ("ok", result)

        def failed(error):
            self.outcomes[index] = (error.get_dbus_name(), error.get_dbus_message())

        method(*args, reply_handler=done, error_handler=failed, timeout=30)
        return index

    def wait(self, timeout=20.0):
        return run_until(lambda: len(self.outcomes) == self.issued, timeout)


class DirectClient:
    """A program that uses the library directly (direct_client.py) under the simulator."""

    def __init__(self, env):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "direct_client.py")
        self.process = subprocess.Popen(["/usr/bin/python3", script], env=dict(env, LD_PRELOAD=os.environ["VEMO_SIM"]),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().strip()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.stdin.close()
        self.process.stdout.close()
        self.process.wait(timeout=10)


def simulator_shares_state(env):
    """Whether a program with the simulator loaded sees what another program
    wrote to the same monitor meanwhile, as it would on real monitors."""
    with DirectClient(env) as watcher, DirectClient(env) as writer:
        watcher.ask("connect 0")
        before = watcher.ask("brightness")
        watcher.ask("disconnect")
        writer.ask("connect 0")
        writer.ask("brightness " + ("61" if before != "61" else "62"))
        writer.ask("disconnect")
        watcher.ask("connect 0")
        after = watcher.ask("brightness")
        watcher.ask("disconnect")
        return after != before
