# Zarvo: the two commands a user types.
#   make test   install missing Debian packages, build, run every test
#   make run    install missing Debian packages, build only what it runs (both libraries, the
#               simulator, the window), start the printer simulator and open the window
#   make package       the Debian packages zarvo and libzarvo-dev, in build-package/packages/
#   make test-package  checks them: lintian, menu entry, metainfo, unpacked programs
#   make test-drivers  the serial layer on the kernel's own serial drivers, in a QEMU machine
# Other targets: deps, build, bench, asan, fuzz, format, clean,
#   windows (cross-build the two Windows sets, each Zarvo.exe, Zarvo.dll and API232.dll: x86 into
#   $(BUILD_WIN32_DIR)/bin, x64 into $(BUILD_WIN64_DIR)/bin; the download
#   $(WINDOWS_DIR)/zarvo-1.00-windows.zip with both, and the setup
#   $(WINDOWS_DIR)/zarvo-1.00-setup.exe), test-windows (their tests under Wine, on Xvfb).

BUILD_DIR  ?= build
ASAN_DIR   ?= build-asan
FUZZ_DIR   ?= build-fuzz
BUILD_WIN32_DIR ?= build-win32
BUILD_WIN64_DIR ?= build-win64
WINDOWS_DIR ?= build-windows
PKG_DIR    ?= build-package
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

# Everything the build, the tests, the fuzz build and `make run` need, all from Debian's archive
# (xvfb gives `make run` a display on a machine without one).
PACKAGES := build-essential cmake libasio-dev libcli11-dev libgtest-dev libgmock-dev \
            qt6-base-dev qt6-base-dev-tools libgl-dev clang libclang-rt-14-dev xvfb \
            libcap-dev \
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
        windows test-windows package test-package deps-drivers test-drivers

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

$(BUILD_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Every test, then every test again built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory asan

# Not fatal: where they cannot be installed, the test says what is missing and is skipped.
deps-drivers: deps
	-$(call install_missing,$(DRIVER_PACKAGES))

# A QEMU machine with Debian's kernel, a second 16550 and an emulated FTDI adapter, the printer
# simulator on the host side of each line (serial/tests/drivers/). About 20 s once the kernel is
# in the cache; where QEMU cannot run it says why in one line and is skipped.
test-drivers: deps-drivers configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target zarvo-driver-check zarvo-printer-sim
	@if command -v python3 >/dev/null; then python3 serial/tests/drivers/run_driver_tests.py $(BUILD_DIR); \
	 else echo "driver tests skipped: python3 is not installed"; fi

$(ASAN_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DZARVO_SANITIZE=ON -DZARVO_BUILD_BENCH=OFF

asan: deps $(ASAN_DIR)/CMakeCache.txt
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

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

# The packages are built for /usr with Debian's build flags (hardening included), tests left out.
package: deps
	eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)" && \
	cmake -S . -B $(PKG_DIR) -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
	      -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=OFF
	cmake --build $(PKG_DIR) -j $(JOBS)
	cd $(PKG_DIR) && cpack -G DEB
	@ls -1 $(PKG_DIR)/packages/*.deb

test-package: package
	./packaging/tests/test-package.sh $(PKG_DIR)

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

# Each set's Zarvo.exe, Zarvo.dll, API232.dll and Windows test programs land in its build's bin/.
WIN_CONFIGURE = -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZARVO_LINUX_BUILD_DIR=$(abspath $(BUILD_DIR)) \
                -DZARVO_WINDOWS_DOWNLOAD=$(abspath $(WINDOWS_DIR))/zarvo-1.00-windows.zip \
                -DZARVO_WINDOWS_SETUP=$(abspath $(WINDOWS_DIR))/zarvo-1.00-setup.exe \
                -DZARVO_WINE32_LOADER=$(WINE32_LOADER) -DZARVO_WINE32_NOTE=$(abspath $(WINE32_NOTE))
# The two sets are configured alike; only the toolchain file differs.
$(BUILD_WIN32_DIR)/CMakeCache.txt: WIN_TOOLCHAIN := cmake/mingw-w64-i686.cmake
$(BUILD_WIN64_DIR)/CMakeCache.txt: WIN_TOOLCHAIN := cmake/mingw-w64-x86_64.cmake
$(BUILD_WIN32_DIR)/CMakeCache.txt $(BUILD_WIN64_DIR)/CMakeCache.txt: | deps-windows
	cmake -S . -B $(@D) -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) $(WIN_CONFIGURE)

windows: deps-windows $(BUILD_WIN32_DIR)/CMakeCache.txt $(BUILD_WIN64_DIR)/CMakeCache.txt
	cmake --build $(BUILD_WIN32_DIR) -j $(JOBS)
	cmake --build $(BUILD_WIN64_DIR) -j $(JOBS)
	@mkdir -p $(WINDOWS_DIR)
	cmake -DX86=$(BUILD_WIN32_DIR)/bundle/x86 -DX64=$(BUILD_WIN64_DIR)/bundle/x64 -DSOURCE=. \
	      -DZIP=$(WINDOWS_DIR)/zarvo-1.00-windows.zip -P packaging/windows/download.cmake
	makensis -V2 -DFILES=$(abspath $(WINDOWS_DIR))/zarvo-1.00-windows \
	      -DOUTFILE=$(abspath $(WINDOWS_DIR))/zarvo-1.00-setup.exe packaging/windows/zarvo.nsi
	@echo "The Windows setup: $(WINDOWS_DIR)/zarvo-1.00-setup.exe"

# Under Wine, headless (one Xvfb display for each set's run), in a private prefix made under each
# set's build; the end-to-end tests and the window's robot drive the Linux printer simulator of
# $(BUILD_DIR). The x64 set runs under 64-bit Wine everywhere; the x86 set under 32-bit Wine where
# the machine runs 32-bit programs, else only its static checks (label static). The setup test
# installs, uses and removes the setup in each prefix. Whether the 32-bit loader starts is asked
# once, and decides both how the x64 set's setup test runs and whether the x86 set runs under Wine.
test-windows: configure windows
	cmake --build $(BUILD_DIR) --target zarvo-printer-sim -j $(JOBS)
	cmake -S . -B $(BUILD_WIN64_DIR) $(WIN_CONFIGURE) >/dev/null
	cmake -S . -B $(BUILD_WIN32_DIR) $(WIN_CONFIGURE) >/dev/null
	@if why=$$(./testing/wine/wine32.sh probe $(WINE32_LOADER) $(WINE32_NOTE)); then runs32=yes; else runs32=; fi; \
	if [ -n "$$runs32" ]; then \
	    echo "== The x64 set under 64-bit Wine (its setup test runs the shipped x86 setup)"; \
	else \
	    echo "== The x64 set under 64-bit Wine (its setup test runs the setup's script built as a" \
	         "64-bit setup: the shipped x86 setup needs the 32-bit Wine)"; \
	fi; \
	(cd $(BUILD_WIN64_DIR) && ctest --output-on-failure -j $(JOBS)) || exit; \
	if [ -n "$$runs32" ]; then \
	    echo "== The x86 set under 32-bit Wine ($$why)"; \
	    cd $(BUILD_WIN32_DIR) && ctest --output-on-failure -j $(JOBS); \
	else \
	    echo "== The x86 set: static checks only. Its tests under Wine are skipped: $$why."; \
	    cd $(BUILD_WIN32_DIR) && ctest --output-on-failure -j $(JOBS) -L static; \
	fi

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(BUILD_WIN32_DIR) $(BUILD_WIN64_DIR) $(WINDOWS_DIR) \
	       $(PKG_DIR)
