#!/usr/bin/env bash
# A soak under the real xboard: corvane4, corvane2 and corvane1 each against
# fairymax, phalanx and hoichess, in fast games (10 seconds + 0.1 s) and
# one-minute games (1 minute + 1 s), some with pondering, one match after the
# other (parallel matches would steal each other's time). Matches already
# played in the output directory are skipped, so an interrupted soak goes on
# where it stopped. Sum it up with tools/soak_report.py DIR.
#
#   tools/soak.sh [-b BUILDDIR] [-o DIR] [-fast GAMES] [-slow GAMES]
#
#   -b      where the programs are (default build)
#   -o      output directory (default build/soak)
#   -fast   fast games per program and opponent (default 10: 6 without
#           pondering, 4 with)
#   -slow   one-minute games per program and opponent (default 2: one with
#           pondering, one without)
# Needs tools/setup-match.sh.
set -uo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
bin="$repo/build" out="$repo/build/soak" fast=10 slow=2
while [ $# -gt 0 ]; do
  case "$1" in
    -b) bin="${2:?}"; shift 2 ;;
    -o) out="${2:?}"; shift 2 ;;
    -fast) fast="${2:?}"; shift 2 ;;
    -slow) slow="${2:?}"; shift 2 ;;
    *) sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
[[ "$fast" =~ ^[0-9]+$ && "$slow" =~ ^[0-9]+$ ]] || { echo "soak.sh: game counts must be numbers" >&2; exit 2; }
mkdir -p "$out/opponents"
out="$(cd "$out" && pwd)"
bin="$(cd "$bin" && pwd)"
declare -A opponent=([fairymax]=/usr/games/fairymax [phalanx]=/usr/games/phalanx [hoichess]=/usr/games/hoichess)

# One working directory per program, with the book and a configuration of
# the default hash size, where the game record may be written.
for p in 4 2 1; do
  mkdir -p "$out/work$p"
  cp "$repo/book/Corvanebook.txt" "$repo/dist/Corvaconfig.ini" "$out/work$p/"
done

status=0
match() {  # program opponent games tc inc ponder
  local dir="$out/$4-corvane$1-$2-$6"
  [ "$4" = 1 ] && dir="$out/slow-corvane$1-$2-$6"
  [ "$4" = 0:10 ] && dir="$out/fast-corvane$1-$2-$6"
  [ "$3" -gt 0 ] || return 0
  [ -f "$dir/summary.txt" ] && return 0
  local flag=()
  [ "$6" = on ] && flag=(-ponder)
  echo "$(date +%T) $(basename "$dir"): $3 games"
  "$repo/tools/match.sh" -1 "$bin/corvane$1" -d1 "$out/work$1" -2 "${opponent[$2]}" -d2 "$out/opponents" \
    -n "$3" -tc "$4" -inc "$5" "${flag[@]}" -o "$dir" >"$dir.log" 2>&1
  # 77: the peer crashed in every try, which is no fault of ours.
  case $? in 0|77) ;; *) status=1 ;; esac
  tail -2 "$dir/summary.txt" 2>/dev/null | sed 's/^/  /'
}
for o in fairymax phalanx hoichess; do
  for p in 4 2 1; do
    match "$p" "$o" $(( fast - fast * 2 / 5 )) 0:10 0.1 off
    match "$p" "$o" $(( fast * 2 / 5 )) 0:10 0.1 on
  done
done
for o in fairymax phalanx hoichess; do
  for p in 4 2 1; do
    match "$p" "$o" $(( (slow + 1) / 2 )) 1 1 on
    match "$p" "$o" $(( slow / 2 )) 1 1 off
  done
done
"$repo/tools/soak_report.py" "$out"
exit $status
