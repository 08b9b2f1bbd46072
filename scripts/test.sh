#!/bin/sh
# Installs what the build lacks, builds every target and runs every test.
set -eu
cd "$(dirname "$0")/.."

# Debian packages the build and the tests need, installed when missing.
packages="cmake make g++ libgtest-dev clang libclang-rt-14-dev valgrind"
missing=""
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing="$missing $package"
done
if [ -n "$missing" ]; then
  echo "== installing:$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi

echo "== host build and tests"
cmake --preset host
cmake --build --preset host
ctest --preset host

echo "== sanitizer build and tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

echo "== fuzzing, each target for a bounded time"
ctest --preset fuzz
