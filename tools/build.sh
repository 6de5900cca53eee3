#!/usr/bin/env bash
# Configures and builds everything into build/ (cross-compiled for x86_64 Windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KYMORA_BUILD:-$root/build}
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=${KYMORA_BUILD_TYPE:-Release} -DKYMORA_TESTS=${KYMORA_TESTS:-ON} >/dev/null
cmake --build "$build" -- -j"$(nproc)"
