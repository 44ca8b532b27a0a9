#!/usr/bin/env bash
# The match harness judges the engine under test only: faults planted in our
# engine (an illegal move, an exit in the middle of the game, a program that
# stops answering, a crash, death by the interface's interrupt) fail the match on every run, while a peer that
# crashes makes the try void and the match is played again, or, when it
# crashes every time, leaves nothing judged (exit 77) instead of failing.
#
#   tests/match_harness_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

build="${1:?build directory}"
source="${2:?source directory}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/play"
cp "$source/book/Corvanebook.txt" "$work/play/"
faulty="$source/tests/faulty_engine.py"
ours="$build/corvane1"
peer=/usr/games/hoichess
failures=0

# name, expected exit status, a text the summary must hold, first engine,
# peer, extra options
check() {
  local name="$1" expected="$2" text="$3" one="$4" two="$5"
  shift 5
  "$source/tools/match.sh" -1 "$one" -d1 "$work/play" -2 "$two" -d2 "$work" \
    -n 1 -tc 0:10 -inc 0.1 -o "$work/$name" "$@" >"$work/$name.log" 2>&1
  local status=$?
  if [ "$status" -ne "$expected" ] || ! grep -q -- "$text" "$work/$name/summary.txt" 2>/dev/null; then
    echo "FAIL: $name: exit $status (expected $expected), summary:"
    sed 's/^/  /' "$work/$name/summary.txt" 2>/dev/null || cat "$work/$name.log"
    failures=$((failures + 1))
  else
    echo "ok: $name ($(tail -1 "$work/$name/summary.txt"))"
  fi
}

# Faults of ours, planted at our third move.
check illegal 1 "ABNORMAL" "$faulty illegal 3 $ours" "$peer"
grep -q "game 1:.*invalid move.*ABNORMAL" "$work/illegal/summary.txt" ||
  { echo "FAIL: the illegal move is not the game's abnormal end"; failures=$((failures + 1)); }
check exit 1 "ABNORMAL" "$faulty exit 3 $ours" "$peer"
check hang 1 "on time.*ABNORMAL" "$faulty hang 3 $ours" "$peer"
check crash 1 "ended: .* exit 139" "$faulty crash 3 $ours" "$peer"
# A program that dies of xboard's interrupt, which pondering brings many times
# a game, is caught; one that ignores it and ends on "quit" is not.
check sigint 1 "ended: .* exit 130" "$faulty sigint 1 $ours" "$peer" -ponder
# A fault of ours is found in a try that the peer's crash made void too.
check both 1 "ABNORMAL" "$faulty illegal 2 $ours" "$faulty crash-once:$work/both.once 4 $peer"

# The peer's crashes: once on the protocol's "computer" line, which xboard
# sends at the start of every engine game, then a clean game.
check peer-once 0 "peer crashes: 1 of 2 tries" "$ours" "$faulty computer-once:$work/peer.once 1 $peer"
# A peer that crashes every time: nothing is judged.
check peer-always 77 "nothing judged" "$ours" "$faulty crash 2 $peer" -retries 1

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "match harness test passed"
