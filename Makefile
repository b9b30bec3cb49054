# Zarvo: the two commands a user types.
#   make test   install missing Debian packages, build, run every test
#   make run    install missing Debian packages, build only what it runs (both libraries, the
#               simulator, the window), start the printer simulator and open the window
#   make package       the Debian packages zarvo and libzarvo-dev, in build/packages/
#   make test-package  checks them: lintian, menu entry, metainfo, unpacked programs
#   make test-drivers  the serial layer on the kernel's own serial drivers, in a QEMU machine
# Other targets: deps, build, bench, asan, fuzz, format, clean,
#   windows (cross-build the two Windows sets, each Zarvo.exe, Zarvo.dll and API232.dll: x86 into
#   $(BUILD_WIN32_DIR)/bin, x64 into $(BUILD_WIN64_DIR)/bin; the download
#   $(WINDOWS_DIR)/zarvo-<version>-windows.zip with both, and the setup
#   $(WINDOWS_DIR)/zarvo-<version>-setup.exe), test-windows (their tests under Wine, on Xvfb).

BUILD_DIR  ?= build
ASAN_DIR   ?= build-asan
FUZZ_DIR   ?= build-fuzz
BUILD_WIN32_DIR ?= build-win32
BUILD_WIN64_DIR ?= build-win64
WINDOWS_DIR ?= build-windows
BUILD_TYPE ?= RelWithDebInfo
# The debug information of the builds made here (the Linux, sanitizer and Windows builds): line
# tables, enough for backtraces, sanitizer reports and profilers, at a third less compile time
# than full -g. DEBUG_INFO=-g on a fresh build gives a debugger the variables as well.
DEBUG_INFO ?= -g1
DEBUG_FLAGS = $(foreach l,C CXX,-DCMAKE_$(l)_FLAGS_RELWITHDEBINFO="-O2 $(DEBUG_INFO) -DNDEBUG" \
                                -DCMAKE_$(l)_FLAGS_DEBUG="$(DEBUG_INFO)")
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

# Everything the build, the tests, the fuzz build and `make run` need, all from Debian's archive
# (xvfb gives `make run` a display on a machine without one; python3 runs the documents' check).
PACKAGES := build-essential cmake libasio-dev libcli11-dev libgtest-dev libgmock-dev \
            qt6-base-dev qt6-base-dev-tools libgl-dev clang libclang-rt-14-dev xvfb \
            libcap-dev python3 \
            dpkg-dev fakeroot file lintian desktop-file-utils appstream pkgconf man-db help2man

# What `make bench` needs beyond that: the pyserial script it runs beside the library.
BENCH_PACKAGES := python3-serial

# What `make run` runs, and all it builds: both libraries, the simulator and the window.
RUN_TARGETS := API232 Zarvo zarvo-printer-sim zarvo

# What `make test-drivers` needs: QEMU (TCG; no KVM needed), a static busybox and cpio for the
# machine's initramfs, python3 for the script that drives it. The kernel is Debian's own image
# package, fetched with apt-get download into $(BUILD_DIR)/drivers-test/, not installed.
DRIVER_PACKAGES := qemu-system-x86 busybox-static cpio python3

# The Windows cross-builds and their tests under Wine: the i686 (x86 set) and x86-64 (x64 set)
# mingw-w64 compilers (posix threads), the 64-bit Wine, python3 for the serial test's echoing line,
# and NSIS (makensis) for the setup. None of them is an i386 package.
WIN_PACKAGES := g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix \
                binutils-mingw-w64-x86-64 wine wine64 python3 nsis librsvg2-bin icoutils
# The 32-bit Wine, for the x86 set's tests under Wine, comes in a step of its own that never fails
# the target: it needs the i386 architecture, whose part of the archive is not always readable.
# Where it cannot be installed, WINE32_NOTE keeps the package tool's reason for the test run's
# line of why. An empty WINE32_PACKAGE tries nothing.
WINE32_PACKAGE ?= wine32:i386
WINE32_NOTE = $(BUILD_WIN32_DIR)/wine32-install.txt

# The 32-bit Wine loader: where it cannot start (a kernel without 32-bit execution), the x86 set's
# tests that run under Wine are skipped with a word of why, and only its static checks run.
WINE32_LOADER ?= /usr/lib/wine/wine

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps bench-deps configure build test run bench asan fuzz format clean deps-windows \
        windows test-windows package test-package deps-drivers test-drivers \
        asan-build

all: build

# $(call install_missing,packages): apt-get installs those of the Debian packages not installed.
install_missing = @missing=""; \
	for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing missing Debian packages:$$missing"; \
	    export DEBIAN_FRONTEND=noninteractive; \
	    $(SUDO) apt-get install -y --no-install-recommends $$missing || \
	    { $(SUDO) apt-get update || echo "apt-get update failed in part; installing from the lists it read"; \
	      $(SUDO) apt-get install -y --no-install-recommends $$missing; }; \
	fi

deps:
	$(call install_missing,$(PACKAGES))

bench-deps: deps
	$(call install_missing,$(BENCH_PACKAGES))

deps-windows: deps
	$(call install_missing,$(WIN_PACKAGES))
	@$(if $(WINE32_PACKAGE),./testing/wine/wine32.sh install "$(WINE32_PACKAGE)" $(WINE32_NOTE), \
	    mkdir -p $(BUILD_WIN32_DIR) && echo "WINE32_PACKAGE is empty: no 32-bit Wine was tried" >$(WINE32_NOTE))

# The Linux build is the one the Debian packages are made of, so it is configured as Debian builds
# are: for /usr, with Debian's build flags, hardening included (CMake reads no CPPFLAGS: they go
# in with the compile flags). None of its tests installs anything, so none is packed.
deb_flags = $(shell DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get $(1))
LINUX_CONFIGURE = -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(DEBUG_FLAGS) -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(call deb_flags,CPPFLAGS) $(call deb_flags,CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(call deb_flags,CPPFLAGS) $(call deb_flags,CXXFLAGS)" \
    $(foreach k,EXE SHARED MODULE,-DCMAKE_$(k)_LINKER_FLAGS="$(call deb_flags,LDFLAGS)")

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) $(LINUX_CONFIGURE)

configure: deps $(BUILD_DIR)/CMakeCache.txt

# The builds' own make counts its jobs (-j $(JOBS)) rather than share this one's, even when `make
# test` makes two builds at once.
own_jobs = MAKEFLAGS=

build: configure
	$(own_jobs) cmake --build $(BUILD_DIR) -j $(JOBS)

# Every test but the driver tests (label drivers: test-drivers), then every test again built with
# AddressSanitizer and UndefinedBehaviorSanitizer. The two builds are made at once: the files each
# one compiles last, one at a time, leave a core to the other.
test: deps
	$(MAKE) --no-print-directory -j2 build asan-build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE drivers
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE drivers

# Not fatal: where they cannot be installed, the test says what is missing and is skipped.
deps-drivers: deps
	-$(call install_missing,$(DRIVER_PACKAGES))

# A QEMU machine with Debian's kernel, a second 16550 and an emulated FTDI adapter, the printer
# simulator on the host side of each line (serial/tests/drivers/), the CTest test of label drivers.
# About 20 s once the kernel is in the cache; where QEMU cannot run it says why in one line and is
# skipped. Verbose, so that its cases and its count show even when it passes.
test-drivers: deps-drivers configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target zarvo-driver-check zarvo-printer-sim
	cd $(BUILD_DIR) && ctest -L drivers -V

$(ASAN_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug $(DEBUG_FLAGS) -DZARVO_SANITIZE=ON \
	      -DZARVO_BUILD_BENCH=OFF

asan-build: deps $(ASAN_DIR)/CMakeCache.txt
	$(own_jobs) cmake --build $(ASAN_DIR) -j $(JOBS)

asan: asan-build
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE drivers

# The fuzz targets as libFuzzer binaries (clang, AddressSanitizer, UBSan). How to run each for a
# while: the fuzz section of library/, program/ and simulator/ READMEs.
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARVO_FUZZ=ON -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=OFF
	cmake --build $(FUZZ_DIR) --target fuzz_targets -j $(JOBS)

run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(RUN_TARGETS)
	@BUILD_DIR=$(BUILD_DIR) ./program/run-with-simulator.sh

bench: bench-deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@for b in $(BUILD_DIR)/bench/zarvo-bench-*; do echo "== $$b"; "$$b"; done

# The packages are made of the Linux build, the one the tests ran on; configured again first, so
# that a build folder configured before holds the packages' configuration too.
package: configure
	cmake -S . -B $(BUILD_DIR) $(LINUX_CONFIGURE) >/dev/null
	cmake --build $(BUILD_DIR) -j $(JOBS)
	cd $(BUILD_DIR) && cpack -G DEB
	@ls -1 $(BUILD_DIR)/packages/*.deb

test-package: package
	./packaging/tests/test-package.sh $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

# Each set's Zarvo.exe, Zarvo.dll, API232.dll and Windows test programs land in its build's bin/;
# the x64 build then makes the download and the setup in $(WINDOWS_DIR) from both sets. Both are
# configured on every run (a second or two each): at configure time each asks whether the 32-bit
# Wine starts (WINE32_LOADER, and the install step's note of why not), which decides whether the
# x86 set's tests run under Wine and which setup the x64 set's setup test installs.
WIN_CONFIGURE = -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(DEBUG_FLAGS) -DZARVO_LINUX_BUILD_DIR=$(abspath $(BUILD_DIR)) \
                -DZARVO_WINDOWS_DIR=$(abspath $(WINDOWS_DIR)) \
                -DZARVO_WINE32_LOADER=$(WINE32_LOADER) -DZARVO_WINE32_NOTE=$(abspath $(WINE32_NOTE))
# $(call windows_set,build folder,toolchain file,more options): configures and builds one set; the
# toolchain is named on the first run only, as CMake reads it then.
windows_set = cmake -S . -B $(1) $(if $(wildcard $(1)/CMakeCache.txt),,-DCMAKE_TOOLCHAIN_FILE=$(2)) \
              $(WIN_CONFIGURE) $(3) && cmake --build $(1) -j $(JOBS)

X86_BUNDLE = -DZARVO_WINDOWS_X86_BUNDLE=$(abspath $(BUILD_WIN32_DIR))/bundle/x86

windows: deps-windows
	$(call windows_set,$(BUILD_WIN32_DIR),cmake/mingw-w64-i686.cmake)
	$(call windows_set,$(BUILD_WIN64_DIR),cmake/mingw-w64-x86_64.cmake,$(X86_BUNDLE))

# Under Wine, headless (one Xvfb display for each set's run), in a private prefix made under each
# set's build; the end-to-end tests and the window's robot drive the Linux printer simulator of
# $(BUILD_DIR). The x64 set runs under 64-bit Wine everywhere; the x86 set under 32-bit Wine where
# the machine runs 32-bit programs, else only its static checks. Each run's first line says how
# its set runs, and the x86 set's, when it is not under Wine, why not. The setup test installs,
# uses and removes the setup in each prefix.
test-windows: configure windows
	cmake --build $(BUILD_DIR) --target zarvo-printer-sim -j $(JOBS)
	cd $(BUILD_WIN64_DIR) && ctest --output-on-failure -j $(JOBS)
	cd $(BUILD_WIN32_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(BUILD_WIN32_DIR) $(BUILD_WIN64_DIR) $(WINDOWS_DIR)
