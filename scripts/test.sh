#!/bin/sh
# Installs what the build lacks, builds every target and runs every test:
# the host build, dorvix.exe for x86-64 and i686, dorvix.exe under Wine, the
# sanitizer build and the fuzz targets.
set -eu
cd "$(dirname "$0")/.."

fail() {
  echo "==" >&2
  echo "== FAILED: $*" >&2
  echo "==" >&2
  exit 1
}

# Debian packages the builds and the tests need, installed when missing:
# the mingw-w64 compilers with the win32 thread model, and the 64-bit Wine
# that runs dorvix.exe (this kernel runs no 32-bit programs); clang with its
# sanitizer and libFuzzer run-times, and valgrind.
packages="cmake make g++ libgtest-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine64
  clang libclang-rt-14-dev valgrind"
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing="$missing $package"
done
if [ -n "$missing" ]; then
  echo "== installing:$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  { $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null; } ||
    fail "cannot install$missing; the Windows builds and the Wine tests cannot run"
fi
for tool in x86_64-w64-mingw32-g++-win32 i686-w64-mingw32-g++-win32; do
  command -v "$tool" >/dev/null || fail "$tool is missing after installing its package"
done
[ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null ||
  fail "wine64 is missing after installing its package"

echo "== host build and tests"
cmake --preset host
cmake --build --preset host
ctest --preset host

echo "== dorvix.exe for x86-64 and i686"
cmake --workflow --preset windows-x86_64
cmake --workflow --preset windows-i686

echo "== the Windows builds: imports, resources, reproducibility, Wine"
ctest --preset windows

echo "== sanitizer build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

echo "== fuzzing, each target for a bounded time"
ctest --preset fuzz
