#!/usr/bin/env bash
# Builds everything and runs the benchmarks under Wine on a virtual display; prints their figures.
# Names pick some of them (bash tools/bench.sh sample_store); all run when none are given.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
"$root/tools/build.sh"
build=${KYMORA_BUILD:-$root/build}
prefix=$build/wineprefix
"$root/tools/wineprefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  cd "$1/bin"
  shift
  if [ $# -eq 0 ]; then set -- *_bench.exe; fi
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  for b in "$@"; do b=${b%.exe}; b=${b%_bench}_bench.exe; echo "== $b"; wine "$b"; done
  wineserver -k || true
' _ "$build" "$@"
