#!/bin/sh
# Builds dorvix for this host and runs it on a copy of the example office
# machine: lists the printers, makes another one the default, and shows the
# profile entry that changed. dorvix writes CR LF in the Windows code page;
# the output is shown converted for this terminal.
set -eu
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
cmake --build --preset host --target dorvix >/dev/null

machine=$(mktemp -d)
trap 'rm -rf "$machine"' EXIT
cp examples/office.reg "$machine/office.reg"
export DORVIX_REGISTRY="$machine/office.reg"
PATH="$PWD/build/host:$PATH"

shown() { iconv -f CP1252 -t UTF-8 | tr -d '\r'; }

echo "\$ export DORVIX_REGISTRY=$DORVIX_REGISTRY   # a copy of examples/office.reg"
echo '$ dorvix /l'
dorvix /l | shown
printf '\n\n'
echo '$ grep Device "$DORVIX_REGISTRY"'
grep '^"Device"' "$DORVIX_REGISTRY" | shown
echo '$ dorvix /s "front desk inkjet"'
dorvix /s "front desk inkjet" | shown
echo '$ grep Device "$DORVIX_REGISTRY"'
grep '^"Device"' "$DORVIX_REGISTRY" | shown
echo '$ dorvix /s "Back Office"'
dorvix /s "Back Office" | shown
