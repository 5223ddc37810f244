#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
# The test command checks once and tells the scripts it runs (the tour among them).
[ -n "${VEMO_DEPS_CHECKED:-}" ] && exit 0

packages=(
  build-essential cmake ninja-build pkg-config
  libhidapi-dev libusb-1.0-0-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  clang clang-tidy clang-format libclang-rt-14-dev
  umockdev libumockdev-dev valgrind
  python3-gi gir1.2-gtk-4.0 gir1.2-adw-1 python3-jeepney python3-pytest
  xvfb xauth dbus-daemon desktop-file-utils appstream
  python3-pytest-forked python3-setuptools python3-pip mypy
  libsdbus-c++-dev libudev-dev dbus python3-dbus
  python3-prometheus-client scdoc zsh fish
  ansible-core
  debhelper dh-python python3-all pybuild-plugin-pyproject udev lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi

# The GNOME Shell extension: its schema compiler, and a headless GNOME Shell
# for its test, without recommends (the whole desktop otherwise).
lean_missing=()
for p in libglib2.0-bin gnome-shell gjs mutter libgl1-mesa-dri python3-dbusmock fonts-cantarell; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    lean_missing+=("$p")
  fi
done
if ((${#lean_missing[@]})); then
  echo "Installing missing packages: ${lean_missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${lean_missing[@]}"
fi
