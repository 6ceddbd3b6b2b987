#!/usr/bin/env bash
# Shows that two builds of wexmont give the same results: the same exit
# status, console output, files left in the project folder and bytes in every
# one of them. Run it for every change that must not alter output.
#
#   scripts/compare_builds.sh OLD_BINARY NEW_BINARY [--projects N] [--seed S]
#                             [--extra-dir DIR]... [--keep]
#
#   --projects N     generated projects (default 120), see make_compare_projects.py
#   --seed S         seed of the generated set (default 1)
#   --extra-dir DIR  also compare every subfolder of DIR as a ready-made project,
#                    run without argument (e.g. the demo project)
#   --keep           keep the work folder (projects, both runs, captured output)
#
# Prints one line per difference, then what the set exercised, then
# "compare: P projects, D differ". Exits 1 when anything differs, 2 on misuse.
set -euo pipefail
# Both builds run, and names sort, under one locale whoever calls this.
export LC_ALL=C

usage() {  # exit status
  sed -n '2,16s/^# \{0,1\}//p' "$0" >&2
  exit "$1"
}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
count=120
seed=1
keep=0
extra_dirs=()
binaries=()
while (($#)); do
  case $1 in
    --projects) count=${2:?--projects needs a number}; shift 2 ;;
    --seed) seed=${2:?--seed needs a value}; shift 2 ;;
    --extra-dir) extra_dirs+=("${2:?--extra-dir needs a folder}"); shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage 0 ;;
    -*) echo "compare: unknown option $1" >&2; usage 2 ;;
    *) binaries+=("$1"); shift ;;
  esac
done
((${#binaries[@]} == 2)) || usage 2
# Each build runs inside a project copy, so relative paths would break.
old_bin=$(realpath -e -- "${binaries[0]}") || exit 2
new_bin=$(realpath -e -- "${binaries[1]}") || exit 2
for bin in "$old_bin" "$new_bin"; do
  if [ ! -f "$bin" ] || [ ! -x "$bin" ]; then
    echo "compare: $bin is no executable file" >&2
    exit 2
  fi
done
for dir in "${extra_dirs[@]}"; do
  [ -d "$dir" ] || { echo "compare: $dir is no folder" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/wexmont_compare.XXXXXX")
if ((keep)); then
  trap 'echo "compare: kept $work"' EXIT
else
  trap 'rm -rf "$work"' EXIT
fi

# A build that hangs must not hang the comparison; both hanging still shows
# in the status counts as 124.
run_limit=60

python3 "$here/make_compare_projects.py" "$work/projects" --count "$count" --seed "$seed" ||
  { echo "compare: could not write the projects" >&2; exit 2; }

labels=() sources=() arguments=() tags=()
while IFS=$'\t' read -r name argument project_tags; do
  labels+=("$name") sources+=("$work/projects/$name") arguments+=("$argument")
  tags+=("$project_tags")
done <"$work/projects/manifest.tsv"
declare -A extra_seen=()
for dir in "${extra_dirs[@]}"; do
  for project in "$dir"/*/; do
    [ -d "$project" ] || continue
    project=${project%/}
    if [ -n "${extra_seen[${project##*/}]:-}" ]; then
      echo "compare: two extra projects are called ${project##*/}" >&2
      exit 2
    fi
    extra_seen[${project##*/}]=1
    labels+=("extra/${project##*/}") sources+=("$project") arguments+=(-) tags+=(extra)
  done
done

# One copy per build: each writes its outputs, the template and the temporary
# file into its own folder, and a build that touches a take shows too.
run_build() {  # binary side label argument
  local folder="$work/$2/$3" record="$work/records/$2/$3" status=0
  local argv=("$1")
  [ "$4" = - ] || argv+=("$4")
  (cd "$folder" && exec timeout "$run_limit" "${argv[@]}") \
    >"$record.stdout" 2>"$record.stderr" </dev/null || status=$?
  echo "$status" >"$record.status"
}

# Starting a process costs milliseconds here, and a run compares thousands of
# files, so everything but the byte comparisons stays inside the shell.
shopt -s dotglob nullglob globstar

differing=0
compare_project() {  # label
  local label=$1 old="$work/old/$1" new="$work/new/$1" name shown stream
  local old_record="$work/records/old/$1" new_record="$work/records/new/$1"
  local before=$differing
  report() { echo "$label: $*"; differing=$((before + 1)); }

  local old_status new_status
  read -r old_status <"$old_record.status"
  read -r new_status <"$new_record.status"
  [ "$old_status" = "$new_status" ] || report "exit status $old_status (old) vs $new_status (new)"
  for stream in stdout stderr; do
    if [ -s "$old_record.$stream" ] || [ -s "$new_record.$stream" ]; then
      cmp -s -- "$old_record.$stream" "$new_record.$stream" ||
        report "$stream differs: $(cd "$work/records" &&
          cmp -- "old/$label.$stream" "new/$label.$stream" 2>&1)"
    fi
  done

  # Names may hold spaces or a carriage return (CR LF lines in base.txt).
  local -A in_old=() in_new=()
  local old_names=() new_names=()
  for name in "$old"/**; do [ "$name" = "$old/" ] || old_names+=("${name#"$old/"}"); done
  for name in "$new"/**; do [ "$name" = "$new/" ] || new_names+=("${name#"$new/"}"); done
  for name in "${old_names[@]}"; do in_old[$name]=1; done
  for name in "${new_names[@]}"; do in_new[$name]=1; done
  for name in "${old_names[@]}"; do
    printf -v shown '%q' "$name"
    if [ -z "${in_new[$name]:-}" ]; then
      report "only after the old build: $shown"
    elif [ -d "$old/$name" ] && [ -d "$new/$name" ]; then
      :
    elif ! cmp -s -- "$old/$name" "$new/$name"; then
      report "$shown differs: $(cd "$work" && cmp -- "old/$label/$name" "new/$label/$name" 2>&1)"
    fi
  done
  for name in "${new_names[@]}"; do
    printf -v shown '%q' "$name"
    [ -n "${in_old[$name]:-}" ] || report "only after the new build: $shown"
  done
}

mkdir -p "$work"/{old,new,records/old,records/new}
((${#extra_dirs[@]} == 0)) || mkdir -p "$work"/{old,new,records/old,records/new}/extra
for i in "${!labels[@]}"; do
  label=${labels[i]}
  # "/." copies what a project folder holds, also when it is a link to one.
  for side in old new; do
    mkdir "$work/$side/$label"
    cp -a -- "${sources[i]}/." "$work/$side/$label"
  done
  # The two builds touch only their own copies, so they may run side by side.
  run_build "$old_bin" old "$label" "${arguments[i]}" &
  run_build "$new_bin" new "$label" "${arguments[i]}" &
  wait
  compare_project "$label"
done

# What the set exercised, judged by the old build: a comparison where every
# project is refused, or nothing is crossfaded, proves little. The tags are
# the generator's prediction; a project whose outcome disagrees is named, as
# the model in make_compare_projects.py then no longer matches the program.
declare -A status_count=() tag_count=()
temp_left=0 temp_absent=0
for i in "${!labels[@]}"; do
  read -r status <"$work/records/old/${labels[i]}.status"
  status_count[$status]=$((${status_count[$status]:-0} + 1))
  case ,${tags[i]}, in
    *,build,*) meant=0 ;;
    *,refuse:*) meant=1 ;;
    *) meant=$status ;;
  esac
  [ "$status" = "$meant" ] ||
    echo "note: ${labels[i]} was meant to end with status $meant, the old build ended with $status"
  [ "$status" = 0 ] || continue
  if [ -e "$work/old/${labels[i]}/xfade_temp.wav" ]; then
    temp_left=$((temp_left + 1))
  else
    temp_absent=$((temp_absent + 1))
  fi
  IFS=, read -r -a project_tags <<<"${tags[i]}"
  for tag in "${project_tags[@]}"; do
    tag_count[$tag]=$((${tag_count[$tag]:-0} + 1))
  done
done
summary=""
for status in $(printf '%s\n' "${!status_count[@]}" | sort -n); do
  summary+=", status $status in ${status_count[$status]}"
done
echo "old build ended with ${summary#, }"
echo "after status 0: xfade_temp.wav left in $temp_left, absent in $temp_absent"
summary=""
for tag in $(printf '%s\n' "${!tag_count[@]}" | sort); do
  summary+=", $tag ${tag_count[$tag]}"
done
echo "status 0 projects tagged: ${summary#, }"

echo "compare: ${#labels[@]} projects, $differing differ"
((differing == 0))
