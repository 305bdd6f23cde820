#!/usr/bin/env bash
# Whole-process cost of `KorvelUtil help` (load, static set-up, help text,
# immediate exit) against /bin/true, measured in the same run.
set -u
build="${1:-build}"
util="$build/app/KorvelUtil"
runs="${RUNS:-200}"
if [ ! -x "$util" ]; then
  echo "shell_startup: $util not built" >&2
  exit 1
fi

# Nanoseconds for $runs runs of the command.
measure() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs; i++)); do "$@" >/dev/null 2>&1; done
  end=$(date +%s%N)
  echo $((end - start))
}

measure /bin/true >/dev/null  # warm the caches for both
peer=$(measure /bin/true)
ours=$(measure "$util" help)
awk -v ours="$ours" -v peer="$peer" -v runs="$runs" 'BEGIN {
  printf "KorvelUtil help: %.3f ms/run   /bin/true: %.3f ms/run   ratio %.2f\n",
         ours / runs / 1e6, peer / runs / 1e6, ours / peer
}'
