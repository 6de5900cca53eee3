#!/usr/bin/env bash
# Checks the layers by their includes: every file of a library names only headers of its own
# folder and of the folders below it, and of the device and button libraries only their public
# headers; the device library's own folders are layers in the same way. The build enforces the
# same order (cmake/KymoraLayers.cmake); this check also covers headers that nothing compiles,
# and says in words what is wrong. Run by ctest as "Layers".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The program's layers, bottom first; each may include the ones before it.
order=(common base controls outputs documents graph transforms scripts shell)
public="devlib/vk40.h devlib/outputs.h devlib/resource.h button/lumikey.h"
# The device library's layers, bottom first; the rest of devlib/ (its tests, the simulated unit)
# sees the whole library.
devlib_order=(devlib/services devlib/acquisition/model devlib/acquisition/channels devlib/acquisition/unit
  devlib/acquisition/calc devlib/acquisition/outputs devlib/acquisition/run devlib/acquisition/setup
  devlib/acquisition/script devlib/binding)

allowed_for() {
  case $1 in
    button) echo "button" ;;
    devlib) echo "devlib common button/lumikey.h" ;;
    devlib/*)
      local list="devlib/vk40.h devlib/outputs.h devlib/resource.h common button/lumikey.h"
      for layer in "${devlib_order[@]}"; do
        list="$list $layer"
        [ "$layer" = "$1" ] && break
      done
      echo "$list" ;;
    *)
      local list="$public"
      for layer in "${order[@]}"; do
        list="$list $layer"
        [ "$layer" = "$1" ] && break
      done
      echo "$list" ;;
  esac
}

bad=0
for folder in "${order[@]}" "${devlib_order[@]}" devlib button; do
  allowed=$(allowed_for "$folder")
  while IFS= read -r -d '' file; do
    while IFS= read -r line; do
      number=${line%%:*}
      [[ $line =~ include[[:space:]]*\"([^\"]+)\" ]] || continue
      name=${BASH_REMATCH[1]}
      # A name beside the including file is its own folder's; otherwise it starts at the root.
      dir=${file%/*}
      if [ -e "$dir/$name" ]; then
        target=$(realpath -m --relative-to="$root" "$dir/$name")
      else
        target=$name
      fi
      ok=0
      for a in $allowed; do
        case $target in
          "$a" | "$a"/*) ok=1; break ;;
        esac
      done
      if [ $ok -eq 0 ]; then
        echo "$file:$number: includes \"$name\", which $folder may not see (it sees: $allowed)"
        bad=1
      fi
    done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
  done < <(
    if [ "$folder" = devlib ]; then
      prune=()
      for layer in "${devlib_order[@]}"; do prune+=(-path "$layer" -prune -o); done
      find devlib "${prune[@]}" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0
    else
      find "$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0
    fi)
done
[ $bad -eq 0 ] && echo "Layers hold: ${order[*]} (bottom first), beside devlib (${devlib_order[*]#devlib/}) and button."
exit $bad
