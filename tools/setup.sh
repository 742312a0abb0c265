#!/bin/sh
# Installs what building and testing VESTRO needs on Debian, then builds
# vestro.exe (build/win) and the native tests (build/native).
set -eu
cd "$(dirname "$0")/.."

PACKAGES="cmake make g++ libgtest-dev g++-mingw-w64-x86-64-posix wine wine64 tmux locales python3 python3-pil fonts-dejavu-core clang libclang-rt-14-dev libwine-dev xvfb xdotool python3-fusepy fuse"

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get install -y --no-install-recommends $missing || {
    as_root apt-get update
    as_root apt-get install -y --no-install-recommends $missing
  }
fi

# Wine takes a process's ANSI code page from its locale: ja_JP 932
# (Shift-JIS), fr_FR 1252, zh_CN 936, ko_KR 949, zh_TW 950, and hi_IN, which
# has none of its own, UTF-8 (65001).
for name in ja_JP fr_FR zh_CN ko_KR zh_TW hi_IN; do
  if ! locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$"; then
    as_root localedef -i "$name" -f UTF-8 "$name.UTF-8"
  fi
done

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$jobs"
if [ "${1:-}" = "--with-tests" ]; then
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DVESTRO_EXE="$PWD/build/win/vestro.exe" >/dev/null
  cmake --build build/native -j "$jobs"
fi
