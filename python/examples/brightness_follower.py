#!/usr/bin/python3
"""Fades every monitor's brightness to a target: the one given, or each
number read from standard input in turn (a light sensor's output, say).

    brightness_follower.py 40
    my-light-sensor | brightness_follower.py --seconds 2
"""

from __future__ import annotations

import argparse
import sys
import threading
from typing import Iterable, List

import vemo


def fade_all(ids: List[str], target: int, seconds: float) -> None:
    """Fades each monitor to ``target``: all at once through the service,
    one after another in direct mode (the process holds one monitor at a time)."""

    def fade(monitor_id: str) -> None:
        with vemo.connect(monitor_id) as monitor:
            monitor.fade("brightness", target, seconds)

    if vemo.transport() != "dbus":
        for monitor_id in ids:
            fade(monitor_id)
        return
    threads = [threading.Thread(target=fade, args=(monitor_id,)) for monitor_id in ids]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


def targets(args: argparse.Namespace) -> Iterable[int]:
    if args.target is not None:
        yield args.target
        return
    for line in sys.stdin:
        if line.strip():
            yield int(line)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("target", type=int, nargs="?", help="the brightness to reach, 0 to 100")
    parser.add_argument("--seconds", type=float, default=1.0, help="how long each fade takes (default 1)")
    args = parser.parse_args()
    ids = [info.id for info in vemo.monitors()]
    if not ids:
        print("no monitor found", file=sys.stderr)
        return 3
    try:
        for target in targets(args):
            fade_all(ids, target, args.seconds)
            print(f"brightness {target} on {', '.join(ids)}")
    except (vemo.Error, ValueError) as error:
        print(f"brightness_follower: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
