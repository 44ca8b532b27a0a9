#!/usr/bin/env bash
# Installs the build into a throw-away prefix, checks what lands there, and
# has the real xboard (headless) start an installed program through its
# registration file and play a few moves against a Debian engine.
#
#   tests/install_test.sh BUILD_DIR SOURCE_DIR [PEER]
#
# PEER is the command of the engine to play against (default HoiChess).
set -uo pipefail

build="${1:?build directory}"
source="${2:?source directory}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# What lands where.
for program in corvane4 corvane2 corvane1 corvane-tool corvane-xboard; do
  [ -f "$prefix/games/$program" ] && [ -x "$prefix/games/$program" ] ||
    fail "games/$program is missing or not executable"
done
data="$prefix/share/games/corvane"
cmp -s "$source/book/Corvanebook.txt" "$data/Corvanebook.txt" ||
  fail "the book in share/games/corvane differs from the shipped one"
[ -r "$data/Corvaconfig.ini" ] || fail "share/games/corvane/Corvaconfig.ini is missing"

page="$prefix/share/man/man6/corvane.6"
if [ ! -r "$page" ]; then
  fail "share/man/man6/corvane.6 is missing"
elif ! command -v groff >/dev/null; then
  fail "groff is missing (tools/setup.sh installs it)"
else
  # groff warns about unknown macros, bad escapes and the like.
  warnings="$(LC_ALL=C groff -man -Tutf8 -ww -z "$page" 2>&1)"
  [ -z "$warnings" ] || fail "the manual page has roff warnings: $warnings"
  text="$(LC_ALL=C groff -man -Tascii -P-cbou "$page" 2>/dev/null)"
  for topic in corvane4 corvane2 corvane1 Corvaconfig.ini Corvanebook.txt \
               CorvaGame.txt setboard xboard corvane-xboard corvane-tool perft bench; do
    grep -q -- "$topic" <<<"$text" || fail "the manual page does not mention $topic"
  done
fi

# Each registration: the plugin header, a line that starts the installed
# launcher with its program, and the variant.
for copies in 4 2 1; do
  eng="$prefix/share/games/plugins/xboard/corvane$copies.eng"
  [ -r "$eng" ] || { fail "share/games/plugins/xboard/corvane$copies.eng is missing"; continue; }
  expected="\"CorvaneChess $copies\" -fcp \"$prefix/games/corvane-xboard corvane$copies\""
  [ "$(sed -n 1p "$eng")" = "plugin spec 0.0" ] || fail "corvane$copies.eng: bad first line"
  [ "$(sed -n 2p "$eng")" = "$expected" ] || fail "corvane$copies.eng: engine line is '$(sed -n 2p "$eng")'"
  [ "$(sed -n 3p "$eng")" = "chess" ] || fail "corvane$copies.eng: bad variant line"
done

# The launcher makes the per-user directory and fills in the book and the
# configuration, and never replaces a file the user changed.
launcher="$prefix/games/corvane-xboard"
home="$work/home"
mkdir -p "$home"
user_dir="$home/.local/share/corvane"
echo quit | env -u XDG_DATA_HOME -u CORVANE_DIR HOME="$home" "$launcher" corvane1 >"$work/launch.out" 2>&1 ||
  fail "the launcher failed: $(cat "$work/launch.out")"
cmp -s "$data/Corvanebook.txt" "$user_dir/Corvanebook.txt" || fail "the launcher did not copy the book"
cmp -s "$data/Corvaconfig.ini" "$user_dir/Corvaconfig.ini" || fail "the launcher did not copy the configuration"
printf '* mine\n16\n' >"$user_dir/Corvaconfig.ini"
echo 'e2e4 e7e5' >"$user_dir/Corvanebook.txt"
printf 'e2e4\nsave\nquit\n' | env -u XDG_DATA_HOME -u CORVANE_DIR HOME="$home" "$launcher" corvane1 >"$work/launch.out" 2>&1
grep -q '16MB' "$work/launch.out" || fail "the program did not read the user's configuration"
[ "$(cat "$user_dir/Corvanebook.txt")" = "e2e4 e7e5" ] || fail "the launcher replaced the user's book"
[ -f "$user_dir/CorvaGame.txt" ] || fail "save did not write CorvaGame.txt in the user's directory"
echo quit | env -u CORVANE_DIR HOME="$home" XDG_DATA_HOME="$work/xdg" "$launcher" corvane1 >/dev/null 2>&1
[ -f "$work/xdg/corvane/Corvanebook.txt" ] || fail "the launcher ignored XDG_DATA_HOME"
echo quit | HOME="$home" CORVANE_DIR="$work/own" "$launcher" corvane1 >/dev/null 2>&1
[ -f "$work/own/Corvanebook.txt" ] || fail "the launcher ignored CORVANE_DIR"
"$launcher" corvane9 </dev/null >/dev/null 2>&1 && fail "the launcher started an unknown program"

# The real xboard takes the registration line into its engine list, picks
# the engine by its nickname and plays a short game (adjudicated a draw
# after a few moves) against HoiChess, all with a throw-away HOME. The peer
# runs under a wrapper that records how it ended: a game it spoils by
# crashing is played again, and when it crashes in all three tries the game
# is not judged, since the peer's fault is none of ours.
xboard="$(command -v xboard || echo /usr/games/xboard)"
peer="${3:-/usr/games/hoichess}"
if [ ! -x "$xboard" ] || ! command -v xvfb-run >/dev/null || [ ! -x "${peer%% *}" ]; then
  fail "xboard, xvfb-run or hoichess is missing (tools/setup.sh installs them)"
else
  cat >"$work/peer.sh" <<PEER
#!/usr/bin/env bash
trap 'kill -TERM "\$child" 2>/dev/null' TERM
$peer 0<&0 &
child=\$!
wait "\$child"; status=\$?
kill -0 "\$child" 2>/dev/null && { wait "\$child"; status=\$?; }
echo "\$status" >>"$work/peer.exit"
PEER
  chmod +x "$work/peer.sh"
  line="$(sed -n 2p "$prefix/share/games/plugins/xboard/corvane1.eng")"
  judged=0
  for try in 1 2 3; do
    xhome="$work/xhome$try"
    mkdir -p "$xhome"
    rm -f "$work/game.pgn" "$work/peer.exit"
    HOME="$xhome" timeout --kill-after=5 50 xvfb-run -a -s "-screen 0 1024x768x24" "$xboard" \
        -firstChessProgramNames "$line" -fe "CorvaneChess 1" -scp "$work/peer.sh" \
        -matchMode true -matchGames 1 -tc 0:10 -inc 0.1 -adjudicateDrawMoves 4 \
        -autoCallFlag true -popupExitMessage false -popupMoveErrors false \
        -saveSettingsOnExit false -soundMove "" -saveGameFile "$work/game.pgn" \
        -debug -nameOfDebugFile "$work/xboard.debug" >"$work/xboard.out" 2>&1
    status=$?
    if grep -q -v -x -e 0 -e 143 "$work/peer.exit" 2>/dev/null ||
       grep -q "second chess program" "$work/xboard.out"; then
      echo "the peer crashed in try $try (exit $(paste -sd, "$work/peer.exit" 2>/dev/null)); the game is played again"
      continue
    fi
    judged=1
    break
  done
  if [ "$judged" -eq 0 ]; then
    echo "the peer crashed in every try: the game under xboard is not judged"
  else
    [ "$status" -eq 0 ] || fail "xboard ended with status $status"
    grep -q "StartChildProcess.*$prefix/games/corvane-xboard corvane1" "$work/xboard.debug" 2>/dev/null ||
      fail "xboard did not start the engine through its registration"
    [ -f "$xhome/.local/share/corvane/Corvanebook.txt" ] || fail "the engine under xboard had no book"
    if ! grep -q '^\[White "Corvane' "$work/game.pgn" 2>/dev/null; then
      fail "no game with the engine was saved"
    else
      grep -q 'Xboard adjudication: long game} 1/2-1/2' "$work/game.pgn" ||
        fail "the game did not run its moves to the adjudication: $(tail -3 "$work/game.pgn")"
    fi
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "install test passed"
