#!/usr/bin/env bash
# Installs what the tests need (only what is missing), builds, and runs every
# test: once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

needed=(cmake g++ make pkg-config libgtest-dev libsndfile1-dev sox)
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

jobs=$(nproc)
run_suite() {  # build folder, extra CMake options...
  local folder=$1
  shift
  cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$folder" -j"$jobs"
  ctest --test-dir "$folder" -j"$jobs" --output-on-failure
}

echo "== Tests"
run_suite build/test
echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
run_suite build/asan -DWEXMONT_SANITIZE=ON
