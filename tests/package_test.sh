#!/usr/bin/env bash
# The Debian package: its file list and dependencies, then installed with
# dpkg -i, /usr/games/corvane1 through a short protocol game and a UCI
# hand-shake, and removed again with nothing of it left.
#
#   tests/package_test.sh dist/corvane_1.4_amd64.deb
set -euo pipefail
deb="$(cd "$(dirname "${1:?package}")" && pwd)/$(basename "$1")"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
fail() { echo "FAIL: $*"; exit 1; }

files="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
for f in games/corvane4 games/corvane2 games/corvane1 games/corvane-tool games/corvane-xboard \
         share/games/corvane/Corvanebook.txt share/games/corvane/Corvaconfig.ini share/man/man6/corvane.6 \
         share/games/plugins/xboard/corvane4.eng share/games/plugins/xboard/corvane2.eng \
         share/games/plugins/xboard/corvane1.eng; do
  grep -qx "\./usr/$f" <<<"$files" || fail "the package lacks /usr/$f"
done
if grep -v '/$' <<<"$files" | grep -v '^\./usr/\(games\|share/games\|share/man\|share/doc\)/'; then
  fail "files outside the layout"
fi
depends="$(dpkg-deb -f "$deb" Depends)"
for d in libc6 libstdc++6 libgcc-s1; do
  grep -q "$d" <<<"$depends" || fail "Depends ($depends) lacks $d"
done

$sudo dpkg -i "$deb" >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"; $sudo dpkg -r corvane >/dev/null 2>&1 || true' EXIT
cd "$work"
grep -q '/usr/games/corvane-xboard' /usr/share/games/plugins/xboard/corvane1.eng || fail "registration: $(cat /usr/share/games/plugins/xboard/corvane1.eng)"

game="$( (printf 'xboard\nprotover 2\nnew\nsd 3\ne2e4\n'; sleep 3; printf 'd2d4\n'; sleep 3; printf 'quit\n') |
         timeout 60 /usr/games/corvane1)" || fail "protocol game: exit $?"
[ "$(grep -c '^move ' <<<"$game")" -eq 2 ] || fail "protocol game: $game"
uci="$( (printf 'uci\nisready\nquit\n'; sleep 1) | timeout 60 /usr/games/corvane1)" || fail "UCI: exit $?"
for line in 'id name Corvane 1.4' uciok readyok; do
  grep -qx "$line" <<<"$uci" || fail "UCI hand-shake lacks '$line': $uci"
done

$sudo dpkg -r corvane >/dev/null
for f in /usr/games/corvane1 /usr/share/games/corvane /usr/share/games/plugins/xboard/corvane1.eng; do
  [ ! -e "$f" ] || fail "$f left after removal"
done
echo "package installs, plays and is removed"
