#!/usr/bin/env bash
# The UCI referee judges the engine under test only. First its judgement of
# hand-written info lines (tests/referee_judge_test.js); then games of
# corvane1 against corvane1, with faults planted in the first by
# tests/faulty_uci_engine.py at its third search: each fault must fail the
# match (exit 1), be named in the summary and be the only kind found, and a
# run without one must pass. A peer that crashes, hangs or plays an illegal
# move spoils the game, which is played again; a peer that spoils every game
# or cannot start leaves nothing judged (exit 77), and is never counted
# against our engine.
#
#   tests/referee_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

build="$(cd "${1:?build directory}" && pwd)"
source="$(cd "${2:?source directory}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/play"
cp "$source/book/Corvanebook.txt" "$work/play/"
referee="$source/tools/referee.sh"
faulty="$source/tests/faulty_uci_engine.py"
engine="$build/corvane1"
failures=0

"$referee" --install || exit 1
node --test "$source/tests/referee_judge_test.js" >"$work/judge.log" 2>&1 ||
  { cat "$work/judge.log"; echo "FAIL: the judgement of hand-written lines"; failures=$((failures + 1)); }

# name, expected exit status, a text the summary must hold (grep -E), ours,
# peer, extra options. One game from the first opening, ours White, 28
# plies, 10 s + 0.1 s (so that searches pass 100 ms and their nps is
# judged), pondering, and MultiPV 2.
check() {
  local name="$1" expected="$2" text="$3" one="$4" two="$5"
  shift 5
  "$referee" -1 "$one" --dir1 "$work/play" -2 "$two" --dir2 "$work/play" -n 1 --tc 10+0.1 --plies 28 \
    --ponder --opt1 MultiPV=2 -o "$work/$name" "$@" >"$work/$name.log" 2>&1
  local status=$?
  if [ "$status" -ne "$expected" ] || ! grep -q -E -- "$text" "$work/$name/summary.txt" 2>/dev/null; then
    echo "FAIL: $name: exit $status (expected $expected, and /$text/ in the summary):"
    sed 's/^/  /' "$work/$name/summary.txt" 2>/dev/null || cat "$work/$name.log"
    failures=$((failures + 1))
  elif [ "$expected" -eq 1 ] && [ "$(grep -c -E '^ours: [a-z ]+: [1-9]' "$work/$name/summary.txt")" -ne 1 ]; then
    echo "FAIL: $name: faults of more than the planted kind:"
    grep -E '^ours: [a-z ]+: [1-9]' "$work/$name/summary.txt" | sed 's/^/  /'
    failures=$((failures + 1))
  else
    echo "ok: $name ($(grep -E -m1 -- "$text" "$work/$name/summary.txt" | cut -c1-150))"
  fi
}

ours() { echo "$faulty $1 $engine"; }

# A clean run, both colours.
check clean 0 "no fault of ours" "$(ours 'none 0')" "$engine" -n 2

# Our faults: each fails the match under its own name.
check stale-pv 1 "^ours: illegal info lines: [1-9]" "$(ours 'stale-pv 3')" "$engine"
grep -q -E "pv move .* \(ply [0-9]+\) is illegal" "$work/stale-pv/summary.txt" ||
  { echo "FAIL: stale-pv: the stale line is not quoted"; failures=$((failures + 1)); }
check bestmove 1 "^ours: illegal moves: 1" "$(ours 'bestmove 3')" "$engine"
grep -q "^game 1: .*{ours engine plays an illegal move" "$work/bestmove/summary.txt" ||
  { echo "FAIL: bestmove: the game is not lost by the illegal move"; failures=$((failures + 1)); }
check ponder 1 "^ours: illegal ponder moves: 1" "$(ours 'ponder 3')" "$engine"
check nps 1 "does not match nodes" "$(ours 'nps 3')" "$engine"
check slow 1 "^ours: forfeits on time: 1" "$(ours 'slow 3')" "$engine"
check crash 1 "^ours: crashes: 1" "$(ours 'crash 3')" "$engine"
check hang 1 "^ours: hangs: 1" "$(ours 'hang 3')" "$engine" --tc 2+0.02 --grace 1000
check missing 1 "could not be started" "$work/no-such-engine" "$engine"

# The peer's faults spoil a game, which is played again.
check peer-crash 0 "^  game 1 try 1: peer engine ended .*SIGSEGV" "$(ours 'none 0')" \
  "$faulty crash@$work/crash.once 3 $engine"
check peer-hang 0 "^  game 1 try 1: peer engine hangs" "$(ours 'none 0')" \
  "$faulty hang@$work/hang.once 3 $engine" --grace 1000
check peer-illegal 77 "^  game 1 try 2: peer engine plays an illegal move" "$(ours 'none 0')" "$faulty bestmove 3 $engine" --retries 1
check peer-missing 77 "nothing judged: peer engine .* could not be started" "$(ours 'none 0')" "$work/no-such-engine"
"$referee" -1 "$engine" >/dev/null 2>&1
[ $? -eq 2 ] || { echo "FAIL: a usage error does not give exit 2"; failures=$((failures + 1)); }

if [ "$failures" -ne 0 ]; then
  trap - EXIT
  echo "$failures failure(s); the games' logs are kept in $work"
  exit 1
fi
echo "referee test passed"
