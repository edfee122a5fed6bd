#!/usr/bin/env bash
# Installs the Debian 12 packages Pentad builds and tests with. Needs root
# (or sudo); does nothing for packages already present.
set -euo pipefail
packages=(build-essential cmake pkg-config googletest libgtest-dev libgmock-dev
  libbenchmark-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev clang
  libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
