#!/usr/bin/env bash
# Builds everything and runs the benchmarks under Wine on a virtual display; prints their figures.
# Names pick some of them (bash tools/bench.sh sample_store startup idle); all run when none are given.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
"$root/tools/build.sh"
build=${KYMORA_BUILD:-$root/build}
prefix=$build/wineprefix
"$root/tools/wineprefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  root=$1 build=$2
  shift 2
  cd "$build/bin"
  # With no names every benchmark runs, the idle measurement last.
  if [ $# -eq 0 ]; then set -- *_bench.exe idle; fi
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  for b in "$@"; do
    if [ "$b" = idle ]; then
      echo "== idle"
      "$root/tools/idle_cpu.sh" "$build/bin"
      continue
    fi
    b=${b%.exe}; b=${b%_bench}_bench.exe
    if [ "$b" = script_bench.exe ]; then
      # The engine under Wine beside the same loop in Lua 5.4, and how far apart they are.
      echo "== $b"
      ours=$(wine "$b" | tr -d "\r")
      lua=$(lua5.4 "$root/tests/bench/script_bench.lua")
      printf "%s\n%s\n" "$ours" "$lua" | grep -v _per_s
      k=$(printf "%s\n" "$ours" | awk "/kymora_statements_per_s/ {print \$2}")
      l=$(printf "%s\n" "$lua" | awk "/lua_statements_per_s/ {print \$2}")
      awk -v k="$k" -v l="$l" "BEGIN { printf \"ratio: Lua 5.4 is %.1f times as fast (target: at most 10)\\n\", l / k }"
      continue
    fi
    if [ "$b" = fft_bench.exe ]; then
      # Our real transform of 2^20 points beside numpy.fft.rfft on the same data.
      echo "== $b"
      ours=$(wine "$b" | tr -d "\r")
      numpy=$(/usr/bin/python3 "$root/tests/bench/fft_bench.py")
      printf "%s\n%s\n" "$ours" "$numpy"
      k=$(printf "%s\n" "$ours" | awk "/kymora_fft_ms/ {print \$2}")
      n=$(printf "%s\n" "$numpy" | awk "/numpy_fft_ms/ {print \$2}")
      awk -v k="$k" -v n="$n" "BEGIN { printf \"ratio: ours takes %.2f times as long as numpy (target: at most 3)\\n\", k / n }"
      continue
    fi
    if [ "$b" = fir_bench.exe ]; then
      # The same filter over the same samples in scipy.signal, and how far apart they are.
      echo "== $b"
      ours=$(wine "$b" | tr -d "\r")
      py=$(/usr/bin/python3 "$root/tests/bench/fir_bench.py")
      printf "%s\n%s\n" "$ours" "$py"
      k=$(printf "%s\n" "$ours" | awk "/fir_1001_taps_10M_s/ {print \$2}")
      s=$(printf "%s\n" "$py" | awk "/scipy_best_s/ {print \$2}")
      awk -v k="$k" -v s="$s" "BEGIN { printf \"ratio: ours takes %.2f times the scipy best (target: at most 3)\\n\", k / s }"
      continue
    fi
    echo "== $b"; wine "$b"
  done
  wineserver -k || true
' _ "$root" "$build" "$@"
