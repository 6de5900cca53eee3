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
  build=$1; shift
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  # Whoever first needs the desktop starts its process, which keeps the error output of that program
  # open while the desktop lives: a test doing so would end only at its timeout. The keeper needs
  # it first, with its own output going nowhere, and holds it to the end.
  exec 3< <(wine "$build/bin/desktop_keeper.exe" </dev/null 2>/dev/null)
  read -r -t 60 _ <&3 || true
  exec 3<&-
  rc=0
  (cd "$build" && ctest --output-on-failure --timeout 300 "$@") || rc=$?
  wineserver -k || true
  exit $rc
' _ "$build" "$@"
