#!/usr/bin/env bash
# Builds the Debian packages from a clean copy of the tree, checks them with
# lintian, installs them all with apt, runs the package tests of
# debian/tests/control against the installed system alone, then purges the
# packages and checks that no file of theirs is left. Whatever happens, the
# machine is left with the packages it had before.
set -euo pipefail
cd "$(dirname "$0")/../.."

fail() { echo "debian stage: $*" >&2; exit 1; }
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# apt's output goes to a log, shown when apt fails.
apt_get() {
  $SUDO apt-get -y -q -o DPkg::Lock::Timeout=600 "$@" >>"$work/apt.log" 2>&1 || {
    tail -n 30 "$work/apt.log" >&2
    return 1
  }
}

scripts/deps.sh
dpkg-checkbuilddeps || fail "scripts/deps.sh does not install every Build-Depends entry"

mapfile -t packages < <(sed -n 's/^Package: *//p' debian/control)
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qv '^not-installed$'; then
    fail "$package is installed already; this stage installs and purges the packages itself, so purge them first: apt-get purge ${packages[*]}"
  fi
done

work=$(mktemp -d /tmp/vemo-debian-XXXXXX)
installed_packages() { dpkg-query -W -f='${db:Status-Status} ${Package}:${Architecture}\n' | sed -n 's/^installed //p' | sort; }
vemo_files() { find -H /usr /lib /etc -iname '*vemo*' 2>/dev/null | sort; }
vemo_files >"$work/vemo-files-before"

touched_apt=false
leave_as_found() {
  local status=$? left
  trap - EXIT
  if $touched_apt; then
    mapfile -t left < <(for package in "${packages[@]}"; do
      dpkg-query -W -f='${db:Status-Status} ${Package}\n' "$package" 2>/dev/null | grep -v '^not-installed' | cut -d' ' -f2
    done)
    if ((${#left[@]})); then
      echo "debian stage: purging ${left[*]}" >&2
      apt_get purge "${left[@]}" || status=1
    fi
    # What apt brought in for them goes too (and only that: other programs
    # may install packages on this machine meanwhile).
    [ -f "$work/brought-in" ] || installed_packages | comm -13 "$work/packages-before" - >"$work/brought-in"
    mapfile -t left < <(installed_packages | comm -12 "$work/brought-in" -)
    if ((${#left[@]})); then
      echo "debian stage: removing what the packages brought in: ${left[*]}" >&2
      apt_get purge "${left[@]}" || status=1
    fi
    if installed_packages | comm -12 "$work/brought-in" - | grep -q .; then
      echo "debian stage: packages the stage installed are still installed" >&2
      status=1
    fi
  fi
  rm -rf "$work"
  exit "$status"
}
trap leave_as_found EXIT

echo "-- building the packages from a clean copy of the tree"
mkdir "$work/src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # The tracked and the new files as they are now: no build folder, nothing ignored.
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar --null -T - -cf - | tar -xf - -C "$work/src"
else
  tar --exclude='./build*' --exclude='./out' -cf - . | tar -xf - -C "$work/src"
fi
project_version=$(sed -n 's/^project(VemoMonitorSdk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package_version=$(dpkg-parsechangelog -l debian/changelog -S Version)
[ "${package_version%%-*}" = "$project_version" ] ||
  fail "debian/changelog is at $package_version, the project at $project_version"
started=$SECONDS
(cd "$work/src" && DEB_BUILD_OPTIONS="nocheck noautodbgsym parallel=2" dpkg-buildpackage -us -uc -b) >"$work/build.log" 2>&1 || {
  tail -n 60 "$work/build.log" >&2
  fail "dpkg-buildpackage failed"
}
echo "built in $((SECONDS - started)) s"
for package in "${packages[@]}"; do
  [ -f "$work/${package}_${package_version}_amd64.deb" ] || [ -f "$work/${package}_${package_version}_all.deb" ] ||
    fail "no $package package was built"
done
# Programs built against the library depend on it, through its shlibs.
dpkg-deb -f "$work/vemoctl_${package_version}_amd64.deb" Depends | grep -q "libvemomonitorsdk1 (>= $project_version" ||
  fail "vemoctl does not depend on libvemomonitorsdk1 (>= $project_version)"

echo "-- lintian"
lintian --fail-on error,warning "$work"/*.changes

echo "-- installing with apt"
installed_packages >"$work/packages-before"
touched_apt=true
(cd "$work" && apt_get install ./*.deb)
installed_packages | comm -13 "$work/packages-before" - >"$work/brought-in"
echo "installed sizes (KiB):"
dpkg-query -W -f='  ${Package} ${Installed-Size}\n' "${packages[@]}"

echo "-- the package tests, against the installed system"
mapfile -t tests < <(sed -n 's/^Tests: *//p' debian/tests/control | tr -s ', ' '\n' | sed '/^$/d')
failed=()
for test in "${tests[@]}"; do
  scratch=$(mktemp -d "$work/test-XXXXXX")
  mkdir "$scratch/home"
  echo "- $test"
  # A bare environment: nothing from a build tree on any search path.
  if ! (cd "$work/src" && env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$scratch/home" LANG=C.UTF-8 \
    AUTOPKGTEST_TMP="$scratch" "debian/tests/$test"); then
    failed+=("$test")
  fi
done
((${#failed[@]} == 0)) || fail "package tests failed: ${failed[*]}"

echo "-- purging"
mapfile -t shipped < <(for deb in "$work"/*.deb; do dpkg-deb --fsys-tarfile "$deb" | tar -t; done |
  sed 's|^\./|/|; /\/$/d' | sort -u)
apt_get purge "${packages[@]}"
left=()
for file in "${shipped[@]}"; do
  if dpkg -S "$file" >/dev/null 2>&1 || [ -e "$file" ] || [ -L "$file" ]; then left+=("$file"); fi
done
((${#left[@]} == 0)) || fail "left after the purge: ${left[*]}"
for package in "${packages[@]}"; do
  ! dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qv '^not-installed$' ||
    fail "$package is still known to dpkg after the purge"
done
vemo_files | comm -13 "$work/vemo-files-before" - >"$work/vemo-files-left"
[ ! -s "$work/vemo-files-left" ] || fail "vemo files left after the purge: $(tr '\n' ' ' <"$work/vemo-files-left")"
echo "debian stage passed: ${#packages[@]} packages built, lintian clean, ${#tests[@]} package tests passed on the installed system, purged without a trace"
