#!/usr/bin/env bash
# Plays a match between two engines under the real xboard interface, run
# headless on a virtual X server, and sums it up: the result of each game,
# wins, draws and losses of the first engine, and every abnormal end (an
# illegal move, a loss on time, a false claim, an engine that exited with an
# error or was killed). Exit status: 0 when every game ended normally, 1 when
# any did not, 2 on a usage error or when the match could not be played.
#
#   tools/match.sh -1 CMD [-d1 DIR] -2 CMD [-d2 DIR] [-n GAMES]
#                  [-tc MINUTES|MIN:SEC] [-inc SECONDS] [-ponder]
#                  [-o OUTDIR] [-timeout SECONDS]
#
#   -1, -2      the command that starts the first and the second engine
#   -d1, -d2    their working directories (default: the current directory)
#   -n          number of games; the engines change colours every game
#               (default 2)
#   -tc, -inc   the time control: base time per game in minutes (or
#               minutes:seconds) and increment per move in seconds
#               (default 1 and 1: one minute plus one second)
#   -ponder     both engines think on the opponent's time (default: off)
#   -o          where the xboard debug log (xboard.debug), the games
#               (games.pgn), the engines' exit records and the summary
#               (summary.txt) go (default: build/match/DATE-TIME)
#   -timeout    hard limit on the whole match in seconds (default: from
#               the number of games and the time control)
#
# Example, ten fast games: tools/match.sh -1 /usr/games/fairymax \
#   -2 /usr/games/phalanx -n 10 -tc 0:10 -inc 0.1
# Needs xboard, xvfb and xauth (tools/setup-match.sh installs them).
set -uo pipefail

usage() {
  sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
  exit 2
}

repo="$(cd "$(dirname "$0")/.." && pwd)"
first="" second="" dir1="$PWD" dir2="$PWD" games=2 tc=1 inc=1 ponder=false out="" limit=""
while [ $# -gt 0 ]; do
  case "$1" in
    -1) first="${2:?}"; shift 2 ;;
    -2) second="${2:?}"; shift 2 ;;
    -d1) dir1="${2:?}"; shift 2 ;;
    -d2) dir2="${2:?}"; shift 2 ;;
    -n) games="${2:?}"; shift 2 ;;
    -tc) tc="${2:?}"; shift 2 ;;
    -inc) inc="${2:?}"; shift 2 ;;
    -ponder) ponder=true; shift ;;
    -o) out="${2:?}"; shift 2 ;;
    -timeout) limit="${2:?}"; shift 2 ;;
    -h|--help) usage ;;
    *) echo "match.sh: unknown option $1" >&2; usage ;;
  esac
done
[ -n "$first" ] && [ -n "$second" ] || usage
[[ "$games" =~ ^[1-9][0-9]*$ ]] || { echo "match.sh: -n needs a positive number" >&2; exit 2; }
[[ "$tc" =~ ^[0-9]+(:[0-5][0-9])?$ ]] || { echo "match.sh: -tc needs MINUTES or MIN:SEC" >&2; exit 2; }
[[ "$inc" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "match.sh: -inc needs seconds" >&2; exit 2; }
for d in "$dir1" "$dir2"; do
  [ -d "$d" ] || { echo "match.sh: no directory $d" >&2; exit 2; }
done
for tool in xboard xvfb-run xauth timeout; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/games/$tool" ] ||
    { echo "match.sh: $tool is missing (run tools/setup-match.sh)" >&2; exit 2; }
done
xboard="$(command -v xboard || echo /usr/games/xboard)"

[ -n "$out" ] || out="$repo/build/match/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out" || exit 2
out="$(cd "$out" && pwd)"
dir1="$(cd "$dir1" && pwd)"
dir2="$(cd "$dir2" && pwd)"

# Base time and increment in seconds, and a hard limit for the whole match:
# each game may last both clocks plus 150 moves of increment each, and a
# minute more for starting and ending.
if [[ "$tc" == *:* ]]; then base=$(( 10#${tc%%:*} * 60 + 10#${tc##*:} )); else base=$(( tc * 60 )); fi
inc_ceiling=$(awk -v i="$inc" 'BEGIN { printf "%d", i + 0.999 }')
[ -n "$limit" ] || limit=$(( games * (2 * (base + 150 * inc_ceiling) + 30) + 60 ))

# Each engine runs under a wrapper that passes xboard's signals on to it and
# records how it ended; an engine that dies in the middle of a game would
# otherwise show only as a loss on time.
make_wrapper() {  # name command directory
  local wrapper="$out/$1.sh"
  cat >"$wrapper" <<EOF
#!/usr/bin/env bash
# Runs $1 for xboard and records its exit status in $out/$1.exit.
set -m  # the engine keeps the default reaction to SIGINT, as under xboard
cd $(printf '%q' "$3") || exit 127
trap 'kill -INT "\$child" 2>/dev/null' INT
trap 'kill -TERM "\$child" 2>/dev/null' TERM
$2 0<&0 &
child=\$!
while :; do
  wait "\$child"; status=\$?
  # Above 128 either the engine was killed by a signal, or the wait was cut
  # short by a signal passed on to a still running engine.
  if [ "\$status" -le 128 ] || ! kill -0 "\$child" 2>/dev/null; then break; fi
done
echo "\$(date +%H:%M:%S) exit \$status" >>$(printf '%q' "$out/$1.exit")
exit "\$status"
EOF
  chmod +x "$wrapper"
  : >"$out/$1.exit"
}
make_wrapper engine1 "$first" "$dir1"
make_wrapper engine2 "$second" "$dir2"

# xboard writes its settings into HOME: give it a throw-away one.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
rm -f "$out/games.pgn" "$out/xboard.debug"

echo "match: $games games, $tc min + $inc s, ponder $ponder, limit ${limit}s, output in $out"
HOME="$home" timeout --kill-after=10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$xboard" \
    -fcp "$out/engine1.sh" -fd "$dir1" \
    -scp "$out/engine2.sh" -sd "$dir2" \
    -matchMode true -matchGames "$games" -matchPause 1000 \
    -tc "$tc" -inc "$inc" -ponderNextMove "$ponder" \
    -autoCallFlag true -testClaims true \
    -popupExitMessage false -popupMoveErrors false \
    -soundMove "" -saveSettingsOnExit false \
    -saveGameFile "$out/games.pgn" \
    -debug -nameOfDebugFile "$out/xboard.debug" \
    >"$out/xboard.out" 2>&1
xboard_status=$?

# The summary: one line per game from the saved games (the comment before
# the result says how the game ended), the first engine's score, and what
# went wrong.
summarise() {
  local problems=0 played
  awk -v games="$games" '
    function flush() {
      if (result == "") return
      n++
      text = movetext
      reason = ""
      if (match(text, /\{[^{}]*\}[ ]*(1-0|0-1|1\/2-1\/2|\*)[ ]*$/)) {
        reason = substr(text, RSTART + 1, RLENGTH)
        sub(/\}.*/, "", reason)
      }
      # The first engine has White in odd games: xboard swaps colours each game.
      if (result == "1/2-1/2") { score = "draw"; draws++ }
      else if (result == "*") { score = "unfinished" }
      else if ((result == "1-0") == (n % 2 == 1)) { score = "first engine wins"; wins++ }
      else { score = "first engine loses"; losses++ }
      abnormal = (result == "*" || reason ~ /[Ff]orfeit|on time|[Ff]alse|[Ii]llegal|invalid|crash|exit|terminat|disconnect|unterminated/)
      printf "game %d: %s - %s %s {%s} %s%s\n", n, white, black, result, reason, score, abnormal ? "  ABNORMAL" : ""
      bad += abnormal
      result = ""; movetext = ""
    }
    /^\[Event / { flush() }
    /^\[White / { white = $0; sub(/^\[White "/, "", white); sub(/"\]$/, "", white) }
    /^\[Black / { black = $0; sub(/^\[Black "/, "", black); sub(/"\]$/, "", black) }
    /^\[Result / { result = $0; sub(/^\[Result "/, "", result); sub(/"\]$/, "", result) }
    /^[^\[]/ { movetext = movetext " " $0 }
    END {
      flush()
      printf "first engine: %d wins, %d draws, %d losses in %d of %d games\n", wins, draws, losses, n, games
      printf "%d %d\n", n, bad > "/dev/stderr"
    }
  ' "$out/games.pgn" 2>"$out/.counts" || true
  read -r played problems <"$out/.counts" || { played=0; problems=0; }
  rm -f "$out/.counts"

  if [ "$played" -lt "$games" ]; then
    echo "ABNORMAL: only $played of $games games were played"
    problems=$((problems + 1))
  fi
  case "$xboard_status" in
    0) ;;
    124|137) echo "ABNORMAL: the match did not end within ${limit}s"; problems=$((problems + 1)) ;;
    *) echo "ABNORMAL: xboard ended with status $xboard_status (see $out/xboard.out)"; problems=$((problems + 1)) ;;
  esac
  # An engine normally ends on "quit" with status 0; xboard may also end a
  # slow one with SIGTERM (143) once the match is over.
  local e line
  for e in engine1 engine2; do
    while read -r line; do
      case "$line" in
        *" exit 0"|*" exit 143") ;;
        *) echo "ABNORMAL: $e ($([ $e = engine1 ] && echo "$first" || echo "$second")) ended: $line"
           problems=$((problems + 1)) ;;
      esac
    done <"$out/$e.exit"
  done
  if [ "$problems" -eq 0 ]; then
    echo "every game ended normally"
    return 0
  fi
  echo "$problems abnormal end(s); xboard's protocol log: $out/xboard.debug"
  return 1
}

[ -f "$out/games.pgn" ] || : >"$out/games.pgn"
summarise | tee "$out/summary.txt"
exit "${PIPESTATUS[0]}"
