#!/usr/bin/env bash
# Installs the build and run packages when any is missing (idempotent; needs root or sudo).
set -euo pipefail
pkgs=(cmake ninja-build g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xauth
      imagemagick googletest fonts-liberation fonts-wine lua5.4
      python3-numpy python3-scipy cups printer-driver-cups-pdf poppler-utils socat)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
