#!/usr/bin/env bash
# Line coverage of the product by the whole test suite: builds the tests with
# --coverage into build/faults, runs them, prints the coverage of every
# product file and then every refusal of a run (an EndRun call) that no test
# reaches.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v gcovr >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq gcovr
fi
folder=build/faults
cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage >/dev/null
cmake --build "$folder" -j"$(nproc)" >/dev/null
find "$folder" -name '*.gcda' -delete
ctest --test-dir "$folder" -j"$(nproc)" >"$folder/coverage_tests.log" 2>&1 ||
  echo "Some tests failed, see $folder/coverage_tests.log"
gcovr -r . --object-directory "$folder" --filter '(driver|project|wav|xfade)/' \
  --txt - --json "$folder/coverage.json"
echo
echo "Refusals that no test reaches:"
python3 - "$folder/coverage.json" <<'PY'
import json, sys
for entry in json.load(open(sys.argv[1]))["files"]:
    source = open(entry["file"]).read().split("\n")
    for line in entry["lines"]:
        text = source[line["line_number"] - 1].strip()
        if line["count"] == 0 and "EndRun(" in text:
            print(f'{entry["file"]}:{line["line_number"]}: {text}')
PY
