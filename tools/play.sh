#!/usr/bin/env bash
# Builds the programs (Release) and starts corvane4 at the console in
# build/play, a working directory that holds the opening book
# (Corvanebook.txt, copied from book/ at every start) and receives the game
# record of "save" (CorvaGame.txt). A Corvaconfig.ini in the directory this
# script was started from is copied there too.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/tools/setup.sh"
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$repo/build" -j"$(nproc)" --target corvane4 corvane2 corvane1 corvane-tool >/dev/null
play="$repo/build/play"
mkdir -p "$play"
cp "$repo/book/Corvanebook.txt" "$play/"
if [ -f Corvaconfig.ini ] && [ "$(pwd -P)" != "$(cd "$play" && pwd -P)" ]; then cp Corvaconfig.ini "$play/"; fi
cd "$play"
exec "$repo/build/corvane4"
