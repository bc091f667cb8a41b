# The two commands a newcomer needs: `make run` and `make test`.
PRESETS := default asan

.PHONY: deps build run test test-windows test-fuzz bench clean

deps:
	./scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

# Builds, writes the demo databases into build/default/samples and starts the
# editor (under xvfb-run when there is no display).
run: build
	./scripts/run-editor.sh build/default

# Builds and runs every test in every preset.
test: deps
	@set -e; for p in $(PRESETS); do \
	  echo "=== preset $$p"; \
	  cmake --preset $$p; \
	  cmake --build --preset $$p; \
	  ctest --preset $$p; \
	done
	@$(MAKE) --no-print-directory test-windows
	@$(MAKE) --no-print-directory test-fuzz

# zebcore.dll for 32-bit and 64-bit Windows: 64-bit tests under wine64, the
# 32-bit library checked by its export table and import library.
test-windows: deps
	./scripts/test-windows.sh

# Builds the fuzz targets (clang) and runs each for about a minute. The fixed
# seed makes a run from a fresh clone try the same inputs on every machine,
# so the result depends on the code, not on luck; long runs by hand explore.
test-fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	./scripts/run-fuzz.sh build/fuzz 60 -seed=1

bench: build
	./scripts/run-benchmarks.sh build/default

clean:
	rm -rf build
