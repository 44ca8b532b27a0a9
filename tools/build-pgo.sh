#!/usr/bin/env bash
# Builds the programs with profile-guided optimisation in build-pgo (or the
# directory given): an instrumented build first, trained on the search
# benchmark of corvane-tool, then the optimised build from those profiles.
# Nothing is done when the programs there are newer than every source file. The tests are not built here: they run on the
# plain Release build (tools/test.sh).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build-pgo}"
"$repo/tools/setup.sh"
jobs="$(nproc)"
profiles="$build/pgo-profile"

built="$build/corvane4"
if [ -x "$built" ] && [ -x "$build/corvane-tool" ] &&
   [ -z "$(find "$repo/CMakeLists.txt" "$repo/engine" "$repo/frontend" "$repo/programs" "$repo/tools" "$repo/dist" \
             -newer "$built" \( -name build-pgo.sh -o -name '*.cpp' -o -name '*.h' -o -name '*.txt' -o -name '*.cmake' -o -name '*.in' \) \
             -print -quit)" ]; then
  echo "profile-guided build in $build is up to date"
  exit 0
fi

rm -rf "$profiles"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCORVANE_PGO=generate \
  -DCORVANE_PGO_DIR="$profiles" >/dev/null
cmake --build "$build" -j"$jobs" --target corvane4 corvane2 corvane1 corvane-tool >/dev/null
# Training: the search benchmark's 36 positions at a lower depth, openings,
# middlegames and endgames, which is what the programs do. (Training on the
# evaluation and perft benchmarks as well made those faster but not the
# search: their few positions, repeated, are not what a search meets.)
"$build/corvane-tool" bench 8 >/dev/null

cmake -S "$repo" -B "$build" -DCORVANE_PGO=use >/dev/null
cmake --build "$build" -j"$jobs" --target corvane4 corvane2 corvane1 corvane-tool >/dev/null
echo "profile-guided build in $build"
