# The two commands a new user needs: `make demo` and `make test`.
# Each installs the Debian packages it needs first (only when missing).

SHELL := /bin/bash
JOBS ?= 2

.PHONY: demo test deps build build-linux build-win32 bench format clean

deps:
	@tools/setup/install-deps.sh

build-linux: deps
	@[ -f build/linux/build.ninja ] || cmake --preset linux
	cmake --build --preset linux -j $(JOBS)

# The cross build takes its build-time tools from the native build.
build-win32: build-linux
	@[ -f build/win32/build.ninja ] || cmake --preset win32
	cmake --build --preset win32 -j $(JOBS)

build: build-linux build-win32

demo: build
	@echo "== linux"
	build/linux/host/kiv_host build/linux/dist/KavroVideoTransitionMask_B06.so
	@echo "== mask previews: every 12th frame of each mask"
	build/linux/tools/bin/kiv_mask_preview --frames build/linux/masks/animations/frames --out build/previews --every 12
	@echo "== win32 (under Wine)"
	tools/wine/run-under-wine build/win32/host/kiv_host.exe build/win32/dist/KavroVideoTransitionMask_B06.dll
	@echo "== the settings dialog, opened by a host under Wine (no display: drawn in memory)"
	tools/wine/run-under-wine build/win32/host/kiv_settings_snapshot.exe build/win32/dist/KavroVideoTransitionMask_B06.dll Z:$(CURDIR)/build/previews/settings_dialog.png
	@echo "   picture: build/previews/settings_dialog.png"

test: build
	ctest --preset linux -j $(JOBS)
	ctest --preset win32 -j $(JOBS)

bench: deps
	@[ -f build/linux-release/build.ninja ] || cmake --preset linux-release
	cmake --build --preset linux-release -j $(JOBS)
	@set -e; shopt -s nullglob; for b in build/linux-release/bench/bin/*; do echo "== $$b"; "$$b"; done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
