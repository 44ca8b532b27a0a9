#!/usr/bin/env bash
# Makes the Debian package dist/corvane_1.4_amd64.deb from the
# profile-guided build (tools/build-pgo.sh): the install layout under /usr,
# with the dependencies on the C and C++ runtimes worked out by
# dpkg-shlibdeps.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/tools/setup.sh" dpkg-dev
"$repo/tools/build-pgo.sh" >/dev/null
build="$repo/build-pgo"
mkdir -p "$repo/dist"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
deb="$(ls "$build"/package/corvane_*_amd64.deb)"
cp "$deb" "$repo/dist/"
echo "$repo/dist/$(basename "$deb")"
