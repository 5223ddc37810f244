#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: monitor_profile
short_description: Apply a saved profile of settings to VEMO monitors
version_added: "1.1.0"
description:
  - Applies a profile on the managed host, as C(vemoctl dump --json) writes it, to VEMO monitors with
    the rules of M(vemo.monitors.monitor_settings) - current values read first, only what differs
    written, every value checked before anything is written on any monitor, check and diff mode.
  - A profile is a JSON object of settings by name. A profile of several monitors is an object
    keyed by monitor Id, each entry such an object; each monitor takes its own entry, and a
    monitor the profile does not list is left alone with a warning.
  - The profile's read-only settings (model name, serial number, capabilities...) are skipped. The
    asset tag is applied only when C(only) names it, so that copying a profile from one desk to
    another does not give two monitors the same asset tag.
author:
  - VemoMonitorSdk developers
options:
  src:
    description:
      - The profile's path on the managed host.
    type: path
    required: true
  only:
    description:
      - Apply only these settings of the profile (each must be in it).
    type: list
    elements: str
extends_documentation_fragment:
  - vemo.monitors.monitors
attributes:
  check_mode:
    support: full
    description: Reads the monitors and reports what would change; writes nothing.
  diff_mode:
    support: full
    description: Shows each changed monitor's values before and after.
requirements:
  - the Python package C(vemo) and the library C(libVemoMonitorSdk.so.1) on the managed host
notes:
  - Each written setting is read back; a monitor that did not keep a value fails the task.
seealso:
  - module: vemo.monitors.monitor_settings
  - module: vemo.monitors.monitor_info
"""

EXAMPLES = r"""
- name: Copy the room's profile to the desk
  ansible.builtin.copy:
    src: profiles/room-2.json
    dest: /var/tmp/room-2.json
    mode: "0644"

- name: Apply it to every monitor
  vemo.monitors.monitor_profile:
    src: /var/tmp/room-2.json

- name: Only its colour settings, on the monitor with asset tag DESK-0042
  vemo.monitors.monitor_profile:
    src: /var/tmp/room-2.json
    monitor: DESK-0042
    only: [color-preset, color-temp, custom-color]
"""

RETURN = r"""
changed:
  description: Whether any setting of any monitor was written (in check mode, would be).
  returned: always
  type: bool
monitors:
  description:
    - The settings that changed (or would change), keyed by the monitor's Id, each with its value
      before and after. A monitor with nothing to change is not listed.
  returned: success, and on a failed write (what was written before it)
  type: dict
  sample: {"VM2612345678": {"contrast": {"before": 50, "after": 40}}}
"""

import json

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.vemo.monitors.plugins.module_utils.monitors import (
    COMMON_ARGUMENT_SPEC,
    MonitorError,
    apply_settings,
    run,
    select,
    use_session_bus,
    wanted_values,
)

try:
    import vemo
except Exception:  # reported by run()
    pass


def load(path):
    try:
        with open(path, "rb") as profile:
            data = json.loads(profile.read().decode("utf-8"))
    except (OSError, IOError) as error:
        raise MonitorError("src: cannot read %s (%s)" % (path, error))
    except ValueError as error:
        raise MonitorError("src: %s is not a JSON profile (%s)" % (path, error))
    if not isinstance(data, dict):
        raise MonitorError("src: %s is not a profile (a JSON object of settings)" % path)
    return data


def by_monitor(data):
    """{Id: settings} for a profile of several monitors (as vemoctl --monitor
    all dump --json writes it: null for a monitor it could not read), None
    for a profile of one."""
    if data and all(v is None or isinstance(v, dict) for v in data.values()) and not any(k in vemo.SETTINGS for k in data):
        return dict((key, entry) for key, entry in data.items() if entry is not None)
    return None


def chosen(settings, only, where):
    """The entries of a profile that are applied: writable ones, the asset
    tag only when asked for, or just those ``only`` names."""
    for name in settings:
        if name not in vemo.SETTINGS:
            raise MonitorError("%s: unknown setting %r" % (where, name))
    if only:
        missing = [name for name in only if name not in settings]
        if missing:
            raise MonitorError("only: %s not in the profile (%s)" % (", ".join(missing), where))
        return dict((name, settings[name]) for name in only)
    return dict(
        (name, value) for name, value in settings.items() if vemo.SETTINGS[name].writable and name != "asset-tag"
    )


def checked(settings, only, where):
    try:
        return wanted_values(chosen(settings, only, where))
    except MonitorError as error:
        if str(error).startswith(where):
            raise
        raise MonitorError("%s: %s" % (where, error))


def main():
    argument_spec = dict(
        COMMON_ARGUMENT_SPEC,
        src=dict(type="path", required=True),
        only=dict(type="list", elements="str"),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    use_session_bus()

    def body(deadline):
        src, only = module.params["src"], module.params["only"]
        data = load(src)
        keyed = by_monitor(data)
        if keyed is None:
            wanted = checked(data, only, src)
            jobs = [(target, wanted) for target in select(module.params["monitor"], deadline)]
        else:
            # Every entry is checked first, whichever monitors are here.
            wanted_by_id = dict((key, checked(entry, only, "%s, monitor %s" % (src, key))) for key, entry in keyed.items())
            jobs = []
            for target in select(module.params["monitor"], deadline):
                if target.id in wanted_by_id:
                    jobs.append((target, wanted_by_id[target.id]))
                else:
                    module.warn("monitor %s is not in the profile %s: left as it is" % (target.id, src))
        apply_settings(module, jobs, deadline, True)

    run(module, body)


if __name__ == "__main__":
    main()
