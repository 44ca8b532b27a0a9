#!/usr/bin/env bash
# Plays a match between the engine under test and a peer under the real
# xboard interface, run headless on a virtual X server, and sums it up: the
# result of each game, wins, draws and losses of the engine under test, and
# every fault of either side. The engine under test is judged: an illegal
# move, a loss on time, a false claim, a protocol complaint, an exit with an
# error or a kill is its abnormal end. The peer is not: when it crashes or
# exits in the middle of the match, the match is void and is played again
# (at most -retries times), and the peer's crashes and other faults are
# counted on their own lines. A void match is still searched for faults of
# the engine under test.
#
# Exit status: 0 when the engine under test ended every game normally; 1 on
# any fault of it, or an abnormal end nobody can be blamed for; 2 on a usage
# error or when the match could not be played; 77 when the peer crashed in
# every try, so that nothing could be judged.
#
#   tools/match.sh -1 CMD [-d1 DIR] -2 CMD [-d2 DIR] [-n GAMES]
#                  [-tc MINUTES|MIN:SEC] [-inc SECONDS] [-ponder]
#                  [-o OUTDIR] [-timeout SECONDS] [-retries K] [-uci1] [-uci2]
#
#   -1          the command that starts the engine under test (first engine)
#   -2          the command that starts the peer (second engine)
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
#   -timeout    hard limit on each try of the match in seconds (default:
#               from the number of games and the time control)
#   -retries    how often a match made void by the peer is played again
#               (default 2)
#   -uci1, -uci2  the first or second engine speaks UCI: xboard runs it
#               through the polyglot adapter (tools/setup-match.sh installs
#               it)
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
first="" second="" dir1="$PWD" dir2="$PWD" games=2 tc=1 inc=1 ponder=false out="" limit="" retries=2
uci1=false uci2=false
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
    -retries) retries="${2:?}"; shift 2 ;;
    -uci1) uci1=true; shift ;;
    -uci2) uci2=true; shift ;;
    -h|--help) usage ;;
    *) echo "match.sh: unknown option $1" >&2; usage ;;
  esac
done
[ -n "$first" ] && [ -n "$second" ] || usage
[[ "$games" =~ ^[1-9][0-9]*$ ]] || { echo "match.sh: -n needs a positive number" >&2; exit 2; }
[[ "$tc" =~ ^[0-9]+(:[0-5][0-9])?$ ]] || { echo "match.sh: -tc needs MINUTES or MIN:SEC" >&2; exit 2; }
[[ "$inc" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "match.sh: -inc needs seconds" >&2; exit 2; }
[[ "$retries" =~ ^[0-9]+$ ]] || { echo "match.sh: -retries needs a number" >&2; exit 2; }
for d in "$dir1" "$dir2"; do
  [ -d "$d" ] || { echo "match.sh: no directory $d" >&2; exit 2; }
done
# Debian installs xboard, polyglot and the engines in /usr/games, which
# xboard must find polyglot in.
export PATH="$PATH:/usr/games"
tools=(xboard xvfb-run xauth timeout)
if $uci1 || $uci2; then tools+=(polyglot); fi
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/games/$tool" ] ||
    { echo "match.sh: $tool is missing (run tools/setup-match.sh)" >&2; exit 2; }
done
xboard="$(command -v xboard || echo /usr/games/xboard)"

[ -n "$out" ] || out="$repo/build/match/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out" || exit 2
out="$(cd "$out" && pwd)"
dir1="$(cd "$dir1" && pwd)"
dir2="$(cd "$dir2" && pwd)"

# An engine runs in its own working directory: a program named by a relative
# path is made absolute first, against the directory the script was started
# from.
absolute() {
  local program="${1%% *}" rest=""
  [ "$program" != "$1" ] && rest=" ${1#* }"
  case "$program" in
    /*|"") printf '%s' "$1" ;;
    */*) printf '%s' "$PWD/$program$rest" ;;
    *) printf '%s' "$1" ;;
  esac
}
first="$(absolute "$first")"
second="$(absolute "$second")"

# Base time and increment in seconds, and a hard limit for each try of the
# match: each game may last both clocks plus 150 moves of increment each,
# and a minute more for starting and ending.
if [[ "$tc" == *:* ]]; then base=$(( 10#${tc%%:*} * 60 + 10#${tc##*:} )); else base=$(( tc * 60 )); fi
inc_ceiling=$(awk -v i="$inc" 'BEGIN { printf "%d", i + 0.999 }')
[ -n "$limit" ] || limit=$(( games * (2 * (base + 150 * inc_ceiling) + 30) + 60 ))

# Each engine runs under a wrapper that passes xboard's signals on to it and
# records how it ended; an engine that dies in the middle of a game would
# otherwise show only as a loss on time.
make_wrapper() {  # name command directory try-directory
  local wrapper="$4/$1.sh"
  cat >"$wrapper" <<WRAPPER
#!/usr/bin/env bash
# Runs $1 for xboard and records its exit status in $4/$1.exit.
set -m  # the engine keeps the default reaction to SIGINT, as under xboard
cd $(printf '%q' "$3") || exit 127
trap 'kill -INT "\$child" 2>/dev/null' INT
trap 'kill -TERM "\$child" 2>/dev/null' TERM
$2 0<&0 &
child=\$!
while :; do
  wait "\$child"; status=\$?
  # Above 128 either the engine was killed by a signal, or the wait was cut
  # short by a signal passed on to it. xboard interrupts its engine and sends
  # "quit" at once at the end of a match, so the engine may well have ended
  # normally meanwhile: a second wait gives its own status.
  if [ "\$status" -le 128 ]; then break; fi
  if ! kill -0 "\$child" 2>/dev/null; then wait "\$child"; status=\$?; break; fi
done
echo "\$(date +%H:%M:%S) exit \$status" >>$(printf '%q' "$4/$1.exit")
exit "\$status"
WRAPPER
  chmod +x "$wrapper"
  : >"$4/$1.exit"
}

# One try of the whole match in its own directory.
play_try() {  # directory
  local dir="$1" home status
  rm -rf "$dir"
  mkdir -p "$dir"
  make_wrapper engine1 "$first" "$dir1" "$dir"
  make_wrapper engine2 "$second" "$dir2" "$dir"
  # xboard writes its settings into HOME: give it a throw-away one.
  home="$(mktemp -d)"
  # In a session of its own, so that xboard, its X server and the engines can
  # be ended together.
  HOME="$home" setsid timeout --kill-after=10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" \
    "$xboard" \
      -fcp "$dir/engine1.sh" -fd "$dir1" -firstIsUCI "$uci1" \
      -scp "$dir/engine2.sh" -sd "$dir2" -secondIsUCI "$uci2" \
      -matchMode true -matchGames "$games" -matchPause 1000 \
      -tc "$tc" -inc "$inc" -ponderNextMove "$ponder" \
      -autoCallFlag true -testClaims true \
      -popupExitMessage false -popupMoveErrors false \
      -soundMove "" -saveSettingsOnExit false \
      -saveGameFile "$dir/games.pgn" \
      -debug -nameOfDebugFile "$dir/xboard.debug" \
      >"$dir/xboard.out" 2>&1 &
  local runner=$!
  # xboard waits without end after an engine that could not be started:
  # end it at once instead of at the time limit.
  while kill -0 "$runner" 2>/dev/null; do
    if grep -q "Failed to start" "$dir/xboard.out" 2>/dev/null; then
      sleep 1
      kill -TERM -- "-$runner" 2>/dev/null
      break
    fi
    sleep 1
  done
  wait "$runner"
  status=$?
  rm -rf "$home"
  echo "$status" >"$dir/xboard.status"
  [ -f "$dir/games.pgn" ] || : >"$dir/games.pgn"
  [ -f "$dir/xboard.debug" ] || : >"$dir/xboard.debug"
}

# Judges one try: prints one line per game from the saved games (the comment
# before the result says how the game ended) and every fault, and returns
# 0 when the engine under test ended every game normally, 1 on a fault of it
# or an abnormal end nobody can be blamed for, and 3 when the peer crashed
# and nothing of ours went wrong (the try is void).
judge_try() {  # directory
  local dir="$1" ours=0 unclear=0 peer_crash=0 played=0 wins=0 draws=0 losses=0 peer_faults=0 line
  # A game that ends abnormally is the fault of the side that lost it: the
  # engine under test has White in odd games (xboard swaps colours every
  # game). A draw or an unfinished game blames nobody in particular.
  awk '
    function flush() {
      if (result == "") return
      n++
      text = movetext
      reason = ""
      if (match(text, /\{[^{}]*\}[ ]*(1-0|0-1|1\/2-1\/2|\*)[ ]*$/)) {
        reason = substr(text, RSTART + 1, RLENGTH)
        sub(/\}.*/, "", reason)
      }
      ourWhite = (n % 2 == 1)
      if (result == "1/2-1/2") { score = "draw"; draws++; loser = "" }
      else if (result == "*") { score = "unfinished"; loser = "" }
      else if ((result == "1-0") == ourWhite) { score = "first engine wins"; wins++; loser = "peer" }
      else { score = "first engine loses"; losses++; loser = "ours" }
      abnormal = (result == "*" || reason ~ /[Ff]orfeit|on time|[Ff]alse|[Ii]llegal|invalid|crash|exit|terminat|disconnect|unterminated|[Ee]rror/)
      mark = ""
      if (abnormal && loser == "ours") { mark = "  ABNORMAL"; ours++ }
      else if (abnormal && loser == "peer") { mark = "  (the peer'"'"'s fault)"; peer++ }
      else if (abnormal) { mark = "  (unclear)"; unclear++ }
      printf "game %d: %s - %s %s {%s} %s%s\n", n, white, black, result, reason, score, mark
      result = ""; movetext = ""
    }
    /^\[Event / { flush() }
    /^\[White / { white = $0; sub(/^\[White "/, "", white); sub(/"\]$/, "", white) }
    /^\[Black / { black = $0; sub(/^\[Black "/, "", black); sub(/"\]$/, "", black) }
    /^\[Result / { result = $0; sub(/^\[Result "/, "", result); sub(/"\]$/, "", result) }
    /^[^\[]/ { movetext = movetext " " $0 }
    END {
      flush()
      printf "%d %d %d %d %d %d %d\n", n, wins, draws, losses, ours, peer, unclear > "/dev/stderr"
    }
  ' "$dir/games.pgn" 2>"$dir/.counts"
  read -r played wins draws losses ours peer_faults unclear <"$dir/.counts" || true
  rm -f "$dir/.counts"
  echo "first engine: $wins wins, $draws draws, $losses losses in $played of $games games"

  # How each engine process ended: ours normally ends on "quit" with status
  # 0, or with SIGTERM (143) from xboard once the match is over.
  while read -r line; do
    case "$line" in
      *" exit 0"|*" exit 143") ;;
      *) echo "ABNORMAL: the first engine ($first) ended: $line"; ours=$((ours + 1)) ;;
    esac
  done <"$dir/engine1.exit"
  while read -r line; do
    case "$line" in
      *" exit 0"|*" exit 143") ;;
      *) echo "peer crash: the second engine ($second) ended: $line"; peer_crash=1 ;;
    esac
  done <"$dir/engine2.exit"
  # xboard's own word on an engine that went away or could not be started.
  while read -r line; do
    case "$line" in
      *"first chess program"*) echo "ABNORMAL: xboard: $line"; ours=$((ours + 1)) ;;
      *"second chess program"*) echo "peer crash: xboard: $line"; peer_crash=1 ;;
    esac
  done < <(grep -i "chess program" "$dir/xboard.out" 2>/dev/null | sed 's/^xboard: //')
  # Protocol complaints from or about the engine under test.
  while read -r line; do
    echo "ABNORMAL: protocol complaint: $line"; ours=$((ours + 1))
  done < <(grep -E "<first ?: (Error|Illegal move|tellusererror)" "$dir/xboard.debug" 2>/dev/null | head -5)
  [ "$peer_faults" -gt 0 ] && echo "peer faults: $peer_faults game(s) lost by the peer's own fault"

  local status
  status="$(cat "$dir/xboard.status")"
  local other=0
  if [ "$played" -lt "$games" ]; then
    echo "$([ $peer_crash -eq 1 ] && echo "void" || echo "ABNORMAL"): only $played of $games games were played"
    other=$((other + 1))
  fi
  case "$status" in
    0) ;;
    124|137) echo "$([ $peer_crash -eq 1 ] && echo "void" || echo "ABNORMAL"): the match did not end within ${limit}s"
             other=$((other + 1)) ;;
    *) echo "$([ $peer_crash -eq 1 ] && echo "void" || echo "ABNORMAL"): xboard ended with status $status (see $dir/xboard.out)"
       other=$((other + 1)) ;;
  esac

  if [ "$ours" -gt 0 ]; then return 1; fi
  if [ "$peer_crash" -eq 1 ]; then return 3; fi
  if [ "$unclear" -gt 0 ]; then
    echo "ABNORMAL: $unclear game(s) ended abnormally, and the peer did not crash"
    return 1
  fi
  [ "$other" -gt 0 ] && return 1
  return 0
}

echo "match: $games games, $tc min + $inc s, ponder $ponder, limit ${limit}s a try, output in $out"
rm -rf "$out"/try* "$out/summary.txt" "$out/games.pgn" "$out/xboard.debug"
try=0 verdict=3
while [ "$verdict" -eq 3 ] && [ "$try" -le "$retries" ]; do
  try=$((try + 1))
  play_try "$out/try$try"
  judge_try "$out/try$try" >"$out/try$try/summary.txt"
  verdict=$?
  echo "$verdict" >"$out/try$try/verdict"
  { echo "try $try:"; cat "$out/try$try/summary.txt"; } | tee -a "$out/summary.txt"
  [ "$verdict" -eq 3 ] && echo "void: the peer crashed; the match is played again" | tee -a "$out/summary.txt"
done

# The last try's files are the match's. A fault of ours in a void try counts
# as much as one in the judged try.
for f in games.pgn xboard.debug xboard.out engine1.exit engine2.exit; do cp "$out/try$try/$f" "$out/$f"; done
grep -q -x 1 "$out"/try*/verdict && verdict=1
crashes=$(grep -l "^peer crash" "$out"/try*/summary.txt | wc -l)
{
  echo "peer crashes: $crashes of $try tries"
  case "$verdict" in
    0) echo "every game ended normally" ;;
    1) echo "$(cat "$out"/try*/summary.txt | grep -c "ABNORMAL") abnormal end(s) of the first engine; xboard's protocol logs: $out/try*/xboard.debug" ;;
    3) echo "nothing judged: the peer crashed in every try" ;;
  esac
} | tee -a "$out/summary.txt"
case "$verdict" in
  0) exit 0 ;;
  3) exit 77 ;;
  *) exit 1 ;;
esac
