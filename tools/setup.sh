#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is
# missing (needs root or sudo and apt-get; a no-op when all are present).
set -euo pipefail

# The compiler, the build system and GoogleTest; the real xboard, a virtual
# X server, a Debian engine for the match tests and Python for the planted
# faults of the harness test; Node.js for the UCI referee (which installs its
# own npm packages) and Stockfish as its peer; groff for the check of the
# manual page; clang for the fuzz targets.
packages=(g++ cmake make libgtest-dev xboard xvfb xauth polyglot hoichess python3 nodejs stockfish groff-base clang)
# Debian's nodejs comes without npm, which is a package of its own there;
# other builds of nodejs bring it along.
command -v npm >/dev/null 2>&1 || packages+=(npm)
# Other packages can be named on the command line instead (tools/setup-match.sh).
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "missing packages: ${missing[*]} (install them by hand)" >&2
  exit 1
fi
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
