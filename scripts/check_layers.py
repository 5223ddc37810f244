#!/usr/bin/python3
"""Checks which folders of the house each C and C++ source may include.

Every include is resolved the way the compiler finds it (the including file's
folder first, then the project root and include/), `../` included, and judged
by the folder of the file it lands on. Prints each include that breaks a rule
and exits 1 when there is one.

Usage: check_layers.py [ROOT]
"""

from __future__ import annotations

import os
import re
import sys
from pathlib import Path

# The folder of an including file -> the folders of the house it may include
# from (its own folder is always allowed). Folders not named here (tests,
# benchmarks, fuzzers) may include anything: they reach into every layer.
ALLOWED: dict[str, set[str]] = {
    # The library, top to bottom: api/ over command/ over bridge/, log/ a leaf
    # beside them, include/ (the public header) usable by all.
    "include": set(),
    "api": {"include", "command", "log", "bridge"},
    "command": {"include", "log", "bridge"},
    "log": {"include"},
    "bridge": {"include"},
    # The settings model sits on the public header and the API's ranges.
    "catalogue": {"include", "api"},
    # The simulator is a device, not a client: none of the library's insides.
    "sim": {"include"},
    # The products use the settings model, the public header and the bus
    # contract, not each other; vemoctl drives the simulator through its
    # public control header.
    "tools": {"include", "catalogue", "contract", "sim/preload/simulator_api.h"},
    "service": {"include", "catalogue", "contract"},
    # The service's names on the bus, shared by the service and its clients.
    "contract": set(),
}

# hidapi belongs to the bridge layer and the simulator that stands in for it;
# outside them only these clients, which read a bridge's USB identity.
HIDAPI_CLIENTS = {
    "tools/vemoctl/bridges/serial.cpp",
    "tools/vemoctl/bridges/diagnosis.cpp",
    "tools/vemoctl/commands/doctor.cpp",
    "service/src/supervisor/bridge_census.cpp",
    "service/src/worker/bridge_claim.cpp",
}
HIDAPI_FOLDERS = {"bridge", "sim"}
JUDGED_FOR_HIDAPI = set(ALLOWED)

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = {".c", ".cc", ".cpp", ".h", ".hpp"}
SKIPPED_FOLDERS = {".git", "debian"}


def folder_of(relative: str) -> str:
    return relative.split("/", 1)[0]


def resolve(root: Path, including: Path, delimiter: str, name: str) -> str | None:
    """The include's target as a path relative to root, or None outside the house."""
    candidates = [root, root / "include"]
    if delimiter == '"':
        candidates.insert(0, including.parent)
    for base in candidates:
        target = Path(os.path.normpath(base / name))
        if target.is_file():
            try:
                return target.relative_to(root).as_posix()
            except ValueError:
                return None  # lands outside the tree: a system header
    return None


def permitted(folder: str, target: str) -> bool:
    allowed = ALLOWED[folder]
    target_folder = folder_of(target)
    return target_folder == folder or target_folder in allowed or target in allowed


def sources(root: Path):
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = [d for d in dirnames if d not in SKIPPED_FOLDERS and not d.startswith("build")]
        for filename in filenames:
            path = Path(dirpath) / filename
            if path.suffix in SOURCE_SUFFIXES:
                yield path


def check(root: Path) -> list[str]:
    findings = []
    for path in sorted(sources(root)):
        relative = path.relative_to(root).as_posix()
        folder = folder_of(relative)
        judged = folder in ALLOWED
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            delimiter, name = match.groups()
            where = f"{relative}:{number}: {line.strip()}"
            if re.fullmatch(r"(hidapi/)?hidapi(_libusb)?\.h", name):
                if (folder in JUDGED_FOR_HIDAPI and folder not in HIDAPI_FOLDERS
                        and relative not in HIDAPI_CLIENTS):
                    findings.append(f"{where}  (hidapi outside bridge/ and the named USB identity readers)")
                continue
            if not judged:
                continue
            target = resolve(root, path, delimiter, name)
            if target is not None and not permitted(folder, target):
                findings.append(f"{where}  ({folder}/ may not include {target})")
    return findings


def main() -> int:
    root = Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    findings = check(root)
    for finding in findings:
        print(finding)
    if findings:
        print("layers: the includes above break the house's rules", file=sys.stderr)
        return 1
    print("layers passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
