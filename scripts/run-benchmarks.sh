#!/usr/bin/env bash
# Runs every benchmark program of a build folder, one after another.
set -euo pipefail
build=${1:-build/default}
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "=== $(basename "$b")"
  "$b" "${@:2}"
done
