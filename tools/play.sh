#!/usr/bin/env bash
# Builds the programs (Release) and starts corvane4 at the console, in the
# directory this script was started from (where Corvaconfig.ini is read).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/tools/setup.sh"
cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$repo/build" -j"$(nproc)" --target corvane4 corvane2 corvane1 corvane-tool >/dev/null
exec "$repo/build/corvane4"
