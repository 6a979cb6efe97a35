# The two commands of the README, and a few more for developers.
#   make demo   build the Windows binaries and run the host simulator under Wine
#   make test   build everything and run every test (native and under Wine)
.PHONY: demo test bootstrap native win64 win32 format clean

JOBS ?= $(shell nproc)

bootstrap:
	@bash scripts/bootstrap.sh

demo: bootstrap
	@bash scripts/demo.sh

test: bootstrap
	@bash scripts/test-all.sh

native: bootstrap
	cmake --preset native-asan >/dev/null && cmake --build --preset native-asan -j $(JOBS)

win64 win32: bootstrap
	cmake --preset $@ >/dev/null && cmake --build --preset $@ -j $(JOBS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
