#!/usr/bin/env bash
# Installs the SDK into a temporary prefix, checks what landed there, and
# builds and runs a C client with pkg-config and a C++ client with
# find_package against the installed copy only.
set -euo pipefail
cd "$(dirname "$0")/../.."

# The plain build of the test command, installed as it is: the stage checks
# what that build installs rather than building the product a second time.
# Run alone, it configures and builds what is missing there.
build=${VEMO_BUILD_DIR:-build}
work=$(mktemp -d /tmp/vemo-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
fi
cmake --build "$build" -j "$(nproc)"
# The prefix given here differs from the configured one on purpose: the
# installed files must not depend on it.
cmake --install "$build" --prefix "$prefix"

fail() { echo "install test: $*" >&2; exit 1; }
# The SDK library a program loads (with an optional library path), as a canonical path.
loaded_sdk() {
  realpath "$(LD_LIBRARY_PATH=${2:-} ldd "$1" | sed -n 's/.*libVemoMonitorSdk\.so\.1 => \(.*\) (0x.*/\1/p')"
}

libdir=$(find "$prefix" -name 'libVemoMonitorSdk.so.1.1.0' -printf '%h\n' | head -n 1)
[ -n "$libdir" ] || fail "libVemoMonitorSdk.so.1.1.0 not installed"
[ "$(readlink "$libdir/libVemoMonitorSdk.so.1")" = libVemoMonitorSdk.so.1.1.0 ] ||
  fail "libVemoMonitorSdk.so.1 is not a link to the library"
[ "$(readlink "$libdir/libVemoMonitorSdk.so")" = libVemoMonitorSdk.so.1 ] ||
  fail "libVemoMonitorSdk.so is not a link to the SONAME"
soname=$(readelf -d "$libdir/libVemoMonitorSdk.so.1.1.0" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libVemoMonitorSdk.so.1 ] || fail "SONAME is '$soname'"
[ -f "$prefix/include/VemoMonitorSdk.h" ] || fail "header not installed"

rule=$prefix/lib/udev/rules.d/70-vemo-monitor-bridge.rules
[ -f "$rule" ] || fail "udev rule not installed"
grep -Eq '^SUBSYSTEM=="usb",.*ATTR\{idVendor\}=="0451", ATTR\{idProduct\}=="ca01", TAG\+="uaccess"$' "$rule" ||
  fail "udev rule does not tag the bridge's USB device for uaccess"

# The command-line tool, once the tree has one, comes with the SDK.
if [ -f tools/vemoctl/CMakeLists.txt ]; then
  [ -x "$prefix/bin/vemoctl" ] || fail "vemoctl not installed"
  [ "$(loaded_sdk "$prefix/bin/vemoctl" "$libdir")" = "$libdir/libVemoMonitorSdk.so.1.1.0" ] ||
    fail "vemoctl does not load the installed library"
  LD_LIBRARY_PATH=$libdir "$prefix/bin/vemoctl" --help >/dev/null || fail "installed vemoctl --help failed"
fi

echo "-- C client with pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion VemoMonitorSdk)" = 1.1.0 ] || fail "pkg-config version"
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror packaging/clients/client.c -o "$work/client_c" \
  $(pkg-config --cflags --libs VemoMonitorSdk) \
  -Wl,-rpath,"$(pkg-config --variable=libdir VemoMonitorSdk)"
[ "$(loaded_sdk "$work/client_c")" = "$libdir/libVemoMonitorSdk.so.1.1.0" ] ||
  fail "the C client does not load the installed library"
"$work/client_c"

echo "-- C++ client with find_package"
cmake -S packaging/clients -B "$work/client-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$work/client-build"
[ "$(loaded_sdk "$work/client-build/client_cpp")" = "$libdir/libVemoMonitorSdk.so.1.1.0" ] ||
  fail "the C++ client does not load the installed library"
"$work/client-build/client_cpp"
echo "install test passed"

# The session service: the program, its D-Bus activation file, the systemd user unit and the interface.
[ -x "$prefix/bin/vemod" ] || fail "vemod not installed"
grep -Eq '^Exec=/.*/bin/vemod$' "$prefix/share/dbus-1/services/org.vemo.Monitors1.service" ||
  fail "the D-Bus service file for org.vemo.Monitors1 is missing or does not start vemod"
grep -qx 'BusName=org.vemo.Monitors1' "$prefix/lib/systemd/user/vemod.service" || fail "vemod.service not installed"
[ -s "$prefix/share/man/man1/vemod.1" ] || fail "the vemod(1) manual page not installed"
[ -s "$prefix/share/vemo/models/vemo-p27q.json" ] || fail "the simulator's model description not installed"
[ -f "$prefix/share/dbus-1/interfaces/org.vemo.Monitors1.xml" ] || fail "the D-Bus interface XML not installed"
echo "vemod install check passed"
for file in bash-completion/completions/vemoctl zsh/vendor-completions/_vemoctl fish/vendor_completions.d/vemoctl.fish man/man1/vemoctl.1; do
  [ -s "$prefix/share/$file" ] || fail "vemoctl's share/$file not installed"
done
