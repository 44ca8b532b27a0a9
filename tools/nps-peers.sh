#!/usr/bin/env bash
# Measures the search speed (nodes per second) of our engine and of five
# Debian engines on the same positions, one engine after the other, never
# two at once, and prints one table: a row per engine, a column per position
# and the median. Each engine gets one search thread, a 128 MB hash table,
# no opening book and no pondering, and runs in an empty scratch directory.
# The figure is the engine's own node count over its own search time, taken
# from its last report of each search. A peer that is missing is installed
# with apt-get (tools/setup.sh); one that cannot be installed or started is
# shown as "n/a", one that dies or stops answering as "crashed" or "hung".
# Progress goes to standard error, the table to standard output.
#
#   tools/nps-peers.sh [-e PATH] [-t SECONDS] [-p FILE] [-only "NAME ..."]
#
#   -e      our engine's binary (default build/corvane1; e.g. build-pgo/corvane1)
#   -t      think time per position in seconds (default 5)
#   -p      positions: one FEN per line, an optional "# label" after it
#           (default: start position, an Italian opening, a middlegame, a
#           rook endgame)
#   -only   the engines to run, out of: corvane glaurung toga2 gnuchess
#           hoichess phalanx (default all)
#
# Example: tools/nps-peers.sh -t 2 -only "corvane hoichess"
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
case "${1:-}" in
  -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
command -v python3 >/dev/null 2>&1 || "$here/setup.sh" python3
exec python3 "$here/nps_peers.py" "$@"
