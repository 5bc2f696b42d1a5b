# Thin driver: the set-up script, both builds, and the tests through ctest.
HOST_BUILD := build/host
WIN_BUILD  := build/win
JOBS       ?= 2

.PHONY: all deps win host test unit fuzz demo clean format

all: win host

deps:
	@bash tools/setup-deps.sh

win: deps
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

host: deps
	@cmake -S . -B $(HOST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKEST_WIN_BUILD_DIR=$(abspath $(WIN_BUILD)) >/dev/null
	@cmake --build $(HOST_BUILD) -j $(JOBS)

test: win host
	@cd $(HOST_BUILD) && ctest --output-on-failure

# Host tests only (no Wine).
unit: host
	@cd $(HOST_BUILD) && ctest --output-on-failure -LE wine

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

demo: win
	@bash e2e/demo.sh $(abspath $(WIN_BUILD))

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
