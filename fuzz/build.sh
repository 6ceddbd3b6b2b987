#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz (installs clang and its
# libFuzzer runtime first when they are missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_missing.sh clang libclang-rt-14-dev cmake make
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEXMONT_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" >/dev/null
