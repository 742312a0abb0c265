#!/bin/sh
# Builds vestro.exe and makes the release archive
# dist/vestro-VERSION-win64.zip: vestro.exe, README.md, LICENSE and
# CHANGELOG.md, side by side. VERSION is the one in CMakeLists.txt.
#   sh tools/package.sh
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win/CMakeCache.txt)
(cd build/win && cpack -G ZIP >cpack.log) || { cat build/win/cpack.log; exit 1; }
echo "release archive: dist/vestro-$version-win64.zip"
