#!/usr/bin/env bash
# A long fuzz run of one target at low priority:
#   fuzz/run_long.sh TARGET SECONDS
# TARGET is one of track_lists, rc_file, take_probe, crossfade, whole_run.
# The log goes to build/fuzz/logs/TARGET.log; its "Done N runs" line and
# stat::number_of_executed_units give the number of executions. Copy a
# crasher from build/fuzz/artifacts/TARGET/ into fuzz/corpus/TARGET/ once
# its fault is fixed, so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 2 ] || { echo "usage: fuzz/run_long.sh TARGET SECONDS" >&2; exit 2; }
fuzz/build.sh
mkdir -p build/fuzz/logs
log="build/fuzz/logs/$1.log"
status=0
nice -n 10 fuzz/fuzz_one.sh "$1" "$2" >"$log" 2>&1 || status=$?
grep -E "^Done|stat::number_of_executed_units|ERROR|SUMMARY" "$log" || true
exit "$status"
