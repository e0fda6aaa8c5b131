# Entry points: `make run`, `make test`, `make bench` (see README.md).
JOBS ?= 2
CMAKE_LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)
DEBUG_DIR := build/debug
RELEASE_DIR := build/release
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 120

.PHONY: all deps run test bench fuzz format format-check clean

all: test

deps:
	@scripts/install-deps.sh

$(DEBUG_DIR)/build.ninja: | deps
	cmake -S . -B $(DEBUG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVILK_SANITIZE=ON $(CMAKE_LAUNCHER)

$(RELEASE_DIR)/build.ninja: | deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_LAUNCHER)

test: deps $(DEBUG_DIR)/build.ninja
	cmake --build $(DEBUG_DIR) -j $(JOBS)
	cd $(DEBUG_DIR) && ctest -j $(JOBS) --output-on-failure

run: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	$(RELEASE_DIR)/src/app/vilk

bench: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target vilk_bench vilk_ui_bench
	$(RELEASE_DIR)/bench/vilk_bench
	$(RELEASE_DIR)/bench/vilk_ui_bench

# Coverage-guided fuzzing (clang, libFuzzer, AddressSanitizer) of the image loader, the
# load-build round trip and the MIB reader, FUZZ_SECONDS each, inputs up to 1 MiB, an input
# slower than FUZZ_TIMEOUT seconds counted as a finding. The image harnesses start from the
# seeds in fuzz/seeds and the large ones make_fuzz_seeds writes.
FUZZ_TIMEOUT ?= 10
FUZZ_FLAGS = -max_total_time=$(FUZZ_SECONDS) -timeout=$(FUZZ_TIMEOUT) -rss_limit_mb=4096
fuzz: deps
	CXX=clang++ CC=clang cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVILK_FUZZ=ON $(CMAKE_LAUNCHER)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_load_image fuzz_round_trip fuzz_mib make_fuzz_seeds
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/corpus_trip $(FUZZ_DIR)/corpus_mib $(FUZZ_DIR)/seeds
	$(FUZZ_DIR)/make_fuzz_seeds $(FUZZ_DIR)/seeds
	$(FUZZ_DIR)/fuzz/fuzz_load_image $(FUZZ_FLAGS) -max_len=1048576 $(FUZZ_DIR)/corpus fuzz/seeds $(FUZZ_DIR)/seeds
	$(FUZZ_DIR)/fuzz/fuzz_round_trip $(FUZZ_FLAGS) -max_len=1048576 $(FUZZ_DIR)/corpus_trip fuzz/seeds $(FUZZ_DIR)/seeds
	$(FUZZ_DIR)/fuzz/fuzz_mib $(FUZZ_FLAGS) -max_len=1048576 -dict=fuzz/mib.dict $(FUZZ_DIR)/corpus_mib fuzz/seeds_mib

format: deps
	find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# Fails with the list of the sources that `make format` would change (run by .ci/run).
format-check: deps
	scripts/check-format.sh

clean:
	rm -rf build
