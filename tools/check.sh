#!/usr/bin/env bash
# Developer loop: build, then run ctest (with the given arguments) under Wine on a virtual display,
# reusing the build tree's prefix. KYMORA_BUILD picks another build tree (one per concurrent developer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh"
# The PDF printer the printing test uses, before the prefix is made (Wine lists printers then).
"$root/tools/printer.sh"
build=${KYMORA_BUILD:-$root/build}
prefix=$build/wineprefix
"$root/tools/wineprefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  build=$1 root=$2; shift 2
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  bash "$root/tools/hold_desktop.sh" "$build"
  rc=0
  (cd "$build" && ctest --output-on-failure --timeout 300 "$@") || rc=$?
  wineserver -k || true
  exit $rc
' _ "$build" "$root" "$@"
