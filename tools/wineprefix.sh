#!/usr/bin/env bash
# Makes a Wine prefix at $1 set up for headless use: no crash dialog, no window manager waits,
# Liberation fonts standing in for Arial/Times/Courier, Wine's own fonts installed.
# On an existing prefix it only adds the fonts it lacks, so a prefix made before the font
# packages were installed gets Marlett (caption buttons) and Tahoma (dialogs) too.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  reg=$(mktemp --suffix=.reg)
  cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
REG
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  wineserver -w
  rm -f "$reg"
fi
# Debian's Wine does not load its own fonts from /usr/share/wine/fonts (package fonts-wine).
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
cp -n /usr/share/fonts/truetype/liberation/*.ttf "$fonts/" 2>/dev/null || true
[ -f "$fonts/marlett.ttf" ] || echo "wineprefix: no marlett.ttf (install fonts-wine): caption buttons show letters" >&2
