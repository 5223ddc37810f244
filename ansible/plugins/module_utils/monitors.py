# -*- coding: utf-8 -*-
# The modules' common ground: reaching the monitors of the managed host
# through the Python package vemo, waiting for a bridge another program
# holds, turning the values a playbook gives into the values the package
# takes, and planning, checking and applying a set of desired settings.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import time

try:
    import vemo
    from vemo.catalogue import encode_text

    HAS_VEMO = True
    VEMO_IMPORT_ERROR = None
except Exception as error:  # the package, or the library it loads, is missing
    HAS_VEMO = False
    VEMO_IMPORT_ERROR = error

#: How often a monitor another program holds is tried again while waiting.
POLL_SECONDS = 0.2

COMMON_ARGUMENT_SPEC = dict(
    monitor=dict(type="str", default="all"),
    wait=dict(type="float", default=10.0),
)

COLOR_LEVELS = ("red", "green", "blue", "cyan", "magenta", "yellow")

class MonitorError(Exception):
    """A failure the task reports as its message."""


def use_session_bus():
    """Points the package at the user's session bus when the connection
    (ssh, cron) did not say where it is, so that a running vemod is used."""
    if os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        return
    runtime = os.environ.get("XDG_RUNTIME_DIR") or "/run/user/%d" % os.getuid()
    socket = os.path.join(runtime, "bus")
    if os.path.exists(socket):
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket


def require_vemo(module):
    if not HAS_VEMO:
        module.fail_json(
            msg="the Python package vemo cannot be imported on the managed host (%s): install it "
            "(Debian package python3-vemo, or PYTHONPATH) for the interpreter %s"
            % (VEMO_IMPORT_ERROR, module.get_bin_path("python3") or "python3")
        )


def check_wait(wait):
    if not 0 <= wait < float("inf"):
        raise MonitorError("wait: %r is not a number of seconds, at least 0" % wait)


class Deadline:
    """The time left for a monitor another program holds to be let go."""

    def __init__(self, seconds):
        self.seconds = seconds
        self.end = time.monotonic() + seconds

    def left(self):
        return max(0.0, self.end - time.monotonic())

    def retry(self, step):
        """``step()``, tried again while the package reports the monitor busy
        and time is left (through vemod, the service says Busy on a call)."""
        while True:
            try:
                return step()
            except vemo.BusyError:
                if self.left() <= 0:
                    raise
                time.sleep(min(POLL_SECONDS, self.left()))


class Target:
    """One monitor the task acts on, as the package listed it."""

    def __init__(self, position, info):
        self.position = position
        self.info = info

    @property
    def id(self):
        return self.info.id


def select(choice, deadline):
    """The monitors ``choice`` names: ``all``, an index, or an Id, USB
    serial, serial number or asset tag (exactly one monitor must have it)."""
    infos = deadline.retry(lambda: vemo.monitors(wait=deadline.left()))
    targets = [Target(position, info) for position, info in enumerate(infos)]
    if choice == "all":
        return targets
    text = choice.strip()
    if text.isdigit():
        position = int(text)
        if position >= len(targets):
            raise MonitorError("no monitor at index %d (%d found, numbered from 0)" % (position, len(targets)))
        return [targets[position]]
    matches = [t for t in targets if text in (t.info.id, t.info.usb_serial, t.info.serial_number, t.info.asset_tag)]
    if not matches:
        raise MonitorError(
            "no monitor has the Id, USB serial, serial number or asset tag %r (found: %s)"
            % (text, ", ".join(t.id for t in targets) or "none")
        )
    if len(matches) > 1:
        raise MonitorError("%r names %d monitors (%s); use an index or a key only one has"
                           % (text, len(matches), ", ".join(t.id for t in matches)))
    return matches


def open_monitor(target, deadline):
    """Opens a listed monitor, checking that it is still the one listed."""

    def attempt():
        # Directly, the package waits for a held bridge itself.
        monitor = vemo.connect(target.position, wait=deadline.left())
        if monitor.info.id != target.id:
            monitor.close()
            raise MonitorError("the monitors changed while the task ran: monitor %d is now %s, not %s"
                               % (target.position, monitor.info.id, target.id))
        return monitor

    return deadline.retry(attempt)


def identity(monitor):
    info = monitor.info
    return dict(
        id=info.id,
        usb_serial=info.usb_serial,
        model=info.model,
        serial_number=info.serial_number,
        asset_tag=info.asset_tag,
        firmware=info.firmware,
        backlight_hours=monitor.get("backlight-hours"),
    )


# Values --------------------------------------------------------------------


def shown(setting, value):
    """A value as the task reports it: masks in hex as vemoctl prints them,
    the custom colour by type."""
    if setting.kind == "mask" and isinstance(value, int):
        return "0x%08X" % value
    if setting.kind == "custom-color" and isinstance(value, dict):
        return [dict([("type", t)] + list(zip(COLOR_LEVELS, levels))) for t, levels in sorted(value.items())]
    return value


def _number(setting, value):
    """An integer from a playbook value: an int, or text holding a decimal or
    0x hex number; None for text that is neither (perhaps a choice name)."""
    if isinstance(value, bool):
        raise MonitorError("%s: %r is not a value of the setting (a yes/no is not a number)" % (setting.name, value))
    if isinstance(value, int):
        return value
    if isinstance(value, float):
        if value.is_integer():
            return int(value)
        raise MonitorError("%s: %r is not a whole number" % (setting.name, value))
    if isinstance(value, str):
        text = value.strip()
        if text.lower().startswith("0x"):
            try:
                return int(text[2:], 16)
            except ValueError:
                raise MonitorError("%s: %r is not a hex number" % (setting.name, value))
        if text.lstrip("+-").isdigit():
            return int(text, 10)
        return None
    raise MonitorError("%s: %r is not a value of the setting" % (setting.name, value))


def _custom_colors(setting, value):
    """The custom colour as {type: six levels}: a list of the four types'
    levels, or a list of {"type": T, "red": ..., ...} as vemoctl dumps it
    (those types only)."""
    if not isinstance(value, (list, tuple)):
        raise MonitorError("%s: give a list of {type, red, green, blue, cyan, magenta, yellow}, or the four "
                           "types' six levels" % setting.name)
    wanted = {}
    for position, entry in enumerate(value):
        if isinstance(entry, dict):
            unknown = set(entry) - set(("type",) + COLOR_LEVELS)
            if unknown or "type" not in entry or set(COLOR_LEVELS) - set(entry):
                raise MonitorError("%s: entry %d needs exactly type, red, green, blue, cyan, magenta and yellow"
                                   % (setting.name, position))
            color_type = _number(setting, entry["type"])
            levels = [_number(setting, entry[name]) for name in COLOR_LEVELS]
        elif isinstance(entry, (list, tuple)):
            color_type, levels = position, [_number(setting, level) for level in entry]
        else:
            raise MonitorError("%s: entry %d is neither a type's levels nor a list of six" % (setting.name, position))
        if color_type is None or any(level is None for level in levels):
            raise MonitorError("%s: entry %d holds a level that is not a number" % (setting.name, position))
        try:
            color_type = vemo.catalogue.check_color_type(color_type)
            wanted[color_type] = vemo.catalogue.check_color_levels(color_type, levels)
        except vemo.OutOfRangeError as error:
            raise MonitorError(str(error))
    return wanted


class Wanted:
    """A desired value of one setting, checked as far as it can be without
    the monitor: ``value`` is what is compared and written, ``choice`` the
    choice name it was given as (resolved per monitor)."""

    def __init__(self, setting, value=None, choice=None):
        self.setting = setting
        self.value = value
        self.choice = choice


def wanted_value(name, value):
    """Checks one playbook entry against the settings every monitor has."""
    setting = vemo.SETTINGS.get(name)
    if setting is None:
        near = [n for n in vemo.SETTINGS if n.replace("-", "_") == name or n.replace("_", "-") == name]
        hint = "; did you mean %r?" % near[0] if near else ""
        raise MonitorError("unknown setting %r%s (known: %s)" % (name, hint, ", ".join(vemo.SETTINGS)))
    if not setting.writable:
        raise MonitorError("%s is read-only" % name)
    if setting.kind == "text":
        if isinstance(value, (dict, list, bool)) or value is None:
            raise MonitorError("%s takes text, not %r" % (name, value))
        text = value if isinstance(value, str) else str(value)
        try:
            return Wanted(setting, setting.check(text))
        except vemo.Error as error:
            raise MonitorError(str(error))
    if setting.kind == "custom-color":
        return Wanted(setting, _custom_colors(setting, value))
    number = _number(setting, value)
    if number is None:
        return Wanted(setting, choice=value.strip())
    try:
        return Wanted(setting, setting.check(number))
    except vemo.Error as error:
        raise MonitorError(str(error))


def wanted_values(settings):
    """Every entry checked, in the settings' own order; the first fault
    fails them all."""
    checked = dict((name, wanted_value(name, value)) for name, value in settings.items())
    return [checked[name] for name in vemo.SETTINGS if name in checked]


def _choices_of(monitor):
    choices = getattr(monitor, "choices", None)
    return choices if isinstance(choices, dict) else {}


def _capabilities(monitor, setting):
    """The capability mask of a mask setting, None when it has none."""
    caps = setting.name + "-caps"
    return monitor.get(caps) if caps in vemo.SETTINGS else None


def _current(monitor, want):
    if want.setting.kind == "custom-color":
        return dict((t, tuple(monitor.custom_color(t))) for t in sorted(want.value))
    return monitor.get(want.setting.name)


def _same(setting, old, new):
    if setting.kind == "text":
        return encode_text(setting, old) == encode_text(setting, new)
    return old == new


def plan_monitor(monitor, wanted):
    """What differs on one open monitor: {name: (want, old, new)}; choice
    names and capability masks are checked here, before anything is written
    on any monitor."""
    changes = {}
    for want in wanted:
        setting = want.setting
        new = want.value
        if want.choice is not None:
            named = _choices_of(monitor).get(setting.name) or {}
            if want.choice not in named:
                known = ", ".join(sorted(named)) or "none: its model names no choices for it"
                raise MonitorError("%s: %r is neither a number nor a choice this monitor's model names (choices: %s)"
                                   % (setting.name, want.choice, known))
            new = named[want.choice]
        if setting.kind == "mask":
            caps = _capabilities(monitor, setting)
            if caps is not None and not new & caps:
                raise MonitorError("%s: %s is not among the monitor's capabilities %s"
                                   % (setting.name, shown(setting, new), shown(setting, caps)))
        old = _current(monitor, want)
        if setting.kind == "custom-color":
            old_types = dict((t, levels) for t, levels in old.items() if levels != new[t])
            if old_types:
                changes[setting.name] = (want, old_types, dict((t, new[t]) for t in old_types))
        elif not _same(setting, old, new):
            changes[setting.name] = (want, old, new)
    return changes


def write_changes(monitor, changes, verify, written):
    """Writes what differs, in the settings' order; with ``verify`` each
    setting is read back. Each name is added to ``written`` once sent."""
    for name in vemo.SETTINGS:
        if name not in changes:
            continue
        want, old, new = changes[name]
        setting = want.setting
        if setting.kind == "custom-color":
            for color_type, levels in sorted(new.items()):
                monitor.set_custom_color(color_type, levels)
        else:
            # A choice given by name goes to the package by name.
            monitor.set(name, want.choice if want.choice is not None else new)
        written.append(name)
        if verify:
            back = _current(monitor, want)
            if setting.kind == "custom-color" and any(back[t] != levels for t, levels in new.items()):
                raise MonitorError("%s: written but read back %s" % (name, shown(setting, back)))
            if setting.kind != "custom-color" and not _same(setting, back, new):
                raise MonitorError("%s: sent %s but read back %s" % (name, shown(setting, new), shown(setting, back)))


def reported(changes):
    return dict(
        (name, dict(before=shown(want.setting, old), after=shown(want.setting, new)))
        for name, (want, old, new) in changes.items()
    )


def diff_text(changes, which):
    lines = []
    for name in vemo.SETTINGS:
        if name in changes:
            want, old, new = changes[name]
            value = shown(want.setting, old if which == "before" else new)
            lines.append("%s: %s\n" % (name, json.dumps(value) if isinstance(value, (list, dict)) else value))
    return "".join(lines)


def _plan(target, wanted, deadline):
    def attempt():
        monitor = open_monitor(target, deadline)
        try:
            return plan_monitor(monitor, wanted)
        finally:
            monitor.close()

    try:
        return deadline.retry(attempt)
    except (MonitorError, vemo.Error) as error:
        raise MonitorError("monitor %s: %s; nothing was written on any monitor" % (target.id, error))


def _write(target, changes, wanted, deadline, verify, written):
    """Writes one monitor's changes; when the monitor turned out busy, its
    values are read again before the next try, so nothing is written twice."""
    plan = [changes]

    def attempt():
        monitor = open_monitor(target, deadline)
        try:
            if plan[0] is None:
                plan[0] = plan_monitor(monitor, wanted)
            write_changes(monitor, plan[0], verify, written)
            return plan[0]
        except vemo.BusyError:
            plan[0] = None
            raise
        finally:
            monitor.close()

    return deadline.retry(attempt)


def apply_settings(module, jobs, deadline, verify):
    """Plans every monitor of ``jobs`` (pairs of a target and its wanted
    values), then writes (unless in check mode) only what differs. Exits the
    module with its result."""
    plans = [(target, wanted, _plan(target, wanted, deadline)) for target, wanted in jobs]
    result = dict(changed=False, monitors={})
    if module._diff:
        result["diff"] = [
            dict(before_header="monitor %s" % target.id, after_header="monitor %s" % target.id,
                 before=diff_text(changes, "before"), after=diff_text(changes, "after"))
            for target, _, changes in plans if changes
        ]
    for target, wanted, changes in plans:
        if not changes:
            continue
        if not module.check_mode:
            written = []
            try:
                changes = _write(target, changes, wanted, deadline, verify, written)
            except (MonitorError, vemo.Error) as error:
                done = dict((n, c) for n, c in changes.items() if n in written)
                if done:
                    result["monitors"][target.id] = reported(done)
                result["changed"] = bool(result["monitors"])
                module.fail_json(msg="monitor %s: %s" % (target.id, error), **result)
            if not changes:
                continue
        result["monitors"][target.id] = reported(changes)
        result["changed"] = True
    module.exit_json(**result)


def run(module, body):
    """Runs a module's body, turning the package's errors into a failed
    task with the package's message."""
    require_vemo(module)
    try:
        check_wait(module.params["wait"])
        body(Deadline(module.params["wait"]))
    except MonitorError as error:
        module.fail_json(msg=str(error), changed=False)
    except vemo.Error as error:
        module.fail_json(msg=str(error), changed=False)
