#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each for a given time:
#
#   tools/fuzz.sh [SECONDS] [TARGET ...]
#
#   SECONDS   time per target (default 60)
#   TARGET    command, book or config (default: all three)
#
# The build goes to build-fuzz/, the growing corpora to build-fuzz/corpus/,
# and a failing input to build-fuzz/crashes/. The targets run in a scratch
# directory that holds the shipped book, since the engine reads its book
# from the working directory. Prints the inputs run per target; exits 1 when
# a target found a fault.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: SECONDS must be a positive number" >&2; exit 2; }
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(command book config)
for t in "${targets[@]}"; do
  case "$t" in command|book|config) ;; *) echo "fuzz.sh: unknown target $t" >&2; exit 2 ;; esac
done
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is missing (apt-get install clang)" >&2; exit 2; }

build="$repo/build-fuzz"
CXX=clang++ cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON \
  -DCORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzzer}" >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$repo/book/Corvanebook.txt" "$work/"
mkdir -p "$build/crashes"
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  dict=()
  [ "$t" = command ] && dict=(-dict="$repo/tools/fuzz/commands.dict")
  log="$build/$t.log"
  if (cd "$work" && "$build/${t}_fuzzer" "${dict[@]}" -max_total_time="$seconds" -timeout=20 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/crashes/$t-" \
        "$corpus" "$repo/tools/fuzz/seeds/$t" >"$log" 2>&1); then
    result="no fault"
  else
    result="FAULT (see $log and $build/crashes/)"
    status=1
  fi
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')"
  echo "$t: $runs inputs in ${seconds} s, $result"
done
exit $status
