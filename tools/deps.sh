#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# and only when some are missing (apt-get update runs once, then install).
set -euo pipefail
packages=(
  build-essential cmake pkg-config git
  clang libclang-rt-14-dev
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libglx-mesa0 libegl-mesa0
  libflac-dev libstb-dev libmpg123-dev libvorbis-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmojoshader-dev
  flac vorbis-tools lame
  xvfb openbox x11-apps
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
