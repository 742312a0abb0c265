#!/bin/sh
# Sets up, builds and runs vestro.exe under wine in this terminal.
#   sh tools/run.sh              copies a small sample tree it creates
#   sh tools/run.sh FROM TO      copies FROM into TO (Linux or Z:\ paths)
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh

export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
unset DISPLAY || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "preparing the wine prefix (once)..."
  wine wineboot -i >"$PWD/build/wineboot.log" 2>&1 </dev/null
fi

winpath() {
  case "$1" in
    /*) printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')" ;;
    *) printf '%s' "$1" ;;
  esac
}

if [ $# -eq 0 ]; then
  # Written afresh each time, so that nothing of an earlier run or layout stays.
  sample="$PWD/build/sample"
  rm -rf "$sample"
  python3 tools/sample_tree.py "$sample/photos"
  set -- "$sample/photos" "$sample/copy"
  echo "sample tree: $1 -> $2"
fi
if [ $# -eq 2 ]; then
  from=$(winpath "$1")
  to=$(winpath "$2")
  set +e
  wine build/win/vestro.exe "$from" "$to"
else
  set +e
  wine build/win/vestro.exe "$@"
fi
code=$?
echo "exit code: $code"
