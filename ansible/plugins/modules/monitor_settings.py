#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: monitor_settings
short_description: Desired settings of VEMO monitors, written only where they differ
version_added: "1.1.0"
description:
  - Brings settings of VEMO monitors on the managed host to the values given. It reads the current
    values first and writes only the settings that differ, since a monitor's settings memory wears
    with writes; a second run changes nothing.
  - Every value is checked before anything is written. An unknown setting, a read-only one, a value
    out of range, a choice name the monitor's model does not name, or a choice outside the
    monitor's capabilities fails the task, naming the setting, with nothing written on any monitor.
  - In check mode nothing is written and the task reports what would change. With C(--diff) it shows
    the values before and after, per monitor.
  - The monitors are reached through the Python package C(vemo) on the managed host, through the
    C(vemod) service when it runs in the user's session, directly through the library otherwise.
    A monitor whose bridge another program holds is waited for up to C(wait) seconds.
author:
  - VemoMonitorSdk developers
options:
  settings:
    description:
      - The desired values, by setting name as C(vemoctl settings) lists them (C(brightness),
        C(osd-timer), C(video-input), C(asset-tag)...).
      - A value is an integer; text holding a decimal or C(0x) hex number (masks such as
        C(color-preset) take exactly one choice bit, C(0x04)); a choice name where the monitor's
        model names its choices (C(hdmi-1)); the asset tag's text; for C(custom-color) a list of
        C({type, red, green, blue, cyan, magenta, yellow}) as C(vemoctl dump --json) writes it
        (only the types listed), or the four types' six levels.
    type: dict
    required: true
  verify:
    description:
      - Read each written setting back; a monitor that did not keep a value fails the task.
    type: bool
    default: true
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
  - Each read and each write is one exchange with the monitor (about 0.1 s).
seealso:
  - module: vemo.monitors.monitor_info
  - module: vemo.monitors.monitor_profile
"""

EXAMPLES = r"""
- name: One brightness for the whole room
  vemo.monitors.monitor_settings:
    settings:
      brightness: 60
      contrast: 50

- name: The asset tag from the inventory, on the desk's only monitor
  vemo.monitors.monitor_settings:
    monitor: "0"
    settings:
      asset-tag: "{{ asset_tag }}"

- name: A colour preset by its bit, the input by its name, on one monitor
  vemo.monitors.monitor_settings:
    monitor: VM2612345678
    settings:
      color-preset: "0x04"
      video-input: hdmi-1
  register: result

- name: What changed, per monitor Id
  ansible.builtin.debug:
    var: result.monitors
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
  sample: {"VM2612345678": {"brightness": {"before": 75, "after": 60}}}
"""

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.vemo.monitors.plugins.module_utils.monitors import (
    COMMON_ARGUMENT_SPEC,
    apply_settings,
    run,
    select,
    use_session_bus,
    wanted_values,
)


def main():
    argument_spec = dict(
        COMMON_ARGUMENT_SPEC,
        settings=dict(type="dict", required=True),
        verify=dict(type="bool", default=True),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    use_session_bus()

    def body(deadline):
        wanted = wanted_values(module.params["settings"])
        targets = select(module.params["monitor"], deadline)
        apply_settings(module, [(target, wanted) for target in targets], deadline, module.params["verify"])

    run(module, body)


if __name__ == "__main__":
    main()
