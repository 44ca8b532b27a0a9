#!/usr/bin/env bash
# Installs what tools/match.sh needs: the xboard interface, a virtual X
# server to run it without a screen, and three engines to play against
# (needs root or sudo and apt-get; a no-op when all are present).
set -euo pipefail
exec "$(dirname "$0")/setup.sh" xboard xvfb xauth polyglot fairymax phalanx hoichess
