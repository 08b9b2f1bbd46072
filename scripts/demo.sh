#!/bin/sh
# Builds dorvix for this host and runs it on the example office machine.
# dorvix writes in the Windows code page; the output is shown converted to
# this terminal's UTF-8.
set -eu
cd "$(dirname "$0")/.."
cmake --preset host >/dev/null
cmake --build --preset host --target dorvix >/dev/null
echo "\$ DORVIX_REGISTRY=examples/office.reg build/host/dorvix /l"
DORVIX_REGISTRY=examples/office.reg build/host/dorvix /l | iconv -f CP1252 -t UTF-8
echo
