#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Release build
# (core, CLI and GUI tests), the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded core tests (audio, recording)
# under ThreadSanitizer, and a short bounded fuzzing run of the sound
# file header readers. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
tavril_ensure_packages

JOBS=${JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/tavril-ccache}
LOG_DIR=build/test-logs
mkdir -p "$LOG_DIR"

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$JOBS"
echo "== Tests (Release)"
ctest --test-dir build --output-on-failure -j "$JOBS" | tee "$LOG_DIR/release.txt"

echo "== Core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIL_SANITIZE=ON \
  -DTAVRIL_CORE_ONLY=ON -DTAVRIL_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -L core --output-on-failure -j "$JOBS" | tee "$LOG_DIR/asan.txt"

echo "== Threaded core tests under ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIL_TSAN=ON \
  -DTAVRIL_CORE_ONLY=ON -DTAVRIL_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$JOBS" --target tavril_threaded_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan -L threaded --output-on-failure -j "$JOBS" | tee "$LOG_DIR/tsan.txt"

if command -v clang++ >/dev/null; then
  echo "== Fuzzing the header readers (bounded)"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DTAVRIL_FUZZ=ON -DTAVRIL_CORE_ONLY=ON -DTAVRIL_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$JOBS" --target tavril_fuzz_targets
  ctest --test-dir build-fuzz -L fuzz --output-on-failure | tee "$LOG_DIR/fuzz.txt"
fi

# One closing line over all runs.
passed=0; failed=0
for f in "$LOG_DIR"/*.txt; do
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$f" | tail -1 || true)
  [ -z "$line" ] && continue
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad)); failed=$((failed + bad))
done
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
