# Front door for building, testing and running Ostinel. `./run` and `./test`
# install the dependencies first; these targets assume they are installed,
# except `test`, which checks again so that CI proves a clean machine works.
BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_GEN  := -G Ninja
DEMO       := examples/demo.mid
CLI        := $(BUILD)/main/src/cli/ostinel-cli

.PHONY: all run run-cli test check bench fuzz format demo clean deps install build-main build-programs build-asan build-tsan build-release screenshots

all: build-main

deps:
	@scripts/install-deps.sh

# Our own builds treat warnings as errors; a plain `cmake` build (a user's or
# a packager's) only reports them.
define configure
	@cmake -S . -B $(BUILD)/$(1) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=$(2) -DOSTINEL_WERROR=ON $(3) >/dev/null
endef

build-main:
	$(call configure,main,RelWithDebInfo,)
	@cmake --build $(BUILD)/main -j $(JOBS)

# Only the two programs that `make run` starts.
PROGRAMS := ostinel ostinel-cli
build-programs:
	$(call configure,main,RelWithDebInfo,)
	@cmake --build $(BUILD)/main -j $(JOBS) --target $(PROGRAMS)

build-asan:
	$(call configure,asan,RelWithDebInfo,-DOSTINEL_SANITIZE=address -DOSTINEL_BUILD_BENCH=OFF)
	@cmake --build $(BUILD)/asan -j $(JOBS)

build-tsan:
	$(call configure,tsan,RelWithDebInfo,-DOSTINEL_SANITIZE=thread -DOSTINEL_BUILD_BENCH=OFF -DOSTINEL_BUILD_DESKTOP=OFF)
	@cmake --build $(BUILD)/tsan -j $(JOBS) --target ostinel_threaded_tests

# The programs as a user or packager builds them.
build-release:
	$(call configure,release,Release,-DOSTINEL_BUILD_TESTS=OFF -DOSTINEL_BUILD_BENCH=OFF)
	@cmake --build $(BUILD)/release -j $(JOBS) --target $(PROGRAMS)

# On a desktop: the program itself on a copy of the demo piece (the piece's
# settings are kept inside the file, so the bundled one stays as it is).
# Without a display: follows the demo's humanised performance (the soloist's
# part played with drifting tempo, a ritardando, wrong, extra and missing
# notes and a skipped bar) with the probability method, prints how closely
# the accompaniment kept with it, keeps the take as out/demo-take.mid and the
# Score view of its last seconds as out/demo-score.png, then plays the result on the
# built-in synth; where nothing can be heard (exit 4) the result is in
# out/demo-follow.wav instead. `make run-cli` does the latter anywhere.
DEMO_PERFORMANCE := examples/demo-performance.mid
DEMO_TRUTH       := examples/demo-performance-truth.tsv
DESKTOP          := $(BUILD)/main/src/gui/ostinel
run: build-programs
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ] && [ -x $(DESKTOP) ]; then \
	    mkdir -p out; [ -f out/demo.mid ] || cp $(DEMO) out/demo.mid; \
	    exec $(DESKTOP) out/demo.mid; \
	else $(MAKE) --no-print-directory run-cli; fi

run-cli:
	$(call configure,main,RelWithDebInfo,)
	@cmake --build $(BUILD)/main -j $(JOBS) --target ostinel-cli
	@mkdir -p out
	@$(CLI) follow $(DEMO) --track 1 --soloist $(DEMO_PERFORMANCE) --truth $(DEMO_TRUTH) \
	    --method probability -o out/demo-follow.mid -o out/demo-follow.wav \
	    --report out/demo-follow.tsv --save-performance out/demo-take.mid \
	    --score-view out/demo-score.png
	@$(CLI) play out/demo-follow.mid; status=$$?; \
	if [ $$status -eq 4 ]; then \
	    echo "No audio output here: listen to $$(pwd)/out/demo-follow.wav instead."; \
	else exit $$status; fi

# The whole suite in the normal build.
test: deps build-main
	@echo "== tests =="
	@cd $(BUILD)/main && ctest -j $(JOBS) --output-on-failure --timeout 300

# What CI adds after `make test`: the threaded tests under ThreadSanitizer, the
# whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# programs built as a user builds them (Release).
check: deps build-tsan build-asan build-release
	@echo "== threaded tests under ThreadSanitizer =="
	@cd $(BUILD)/tsan && TSAN_OPTIONS=halt_on_error=1 ctest -j $(JOBS) -L threaded --output-on-failure --timeout 300
	@echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer =="
	@cd $(BUILD)/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j $(JOBS) --output-on-failure --timeout 300

# The main window on the demo piece, stopped and playing, at 100, 150 and 200 %,
# and the Score view stopped, playing and following the demo performance
# (score-*.png), drawn on a virtual X display into out/screenshots/ for anyone
# to look at.
SCREENSHOTS := $(BUILD)/main/src/gui/ostinel-screenshots
screenshots: build-main
	@mkdir -p out/screenshots
	@runtime=$$(mktemp -d) && chmod 700 "$$runtime" && \
	if command -v xvfb-run >/dev/null; then \
	    XDG_RUNTIME_DIR="$$runtime" xvfb-run -a -s "-screen 0 1600x1200x24" \
	        $(SCREENSHOTS) $(DEMO) out/screenshots; \
	else \
	    XDG_RUNTIME_DIR="$$runtime" QT_QPA_PLATFORM=offscreen $(SCREENSHOTS) $(DEMO) out/screenshots; \
	fi; status=$$?; rm -rf "$$runtime"; exit $$status

# The desktop program with its desktop entry and icon, for this user by
# default (PREFIX=/usr/local for everyone).
PREFIX ?= $(HOME)/.local
install: build-main
	@cmake --install $(BUILD)/main --prefix $(PREFIX)
	@command -v update-desktop-database >/dev/null && \
	    update-desktop-database -q $(PREFIX)/share/applications || true

bench: build-main
	@for b in $(BUILD)/main/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_counters_tabular=true || exit 1; done

# FUZZ_SECONDS per target; crashers land in fuzz-corpus/<target>/crashes.
FUZZ_SECONDS ?= 300
fuzz:
	@scripts/install-deps.sh fuzz
	@cmake -S . -B $(BUILD)/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++ -DOSTINEL_BUILD_FUZZ=ON -DOSTINEL_BUILD_TESTS=OFF \
	    -DOSTINEL_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)/fuzz -j $(JOBS)
	@scripts/run-fuzzers.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

demo: build-main
	@$(BUILD)/main/examples/make-demo $(DEMO)
	@echo "wrote $(DEMO)"

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
