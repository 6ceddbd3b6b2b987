#!/usr/bin/env bash
# Installs what the tests need (only what is missing), builds, and runs every
# test: once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer; then a short run of every fuzz target and one
# project under valgrind memcheck.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install_missing.sh cmake g++ make pkg-config libgtest-dev libsndfile1-dev sndfile-programs sox clang libclang-rt-14-dev valgrind \
  man-db groff-base python3 chromium

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

# About ten seconds per target, starting from the seeds and every kept
# crasher in fuzz/corpus/; fuzz/run_long.sh runs one target for longer.
echo "== Short fuzz runs"
fuzz/build.sh
for target in track_lists rc_file take_probe crossfade whole_run; do
  log="build/fuzz/short_$target.log"
  if fuzz/fuzz_one.sh "$target" 10 >"$log" 2>&1; then
    echo "$target: $(grep -E '^Done' "$log")"
  else
    tail -n 60 "$log"
    echo "$target: the fuzz run failed, crasher in build/fuzz/artifacts/$target/"
    exit 1
  fi
done

echo "== One project under valgrind memcheck, checked, built and drawn"
project=$(mktemp -d)
trap 'rm -rf "$project"' EXIT
build/test/wexmont_demo "$project" >/dev/null
for argument in --check "" --sheet; do  # the check first: it writes nothing
  (cd "$project" && valgrind -q --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect "$OLDPWD/build/test/wexmont" $argument >/dev/null)
done
echo "valgrind: no errors, no leaks"

# The README's first command builds for use (Release, where the compiler
# warns about other things than at -O2); it must build and run too.
echo "== The demo, as the README's first command makes it"
./demo.sh >/dev/null
echo "demo: built and run"
