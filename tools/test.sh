#!/bin/sh
# Sets up a fresh Debian machine and runs every test: the native unit tests
# (AddressSanitizer and UBSan) and the end-to-end scenarios under wine.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh --with-tests
cd build/native
ctest -j 2 --output-on-failure --timeout 900
