#!/usr/bin/env bash
# Builds the programs (profile-guided, tools/build-pgo.sh) and starts
# corvane4 at the console in build-pgo/play, a working directory that holds
# the opening book
# (Corvanebook.txt, copied from book/ at every start) and receives the game
# record of "save" (CorvaGame.txt). A Corvaconfig.ini in the directory this
# script was started from is copied there too.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/tools/build-pgo.sh" >/dev/null
play="$repo/build-pgo/play"
mkdir -p "$play"
cp "$repo/book/Corvanebook.txt" "$play/"
if [ -f Corvaconfig.ini ] && [ "$(pwd -P)" != "$(cd "$play" && pwd -P)" ]; then cp Corvaconfig.ini "$play/"; fi
cd "$play"
exec "$repo/build-pgo/corvane4"
