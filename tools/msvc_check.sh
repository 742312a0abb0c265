#!/bin/sh
# The MSVC build as far as this machine can prove it: every source of
# vestro.exe through clang-cl in MSVC mode, syntax only, at /W4 with
# warnings as errors, against wine's Windows and C-runtime headers.
#   sh tools/msvc_check.sh
set -eu
cd "$(dirname "$0")/.."
cl=$(command -v clang-cl || command -v clang-cl-14 || true)
headers=/usr/include/wine/wine
if [ -z "$cl" ] || [ ! -d "$headers/windows" ]; then
  echo "msvc check: needs clang-cl (clang) and wine's headers (libwine-dev)"
  exit 1
fi
# Wine's headers as Windows' SDK reads: WCHAR is wchar_t, and clang knows
# the 128-bit exchange that winnt.h would define again.
failed=0
count=0
for source in $(find src -name '*.cpp' | sort); do
  count=$((count + 1))
  "$cl" --target=x86_64-pc-windows-msvc /Zs /W4 /WX /std:c++17 /TP -imsvc "$headers/msvcrt" -imsvc "$headers/windows" \
    /Isrc -D_CRT_SECURE_NO_WARNINGS -DWINE_UNICODE_NATIVE \
    -D_InterlockedCompareExchange128=wineInterlockedCompareExchange128 "$source" || failed=$((failed + 1))
done
echo "msvc check: $count sources, $failed with errors or warnings"
[ "$failed" -eq 0 ]
