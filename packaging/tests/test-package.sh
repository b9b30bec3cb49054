#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian packages that `make package` built, without installing them: lintian, the
# menu entry and the metainfo; then, unpacked into a temporary folder and run from there with no
# LD_LIBRARY_PATH, the simulator, the window against the simulator (started from a shell in a
# folder, and as the menu starts it), and two programs built against the development package.
# Usage: packaging/tests/test-package.sh BUILD_DIR   (the build that `make package` used)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build_dir="$(cd "${1:?usage: test-package.sh BUILD_DIR}" && pwd)"
arch="$(dpkg --print-architecture)"
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
# The project's version, as the build that made the packages has it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")-1
runtime_deb="$build_dir/packages/zarvo_${version}_${arch}.deb"
dev_deb="$build_dir/packages/libzarvo-dev_${version}_${arch}.deb"
app_id="example.c_seed_a3104997.zarvo"
unset LD_LIBRARY_PATH

work="$(mktemp -d "${TMPDIR:-/tmp}/zarvo-package-test.XXXXXX")"
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
step() { echo "== $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

step "both packages are built"
for deb in "$runtime_deb" "$dev_deb"; do
    [ -f "$deb" ] || { echo "FAIL: $deb is missing; run make package" >&2; exit 1; }
done
dpkg-deb -f "$runtime_deb" Version Maintainer Depends
dpkg-deb -f "$dev_deb" Version Depends
[ "$(dpkg-deb -f "$runtime_deb" Version)" = "$version" ] || fail "zarvo's version is not $version"
dpkg-deb -f "$runtime_deb" Depends | grep -q 'libqt6widgets6' ||
    fail "zarvo's Depends lacks the Qt library that shlibdeps should have found"
dpkg-deb -f "$dev_deb" Depends | grep -qF "zarvo (= $version)" ||
    fail "libzarvo-dev does not depend on zarvo (= $version)"

step "lintian: no error; every warning is explained in docs/packaging.md"
lintian_out="$work/lintian.txt"
lintian --no-cfg --display-level '>=warning' "$runtime_deb" "$dev_deb" >"$lintian_out" 2>&1 || true
cat "$lintian_out"
if grep -q '^E: ' "$lintian_out"; then
    fail "lintian reports errors"
fi
for tag in $(sed -n 's/^W: [^ ]*: \([^ ]*\).*/\1/p' "$lintian_out" | sort -u); do
    grep -q "\`$tag\`" "$root/docs/packaging.md" ||
        fail "lintian warning $tag is not explained in docs/packaging.md"
done

step "unpacked into a temporary folder"
tree="$work/tree"
dpkg-deb -x "$runtime_deb" "$tree"
dpkg-deb -x "$dev_deb" "$tree"
libdir="$tree/usr/lib/$multiarch"
runtime_files="$(dpkg-deb -c "$runtime_deb")"
for soname in libZarvo.so.1 libAPI232.so.1; do
    objdump -p "$libdir/$soname" | grep -Eq "SONAME +$soname\$" || fail "$soname has not that SONAME"
    grep -q "/$soname -> " <<<"$runtime_files" || fail "$soname is not in zarvo"
done
grep -q '/libZarvo.so -> ' <<<"$runtime_files" && fail "the unversioned libZarvo.so is in zarvo"
[ "$(readlink "$libdir/libZarvo.so")" = "libZarvo.so.1" ] || fail "libzarvo-dev's libZarvo.so is no link to libZarvo.so.1"

step "menu entry and metainfo"
desktop-file-validate "$tree/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
[ -f "$tree/usr/share/icons/hicolor/scalable/apps/$app_id.svg" ] || fail "the icon is missing"
for page in zarvo zarvo-printer-sim zarvo-ports; do
    man --warnings -l "$tree/usr/share/man/man1/$page.1.gz" >/dev/null || fail "man page $page"
done

step "zarvo-printer-sim --help, unpacked"
"$tree/usr/bin/zarvo-printer-sim" --help >"$work/sim-help.txt" || fail "zarvo-printer-sim --help failed"
grep -q '^Usage: zarvo-printer-sim' "$work/sim-help.txt" || fail "zarvo-printer-sim --help shows no usage"

step "zarvo-ports, unpacked: assigns a port in a ports file of its own, lists without failing"
ports_config="$work/config"
XDG_CONFIG_HOME="$ports_config" "$tree/usr/bin/zarvo-ports" set 9 /dev/null >/dev/null ||
    fail "zarvo-ports set failed"
grep -qx '9 = /dev/null' "$ports_config/zarvo/ports" || fail "zarvo-ports set wrote no line"
XDG_CONFIG_HOME="$ports_config" "$tree/usr/bin/zarvo-ports" unset 9 >/dev/null ||
    fail "zarvo-ports unset failed"
grep -q '^9 =' "$ports_config/zarvo/ports" && fail "zarvo-ports unset left the line"
XDG_CONFIG_HOME="$ports_config" "$tree/usr/bin/zarvo-ports" >/dev/null || fail "zarvo-ports list failed"

step "the simulator, unpacked, on a pseudo-terminal as port 1"
"$tree/usr/bin/zarvo-printer-sim" --fast --link "$work/port1" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
    [ -s "$work/sim.out" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.err" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/sim.out" ] || { echo "FAIL: the simulator did not start" >&2; exit 1; }
export API232_PORT1="$work/port1"
export API232_PORT2="$work/no-port2"

step "the window's printer test, unpacked, offscreen"
cmake -S "$here/window_driver" -B "$work/window_driver" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/window_driver" >/dev/null
driver="$work/window_driver/libzarvo_window_driver.so"
# run_window NAME FOLDER [OPTION]: the window started in FOLDER, pressed by the driver.
run_window() {
    local name="$1" folder="$2"
    shift 2
    mkdir -p "$folder"
    local status=0
    (cd "$folder" && QT_QPA_PLATFORM=offscreen LD_PRELOAD="$driver" \
        timeout 60 "$tree/usr/bin/zarvo" "$@") >"$work/$name.out" 2>"$work/$name.err" || status=$?
    if [ "$status" -ne 0 ]; then
        fail "$name: the window ended with status $status"
        cat "$work/$name.err" >&2
    fi
    cat "$work/$name.out"
    grep -qx "port: com 1" "$work/$name.out" || fail "$name: the printer test did not find port 1"
    grep -Eq '^clock: .*[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}' "$work/$name.out" ||
        fail "$name: no printer clock shown"
    local library
    library="$(sed -n 's/^library: //p' "$work/$name.out")"
    [ -n "$library" ] && [ "$(cd "$(dirname "$library")" && pwd -P)/$(basename "$library")" = \
        "$libdir/libZarvo.so.1" ] || fail "$name: libZarvo.so.1 was not bound from the unpacked tree"
}
run_window shell "$work/from-shell"
[ -s "$work/from-shell/RespApf.txt" ] || fail "started in a folder, the window wrote no RespApf.txt there"
# As the menu entry starts it: its working folder is Zarvo in the documents, made on first start.
home="$work/home"
mkdir -p "$home"
HOME="$home" XDG_CONFIG_HOME="$home/.config" run_window menu "$home" \
    $(sed -n 's/^Exec=zarvo //p' "$tree/usr/share/applications/$app_id.desktop")
[ -s "$home/Documents/Zarvo/RespApf.txt" ] || fail "started from the menu, no RespApf.txt in ~/Documents/Zarvo"
[ -e "$home/RespApf.txt" ] && fail "started from the menu, the window wrote RespApf.txt in its current directory"

step "a C program built with pkg-config against the unpacked libzarvo-dev"
flags="$(PKG_CONFIG_SYSROOT_DIR="$tree" PKG_CONFIG_LIBDIR="$libdir/pkgconfig" pkg-config --cflags --libs zarvo)"
echo "pkg-config: $flags"
mkdir -p "$work/c"
# shellcheck disable=SC2086 # the flags are words
cc -Wall -Wextra -o "$work/c/exchange" "$here/consumer/exchange.c" $flags -Wl,-rpath,"$libdir"
(cd "$work/c" && ./exchange) || fail "the pkg-config program's exchange"

step "a CMake project with find_package(Zarvo) against the unpacked libzarvo-dev"
cmake -S "$here/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$tree/usr" >/dev/null
cmake --build "$work/cmake" >/dev/null
(cd "$work/cmake" && ./exchange) || fail "the find_package program's exchange"

if [ "$failures" -ne 0 ]; then
    echo "test-package: $failures failure(s)" >&2
    exit 1
fi
echo "test-package: all passed"
