#!/usr/bin/env bash
# Cross-builds the Windows programs (corvane4.exe, corvane2.exe, corvane1.exe,
# corvane-tool.exe) with MinGW-w64 in build-windows (or the directory given),
# linked statically, and packs them with the book, a sample Corvaconfig.ini
# and the guide (text files with Windows line ends) into
# dist/corvane-1.4-windows-x86_64.zip. With --tests it also builds the unit
# tests (corvane_tests.exe, from the sources of Debian's googletest), which
# tests/windows_test.sh then runs under Wine.
#
#   tools/build-windows.sh [--tests] [DIR]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
tests=OFF
targets=(corvane4 corvane2 corvane1 corvane-tool)
if [ "${1-}" = --tests ]; then
  tests=ON
  targets+=(corvane_tests)
  shift
fi
build="${1:-$repo/build-windows}"
packages=(g++-mingw-w64-x86-64-posix cmake make)
[ $tests = ON ] && packages+=(googletest)
"$repo/tools/setup.sh" "${packages[@]}"
cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=$tests -Wno-dev >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

name=corvane-1.4-windows-x86_64
stage="$build/$name"
rm -rf "$stage"
mkdir -p "$stage"
cp "$build"/corvane4.exe "$build"/corvane2.exe "$build"/corvane1.exe "$build"/corvane-tool.exe "$stage/"
for text in "$repo/book/Corvanebook.txt" "$repo/dist/Corvaconfig.ini" "$repo/dist/windows/README.txt"; do
  sed 's/\r$//; s/$/\r/' "$text" >"$stage/$(basename "$text")"
done
mkdir -p "$repo/dist"
zip="$repo/dist/$name.zip"
rm -f "$zip"
(cd "$build" && cmake -E tar cf "$zip" --format=zip "$name")
echo "$zip"
