#!/usr/bin/env bash
# Builds Kymora and starts it under Wine with the simulated unit; starts a virtual display when none exists.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
KYMORA_TESTS=OFF "$root/tools/build.sh"
build=${KYMORA_BUILD:-$root/build}
prefix=${KYMORA_PREFIX:-$build/runprefix}
"$root/tools/wineprefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$build/bin"
if [ -n "${DISPLAY:-}" ]; then
  exec wine Kymora.exe
else
  echo "No display: running on a virtual one (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine Kymora.exe
fi
