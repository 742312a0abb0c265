#!/bin/sh
# Sets up a fresh Debian machine and runs every test: the release files
# (version resource, manifest, archive), a syntax pass of every source as
# MSVC reads it (clang-cl), the native unit tests
# (AddressSanitizer and UBSan), the end-to-end scenarios under wine, the
# README's pictures in check mode, and each fuzz target for 10 seconds.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh --with-tests
sh tools/package.sh
python3 tools/check_release.py
sh tools/msvc_check.sh
(cd build/native && ctest -j 2 --output-on-failure --timeout 900)
/usr/bin/python3 tools/screenshots.py --check
sh tools/fuzz.sh 10
