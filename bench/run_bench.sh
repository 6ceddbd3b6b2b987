#!/usr/bin/env bash
# End-to-end benchmark of a long comp. Generates a project into a scratch
# folder, then times in the same run, round by round:
#   wexmont  the build of every track;
#   bound    cp of one file as large as all outputs together, on the same file
#            system (the kernel's own copy: the fastest the bytes can move);
#   peer     sox_peer.sh, the same tracks built with sox (each segment trimmed
#            from its take, the pieces spliced with crossfades).
# Every timed run starts alike: its earlier outputs removed, a sync, its inputs
# read once (untimed). It prints the best and median wall time, throughput (MB
# of output per second) and peak resident memory of each, the ratios
# wexmont/bound and peer/wexmont, a density table (the main project at more
# edit points), a scaling table over take length and edit points, a large
# output (one track of 16-channel 32-bit float past 4 GiB, written as RF64)
# against cp of the same bytes, and the Google Benchmark timings of the inner
# routines. Then a wide project (256 tracks x 1024 edit points of short takes)
# against the bound, and, when run as root, the main project on an XFS image
# with reflink (a loop device): wexmont against cp, which clones there, and
# the share of the outputs' blocks that the file system shares with the takes
# (FIEMAP's shared flag, as filefrag shows it). The scratch folder is removed
# at the end.
#
#   bench/run_bench.sh            default project: 4 tracks x 3 takes x 10 min,
#                                 48 kHz 24-bit stereo, 40 edit points, 200 ms
#                                 equal-power crossfades; 5 runs each
#   bench/run_bench.sh --quick    small sizes, 3 runs: a smoke run of every step
#
# Options: --runs N, --tracks N, --takes N, --minutes M, --edits N, --xfade-ms MS,
# --replace (each wexmont run replaces the outputs of the one before, as a
# rebuild does, instead of writing them into an empty folder),
# --large-gb G (size of the large output, default 5), --no-peer, --no-density,
# --no-scaling, --no-large, --no-micro, --no-wide, --no-xfs, --keep (leave the
# scratch folder),
# --scratch DIR (where the scratch folder is made; default build/bench),
# --build DIR (default build/bench),
# --wexmont BINARY (time this program instead of the one built here, e.g. a
# build of an earlier commit; the benchmark tools are still built here).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

quick=0
for argument in "$@"; do
  [ "$argument" = --quick ] && quick=1
done
# Sizes of the default project and the scaling table; a quick run shrinks
# them, and the options below override either.
tracks=4 takes=3 minutes=10 edits=40 xfade_ms=200 runs=5
scaling_minutes=(1 5 20)
scaling_edits=(10 100 1000)
density_edits=(40 200 1000)
micro_time=0.2
# The wide project: many tracks of short takes, with an edit point every few
# hundredths of a second and 10 ms crossfades.
wide_tracks=256 wide_takes=2 wide_minutes=0.2 wide_edits=1024 wide_xfade_ms=10
if ((quick)); then
  tracks=2 minutes=1 edits=10 runs=3
  wide_tracks=16 wide_edits=64
  scaling_minutes=(0.5 1 2)
  scaling_edits=(10 50 100)
  density_edits=(10 50 100)
  micro_time=0.01
fi
peer=1 scaling=1 density=1 large=1 micro=1 wide=1 xfs=1 keep=0 replace=0 wexmont_given=
large_gb=5
scratch_parent=$root/build/bench
build=$root/build/bench
while (($#)); do
  case $1 in
    --quick) ;;
    --runs) runs=$2; shift ;;
    --tracks) tracks=$2; shift ;;
    --takes) takes=$2; shift ;;
    --minutes) minutes=$2; shift ;;
    --edits) edits=$2; shift ;;
    --xfade-ms) xfade_ms=$2; shift ;;
    --no-peer) peer=0 ;;
    --no-scaling) scaling=0 ;;
    --no-density) density=0 ;;
    --no-large) large=0 ;;
    --large-gb) large_gb=$2; shift ;;
    --no-micro) micro=0 ;;
    --no-wide) wide=0 ;;
    --no-xfs) xfs=0 ;;
    --wexmont) wexmont_given=$(realpath "$2"); shift ;;
    --keep) keep=1 ;;
    --replace) replace=1 ;;
    --scratch) scratch_parent=$(realpath -m "$2"); shift ;;
    --build) build=$(realpath -m "$2"); shift ;;
    *) sed -n '2,37p' "$0"; exit 2 ;;
  esac
  shift
done

# --- tools ------------------------------------------------------------------
scripts/install_missing.sh cmake g++ make libbenchmark-dev sox time

echo "== Building (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DWEXMONT_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target wexmont wexmont_bench_project wexmont_microbench \
  >/dev/null
wexmont=${wexmont_given:-$build/wexmont}
generate=$build/bench/wexmont_bench_project
echo "Timing $wexmont"

# --- scratch folder ---------------------------------------------------------
mkdir -p "$scratch_parent"
scratch=$(mktemp -d "$scratch_parent/scratch.XXXXXX")
xfs_mount= xfs_device=
cleanup() {
  if [ -n "$xfs_mount" ]; then
    umount "$xfs_mount" || true
  fi
  if [ -n "$xfs_device" ]; then
    losetup -d "$xfs_device" || true
  fi
  if ((keep)); then
    echo "Scratch folder kept: $scratch"
  else
    rm -rf "$scratch"
  fi
}
trap cleanup EXIT

bytes_per_frame=6  # 24-bit stereo, as the generator writes by default
longest_minutes=$minutes
if ((scaling)); then
  for m in "${scaling_minutes[@]}"; do
    longest_minutes=$(awk -v a="$longest_minutes" -v b="$m" 'BEGIN { print (b > a ? b : a) }')
  done
fi
# The main project holds its takes and four sets of outputs (wexmont's, the
# bound's source and copy, sox's); a scaling project its takes and one set.
needed_bytes=$(awk -v t="$tracks" -v k="$takes" -v m="$minutes" -v l="$longest_minutes" \
  -v b="$bytes_per_frame" 'BEGIN { main = (k + 4) * m; longest = (k + 1) * l
    printf "%.0f", t * (main > longest ? main : longest) * 60 * 48000 * b }')
free_bytes=$(df -B1 --output=avail "$scratch" | tail -1)
if ((free_bytes < needed_bytes + (1 << 30))); then
  echo "Not enough disk: $((needed_bytes >> 20)) MiB needed in $scratch, $((free_bytes >> 20)) MiB free"
  exit 1
fi

# --- the machine ------------------------------------------------------------
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
memory=$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
fs=$(findmnt -n -o FSTYPE -T "$scratch")
device=$(findmnt -n -o SOURCE -T "$scratch")
echo
echo "Machine: $cpu, $(nproc) cores, $memory memory; Linux $(uname -r);"
echo "scratch on $fs ($device); $(cp --version | head -1); $(sox --version | sed 's/^.*SoX/SoX/')"

# --- timing -----------------------------------------------------------------
# measure FOLDER RESULTS-FILE REMOVE WARM COMMAND...: one fair timed run in
# FOLDER. Untimed first, for every contender alike: the files REMOVE (a glob in
# FOLDER) that an earlier run wrote are deleted, since overwriting a large file
# costs a truncation that a fresh destination does not pay; a sync, so that no
# earlier run's writeback is charged to this one; and the inputs WARM (a glob
# in FOLDER) are read once, so every contender starts from a warm page cache.
# Appends "wall-seconds peak-KiB cpu-seconds" (cpu: user + system, of every
# process of the run).
measure() {
  local folder=$1 results=$2 remove=$3 warm=$4
  shift 4
  (cd "$folder" && rm -f $remove && cat $warm >/dev/null)
  sync
  local start end
  start=$EPOCHREALTIME
  (cd "$folder" && /usr/bin/time -f '%M %U %S' -o "$scratch/.usage" "$@" >/dev/null)
  end=$EPOCHREALTIME
  tail -1 "$scratch/.usage" | awk -v s="$start" -v e="$end" \
    '{ printf "%.3f %d %.2f\n", e - s, $1, $2 + $3 }' >>"$results"
}
best() {  # column of a results file
  awk -v c="$2" 'NR == 1 || $c < m { m = $c } END { print m }' "$1"
}
median() {  # column of a results file
  awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
largest() {
  awk -v c="$2" '$c > m { m = $c } END { print m }' "$1"
}
output_bytes() {  # all outputs of a folder with the given suffix
  local total=0 f
  for f in "$1"/*"$2"; do total=$((total + $(stat -c %s "$f"))); done
  echo "$total"
}
mbps() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.0f", b / 1e6 / s }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# The bound copies real bytes: where the file system can share extents (a
# clone is no copy), cp is told not to.
probe=$scratch/.clone_probe
echo x >"$probe"
cp_options=()
if cp --reflink=always "$probe" "$probe.2" 2>/dev/null; then
  cp_options=(--reflink=never)
fi
rm -f "$probe" "$probe.2"

# --- the main project -------------------------------------------------------
project=$scratch/main
echo
echo "== Project: $tracks tracks x $takes takes x $minutes min, 48 kHz 24-bit stereo," \
  "$edits edit points, $xfade_ms ms equal-power crossfades"
start=$EPOCHREALTIME
"$generate" "$project" --tracks "$tracks" --takes "$takes" --minutes "$minutes" \
  --edits "$edits" --xfade-ms "$xfade_ms"
echo "Project written in $(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f", e - s }') s"

results=$scratch/results
rm -rf "$results" && mkdir -p "$results"
rm -f "$project"/*_bld.wav
(cd "$project" && "$wexmont" >/dev/null)
out_bytes=$(output_bytes "$project" _bld.wav)
md5_first=$(cd "$project" && cat ./*_bld.wav | md5sum)
cat "$project"/*_bld.wav >"$project/bound_source.bin"

# A rebuild (--replace) finds the outputs of the run before it in place.
outputs_to_remove="*_bld.wav"
((replace)) && outputs_to_remove=""
# round RESULTS-FOLDER: one timed run of every contender on the main project.
round() {
  measure "$project" "$1/wexmont" "$outputs_to_remove" "*[A-Z].wav" "$wexmont"
  measure "$project" "$1/bound" bound_copy.bin bound_source.bin \
    cp "${cp_options[@]}" bound_source.bin bound_copy.bin
  if ((peer)); then
    measure "$project" "$1/peer" "*_sox.wav" "*[A-Z].wav" sh sox_peer.sh
  fi
}
for ((r = 1; r <= runs; ++r)); do
  echo "Round $r of $runs"
  round "$results"
done
md5_last=$(cd "$project" && cat ./*_bld.wav | md5sum)
[ "$md5_first" = "$md5_last" ] || { echo "Outputs differ between runs"; exit 1; }
if ((peer)); then
  for f in "$project"/*_sox.wav; do
    sox_frames=$(soxi -s "$f")
    ours=$((($(stat -c %s "${f%_sox.wav}_bld.wav") - 44) / bytes_per_frame))
    [ "$sox_frames" = "$ours" ] || { echo "sox built $sox_frames frames, wexmont $ours: $f"; exit 1; }
  done
fi

echo
echo "Output: $out_bytes bytes ($(awk -v b="$out_bytes" 'BEGIN { printf "%.0f", b / 1e6 }') MB)" \
  "in $tracks files; best and median of $runs runs, peak = largest resident set of any run"
echo
echo "| contender | best wall s | median wall s | MB/s of output (median) | CPU s (user + sys) | peak memory MiB |"
echo "|---|---:|---:|---:|---:|---:|"
contenders=(wexmont bound)
((peer)) && contenders+=(peer)
declare -A wall cpu
for c in "${contenders[@]}"; do
  wall[$c]=$(median "$results/$c" 1)
  cpu[$c]=$(median "$results/$c" 3)
  label=$c
  [ "$c" = bound ] && label="bound: cp of one $((out_bytes >> 20)) MiB file"
  [ "$c" = peer ] && label="peer: sox trim + splice"
  echo "| $label | $(best "$results/$c" 1) | ${wall[$c]} | $(mbps "$out_bytes" "${wall[$c]}") | ${cpu[$c]} |" \
    "$(mib "$(largest "$results/$c" 2)") |"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
echo
echo "wexmont / bound = $(ratio "${wall[wexmont]}" "${wall[bound]}") (wall)," \
  "$(ratio "${cpu[wexmont]}" "${cpu[bound]}") (CPU)"
if ((peer)); then
  echo "peer / wexmont  = $(ratio "${wall[peer]}" "${wall[wexmont]}") (wall)," \
    "$(ratio "${cpu[peer]}" "${cpu[wexmont]}") (CPU)"
fi
verdict() { awk -v v="$1" -v op="$2" -v limit="$3" 'BEGIN {
  met = op == "<=" ? v <= limit : v >= limit; printf "%s", met ? "met" : "MISSED" }'; }
((quick)) && echo "(A quick project is too small for the targets: start-up and crossfades dominate.)"
echo "Targets: wexmont within 1.2x of the bound:" \
  "$(verdict "$(ratio "${wall[wexmont]}" "${wall[bound]}")" "<=" 1.2);" \
  "peak memory under 8 MiB: $(verdict "$(largest "$results/wexmont" 2)" "<=" 8191)"
if ((peer)); then
  echo "         at least 10x faster than the peer:" \
    "$(verdict "$(ratio "${wall[peer]}" "${wall[wexmont]}")" ">=" 10)"
fi
for c in "${contenders[@]}"; do
  echo "Wall times of $c: $(awk '{ printf "%s ", $1 }' "$results/$c")"
done
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine slows every contender)"

# --- density ----------------------------------------------------------------
# The main project again with more edit points (the same takes, a new edit
# list): crossfade-dense comps must stay close to the bound as well.
if ((density)); then
  echo
  echo "== Density: the main project at ${density_edits[*]} edit points, best and median of $runs runs"
  echo
  echo "| edit points | wexmont best s | wexmont median s | bound median s | wexmont / bound | peer median s | peer / wexmont | peak MiB |"
  echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
  for e in "${density_edits[@]}"; do
    "$generate" "$project" --tracks "$tracks" --takes "$takes" --minutes "$minutes" --edits "$e" \
      --xfade-ms "$xfade_ms" --points-only
    rows=$scratch/results/density_$e
    rm -rf "$rows" && mkdir -p "$rows"
    for ((r = 1; r <= runs; ++r)); do
      round "$rows"
    done
    w=$(median "$rows/wexmont" 1) b=$(median "$rows/bound" 1) p="-" pr="-"
    if ((peer)); then
      p=$(median "$rows/peer" 1)
      pr=$(ratio "$p" "$w")
    fi
    echo "| $e | $(best "$rows/wexmont" 1) | $w | $b | $(ratio "$w" "$b") | $p | $pr |" \
      "$(mib "$(largest "$rows/wexmont" 2)") |"
  done
  echo "Targets: wexmont / bound at most 1.2 at 40 edit points and at most 5 at 1000;" \
    "peer / wexmont at least 10 on every row; peak under 8 MiB on every row."
fi
rm -f "$project"/bound_*.bin "$project"/*_sox.wav

# --- scaling ----------------------------------------------------------------
# scaling_row FOLDER LABEL: a table row of the median wall time and the
# largest peak of `runs` builds in FOLDER.
scaling_row() {
  local folder=$1 label=$2 file=$scratch/results/scaling
  rm -f "$file"
  for ((r = 1; r <= runs; ++r)); do
    measure "$folder" "$file" "$outputs_to_remove" "*[A-Z].wav" "$wexmont"
  done
  local bytes seconds
  bytes=$(output_bytes "$folder" _bld.wav)
  seconds=$(median "$file" 1)
  echo "| $label | $(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1e6 }') | $seconds |" \
    "$(mbps "$bytes" "$seconds") |" \
    "$(awk -v b="$bytes" -v s="$seconds" 'BEGIN { printf "%.2f", s / (b / 1e9) }') |" \
    "$(median "$file" 3) | $(mib "$(largest "$file" 2)") |"
}
if ((scaling)); then
  echo
  echo "== Scaling: wexmont alone, $tracks tracks x $takes takes, median of $runs runs"
  echo
  echo "| minutes per take | edit points | output MB | wall s | MB/s | wall s per GB | CPU s | peak MiB |"
  echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
  rm -rf "$project"
  for m in "${scaling_minutes[@]}"; do
    folder=$scratch/minutes_$m
    "$generate" "$folder" --tracks "$tracks" --takes "$takes" --minutes "$m" --edits "$edits" \
      --xfade-ms "$xfade_ms"
    scaling_row "$folder" "$m | $edits"
    rm -rf "$folder"
  done
  folder=$scratch/edits
  "$generate" "$folder" --tracks "$tracks" --takes "$takes" --minutes "$minutes" \
    --edits "${scaling_edits[0]}" --xfade-ms "$xfade_ms"
  for e in "${scaling_edits[@]}"; do
    "$generate" "$folder" --tracks "$tracks" --takes "$takes" --minutes "$minutes" --edits "$e" \
      --xfade-ms "$xfade_ms" --points-only
    scaling_row "$folder" "$minutes | $e"
  done
  rm -rf "$folder"
fi

# --- wide -------------------------------------------------------------------
# Many tracks of short takes, an edit point every few hundredths of a second:
# per-track and per-edit costs (opening files, headers, placing crossfades)
# rather than bytes.
if ((wide)); then
  folder=$scratch/wide
  echo
  echo "== Wide: $wide_tracks tracks x $wide_takes takes x $wide_minutes min, $wide_edits edit" \
    "points, $wide_xfade_ms ms crossfades; best and median of $runs runs"
  "$generate" "$folder" --tracks "$wide_tracks" --takes "$wide_takes" --minutes "$wide_minutes" \
    --edits "$wide_edits" --xfade-ms "$wide_xfade_ms"
  (cd "$folder" && "$wexmont" >/dev/null)
  cat "$folder"/*_bld.wav >"$folder/bound_source.bin"
  rows=$scratch/results/wide
  rm -rf "$rows" && mkdir -p "$rows"
  for ((r = 1; r <= runs; ++r)); do
    measure "$folder" "$rows/wexmont" "$outputs_to_remove" "*[A-Z].wav" "$wexmont"
    measure "$folder" "$rows/bound" bound_copy.bin bound_source.bin \
      cp "${cp_options[@]}" bound_source.bin bound_copy.bin
  done
  bytes=$(($(stat -c %s "$folder/bound_source.bin")))
  echo
  echo "| contender | best wall s | median wall s | output MB | peak MiB |"
  echo "|---|---:|---:|---:|---:|"
  for c in wexmont bound; do
    echo "| $c | $(best "$rows/$c" 1) | $(median "$rows/$c" 1) |" \
      "$(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1e6 }') | $(mib "$(largest "$rows/$c" 2)") |"
  done
  echo "Wall times of wexmont: $(awk '{ printf "%s ", $1 }' "$rows/wexmont")"
  rm -rf "$folder"
fi

# --- XFS with reflink -------------------------------------------------------
# shared_percent FILE...: the share of the files' blocks that FIEMAP reports
# shared with another file (filefrag -v: the "shared" flag of each extent),
# of the blocks their sizes cover (not counting blocks allocated past the
# end of a file).
shared_percent() {
  local f
  for f in "$@"; do filefrag -v "$f"; done | awk -F: '
    /^File size of .* blocks of/ { sub(/.*\(/, ""); blocks += $0 + 0 }
    /^ *[0-9]+:/ && /shared/ { split($4, len, " "); shared += len[1] }
    END { if (blocks > 0) printf "%.1f", 100 * shared / blocks; else printf "-" }'
}
if ((xfs)); then
  echo
  if [ "$(id -u)" != 0 ] || ! command -v mkfs.xfs >/dev/null || ! command -v losetup >/dev/null ||
    ! command -v filefrag >/dev/null; then
    echo "== XFS with reflink: skipped (needs root, mkfs.xfs, losetup and filefrag)"
  else
    # Room for the takes, two sets of outputs and the bound's copy, and the
    # file system's own.
    image=$scratch/xfs.img
    image_bytes=$(awk -v t="$tracks" -v k="$takes" -v m="$minutes" -v b="$bytes_per_frame" \
      'BEGIN { printf "%.0f", (t * (k + 3) * m * 60 * 48000 * b) * 1.2 + 2^30 }')
    truncate -s "$image_bytes" "$image"
    mkfs.xfs -q -m reflink=1 "$image"
    xfs_device=$(losetup -f --show "$image")
    xfs_mount=$scratch/xfs
    mkdir -p "$xfs_mount"
    mount "$xfs_device" "$xfs_mount"
    echo "== XFS with reflink (a loop device on $fs): the main project, $edits edit points;" \
      "best and median of $runs runs; cp clones"
    echo
    echo "| takes | contender | best wall s | median wall s | peak MiB | blocks shared with the takes |"
    echo "|---|---|---:|---:|---:|---:|"
    # Plain takes, whose samples start at byte 44 as the output's do, and
    # takes with a 1 KiB JUNK reserve before their samples, as DAWs leave.
    for take_junk in 0 1024; do
      folder=$xfs_mount/main_$take_junk
      "$generate" "$folder" --tracks "$tracks" --takes "$takes" --minutes "$minutes" \
        --edits "$edits" --xfade-ms "$xfade_ms" --take-junk "$take_junk"
      (cd "$folder" && "$wexmont" >/dev/null)
      cat "$folder"/*_bld.wav >"$folder/bound_source.bin"
      rows=$scratch/results/xfs_$take_junk
      rm -rf "$rows" && mkdir -p "$rows"
      for ((r = 1; r <= runs; ++r)); do
        measure "$folder" "$rows/wexmont" "$outputs_to_remove" "*[A-Z].wav" "$wexmont"
        measure "$folder" "$rows/bound" bound_copy.bin bound_source.bin \
          cp bound_source.bin bound_copy.bin
      done
      sync
      label="plain"
      ((take_junk)) && label="$take_junk-byte JUNK reserve"
      padded=$(for f in "$folder"/*_bld.wav; do head -c 4096 "$f" | grep -ac JUNK || true; done |
        awk '{ n += $1 } END { print n + 0 }')
      echo "| $label | wexmont ($padded of $tracks outputs padded) | $(best "$rows/wexmont" 1) |" \
        "$(median "$rows/wexmont" 1) | $(mib "$(largest "$rows/wexmont" 2)") |" \
        "$(shared_percent "$folder"/*_bld.wav) % |"
      echo "| $label | bound: cp (a clone) | $(best "$rows/bound" 1) | $(median "$rows/bound" 1) |" \
        "$(mib "$(largest "$rows/bound" 2)") | - |"
      echo "Wall times of wexmont: $(awk '{ printf "%s ", $1 }' "$rows/wexmont")" >&2
      rm -rf "$folder"
    done
    echo "The crossfades, which are written, not shared, are" \
      "$(awk -v e="$edits" -v x="$xfade_ms" -v m="$minutes" \
        'BEGIN { printf "%.1f", 100 * (e - 2) * x / 1000 / (m * 60) }') % of each output."
    umount "$xfs_mount" && xfs_mount=
    losetup -d "$xfs_device" && xfs_device=
    rm -f "$image"
  fi
fi

# --- large output -----------------------------------------------------------
# One track of two 16-channel 32-bit float takes at 48 kHz, long enough for an
# output of large_gb GB: past 4 GiB, so it is written as RF64. The bound is cp
# of that output itself, the same bytes. Its takes, the output and the copy
# must fit beside each other; where they do not, the row is skipped.
if ((large)); then
  large_bytes_per_second=$((48000 * 16 * 4))
  large_minutes=$(awk -v g="$large_gb" -v b="$large_bytes_per_second" \
    'BEGIN { printf "%.4f", (g * 1e9 / b + 2) / 60 }')
  large_needed=$(awk -v g="$large_gb" 'BEGIN { printf "%.0f", 4 * g * 1e9 + 2^30 }')
  large_free=$(df -B1 --output=avail "$scratch" | tail -1)
  echo
  if ((large_free < large_needed)); then
    echo "== Large output: skipped, $((large_needed >> 20)) MiB of disk needed in $scratch," \
      "$((large_free >> 20)) MiB free"
  else
    folder=$scratch/large
    "$generate" "$folder" --tracks 1 --takes 2 --minutes "$large_minutes" --edits "$edits" \
      --channels 16 --bits 32 --float --xfade-ms "$xfade_ms"
    rm -f "$folder/sox_peer.sh"
    rows=$scratch/results/large
    rm -rf "$rows" && mkdir -p "$rows"
    (cd "$folder" && "$wexmont" >/dev/null)
    output=$(ls "$folder"/*_bld.wav)
    [ "$(head -c 4 "$output")" = RF64 ] || { echo "The large output is no RF64 file: $output"; exit 1; }
    bytes=$(stat -c %s "$output")
    for ((r = 1; r <= runs; ++r)); do
      measure "$folder" "$rows/wexmont" "$outputs_to_remove" "*[A-Z].wav" "$wexmont"
      measure "$folder" "$rows/bound" large_copy.bin "$(basename "$output")" \
        cp "${cp_options[@]}" "$(basename "$output")" large_copy.bin
    done
    echo "== Large output: $bytes bytes ($(awk -v b="$bytes" 'BEGIN { printf "%.2f", b / 1e9 }') GB)," \
      "1 track of 16-channel 32-bit float, RF64, $edits edit points; best and median of $runs runs"
    echo
    echo "| contender | best wall s | median wall s | MB/s of output (median) | CPU s (user + sys) | peak memory MiB |"
    echo "|---|---:|---:|---:|---:|---:|"
    for c in wexmont bound; do
      label=$c
      [ "$c" = bound ] && label="bound: cp of the same $((bytes >> 20)) MiB"
      echo "| $label | $(best "$rows/$c" 1) | $(median "$rows/$c" 1) |" \
        "$(mbps "$bytes" "$(median "$rows/$c" 1)") | $(median "$rows/$c" 3) |" \
        "$(mib "$(largest "$rows/$c" 2)") |"
    done
    echo
    echo "wexmont / bound = $(ratio "$(median "$rows/wexmont" 1)" "$(median "$rows/bound" 1)") (wall)"
    rm -rf "$folder"
  fi
fi

# --- inner routines ---------------------------------------------------------
if ((micro)); then
  echo
  echo "== Inner routines (Google Benchmark)"
  TMPDIR=$scratch "$build/bench/wexmont_microbench" --benchmark_min_time="$micro_time" 2>&1 |
    grep -v '^\*\*\*WARNING'
fi
