# The two commands of the README, and a few more for developers.
#   make demo   build the Windows binaries and run the host simulator under Wine
#   make test   build everything and run every test (native and under Wine)
#   make bench  benchmarks (native Release) and instruction counts
#   make fuzz   every fuzz target for 10 minutes (FUZZ_SECONDS to change)
#   make dist   the two installers, the zip and SHA256SUMS in dist/ (signed
#               when a key is given: docs/release.md)
#   make reproduce  two dist builds from clean clones of this commit, compared
#   make verify DIST=dist [CA=ca.pem] [REBUILT=dir]  the sums and signatures of a
#               distribution, and its code against one's own build
.PHONY: demo test bench fuzz bootstrap native win64 win32 format clean dist reproduce verify

JOBS ?= $(shell nproc)

# Each job installs what it needs (scripts/bootstrap.sh JOB); `make demo` asks
# for the x64 toolchain and 64-bit Wine only.
bootstrap:
	@bash scripts/bootstrap.sh test

demo:
	@bash scripts/bootstrap.sh demo
	@bash scripts/demo.sh

test: bootstrap
	@bash scripts/test-all.sh

bench:
	@bash scripts/bootstrap.sh bench
	@bash scripts/bench.sh

FUZZ_SECONDS ?= 600
fuzz:
	@bash scripts/bootstrap.sh fuzz
	@bash scripts/fuzz.sh long $(FUZZ_SECONDS)

dist:
	@bash scripts/bootstrap.sh dist
	@bash scripts/dist.sh

reproduce:
	@bash scripts/bootstrap.sh dist
	@bash scripts/reproduce.sh

DIST ?= dist
verify:
	@bash scripts/bootstrap.sh verify
	@bash scripts/verify.sh $(if $(CA),--ca $(CA)) $(if $(TSA_CA),--tsa-ca $(TSA_CA)) $(if $(REBUILT),--rebuilt $(REBUILT)) $(DIST)

native: bootstrap
	cmake --preset native-asan >/dev/null && cmake --build --preset native-asan -j $(JOBS)

win64 win32: bootstrap
	cmake --preset $@ >/dev/null && cmake --build --preset $@ -j $(JOBS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
