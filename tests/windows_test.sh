#!/usr/bin/env bash
# The Windows programs under Wine, against the Linux build of the same
# source: each session of the table below is played by both, in fresh
# working directories, and their outputs must be equal
# (Windows ends lines with CR LF; the CRs are dropped before comparing).
# Sessions whose output depends on the clock are judged on their own.
#
#   tests/windows_test.sh LINUX_BUILD WINDOWS_BUILD
#
# Where the Windows build holds the unit tests, they run under Wine first.
#
# Exit 0 when all hold, 1 on any difference, 77 when Wine cannot start a
# program at all (no fault of ours; CTest counts it as skipped).
set -uo pipefail
native="$(cd "${1:?Linux build directory}" && pwd)"
windows="$(cd "${2:?Windows build directory}" && pwd)"
repo="$(cd "$(dirname "$0")/.." && pwd)"
wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
work="$(mktemp -d)"
[ -n "${KEEP-}" ] || trap 'rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
started=$SECONDS

# A fresh working directory, without the book (whose choice of reply is
# random) unless a second argument asks for it.
scratch() {
  local dir="$work/$1"
  rm -rf "$dir" && mkdir -p "$dir"
  [ -n "${2-}" ] && cp "$repo/book/Corvanebook.txt" "$dir/"
  echo "$dir"
}

# run SYSTEM DIR PROGRAM [ARGS...]: runs a program of either build in DIR,
# standard input from DIR/input or, when DIR/feed exists, from that shell
# script, in which "w N PATTERN" waits (up to two minutes) until the output
# holds N lines matching PATTERN. The output goes to DIR/output without CRs.
run() {
  local system="$1" dir="$2" program="$3"
  shift 3
  local command=("$native/$program")
  [ "$system" = windows ] && command=("$wine" "$windows/$program.exe")
  local status tries=1
  # Every program prints something at once; a Windows run without a byte of
  # output is Wine failing to start it, and is tried once more.
  [ "$system" = windows ] && tries=2
  while [ $tries -gt 0 ]; do
    tries=$((tries - 1))
    run_once "$dir" "$@"
    status=$?
    [ -s "$dir/raw" ] && break
  done
  # Times, and the speeds worked out from them, are the clock's: they are
  # blanked (UCI info, thinking lines, the search summary).
  tr -d '\r' <"$dir/raw" |
    sed -E 's/ nps [0-9]+/ nps -/; s/ time [0-9]+/ time -/; s/^([0-9]+ +-?[0-9]+ +)[0-9]+/\1-/; s/nps:[0-9]+ time:[0-9]+/nps:- time:-/' \
      >"$dir/output"
  return $status
}

run_once() {
  local dir="$1"
  shift
  local status
  if [ -f "$dir/feed" ]; then
    # The wait also ends when the program has exited (a crash fails at once).
    rm -f "$dir/exited"
    (cd "$dir" && {
      w() {
        local n=0
        until [ "$( (tr -d '\r' <raw | grep -c -- "$2") 2>/dev/null)" -ge "$1" ] 2>/dev/null ||
              [ -f exited ] || [ $n -ge 1200 ]; do
          sleep 0.1; n=$((n + 1))
        done
      }
      . ./feed
    } | { timeout 180 "${command[@]}" "$@" >raw 2>&1; echo $? >exited; })
    status=$(cat "$dir/exited")
  else
    (cd "$dir" && timeout 180 "${command[@]}" "$@" <input >raw 2>&1)
    status=$?
  fi
  return $status
}

# Wine must start at all: its first start creates the prefix.
mkdir -p "$work/warm"
if ! (cd "$work/warm" && timeout 300 "$wine" "$windows/corvane-tool.exe" perft \
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" 1 </dev/null >out 2>&1); then
  echo "Wine cannot run the Windows programs here:"; cat "$work/warm/out"; exit 77
fi

# The unit tests, when the Windows build has them (tools/build-windows.sh
# --tests): every one that runs in the test program itself.
if [ -f "$windows/corvane_tests.exe" ]; then
  t=$SECONDS
  (cd "$work/warm" && timeout 900 "$wine" "$windows/corvane_tests.exe" --gtest_brief=1 >units 2>&1)
  status=$?
  tr -d '\r' <"$work/warm/units" | tail -3
  echo "unit tests: $((SECONDS - t)) s"
  [ $status -eq 0 ] || fail "unit tests: exit $status"
fi

# same NAME PROGRAM INPUT [CONFIG] / samefed NAME PROGRAM FEED: both builds
# play the session; their outputs and exit codes must be equal.
compare() {
  local name="$1" program="$2" a="$3" b="$4" sa sb t=$SECONDS
  run linux "$a" "$program"; sa=$?
  run windows "$b" "$program"; sb=$?
  echo "$name: $((SECONDS - t)) s"
  if [ $sa -ne $sb ]; then fail "$name: exit $sa on Linux, $sb on Windows"; fi
  if ! diff -u "$a/output" "$b/output" >"$work/$name.diff"; then
    fail "$name: outputs differ"; head -40 "$work/$name.diff"
  fi
}
same() {
  local name="$1" program="$2" input="$3" config="${4-}" a b
  a="$(scratch "$name.linux")"; b="$(scratch "$name.windows")"
  printf '%b' "$input" >"$a/input"; cp "$a/input" "$b/input"
  if [ -n "$config" ]; then printf '%b' "$config" >"$a/Corvaconfig.ini"; cp "$a/Corvaconfig.ini" "$b/"; fi
  compare "$name" "$program" "$a" "$b"
}
samefed() {
  local name="$1" program="$2" feed="$3" a b
  a="$(scratch "$name.linux")"; b="$(scratch "$name.windows")"
  printf '%s\n' "$feed" >"$a/feed"; cp "$a/feed" "$b/feed"
  compare "$name" "$program" "$a" "$b"
}

# Sessions with the same output on both systems. The engine's searches are
# bounded by depth ("sd", "go depth"), each waits for the move before the
# next line, and one search thread makes them the same node for node.
same console-mate corvane1 'e2e5\nf2f3\ne7e5\ng2g4\nd8h4\ne2e4\nquit\n'
same console-mate-4 corvane4 'f2f3\ne7e5\ng2g4\nd8h4\nnew\nquit\n'
samefed protocol-sd corvane1 "printf 'xboard\nprotover 2\nnew\nsd 4\nd2d4\n'; w 1 '^move'; printf 'c2c4\n'; w 2 '^move'; printf 'g1f3\n'; w 3 '^move'; printf 'quit\n'"
samefed protocol-setboard corvane1 "printf 'xboard\nnew\nforce\nsetboard rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3\ne5f6\nsd 4\ngo\n'; w 1 '^move'; printf 'quit\n'"
same crlf-config corvane1 'quit\n' '* hash size\r\n256\r\n'
same mixed-config corvane2 'quit\n' '* first\n* second\r\n64\r\n'
same save-list corvane1 'e2e4\ne7e5\ng1f3\nb8c6\nsave\nlist\nquit\n'
same end-of-input corvane1 'e2e4'
samefed uci-depth corvane1 "printf 'uci\nsetoption name OwnBook value false\nisready\nposition startpos moves e2e4 e7e5\ngo depth 6\n'; w 1 '^bestmove'; printf 'quit\n'"
for fen in "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" \
           "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1" \
           "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"; do
  a="$(scratch perft.linux)"; b="$(scratch perft.windows)"
  : >"$a/input"; : >"$b/input"
  run linux "$a" corvane-tool perft "$fen" 4 divide
  run windows "$b" corvane-tool perft "$fen" 4 divide
  cmp -s "$a/output" "$b/output" || fail "perft $fen: $(tail -1 "$a/output") on Linux, $(tail -1 "$b/output") on Windows"
done

# The game record of "save" is a Windows text file there.
d="$work/save-list.windows"
if [ ! -f "$d/CorvaGame.txt" ] || ! grep -q $'\r$' "$d/CorvaGame.txt"; then
  fail "save: no CorvaGame.txt with CR LF line ends under Windows"
fi

# "save" where CorvaGame.txt cannot be written (a directory of that name).
a="$(scratch save-refused.linux)"; b="$(scratch save-refused.windows)"
printf 'e2e4\nsave\nlist\nquit\n' >"$a/input"; cp "$a/input" "$b/input"
mkdir "$a/CorvaGame.txt" "$b/CorvaGame.txt"
compare save-refused corvane1 "$a" "$b"

# A book move, from the shipped book and from the same book with CR LF line
# ends: the reply to e2e4 is one of the book's (its choice is random).
for ends in lf crlf; do
  d="$(scratch "book-$ends.windows" with-book)"
  [ "$ends" = crlf ] && sed -i 's/$/\r/' "$d/Corvanebook.txt"
  printf '%s\n' "printf 'xboard\nnew\ne2e4\n'; w 1 '^move'; printf 'quit\n'" >"$d/feed"
  run windows "$d" corvane1
  reply="$(sed -n 's/^move //p' "$d/output" | head -1)"
  if [ -z "$reply" ] || ! grep -q "^e2e4 $reply" "$repo/book/Corvanebook.txt" ||
     ! grep -q 'from book' "$d/output"; then
    fail "book ($ends): reply to e2e4 was '$reply'"
  fi
done

# "quit" while thinking and while pondering in corvane4, and "stop" of an
# endless UCI search: each ends at once with exit code 0.
timed() {
  local name="$1" feed="$2" expect="$3" d status
  d="$(scratch "$name")"
  printf '%s\n' "$feed" >"$d/feed"
  run windows "$d" corvane4; status=$?
  [ $status -eq 0 ] || fail "$name: exit $status"
  grep -q -- "$expect" "$d/output" || { fail "$name: no '$expect'"; tail -5 "$d/output"; }
}
timed quit-thinking "printf 'xboard\npost\nnew\nlevel 0 5 0\ngo\n'; w 1 '^[0-9]* '; printf 'quit\n'" '^[0-9]* '
timed quit-pondering "printf 'xboard\nhard\nnew\nlevel 0 1 0\ne2e4\n'; w 1 'ponder started'; sleep 1; printf 'quit\n'" 'ponder started'
timed uci-stop "printf 'uci\nposition startpos\ngo infinite\n'; w 1 '^info depth'; printf 'stop\n'; w 1 '^bestmove'; printf 'quit\n'" '^bestmove '

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all sessions alike under Wine ($((SECONDS - started)) s)"
