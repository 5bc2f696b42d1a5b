# Thin driver: the set-up script, both builds, and the tests through ctest.
HOST_BUILD := build/host
WIN_BUILD  := build/win
JOBS       ?= 2
DEMO_OUT   := build/demo
# The builds' own output stays short: no sub-make directory lines, and no warning that the
# toolchain file is not used again once a build folder is configured.
MAKEFLAGS  += --no-print-directory
CONFIGURE  := cmake --no-warn-unused-cli -S .

.PHONY: all deps win host test unit fuzz demo bench clean format

all: win host

deps:
	@bash tools/setup-deps.sh

win: deps
	@$(CONFIGURE) -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

host: deps
	@$(CONFIGURE) -B $(HOST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKEST_WIN_BUILD_DIR=$(abspath $(WIN_BUILD)) >/dev/null
	@cmake --build $(HOST_BUILD) -j $(JOBS)

test: win host
	@cd $(HOST_BUILD) && ctest --output-on-failure

# Host tests only (no Wine, no second Windows build).
unit: host
	@cd $(HOST_BUILD) && ctest --output-on-failure -LE 'wine|release'

# Each fuzzer for FUZZ_SECONDS over its seeds; the figures are libFuzzer's final stats.
FUZZ_SECONDS ?= 120
FUZZ_WORK    := $(HOST_BUILD)/fuzz/work
fuzz: host
	@mkdir -p $(FUZZ_WORK)
	@for f in $$(ls fuzz/corpus); do \
	  bash fuzz/run.sh $(HOST_BUILD)/fuzz/fuzz_$$f fuzz/corpus/$$f $(FUZZ_WORK)/$$f $(FUZZ_SECONDS) \
	    > $(FUZZ_WORK)/$$f.log 2>&1; rc=$$?; \
	  echo "fuzz $$f: $$(grep -h number_of_executed_units $(FUZZ_WORK)/$$f.log)"; \
	  if [ $$rc -ne 0 ]; then tail -40 $(FUZZ_WORK)/$$f.log; exit 1; fi; \
	done

# Size, start-up time and memory against their goals (a benchmark, not a test).
# PAIRS=n sets the number of start-up pairs (10).
bench: win
	@cd e2e && KEST_WIN_BUILD_DIR=$(abspath $(WIN_BUILD)) KEST_E2E_WORK=$(abspath build/bench-work) \
		python3 bench.py $(PAIRS)

# The demo: the Windows build, quiet unless it fails, then the story under Wine.
# KEST_DEMO_WINDOWS=win98|winxp|win10 poses as another Windows; KEST_DEMO_BY_HAND=1 lets you
# answer the boxes on your own display.
demo:
	@mkdir -p $(DEMO_OUT)
	@echo "make demo: building Setup.exe and the helpers (log: $(DEMO_OUT)/build.log)"
	@$(MAKE) win >$(DEMO_OUT)/build.log 2>&1 || { cat $(DEMO_OUT)/build.log; echo "make demo: the build failed" >&2; exit 1; }
	@bash e2e/demo.sh $(abspath $(WIN_BUILD)) $(abspath $(DEMO_OUT))

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
