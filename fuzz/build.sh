#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz (installs clang and its
# libFuzzer runtime first when they are missing).
set -euo pipefail
cd "$(dirname "$0")/.."
needed=(clang libclang-rt-14-dev cmake make)
missing=()
for package in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEXMONT_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" >/dev/null
