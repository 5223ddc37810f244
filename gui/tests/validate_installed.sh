#!/usr/bin/env bash
# Installs the app's files from a build into a scratch prefix, validates the
# desktop entry and the AppStream metainfo there, as a distribution would, and
# checks that the installed command finds its modules (with the vemo package
# from $2 and nothing of the source tree's app).
set -euo pipefail
build_dir=$1
vemo_package_dir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" --component gui >/dev/null
share="$prefix/share"
for f in "$prefix/bin/vemo-monitors" "$share/icons/hicolor/scalable/apps/org.vemo.Monitors.svg" \
         "$share/vemo-monitors/vemo_monitors/application.py"; do
  [ -e "$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$share/applications/org.vemo.Monitors.desktop"
appstreamcli validate --no-net --pedantic "$share/metainfo/org.vemo.Monitors.metainfo.xml"
PYTHONPATH="$vemo_package_dir" "$prefix/bin/vemo-monitors" --help >/dev/null
