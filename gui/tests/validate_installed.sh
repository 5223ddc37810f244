#!/usr/bin/env bash
# Installs the app's files from a build into a scratch prefix and validates
# the desktop entry and the AppStream metainfo there, as a distribution would.
set -euo pipefail
build_dir=$1
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
