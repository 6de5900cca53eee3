#!/usr/bin/env bash
# Writes scripts/editor/res/empty40.acq, the empty graph a new lesson starts from (the program's
# resource 9001 of type "EMPTY40"), with the program's own graph writer, then rebuilds so the
# program carries it. Run after a change of the graph writer or of a new graph's values.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KYMORA_BUILD:-$root/build}
out=$root/scripts/editor/res/empty40.acq
[ -e "$out" ] || : >"$out"
"$root/tools/build.sh"
prefix=$build/wineprefix
"$root/tools/wineprefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -k 2>/dev/null || true
  wineserver -p
  cd "$1/bin" && wine make_empty_graph.exe "$(winepath -w "$2")"
  rc=$?
  wineserver -k || true
  exit $rc
' _ "$build" "$out"
touch "$root/shell/kymora.rc"
"$root/tools/build.sh"
