#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: monitor_info
short_description: Read the identity, and optionally the settings, of VEMO monitors
version_added: "1.1.0"
description:
  - Reads each VEMO monitor of the managed host over its USB bridge (its Id, the USB
    serial of the bridge, the model, serial number, asset tag, firmware and backlight hours), and with C(settings)
    every readable setting.
  - The monitors are reached through the Python package C(vemo) on the managed host, through the
    C(vemod) service when it runs in the user's session, directly through the library otherwise.
  - Sets the fact C(vemo_monitors) to the list it returns. Never changes anything.
  - A monitor whose bridge another program holds is waited for up to C(wait) seconds.
  - With the environment variable C(VEMO_SIMULATE=1) the package talks to simulated monitors
    (C(VEMO_SIM_MONITORS), C(VEMO_SIM_STATE)) instead of USB.
author:
  - VemoMonitorSdk developers
options:
  settings:
    description:
      - Also read every readable setting of each monitor into its C(settings).
    type: bool
    default: false
extends_documentation_fragment:
  - vemo.monitors.monitors
attributes:
  check_mode:
    support: full
    description: Reads only; runs the same in check mode.
  diff_mode:
    support: none
    description: Nothing changes, so there is no difference to show.
  facts:
    support: full
    description: Sets C(vemo_monitors).
requirements:
  - the Python package C(vemo) and the library C(libVemoMonitorSdk.so.1) on the managed host
notes:
  - Reading every setting costs one exchange with the monitor (about 0.1 s) per setting.
seealso:
  - module: vemo.monitors.monitor_settings
  - module: vemo.monitors.monitor_profile
"""

EXAMPLES = r"""
- name: Take the inventory of every monitor
  vemo.monitors.monitor_info:

- name: Show the desk's monitors
  ansible.builtin.debug:
    msg: "{{ item.model }} {{ item.serial_number }} asset {{ item.asset_tag }}"
  loop: "{{ vemo_monitors }}"

- name: Read every setting of the monitor with asset tag DESK-0042
  vemo.monitors.monitor_info:
    monitor: DESK-0042
    settings: true
  register: desk

- name: The first monitor's brightness
  ansible.builtin.debug:
    var: desk.monitors[0].settings.brightness
"""

RETURN = r"""
monitors:
  description:
    - One entry per monitor read, in the order the monitors are numbered. The same list is set as
      the fact C(vemo_monitors).
  returned: success
  type: list
  elements: dict
  contains:
    id:
      description: The monitor's Id (its serial number, else its bridge's USB serial, else its index).
      type: str
      sample: VM2612345678
    usb_serial:
      description: The USB serial string of the monitor's bridge.
      type: str
      sample: VEMOSIM00001
    model:
      description: The model name the monitor reports.
      type: str
      sample: VEMO P27Q
    serial_number:
      description: The serial number the monitor reports.
      type: str
      sample: VM2612345678
    asset_tag:
      description: The asset tag stored in the monitor.
      type: str
      sample: ASSET-0001
    firmware:
      description: The monitor's firmware version.
      type: str
      sample: FW 1.02.07
    backlight_hours:
      description: Hours the backlight has been on.
      type: int
      sample: 1234
    settings:
      description:
        - Every readable setting by its name (as C(vemoctl settings) lists them); masks as C(0x)
          hex text, the custom colour as a list of its four types' levels.
      returned: when C(settings=true)
      type: dict
      sample: {"brightness": 75, "color-preset": "0x00000001", "osd-timer": 30}
"""

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.vemo.monitors.plugins.module_utils.monitors import (
    COMMON_ARGUMENT_SPEC,
    identity,
    open_monitor,
    run,
    select,
    shown,
    use_session_bus,
)

try:
    import vemo
except Exception:  # reported by run()
    pass


def read_settings(monitor):
    values = {}
    for name, setting in vemo.SETTINGS.items():
        if setting.kind == "custom-color":
            levels = dict((t, tuple(monitor.custom_color(t))) for t in range(vemo.catalogue.CUSTOM_COLOR_TYPES))
            values[name] = shown(setting, levels)
        else:
            values[name] = shown(setting, monitor.get(name))
    return values


def main():
    argument_spec = dict(COMMON_ARGUMENT_SPEC, settings=dict(type="bool", default=False))
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    use_session_bus()

    def body(deadline):
        found = []
        for target in select(module.params["monitor"], deadline):

            def read(target=target):
                monitor = open_monitor(target, deadline)
                try:
                    entry = identity(monitor)
                    if module.params["settings"]:
                        entry["settings"] = read_settings(monitor)
                    return entry
                finally:
                    monitor.close()

            found.append(deadline.retry(read))
        module.exit_json(changed=False, monitors=found, ansible_facts=dict(vemo_monitors=found))

    run(module, body)


if __name__ == "__main__":
    main()
