# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # The options every module of the collection takes (COMMON_ARGUMENT_SPEC
    # in module_utils/monitors.py), documented once.
    DOCUMENTATION = r"""
options:
  monitor:
    description:
      - The monitor the task acts on, C(all) for every one.
      - Otherwise its index (from 0, in the order C(vemoctl list) shows), or its Id, USB serial,
        serial number or asset tag; the key must name exactly one monitor.
    type: str
    default: all
  wait:
    description:
      - How many seconds to wait for a monitor whose bridge another program holds, before the task
        fails with the busy error.
    type: float
    default: 10
"""
