#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config python3
  zlib1g-dev libpng-dev libsdl2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmuparser-dev libpixman-1-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils
  file dpkg-dev groff-base desktop-file-utils  # the install and package tests
  python3-pil fonts-dejavu-core  # the skin generator only (tools/skin); the build never needs them
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
