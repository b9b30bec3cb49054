#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The serial layer and the link library on the kernel's own serial drivers, in a QEMU machine.

Debian's kernel boots with a second 16550 UART (the 8250 driver, /dev/ttyS1) and an emulated FTDI
adapter behind xHCI (usbserial + ftdi_sio, /dev/ttyUSB0). The host side of each line is a
pseudo-terminal, served by the printer simulator. Inside, zarvo-driver-check (driver_check.cpp)
runs the cases and asks, on the console, for the adapter to be pulled and plugged back, which
this script does through QEMU's monitor.

    run_driver_tests.py BUILD_DIR

BUILD_DIR holds the built zarvo-driver-check, the libraries and zarvo-printer-sim; the kernel
package is fetched once into BUILD_DIR/drivers-test/ and kept there. Where QEMU or the kernel
cannot be had, one line says why and the run is skipped: exit code SKIPPED, which CTest counts as
a skip (serial/tests/drivers/CMakeLists.txt). The last line is "N passed, N failed".
"""

import glob
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
# Modules for the FTDI adapter behind xHCI; their own dependencies are read from each .ko.
MODULES = ["xhci-pci", "ftdi_sio"]
MACHINE_S = 100  # the machine is ended, and the run failed, this long after its start
PULL_DELAY_S = 1.5  # into the adapter's 5-s reply
SKIPPED = 77  # the test's SKIP_RETURN_CODE


def skip(why):
    print(f"driver tests skipped: {why}", flush=True)
    sys.exit(SKIPPED)


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)


def download(package, into):
    """apt-get download PACKAGE; once more after apt-get update when the package lists are stale."""
    for attempt in (1, 2):
        try:
            run(["apt-get", "download", package], cwd=into)
            return
        except (OSError, subprocess.CalledProcessError) as e:
            err = (getattr(e, "stderr", b"") or b"").decode(errors="replace").strip()
            if attempt == 2:
                skip(f"cannot fetch {package}: {err.splitlines()[-1] if err else e}")
        sudo = [] if os.geteuid() == 0 else ["sudo", "-n"]
        subprocess.run(sudo + ["apt-get", "update"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


def fetch_kernel(cache):
    """Debian's kernel image package, fetched into CACHE and unpacked into CACHE/kernel once:
    (vmlinuz, the modules' kernel/ folder)."""
    unpacked = os.path.join(cache, "kernel")
    found = glob.glob(os.path.join(unpacked, "boot", "vmlinuz-*"))
    if not found:
        os.makedirs(cache, exist_ok=True)
        try:
            depends = run(["apt-cache", "depends", "linux-image-amd64"], text=True).stdout
        except (OSError, subprocess.CalledProcessError) as e:
            skip(f"apt-cache cannot name Debian's kernel package ({e})")
        names = re.findall(r"Depends: (linux-image-[0-9][^\s]*)", depends)
        if not names:
            skip("apt-cache names no kernel image for linux-image-amd64")
        debs = glob.glob(os.path.join(cache, names[0] + "_*.deb"))
        if not debs:
            download(names[0], cache)
            debs = glob.glob(os.path.join(cache, names[0] + "_*.deb"))
        partial = unpacked + ".partial"
        shutil.rmtree(partial, ignore_errors=True)
        os.makedirs(partial)
        # Only the kernel and the USB modules: 19 MB of the package's 400.
        unpack = (f"dpkg-deb --fsys-tarfile '{debs[0]}' | tar -x -C '{partial}' --wildcards "
                  "'./boot/vmlinuz-*' './lib/modules/*/kernel/drivers/usb/*'")
        try:
            subprocess.run(["bash", "-o", "pipefail", "-c", unpack], check=True,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        except (OSError, subprocess.CalledProcessError) as e:
            skip(f"cannot unpack {debs[0]} ({e})")
        shutil.rmtree(unpacked, ignore_errors=True)
        os.rename(partial, unpacked)
        found = glob.glob(os.path.join(unpacked, "boot", "vmlinuz-*"))
        if not found:
            skip(f"{debs[0]} holds no boot/vmlinuz-*")
    modules = glob.glob(os.path.join(unpacked, "lib", "modules", "*", "kernel"))
    return found[0], modules[0] if modules else None


def module_order(modules_dir, wanted):
    """The .ko files to load, dependencies first, from the depends= field of each module."""
    paths = {}
    for path in glob.glob(os.path.join(modules_dir, "**", "*.ko"), recursive=True):
        paths[os.path.basename(path)[:-3].replace("-", "_")] = path
    order = []

    def add(name):
        key = name.replace("-", "_")
        if key not in paths:
            return  # built into the kernel
        if paths[key] in order:
            return
        with open(paths[key], "rb") as f:
            found = re.search(rb"depends=([^\0]*)\0", f.read())
        for dep in (found.group(1).decode().split(",") if found else []):
            if dep:
                add(dep)
        order.append(paths[key])

    for name in wanted:
        add(name)
    return order


def make_initramfs(work, build, modules):
    """A cpio with busybox, the modules, zarvo-driver-check and every library it loads."""
    root = os.path.join(work, "root")
    for d in ("bin", "dev", "proc", "sys", "tmp", "modules"):
        os.makedirs(os.path.join(root, d), exist_ok=True)
    busybox = shutil.which("busybox")
    shutil.copy(busybox, os.path.join(root, "bin", "busybox"))
    for applet in ("sh", "mount", "insmod", "poweroff", "sleep", "cat"):
        os.symlink("busybox", os.path.join(root, "bin", applet))
    # At their host paths, which the program's RUNPATH names: nothing may be mounted over them
    # (the build folder may well be under /tmp).
    program = os.path.join(build, "serial", "tests", "drivers", "zarvo-driver-check")
    libs = re.findall(r"(/\S+) \(0x", run(["ldd", program], text=True).stdout)
    for path in [program] + libs:
        target = os.path.join(root, path.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(path, target)  # follows links: the file the loader asks for by that name
    loads = "\n".join(f"insmod /modules/{os.path.basename(m)}" for m in modules)
    for m in modules:
        shutil.copy(m, os.path.join(root, "modules"))
    with open(os.path.join(root, "init"), "w") as f:
        f.write(f"""#!/bin/sh
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
{loads}
API232_DEBUG=1 {program}
poweroff -f
""")
    os.chmod(os.path.join(root, "init"), 0o755)
    cpio = os.path.join(work, "initrd.cpio")
    files = subprocess.run("find . | LC_ALL=C sort", shell=True, cwd=root, check=True,
                           stdout=subprocess.PIPE).stdout
    with open(cpio, "wb") as out:
        subprocess.run(["cpio", "--quiet", "-o", "-H", "newc"], cwd=root, input=files, stdout=out,
                       check=True)
    return cpio


class Monitor:
    """QEMU's human monitor on a unix socket: one command, its answer."""

    def __init__(self, path, machine, deadline):
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX)
                self.sock.connect(path)
                break
            except OSError:
                self.sock.close()
                if machine.poll() is not None:
                    err = machine.stderr.read().decode(errors="replace").strip()
                    raise RuntimeError(f"QEMU ended at once: {err}")
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.05)
        self.sock.settimeout(10)
        self._until_prompt()

    def _until_prompt(self):
        data = b""
        while not data.endswith(b"(qemu) "):
            chunk = self.sock.recv(4096)
            if not chunk:
                break
            data += chunk
        return re.sub(r"\x1b\[[0-9;]*[A-Za-z]", "", data.decode(errors="replace"))

    def __call__(self, command):
        self.sock.sendall(command.encode() + b"\n")
        return self._until_prompt()

    def pty_of(self, chardev):
        found = re.search(rf"^{chardev}: filename=pty:(\S+)", self("info chardev"), re.M)
        return found.group(1) if found else None

    def await_usb(self, device_id, present, timeout):
        end = time.monotonic() + timeout
        while (f"ID: {device_id}" in self("info usb")) != present:
            if time.monotonic() > end:
                return False
            time.sleep(0.1)
        return True


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    qemu = shutil.which("qemu-system-x86_64")
    if not qemu:
        skip("qemu-system-x86_64 is not installed (Debian package qemu-system-x86)")
    for tool in ("busybox", "cpio", "dpkg-deb"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed")
    linked = subprocess.run(["ldd", shutil.which("busybox")], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True).stdout
    if "=>" in linked:
        skip("busybox is not a static build (Debian package busybox-static)")
    simulator = os.path.join(build, "simulator", "zarvo-printer-sim")
    program = os.path.join(build, "serial", "tests", "drivers", "zarvo-driver-check")
    for built in (simulator, program):
        if not os.path.exists(built):
            sys.exit(f"driver tests: {built} is not built")

    started = time.monotonic()
    vmlinuz, modules_dir = fetch_kernel(os.path.join(build, "drivers-test"))
    if not modules_dir:
        skip(f"no modules beside {vmlinuz}")
    modules = module_order(modules_dir, MODULES)
    if not any(m.endswith("ftdi_sio.ko") for m in modules):
        skip("the kernel package has no ftdi_sio module")
    fetched = time.monotonic()
    deadline = fetched + MACHINE_S

    work = tempfile.mkdtemp(prefix="zarvo-drivers-")
    processes = []
    results = {"passed": 0, "failed": 0}

    def result(ok, line):
        results["passed" if ok else "failed"] += 1
        print(line, flush=True)

    try:
        initrd = make_initramfs(work, build, modules)
        monitor_path = os.path.join(work, "monitor")
        machine = subprocess.Popen(
            [qemu, "-nographic", "-m", "512", "-no-reboot", "-S", "-nic", "none",
             "-kernel", vmlinuz, "-initrd", initrd,
             "-append", "console=ttyS0 quiet loglevel=1 panic=-1",
             "-serial", "stdio",
             "-chardev", "pty,id=u1", "-device", "isa-serial,chardev=u1",
             "-device", "qemu-xhci,id=xhci",
             "-chardev", "pty,id=f1", "-device", "usb-serial,chardev=f1,id=ftdi1",
             "-monitor", f"unix:{monitor_path},server,nowait"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        processes.append(machine)
        monitor = Monitor(monitor_path, machine, deadline)

        def serve(chardev, *options):
            pty = monitor.pty_of(chardev)
            if not pty:
                raise RuntimeError(f"QEMU names no pseudo-terminal for {chardev}")
            sim = subprocess.Popen([simulator, "--device", pty, *options],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            processes.append(sim)
            return sim

        serve("u1")
        adapter_sim = serve("f1", "--print-time", "5000")
        # QEMU attaches the adapter once something holds its line's host side (it looks once a
        # second); what the guest writes before that would be lost.
        if not monitor.await_usb("ftdi1", True, 10):
            raise RuntimeError("the emulated adapter was not attached within 10 s")
        monitor("cont")

        # The guest's console, line by line, read by a thread so that the wait can time out.
        lines = []
        cond = threading.Condition()

        def read_console():
            for raw in machine.stdout:
                with cond:
                    lines.append(raw.decode(errors="replace").rstrip("\r\n"))
                    cond.notify()
            with cond:
                lines.append(None)
                cond.notify()

        threading.Thread(target=read_console, daemon=True).start()
        booted = None
        pulled_at = None
        seen = 0
        while True:
            with cond:
                while seen == len(lines):
                    if not cond.wait(timeout=max(0.0, deadline - time.monotonic())):
                        raise RuntimeError(f"the machine did not finish within {MACHINE_S} s")
                line = lines[seen]
                seen += 1
            if line is None:
                break
            if "@@ " in line:  # the firmware's screen codes may come before the first one
                line = line[line.index("@@ "):]
            if line.startswith(("ok - ", "not ok - ")):
                result(line.startswith("ok"), line)
            elif line == "@@ START":
                booted = time.monotonic()
            elif line.startswith("@@ PULL "):
                time.sleep(float(line.split()[2]) / 1000)
                monitor("device_del ftdi1")
                pulled_at = time.monotonic()
            elif line == "@@ RETURNED" and pulled_at is not None:
                after = time.monotonic() - pulled_at
                result(after < 2.0, f"{'ok' if after < 2.0 else 'not ok'} - host: the call "
                       f"ended {after:.2f} s after the adapter was pulled")
                adapter_sim.terminate()
            elif line == "@@ PLUG":
                # A fresh chardev: the old one still holds the rest of the cut reply.
                monitor("chardev-add pty,id=f2")
                serve("f2")
                monitor("device_add usb-serial,chardev=f2,id=ftdi2")
            elif line.startswith("@@ END"):
                pass
            elif line.strip() and booted is not None:
                print(f"  guest: {line}", flush=True)
        machine.wait(timeout=10)
        if booted is None:
            err = machine.stderr.read().decode(errors="replace").strip()
            console = "\n".join(f"  console: {line}" for line in lines[-15:] if line)
            raise RuntimeError("the guest program never started" + (f": {err}" if err else "") +
                               (f"; the console's last lines:\n{console}" if console else ""))
        print(f"  timings: kernel {fetched - started:.1f} s, boot {booted - fetched:.1f} s, "
              f"cases {time.monotonic() - booted:.1f} s", flush=True)
    except Exception as e:  # noqa: BLE001 - every way the run can break is one failure
        result(False, f"not ok - the run itself: {e}")
    finally:
        for p in reversed(processes):
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(work, ignore_errors=True)
    print(f"  whole run {time.monotonic() - started:.1f} s")
    print(f"{results['passed']} passed, {results['failed']} failed")
    return 1 if results["failed"] or not results["passed"] else 0


if __name__ == "__main__":
    sys.exit(main())
