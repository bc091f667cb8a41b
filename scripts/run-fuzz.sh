#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for a bounded time, starting from the
# committed seed corpus (fuzz/corpus/<target>), the inputs that once failed
# a run (fuzz/regressions/<target>), both never written to, and the
# inputs earlier runs kept in <build>/fuzz-work/<target>. A crash leaves its
# input in <build>/fuzz-artifacts/ and fails the run.
#   scripts/run-fuzz.sh [BUILD-DIR [SECONDS-PER-TARGET [libFuzzer options...]]]
# e.g. a long run by hand: scripts/run-fuzz.sh build/fuzz 1800
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
seconds=${2:-60}
shift $(( $# > 2 ? 2 : $# ))

declare -A max_len=([fuzz_open]=4096 [fuzz_calls]=512)
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
passed=0 failed=0
for target in fuzz_open fuzz_calls; do
  work="$build/fuzz-work/$target"
  log="$build/fuzz-$target.log"
  mkdir -p "$work"
  echo "=== $target: ${seconds}s (log: $log)"
  if "$build/fuzz/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=30 \
       -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$@" \
       "$work" "fuzz/corpus/$target" "fuzz/regressions/$target" >"$log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "--- $target failed; the end of its log:"
    tail -n 60 "$log"
  fi
  grep -hE '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" || true
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
