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

# The unit the program finds: a simulated model-40 USB unit unless KYMORA_UNIT names another.
case ${KYMORA_UNIT:-40} in
  40) driver=VKUSB type=3 simulated=dword:00000001 ;;
  45) driver=VKUSB45 type=3 simulated=dword:00000001 ;;
  isa) driver=VKISA.VXD type=1 simulated=dword:00000001 ;;
  pccard) driver=VKPCM.VXD type=2 simulated=dword:00000001 ;;
  none) driver=VKUSB type=3 simulated=- ;;
  *) echo "KYMORA_UNIT is 40, 45, isa, pccard or none" >&2; exit 2 ;;
esac
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\NORVANE\TVX3x\DriverSettings\0000]
"DriverName"="$driver"
"DriverType"=dword:0000000$type
"Simulated"=$simulated
REG
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
# A server started here, outside the virtual display, must be gone before the program starts.
wineserver -w
rm -f "$reg"
cd "$build/bin"
if [ -n "${DISPLAY:-}" ]; then
  exec wine Kymora.exe
else
  echo "No display: running on a virtual one (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine Kymora.exe
fi
