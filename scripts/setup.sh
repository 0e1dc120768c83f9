#!/usr/bin/env bash
# Installs what the build (and cpack -G DEB) needs on Debian 12 (apt-get), as root or through sudo.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config dpkg-dev libgtest-dev libgmock-dev libbenchmark-dev
          libpugixml-dev qt6-base-dev libhunspell-dev hunspell-en-us
          xvfb xauth qt6-qpa-plugins libxcb-cursor0 fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
