#!/usr/bin/env bash
# Fuzzes one built target: fuzz/fuzz_one.sh TARGET SECONDS [libFuzzer options...]
# Starts from the seeds and kept crashers in fuzz/corpus/TARGET (left as they
# are); new inputs go to build/fuzz/corpus/TARGET, crashers to
# build/fuzz/artifacts/TARGET/. Exits non-zero when the target crashes,
# leaks, hangs for 10 s or runs out of memory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)  # the targets work in a folder of their own: every path is absolute
target=$1
seconds=$2
shift 2
max_len=8192
[ "$target" = take_probe ] && max_len=20000  # the probe looks for tags up to byte 15000
mkdir -p "build/fuzz/corpus/$target" "build/fuzz/artifacts/$target"
exec "$root/build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
  -rss_limit_mb=2048 -max_len="$max_len" -dict="$root/fuzz/wexmont.dict" -print_final_stats=1 \
  -artifact_prefix="$root/build/fuzz/artifacts/$target/" "$@" \
  "$root/build/fuzz/corpus/$target" "$root/fuzz/corpus/$target"
