#!/usr/bin/env bash
# Runs the UCI referee (tools/referee/referee.js): plays games between the
# engine under test and a peer with the clock kept by the referee, and judges
# every line of the engine under test with chess.js. Installs the referee's
# npm dependencies (the versions of tools/referee/package-lock.json) into
# tools/referee/node_modules when they are missing or older than the lock
# file. Options: tools/referee.sh --help; "tools/referee.sh --install" only
# installs them.
set -euo pipefail
dir="$(cd "$(dirname "$0")/referee" && pwd)"
for tool in node npm; do
  command -v "$tool" >/dev/null 2>&1 || { echo "referee.sh: $tool is missing (run tools/setup.sh)" >&2; exit 2; }
done
stamp="$dir/node_modules/.package-lock.json"
if [ ! -f "$stamp" ] || [ "$dir/package-lock.json" -nt "$stamp" ]; then
  (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >&2) ||
    { echo "referee.sh: npm ci failed in $dir" >&2; exit 2; }
fi
[ "${1:-}" = "--install" ] && exit 0
exec node "$dir/referee.js" "$@"
