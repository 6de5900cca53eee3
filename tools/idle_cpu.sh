#!/usr/bin/env bash
# Idle benchmark, run by bench.sh inside its Wine session: starts Kymora, lets it settle, then
# reads the processor time that it and the session's wineserver spend over a quiet spell.
set -euo pipefail
bin=$1 settle=${2:-5} span=${3:-10}
target=1.0  # percent of one core, program and server together, with no recording

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # user + system time of all its threads

# The wineserver that serves this prefix (other sessions on the machine have their own).
server=""
for p in $(pgrep -x 'wineserver(64)?'); do
  if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then server=$p; fi
done
[ -n "$server" ] || { echo "idle: no wineserver for $WINEPREFIX"; exit 1; }

cd "$bin"
wine Kymora.exe </dev/null >/dev/null 2>&1 &
program=$!  # wine execs the loader: this is the program's own process
sleep "$settle"
kill -0 "$program" 2>/dev/null || { echo "idle: Kymora did not keep running"; exit 1; }
p0=$(ticks "$program") s0=$(ticks "$server") t0=$(date +%s.%N)
sleep "$span"
p1=$(ticks "$program") s1=$(ticks "$server") t1=$(date +%s.%N)
kill "$program"
wait "$program" 2>/dev/null || true
awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" -v target="$target" 'BEGIN {
  secs = t1 - t0; prog = 100 * p / hz / secs; serv = 100 * s / hz / secs
  printf "idle for %.0f s after start-up: Kymora %.2f%% of a core, wineserver %.2f%%, together %.2f%% (target under %.1f%%): %s\n",
         secs, prog, serv, prog + serv, target, prog + serv < target ? "met" : "missed"
}'
