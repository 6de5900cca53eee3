#!/usr/bin/env bash
# Builds everything and runs the benchmarks under Wine on a virtual display; prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
"$root/tools/build.sh"
build=${KYMORA_BUILD:-$root/build}
prefix=$build/wineprefix
[ -f "$prefix/system.reg" ] || "$root/tools/wineprefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  cd "$1/bin"
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  for b in *_bench.exe; do echo "== $b"; wine "$b"; done
  echo "== idle"
  "$2/tools/idle_cpu.sh" "$1/bin"
  wineserver -k || true
' _ "$build" "$root"
