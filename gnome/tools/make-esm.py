#!/usr/bin/python3
"""Writes the ES-module form (GNOME Shell 45 and later) of the extension's
legacy sources (GNOME Shell 43 and 44, `imports`).

The sources are written once, in the legacy form. This transform rewrites them
line by line, and refuses any `imports.` it has no rule for, so that the two
forms cannot drift apart:

  const {Gio, Gtk} = imports.gi;         ->  import Gio from 'gi://Gio';
                                             import Gtk from 'gi://Gtk?version=4.0';
  const Main = imports.ui.main;          ->  import * as Main from 'resource:///org/gnome/shell/ui/main.js';
  const {Slider} = imports.ui.slider;    ->  import {Slider} from 'resource:///org/gnome/shell/ui/slider.js';
  const {Coalescer} = Me.imports.coalescer;  ->  import {Coalescer} from './coalescer.js';
  var Name = ...                         ->  export var Name = ...        (top level)
  function name(...)                     ->  export function name(...)    (top level)
  // @legacy {  ...  // @legacy }        ->  (dropped: the legacy entry points, Me)
  // @esm <line>                         ->  <line>  (the ES-module entry points)
  /* exported ... */                     ->  (dropped)

Usage: make-esm.py [--own-modules=PREFIX] SOURCE_DIR OUTPUT_DIR FILE...
(--own-modules: where the extension's own modules are, for a file kept
elsewhere, such as a test; default ./)
"""

import os
import re
import sys

GI = re.compile(r"^const \{([\w\s,]+)\} = imports\.gi;$")
SHELL_MODULE = re.compile(r"^const (\w+) = imports\.(ui|misc)\.([\w.]+);$")
SHELL_NAMES = re.compile(r"^const \{([\w\s,:]+)\} = imports\.(ui|misc)\.([\w.]+);$")
OWN_NAMES = re.compile(r"^const \{([\w\s,:]+)\} = Me\.imports\.(\w+);$")
TOP_VAR = re.compile(r"^var (\w+)")
TOP_FUNCTION = re.compile(r"^function (\w+)\(")
# The preferences run in a GTK 4 process: name the versions as the legacy form gets them.
GI_VERSIONS = {"Gtk": "4.0", "Gdk": "4.0", "Adw": "1"}


def shell_path(group, dotted):
    return "resource:///org/gnome/shell/%s/%s.js" % (group, dotted.replace(".", "/"))


def names(text):
    return ", ".join(n.strip().replace(":", " as") for n in text.split(",") if n.strip())


def transform(text, source, own="./"):
    out = []
    dropping = False
    for number, line in enumerate(text.splitlines(), 1):
        stripped = line.strip()
        if stripped == "// @legacy {":
            dropping = True
            continue
        if stripped == "// @legacy }":
            dropping = False
            continue
        if dropping:
            continue
        if stripped.startswith("// @esm "):
            out.append(line[: len(line) - len(line.lstrip())] + stripped[len("// @esm "):])
            continue
        if stripped.startswith("/* exported"):
            continue
        if m := GI.match(line):
            for n in (x.strip() for x in m[1].split(",")):
                version = "?version=" + GI_VERSIONS[n] if n in GI_VERSIONS else ""
                out.append("import %s from 'gi://%s%s';" % (n, n, version))
        elif m := SHELL_MODULE.match(line):
            out.append("import * as %s from '%s';" % (m[1], shell_path(m[2], m[3])))
        elif m := SHELL_NAMES.match(line):
            out.append("import {%s} from '%s';" % (names(m[1]), shell_path(m[2], m[3])))
        elif m := OWN_NAMES.match(line):
            out.append("import {%s} from '%s%s.js';" % (names(m[1]), own, m[2]))
        elif "imports." in line and not stripped.startswith(("//", "*", "/*")):
            raise SystemExit("%s:%d: no ES-module rule for: %s" % (source, number, stripped))
        elif TOP_VAR.match(line):
            out.append("export " + line)
        elif TOP_FUNCTION.match(line):
            out.append("export " + line)
        else:
            out.append(line)
    if dropping:
        raise SystemExit("%s: '// @legacy {' is never closed" % source)
    return "\n".join(out) + "\n"


def main(argv):
    own = "./"
    if len(argv) > 1 and argv[1].startswith("--own-modules="):
        own = argv.pop(1).split("=", 1)[1]
    if len(argv) < 4:
        raise SystemExit(__doc__)
    source_dir, output_dir, files = argv[1], argv[2], argv[3:]
    os.makedirs(output_dir, exist_ok=True)
    for name in files:
        path = os.path.join(source_dir, name)
        with open(path, encoding="utf-8") as f:
            text = transform(f.read(), path, own)
        target = os.path.join(output_dir, os.path.basename(name))
        with open(target + ".tmp", "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(target + ".tmp", target)


if __name__ == "__main__":
    main(sys.argv)
