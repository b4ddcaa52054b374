#!/usr/bin/env bash
# Installs, with apt-get, everything a fresh Debian machine lacks to build,
# test, fuzz and benchmark korvelSC. Safe to run again.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  tcl-dev tcl8.6-doc
  libgtest-dev libgmock-dev libbenchmark-dev
  libfast-float-dev libcli11-dev nlohmann-json3-dev libeigen3-dev
  librsvg2-dev libcairo2-dev fonts-dejavu-core
  clang libclang-rt-14-dev clang-format
  python3 python3-numpy
)
if [ "${KORVEL_WITH_PEER:-0}" = 1 ]; then
  packages+=(python3-scikit-rf)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
