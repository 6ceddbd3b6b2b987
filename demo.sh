#!/usr/bin/env bash
# Builds wexmont, writes a small demo project of real takes into demo_project/
# and builds its tracks there.
set -euo pipefail
cd "$(dirname "$0")"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target wexmont wexmont_demo >/dev/null
rm -rf demo_project
build/release/wexmont_demo demo_project
cd demo_project
../build/release/wexmont
echo "Outputs: $(pwd)/drums_bld.wav and $(pwd)/bass_bld.wav"
