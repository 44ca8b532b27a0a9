#!/usr/bin/env bash
# Runs `corvane-tool bench` of a build and compares its total node count,
# the search's signature, with the reference in tools/bench-signature.
# Exits 1 when they differ: the search has changed.
#
#   tools/check-bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
source="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$source/build}"
expected="$(tr -d '[:space:]' < "$source/tools/bench-signature")"
output="$("$build/corvane-tool" bench)"
actual="$(printf '%s\n' "$output" | sed -n 's/^total nodes \([0-9]*\) .*/\1/p')"
printf '%s\n' "$output" | tail -n 1
if [ "$actual" != "$expected" ]; then
  echo "bench signature $actual differs from the reference $expected (tools/bench-signature)"
  exit 1
fi
echo "bench signature $actual matches the reference"
