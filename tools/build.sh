#!/usr/bin/env bash
# Configures and builds everything into build/ (cross-compiled for x86_64 Windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KYMORA_BUILD:-$root/build}
# KYMORA_CCACHE=1 shares compiled objects between a developer's build trees through ccache.
launcher=()
if [ "${KYMORA_CCACHE:-0}" = 1 ] && command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=${KYMORA_BUILD_TYPE:-Release} -DKYMORA_TESTS=${KYMORA_TESTS:-ON} >/dev/null
cmake --build "$build" -- -j"$(nproc)"
