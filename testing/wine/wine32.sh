#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The 32-bit Wine, which the x86 set's tests under Wine need, and why it is not there when it
# is not.
#   wine32.sh install PACKAGE NOTE  install PACKAGE (wine32:i386) with the i386 architecture it
#                                   needs. Never fails: when it cannot, one line says why, and NOTE
#                                   keeps that line for the probe.
#   wine32.sh probe LOADER [NOTE]   exit 0 and print the loader's version when it starts; else
#                                   exit 1 and print, in one phrase, the true reason it does not.
# The archive sometimes cannot give its i386 packages (an index that cannot be read, packages
# that cannot be resolved), and some kernels cannot execute 32-bit programs at all: neither may
# keep the 64-bit Windows tools from installing or the 64-bit tests from running.
set -uo pipefail
command=${1:-}
sudo=
[ "$(id -u)" = 0 ] || sudo=sudo

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'
}

# The package tool's own reason: the last line it marked as an error (the first, with "first").
error_line() {
    if [ "${2:-}" = first ]; then
        grep '^E:' <<<"$1" | head -n 1 | tr -s ' '
    else
        grep '^E:' <<<"$1" | tail -n 1 | tr -s ' '
    fi
}

# Whether this kernel executes a 32-bit program at all: a three-instruction i386 program, made
# with the binutils the build already has. Prints nothing; unknown counts as yes.
kernel_runs_32bit() {
    local dir status
    command -v as >/dev/null && command -v ld >/dev/null || return 0
    dir=$(mktemp -d) || return 0
    printf '.globl _start\n_start: movl $1, %%eax\nxorl %%ebx, %%ebx\nint $0x80\n' >"$dir/exit.s"
    if as --32 -o "$dir/exit.o" "$dir/exit.s" 2>/dev/null &&
        ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" 2>/dev/null; then
        "$dir/exit" 2>/dev/null
        status=$?
    else
        status=0
    fi
    rm -rf "$dir"
    [ "$status" -ne 126 ]
}

case $command in
install)
    package=$2 note=$3
    mkdir -p "$(dirname "$note")"
    rm -f "$note"
    installed "$package" && exit 0
    export DEBIAN_FRONTEND=noninteractive
    added=
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Adding the i386 architecture for $package"
        $sudo dpkg --add-architecture i386 || {
            echo "$package not installed: dpkg could not add the i386 architecture" | tee "$note"
            exit 0
        }
        added=yes
    fi
    # Installing the i386 libraries upgrades the matching amd64 packages to the same version.
    update_log=
    if [ -n "$added" ] || ! install_log=$($sudo apt-get install -y --no-install-recommends \
        "$package" 2>&1); then
        update_log=$($sudo apt-get update 2>&1) || true
        install_log=$($sudo apt-get install -y --no-install-recommends "$package" 2>&1)
    fi
    if installed "$package"; then
        echo "Installed $package"
        exit 0
    fi
    # An index that could not be read is the cause the install's own error only hints at.
    reason="apt-get install: $(error_line "$install_log")"
    update_error=$(error_line "$update_log" first)
    [ -z "$update_error" ] || reason="apt-get update: $update_error; $reason"
    echo "$package could not be installed; $reason" >"$note"
    echo "Not installed, and not needed but for the x86 set's tests under Wine: $(cat "$note")"
    # Leave the machine as it was: no architecture whose packages could not come.
    if [ -n "$added" ] && ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
        $sudo dpkg --remove-architecture i386 || true
    fi
    ;;
probe)
    loader=$2 note=${3:-}
    if [ ! -e "$loader" ]; then
        reason="the 32-bit Wine is not installed"
        if [ -n "$note" ] && [ -s "$note" ]; then
            reason="$reason: $(cat "$note")"
        else
            reason="$reason (make deps-windows installs it: no $loader)"
        fi
        kernel_runs_32bit || reason="$reason, and this machine's kernel cannot execute 32-bit programs"
        echo "$reason"
        exit 1
    fi
    output=$("$loader" --version 2>&1)
    status=$?
    if [ "$status" -eq 0 ]; then
        echo "$output"
        exit 0
    fi
    if [ "$status" -eq 126 ] || grep -q 'Exec format error' <<<"$output"; then
        echo "the 32-bit Wine is installed, but this machine's kernel cannot execute 32-bit" \
            "programs ('$loader --version': Exec format error)"
    else
        echo "the 32-bit Wine is installed but does not start ('$loader --version' failed with" \
            "status $status: $(tail -n 1 <<<"${output:-no output}"))"
    fi
    exit 1
    ;;
*)
    echo "usage: $0 install PACKAGE NOTE | probe LOADER [NOTE]" >&2
    exit 2
    ;;
esac
