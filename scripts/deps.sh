#!/usr/bin/env bash
# Installs what building, running and testing Marvolen needs on Debian 12 (run as root).
set -euo pipefail
packages=(cmake g++ make libgtest-dev libbenchmark-dev qt6-base-dev qt6-svg-dev libgl1-mesa-dev
          fonts-liberation xvfb xauth clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
